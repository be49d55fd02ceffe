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
