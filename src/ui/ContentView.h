#pragma once

// The panel's root view: the four-tab bar over the selected tab's content,
// 380 points wide, as high as that content.

#include <QWidget>

#include <vector>

namespace corv::ui {

class CustomTabView;
struct TabDesc;

class ContentView final : public QWidget {
public:
    explicit ContentView(QWidget* parent = nullptr);
    CustomTabView* tabs() const { return tabs_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    CustomTabView* tabs_;
};

// The four tabs: the trackpad tab's content and its gesture capture, the
// keyboard tab's key capture, and the tabs still to come (empty).
std::vector<TabDesc> panelTabs();

// The content of the settings panel, made fresh each time the panel opens.
QWidget* makeContentView(QWidget* parent);

} // namespace corv::ui
