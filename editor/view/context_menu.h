// The view's right-button menus: which one the caret and selection call for, and showing
// it. Its entries are the main window's command actions, so a chosen command takes the
// usual way (view, document, main frame, application) and the greyed state is theirs.
#pragma once

#include "ids.h"

class CLs_mainView;
class QPoint;

namespace view {

// With a selection: Selection. Without: Tag when the caret is inside a tag, else Macro
// inside a macro placeholder, else NoSel.
menu::Id ContextMenuFor(const CLs_mainView& view);

// Shows the menu for the view's caret and selection at the screen point `at`.
void ShowContextMenu(CLs_mainView& view, const QPoint& at);

} // namespace view
