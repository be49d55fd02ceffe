// Indenting and unindenting a block of lines with tabs.
#pragma once

#include <QString>

namespace view {

// A tab, then `text` with a tab after every line feed except a last one; `tabs` is the
// number of tabs put in (at least 1).
QString Indented(const QString& text, int& tabs);
// `text` without its first character when that is a tab and without every tab that
// directly follows a line feed; `dropped` is the number of tabs taken out.
QString Unindented(const QString& text, int& dropped);

} // namespace view
