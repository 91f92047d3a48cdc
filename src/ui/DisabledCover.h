#pragma once

// Lies over a switched-off application's bindings with the disabled message
// and takes every press: tinted on the tabs, clear over a frosted backdrop in
// the popovers, whose ground at half alpha shows the area at half opacity (an
// opacity effect would grey the whole translucent popover). Given a covered
// widget, it keeps to that widget's place.

#include <QList>
#include <QPointer>
#include <QWidget>

class QLabel;

namespace corv::ui {

class BackdropView;

class DisabledCover final : public QWidget {
public:
    enum class Ground { Tint, Clear };
    DisabledCover(Ground ground, QWidget* parent, QWidget* covered = nullptr);
    QLabel* message() const { return message_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent*) override;
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    const Ground ground_;
    QWidget* covered_;
    QLabel* message_;
    BackdropView* backdrop_ = nullptr;
    // What it turned off while shown.
    QList<QPointer<QWidget>> disabled_;
};

// The space between the wrapped lines of the disabled message.
inline constexpr int kMessageLineGap = 12;
// The room left of and right of the message.
inline constexpr int kMessageSideGap = 20;

// The top gap of the disabled message in a cover h points high.
double disabledMessageTop(double h);
// The least cover height that shows a message `m` points high whole below that gap.
int disabledCoverHeightFor(int m);

} // namespace corv::ui
