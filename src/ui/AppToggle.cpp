#include "model/AppDisplayName.h"
#include "model/Apps.h"
#include "recorders/BindingPaths.h"
#include "recorders/FollowingApps.h"
// Model headers come before Qt's, whose keywords clash with them.
#include "ui/AppToggle.h"
#include "ui/DrawnAccess.h"
#include "ui/CheckBoxMark.h"
#include "ui/KeyActivation.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

namespace corv::ui {

void toggleAppEnabled() {
    recorders::editEntry(recorders::selectedAppId(), [](AnApp& e) {
        e.enabled = !e.enabled;
        return true;
    });
}

AppToggle::AppToggle(QWidget* parent) : QWidget(parent) {
    setObjectName("appToggle");
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 8, 0);
    h->setSpacing(8);
    box_ = new CheckBoxMark(this);
    box_->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The row, not its box, takes the keys.
    box_->setFocusPolicy(Qt::NoFocus);
    actOnKeys(this, toggleAppEnabled);
    setCheckState(this, false);
    name_ = new QLabel(this);
    name_->setFont(systemFont(16, QFont::Light));
    name_->setMinimumWidth(0);
    name_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    h->addWidget(box_);
    h->addWidget(name_, 1);
}

void AppToggle::setEntry(const std::string& id, bool enabled) {
    box_->setOn(enabled);
    setCheckState(this, enabled);
    name_->setText(QString::fromStdString(displayedAppName(id)));
    setAccessibleName(name_->text());
}

void AppToggle::mousePressEvent(QMouseEvent* e) {
    e->accept();
    if (e->button() == Qt::LeftButton) toggleAppEnabled();
}

} // namespace corv::ui
