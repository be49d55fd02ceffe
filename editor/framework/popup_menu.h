// Runs pop-up menus through one place, so that tests can look at a menu and choose an
// entry instead of waiting for a user.
#pragma once

#include <functional>

class QAction;
class QMenu;
class QPoint;

namespace fw {

// Gets the menu, filled and ready to show, and the screen point; returns the entry to
// choose (null: none).
using PopupHook = std::function<QAction*(QMenu&, const QPoint&)>;
void SetPopupHook(PopupHook hook);

// Shows `menu` at the screen point `at` until the user chooses or leaves it (or asks the
// hook); the chosen entry is triggered and returned, null when there is none.
QAction* RunPopup(QMenu& menu, const QPoint& at);

} // namespace fw
