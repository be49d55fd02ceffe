// The editor's command and string ids by name, generated from the tables in this folder:
// cmd::Save is 32901, str::NoProject is 136. Code uses these names, never the numbers.
#pragma once

namespace cmd {
enum Id : int {
#define LS_COMMAND(name, id, menuText, commandString) name = id,
#include "commands.inc"
#undef LS_COMMAND
};
} // namespace cmd

namespace str {
enum Id : int {
#define LS_STRING(name, id, text) name = id,
#include "strings.inc"
#undef LS_STRING
};
} // namespace str

// The right-button menus of the editor view by their resource ids (context_menus.inc).
namespace menu {
enum Id : int {
#define LS_POPUP_BEGIN(name, id, title) name = id,
#define LS_POPUP_END(name)
#define LS_POPUP_ITEM(name, command)
#define LS_POPUP_SEPARATOR(name)
#define LS_POPUP_SUBMENU_BEGIN(name, title)
#define LS_POPUP_SUBMENU_END(name)
#include "context_menus.inc"
#undef LS_POPUP_BEGIN
#undef LS_POPUP_END
#undef LS_POPUP_ITEM
#undef LS_POPUP_SEPARATOR
#undef LS_POPUP_SUBMENU_BEGIN
#undef LS_POPUP_SUBMENU_END
};
} // namespace menu
