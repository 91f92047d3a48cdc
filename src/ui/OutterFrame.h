#pragma once

// A framed section: a thin rounded outline around it whose top edge runs
// behind the section's title without crossing it.

#include <QPainterPath>
#include <QPointer>
#include <QWidget>

namespace corv::ui {

// The open outline as a painter path.
QPainterPath gapRoundedRectPainterPath(double width, double height, double cornerRadius, double gapStart,
                                       double gapWidth);

class OutterFrame final : public QWidget {
public:
    // Wraps the section, leaving room for the outline (10 at the sides and
    // below); `title` lies inside the section; without one nothing is drawn.
    // `yOffset` raises the top edge from 10 below the section's top.
    OutterFrame(QWidget* section, QWidget* title, double yOffset = 2, QWidget* parent = nullptr);

    void setTitle(QWidget* title);
    QWidget* section() const { return section_; }
    // The outline in this widget's coordinates; empty without a title.
    QPainterPath outline() const;

protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject*, QEvent* e) override;

private:
    QWidget* section_;
    QPointer<QWidget> title_;
    double yOffset_;
};

} // namespace corv::ui
