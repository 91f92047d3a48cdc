#include "ui/EscapeChain.h"

#include "app/MainWinManager.h"
#include "ui/HintWinManager.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace corv::ui {

namespace {

class EscapeChain final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier) return false;
        auto& hints = HintWinManager::shared();
        if (hints.isVisible()) {
            hints.dismiss();
            return true;
        }
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
            return true;
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            return true;
        }
        auto& panel = app::MainWinManager::shared();
        if (panel.showing.get()) {
            panel.hidePanel();
            return true;
        }
        return false;
    }
};

} // namespace

void installEscapeChain() {
    static QObject* chain = nullptr;
    if (chain) return;
    chain = new EscapeChain(qApp);
    qApp->installEventFilter(chain);
}

} // namespace corv::ui
