#include "model/AppDisplayName.h"
#include "model/ApplicationSets.h"
#include "platform/Localization.h"
#include "ui/tabs/exceptions/AppPicker.h"
#include "ui/AppIcon.h"
#include "ui/PopupPlacement.h"
#include "ui/PanelScreen.h"
#include "ui/tabs/exceptions/AppPopovers.h"
#include "ui/tabs/exceptions/ExceptionRules.h"
#include "ui/InteractionReader.h"
#include "ui/KeyActivation.h"
#include "ui/Theme.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace corv::ui::exceptions {

namespace {

// One application: icon and name; highlighted while under the pointer.
class PickerRow : public QWidget {
public:
    PickerRow(AppPicker* picker, Application app, QWidget* parent)
        : QWidget(parent), picker_(picker), app_(std::move(app)) {
        setAttribute(Qt::WA_Hover);
        auto* h = new QHBoxLayout(this);
        h->setContentsMargins(2, 2, 2, 2);
        auto* icon = new QLabel(this);
        icon->setPixmap(appIcon(decodedFilePath(app_.url), 32));
        auto* name = new QLabel(QString::fromStdString(app_.name), this);
        name->setFont(systemFont(16, QFont::Light));
        h->addWidget(icon);
        h->addWidget(name);
        h->addStretch(1);
        // The pressed row's own record goes with the press.
        QPointer<AppPicker> p = picker;
        const Application a = app_;
        onPress(this, [p, a] {
            if (p) p->pick(a);
        });
        actOnKeys(this, [p, a] {
            if (p) p->pick(a);
        });
        setAccessibleName(name->text());
    }
    const Application& app() const { return app_; }

protected:
    void enterEvent(QEnterEvent*) override { picker_->setHovered(app_); }
    void leaveEvent(QEvent*) override { picker_->setHovered(std::nullopt); }
    // The keyboard's row is lit as the pointer's is.
    void focusInEvent(QFocusEvent*) override { picker_->setHovered(app_); }
    void paintEvent(QPaintEvent*) override {
        if (picker_->hovered() != app_) return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor c = accentTextColor();
        c.setAlphaF(0.4);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 10, 10);
        p.fillPath(path, c);
    }

private:
    AppPicker* picker_;
    Application app_;
};

} // namespace

AppPicker::AppPicker(PickerKind kind, QWidget* parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint), kind_(kind) {
    setObjectName(kind == PickerKind::Installed ? "installedPicker" : "runningPicker");
    setAttribute(Qt::WA_DeleteOnClose);
    setPalette(panelPalette());
    setFont(panelFont());
    auto* v = new QVBoxLayout(this);
    v->setSpacing(0);
    search_ = new QLineEdit(this);
    search_->setFont(systemFont(16, QFont::Light));
    search_->setFrame(false);
    search_->setPlaceholderText(QString::fromStdString(platform::localized("Picker search")));
    search_->setStyleSheet(QStringLiteral(
        "QLineEdit { background: transparent; border: 1px solid gray; border-radius: 4px; padding: 4px; }"));
    v->addWidget(search_);
    list_ = new QScrollArea(this);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->viewport()->setAutoFillBackground(false);
    content_ = new QWidget;
    list_->setWidget(content_);
    content_->setAutoFillBackground(false);  // setWidget turns it on
    v->addWidget(list_);
    search_->installEventFilter(this);
    connect(search_, &QLineEdit::textChanged, this, [this] { rebuild(); });
    rebuild();
    search_->setFocus();
}

void AppPicker::rebuild() {
    for (QWidget* r : rows_) delete r;
    rows_.clear();
    const auto& sets = ApplicationSets::shared();
    const ApplicationSet& set = kind_ == PickerKind::Installed ? sets.installedApps : sets.runningApps;
    for (const Application& app : pickerRows(set, search_->text().toStdString())) {
        auto* row = new PickerRow(this, app, content_);
        row->installEventFilter(this);
        row->show();
        rows_.push_back(row);
    }
    // Each row stands 4 into its neighbours (its highlight overlaps them);
    // 4 of padding above and below them all.
    int width = sized_ ? content_->width() : 0;
    for (QWidget* r : rows_) width = std::max(width, r->sizeHint().width());
    int y = 0;
    for (QWidget* r : rows_) {
        const int h = r->sizeHint().height();
        r->setGeometry(0, y, width, h);
        y += h - 8;
    }
    const int content = y + 8;
    content_->resize(width, content);
    // Sized once, as it opens: the search narrows the list, not the picker,
    // which keeps its place against the panel.
    if (sized_) return;
    sized_ = true;
    const double screen = panelScreenHeight();
    const double max = kind_ == PickerKind::Installed ? installedPickerMaxHeight(screen) : runningPickerMaxHeight(screen);
    int h = std::isfinite(max) ? std::min(content, static_cast<int>(max)) : content;
    // The search field stays in reach: the list gives way to the screen.
    const QRect area = workAreaAt(parentWidget());
    if (area.isValid()) h = std::min(h, std::max(area.height() - (sizeHint().height() - list_->height()), 0));
    list_->setFixedHeight(h);
    list_->setFixedWidth(width + (content > list_->height() ? list_->verticalScrollBar()->sizeHint().width() : 0));
    adjustSize();
    setFixedSize(size());
}

void AppPicker::setHovered(const std::optional<Application>& app) {
    hovered_ = app;
    for (QWidget* r : rows_) r->update();
}

void AppPicker::pick(const Application& app) {
    auto fn = onPick;
    close();
    if (fn) fn(app);
}

bool AppPicker::eventFilter(QObject* o, QEvent* e) {
    // Ahead of the list, which scrolls on these keys.
    if (e->type() != QEvent::KeyPress) return QFrame::eventFilter(o, e);
    const int key = static_cast<QKeyEvent*>(e)->key();
    const auto at = std::find(rows_.begin(), rows_.end(), o);
    const int index = at == rows_.end() ? -1 : static_cast<int>(at - rows_.begin());
    const int count = static_cast<int>(rows_.size());
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && index < 0 && count > 0) {
        pick(static_cast<PickerRow*>(rows_.front())->app());
        return true;
    }
    if (key != Qt::Key_Down && key != Qt::Key_Up) return false;
    const int next = std::clamp(index + (key == Qt::Key_Down ? 1 : -1), -1, count - 1);
    QWidget* target = next < 0 ? static_cast<QWidget*>(search_) : rows_[static_cast<std::size_t>(next)];
    target->setFocus(Qt::TabFocusReason);
    if (next >= 0) list_->ensureWidgetVisible(target, 0, 4);
    return true;
}

void AppPicker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.fillRect(rect(), popupTint());
}

} // namespace corv::ui::exceptions
