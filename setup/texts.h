// The installer's texts by name (res/strings.inc): code names them, never spells them.
#pragma once

#include <QString>

namespace setup {

enum class Text {
#define SETUP_STRING(name, text) name,
#include "strings.inc"
#undef SETUP_STRING
};

// The text of `id`, with its "%s" replaced by `argument` when one is given.
QString LoadText(Text id, const QString& argument = {});

} // namespace setup
