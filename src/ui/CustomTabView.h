#pragma once

// A row of icon-and-title tab buttons with a rounded highlight that springs to
// the selected one, over the content of the selected tab. Only that content
// exists: selecting another tab drops it and builds the other afresh.

#include "model/Observable.h"
#include "ui/Backdrop.h"
#include "ui/TabBarRules.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QVariantAnimation;
class QVBoxLayout;

namespace corv::ui {

struct TabDesc {
    QString title;
    QString symbol;
    std::function<QWidget*(QWidget* parent)> make;
};

// One tab: the symbol over the title, 86 × 50 inside its padding.
class TabButton final : public QWidget {
public:
    TabButton(const TabDesc& desc, QWidget* parent);
    void setSelected(bool selected);
    bool selected() const { return selected_; }
    QColor color() const;
    // The 86 × 50 frame inside the padding.
    QRect frameRect() const { return QRect(4, 6, 86, 50); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString title_;
    QString symbol_;
    bool selected_ = false;
};

// Stands on the panel's backdrop: it paints the tint under its buttons.
class TabBar final : public QWidget {
public:
    TabBar(std::vector<TabDesc> const& tabs, std::function<void(int)> select, QWidget* parent);
    void setSelection(std::int64_t selection);
    TabButton* button(int i) const { return buttons_.at(std::size_t(i)); }
    int count() const { return int(buttons_.size()); }
    // Where the highlight is drawn now, and where it is heading.
    QRectF activeRect() const { return active_; }
    QRectF targetRect() const;
    CornerRadii corners() const { return highlightCorners(selection_); }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;

private:
    void follow(bool animated);

    std::vector<TabButton*> buttons_;
    std::int64_t selection_ = 0;
    QRectF active_;
    bool placed_ = false;
    QPointer<QVariantAnimation> spring_;
};

class CustomTabView final : public QWidget {
public:
    CustomTabView(Published<std::int64_t>& selection, std::vector<TabDesc> tabs, QWidget* parent = nullptr);
    ~CustomTabView() override;

    // The index whose content shows, and that content.
    int shownIndex() const { return shown_; }
    QWidget* content() const { return content_; }
    TabBar* bar() const { return bar_; }
    // Selects the tab at `index`, as its button does.
    void select(int index) { selection_.set(index); }

private:
    int tabFor(std::int64_t selection) const;
    void showTab(int index);
    void dropContent();

    Published<std::int64_t>& selection_;
    std::vector<TabDesc> tabs_;
    TabBar* bar_;
    QWidget* host_;
    QVBoxLayout* hostLayout_;
    QPointer<QWidget> content_;
    int shown_ = -1;
    Subscription sub_;
};

} // namespace corv::ui
