// Translations: the macros of every language side by side, and their exchange with
// translators as PO files (read and written by gettext's own libgettextpo). No toolkit: the
// command line (/export-po, /import-po) and the editor use the same functions.
#pragma once

#include <string>
#include <vector>

class tLS_macrobase;
class tLS_project;

namespace larkspan {

// The macro texts of a project by name and language.
struct TranslationTable {
    std::vector<std::string> languages; // the language groups' names, in project order
    std::vector<int> groups;            // their indices in the loaded groups
    struct Row {
        std::string name;
        bool shared = false; // a macro of the basis group, the same in every language
        std::vector<const std::string*> texts; // per language (shared: one); null when missing
    };
    std::vector<Row> rows; // the language macros by name, then the shared ones by name
};

// The table of the open project (pointers into its macro bases: valid until they change).
TranslationTable TranslationsOf(tLS_project& project);

// Writes `folder`/LANGUAGE.po for every language of the open project: one entry per macro
// of the language groups, its name as msgctxt, the text of `sourceLanguage` (the first
// language when "") as msgid, this language's text as msgstr ("" when missing), a "#."
// comment naming the templates that use it; UTF-8, a macro file in Windows-1252 converted.
// The folder is made when missing. False, with the reason in `error`, when the project has
// no language, the source language is unknown, or a file cannot be written; `written` lists
// the files written.
bool ExportPo(tLS_project& project, const std::string& folder, const std::string& sourceLanguage,
              std::vector<std::string>& written, std::string& error);

// What an import did.
struct PoImport {
    std::vector<std::string> changed;  // "language: macro" of every macro stored
    std::vector<std::string> problems; // "file:line: what was not stored and why"
    std::vector<std::string> files;    // the macro files written
};

// Reads `folder`/LANGUAGE.po for every language of the open project that has one. A
// changed msgstr is stored into that language's macro with the current time; unchanged and
// empty ones leave the macro alone, and a macro file with no change is not written; a text
// for a macro that this language lacks but another has makes it. Entries marked fuzzy,
// without msgctxt, for a macro no language has, or with a character the
// macro file's encoding cannot hold are not stored and are named in `problems`; a file that
// cannot be parsed stores nothing of its language. True when nothing was left unstored.
bool ImportPo(tLS_project& project, const std::string& folder, PoImport& result);

// Text conversions between a macro file's bytes and UTF-8. A macro file is UTF-8 when all
// its macros (names and texts) are valid UTF-8, else Windows-1252 (as the editor reads
// files); a null base counts as UTF-8.
bool MacroFileIsUtf8(tLS_macrobase* base);
std::string Windows1252ToUtf8(const std::string& bytes);
// False when `text` holds a character Windows-1252 lacks.
bool Utf8ToWindows1252(const std::string& text, std::string& bytes);

} // namespace larkspan
