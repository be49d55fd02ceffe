// The desktop entries (freedesktop.org) that start the editor and open its help: one
// composer for the editor's own registration and for the installer, so that both write the
// same text for the same file. Texts are UTF-8; no toolkit, no library.
#pragma once

#include <string>
#include <string_view>

namespace desktop {

// The MIME types of project files (.hpr, a kind of plain text) and of templates (.tpl, a
// kind of HTML): the same names in the package's MIME package and in the editor's own.
inline constexpr char kProjectMimeType[] = "application/x-larkspan-project";
inline constexpr char kTemplateMimeType[] = "application/x-larkspan-template";
// The file names of the two entries under .../applications/.
inline constexpr char kProgramEntryFile[] = "larkspan.desktop";
inline constexpr char kHelpEntryFile[] = "larkspan-help.desktop";

// True when `text` holds a line break or another control character: such a text cannot
// stand in a value (it would end the line and start a key of its own).
bool HasControlCharacter(std::string_view text);
// A string value: every backslash written "\\".
std::string StringValue(std::string_view text);
// A path as an argument of Exec: in double quotes, the characters the quoting rule reserves
// escaped by a backslash and "%" doubled (it starts field codes), then escaped as every
// string value is.
std::string ExecArgument(std::string_view path);

// The entry "Larkspan PLUS" that starts `program` on the files it opens, with the print
// action and both MIME types. Paths must not hold control characters (check first).
std::string ProgramEntry(const std::string& program, const std::string& icon);
// The entry "Larkspan Help" that opens the help page `page` in the desktop's browser.
std::string HelpEntry(const std::string& page, const std::string& icon);
// The MIME package of the two types: each with its glob, parent type, comment and icon
// (named after the type; the package installs it, a generic icon stands in elsewhere).
std::string MimePackage();

} // namespace desktop
