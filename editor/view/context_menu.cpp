#include "context_menu.h"

#include "app_context.h"
#include "ls_main_view.h"
#include "popup_menu.h"

#include <QMenu>

namespace view {

namespace {

// Fills `root` with the entries of menu `wanted`.
void FillMenu(QMenu& root, menu::Id wanted) {
    QList<QMenu*> stack{&root};
    auto add = [&stack](int id) {
        if (QAction* action = app::CommandAction(id)) stack.last()->addAction(action);
    };
#define LS_POPUP_BEGIN(name, id, title)                                                            \
    if (menu::name == wanted) root.setObjectName(QStringLiteral(title));
#define LS_POPUP_END(name)
#define LS_POPUP_ITEM(name, command)                                                               \
    if (menu::name == wanted) add(cmd::command);
#define LS_POPUP_SEPARATOR(name)                                                                   \
    if (menu::name == wanted) stack.last()->addSeparator();
#define LS_POPUP_SUBMENU_BEGIN(name, title)                                                        \
    if (menu::name == wanted) stack.append(stack.last()->addMenu(QStringLiteral(title)));
#define LS_POPUP_SUBMENU_END(name)                                                                 \
    if (menu::name == wanted) stack.removeLast();
#include "context_menus.inc"
#undef LS_POPUP_BEGIN
#undef LS_POPUP_END
#undef LS_POPUP_ITEM
#undef LS_POPUP_SEPARATOR
#undef LS_POPUP_SUBMENU_BEGIN
#undef LS_POPUP_SUBMENU_END
}

} // namespace

menu::Id ContextMenuFor(const CLs_mainView& view) {
    int start = 0;
    int end = 0;
    view.GetSel(start, end);
    if (start != end) return menu::Selection;
    const QString text = view.GetText();
    int from = 0;
    int to = 0;
    if (view.FindEnclosing(text, '<', '>', from, to)) return menu::Tag;
    if (view.FindEnclosing(text, '#', '}', from, to)) return menu::Macro;
    return menu::NoSel;
}

void ShowContextMenu(CLs_mainView& view, const QPoint& at) {
    QMenu menu(app::MainWindow());
    FillMenu(menu, ContextMenuFor(view));
    app::UpdateCommandStates();
    fw::RunPopup(menu, at);
}

} // namespace view
