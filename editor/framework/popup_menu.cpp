#include "popup_menu.h"

#include <QAction>
#include <QMenu>

namespace fw {

namespace {
PopupHook g_hook;
}

void SetPopupHook(PopupHook hook) {
    g_hook = std::move(hook);
}

QAction* RunPopup(QMenu& menu, const QPoint& at) {
    if (!g_hook) return menu.exec(at);
    QAction* chosen = g_hook(menu, at);
    // As a click would: only an entry that can be chosen runs.
    if (chosen && chosen->isEnabled()) {
        chosen->trigger();
        return chosen;
    }
    return nullptr;
}

} // namespace fw
