#pragma once

// The hover-hint window: a frameless tool window above the panel that takes
// no mouse and no focus, with the text on a dark tinted rounded block.

#include "ui/HintWinManager.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QPropertyAnimation;

namespace corv::ui {

class HintPanelWidget final : public QWidget, public HintPanel {
public:
    HintPanelWidget();
    ~HintPanelWidget() override;

    bool isVisible() const override { return QWidget::isVisible(); }
    void setContent(const std::string& text, bool big) override;
    void clearContent() override;
    HintSize size() const override;
    platform::Point pointer() const override;
    std::vector<platform::Rect> screens() const override;
    void orderFront(platform::Point origin) override;
    void fadeTo(double alpha, double seconds) override;
    void orderOut() override;

    QString text() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QLabel* label_;
    QPointer<QPropertyAnimation> fade_;
};

// Makes the shared manager draw into a hint window (once per process run).
void installHintPanel();

// Gives the widget a hover hint; an empty text gives none.
void attachHint(QWidget* widget, const QString& text, bool big = false);

} // namespace corv::ui
