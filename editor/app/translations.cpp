#include "translations.h"

#include "command_line.h"
#include "headless_build.h"
#include "places.h"

#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_project.h>

#include <gettext-po.h>
#include <text_bytes.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspan {

namespace {

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The live macros of a base: name → text.
std::map<std::string, const std::string*> MacrosOf(tLS_macrobase* base) {
    std::map<std::string, const std::string*> macros;
    if (!base) return macros;
    for (int i = 0; i <= base->GetLastIndex(); ++i) {
        tBaseMember* member = nullptr;
        if (base->GetMacroContent(i, member) == LS_OK && member->name[0])
            macros.emplace(member->name, &member->content);
    }
    return macros;
}

// The macro names each template uses directly ("{#Name"), by template (relative path).
std::map<std::string, std::vector<std::string>> UsesOf(tLS_project& project,
                                                       const std::string& root) {
    std::map<std::string, std::vector<std::string>> uses;
    const int sources = std::min(project.GetSourceCount(), LS_MAX_SOURCES);
    for (int s = 0; s < sources; ++s) {
        char path[LS_PATH_MAX];
        std::string text;
        if (project.GetSourcePath(s, path) != LS_OK || !brevic::ReadTextFile(path, text)) continue;
        std::string name = path;
        if (name.compare(0, root.size(), root) == 0) name.erase(0, root.size());
        std::set<std::string> seen;
        for (size_t at = text.find("{#"); at != std::string::npos; at = text.find("{#", at + 2)) {
            size_t end = at + 2;
            while (end < text.size() && text[end] != '}' && text[end] != '(' && text[end] != '\n' &&
                   end - at < LS_NAME_FIELD + 2)
                ++end;
            const std::string used = text.substr(at + 2, end - at - 2);
            if (seen.insert(used).second) uses[used].push_back(name);
        }
    }
    return uses;
}

// Errors of libgettextpo, gathered; a fatal one returns to the caller through `fatal`.
struct PoErrors {
    std::vector<std::string> lines;
    bool failed = false;
    std::jmp_buf fatal;
};
thread_local PoErrors* g_errors = nullptr;

void OnPoError(int severity, po_message_t, const char* file, size_t line, size_t, int,
               const char* text) {
    std::string where = file ? std::string(file) : "";
    if (file && line != static_cast<size_t>(-1)) where += ":" + std::to_string(line);
    std::string message = text ? text : "";
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
    g_errors->lines.push_back((where.empty() ? "" : where + ": ") + message);
    if (severity >= PO_SEVERITY_ERROR) g_errors->failed = true;
    if (severity == PO_SEVERITY_FATAL_ERROR) std::longjmp(g_errors->fatal, 1);
}

void OnPoError2(int severity, po_message_t m1, const char* f1, size_t l1, size_t c1, int ml1,
                const char* t1, po_message_t, const char*, size_t, size_t, int, const char* t2) {
    const std::string text = std::string(t1 ? t1 : "") + " " + (t2 ? t2 : "");
    OnPoError(severity, m1, f1, l1, c1, ml1, text.c_str());
}

const po_xerror_handler kHandler = {OnPoError, OnPoError2};

// Frees a PO file. The library frees no msgctxt of its messages; setting none frees it.
void FreePo(po_file_t file) {
    po_message_iterator_t all = po_message_iterator(file, nullptr);
    while (po_message_t m = po_next_message(all))
        po_message_set_msgctxt(m, nullptr);
    po_message_iterator_free(all);
    po_file_free(file);
}

std::string Header(const std::string& project, const std::string& language) {
    char date[32];
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M+0000", &utc);
    return "Project-Id-Version: " + project + "\nPO-Revision-Date: " + date +
           "\nLast-Translator: \nLanguage-Team: " + language + "\nLanguage: " + language +
           "\nMIME-Version: 1.0\nContent-Type: text/plain; charset=UTF-8\n"
           "Content-Transfer-Encoding: 8bit\nX-Generator: Larkspan PLUS\n";
}

// One language's PO file, written beside its place and renamed over it.
bool WritePo(const TranslationTable& table, size_t language, size_t source,
             const std::vector<bool>& utf8,
             const std::map<std::string, std::vector<std::string>>& uses,
             const std::string& project, const std::string& path, const std::string& scratch,
             std::string& error) {
    po_file_t file = po_file_create();
    po_message_iterator_t it = po_message_iterator(file, nullptr);
    po_message_t header = po_message_create();
    po_message_set_msgid(header, "");
    po_message_set_msgstr(header, Header(project, table.languages[language]).c_str());
    po_message_insert(it, header);
    auto text = [&](size_t l, const std::string* bytes) {
        return !bytes ? std::string() : utf8[l] ? *bytes : Windows1252ToUtf8(*bytes);
    };
    for (const TranslationTable::Row& row : table.rows) {
        if (row.shared) continue;
        // The source text; a macro the source language lacks takes the first text it has.
        std::string id = text(source, row.texts[source]);
        for (size_t l = 0; id.empty() && l < row.texts.size(); ++l)
            id = text(l, row.texts[l]);
        if (id.empty()) id = row.name; // every text empty: msgid may not be
        po_message_t m = po_message_create();
        const std::string name = utf8[language] ? row.name : Windows1252ToUtf8(row.name);
        po_message_set_msgctxt(m, name.c_str());
        po_message_set_msgid(m, id.c_str());
        po_message_set_msgstr(m, text(language, row.texts[language]).c_str());
        const auto used = uses.find(row.name);
        std::string comment = "macro " + name;
        if (used != uses.end()) {
            comment += ", used in:";
            for (const std::string& t : used->second)
                comment += " " + t;
        }
        po_message_set_extracted_comments(m, comment.c_str());
        po_message_insert(it, m);
    }
    po_message_iterator_free(it);
    // The library writes only to a named file: a file of a folder only this process may
    // use, whose bytes then go to their place by the saving rule (links, modes, a rename).
    const std::string temporary = scratch + "entry.po";
    PoErrors errors;
    g_errors = &errors;
    volatile bool wrote = false; // kept across a fatal error's longjmp
    if (setjmp(errors.fatal) == 0)
        wrote = po_file_write(file, temporary.c_str(), &kHandler) != nullptr;
    g_errors = nullptr;
    FreePo(file);
    std::string bytes;
    const bool ok = wrote && !errors.failed && brevic::ReadBinaryFile(temporary.c_str(), bytes) &&
                    brevic::WriteBinaryFileAtomic(path.c_str(), bytes);
    std::remove(temporary.c_str());
    if (!ok) error = "cannot write " + path + (errors.lines.empty() ? "" : ": " + errors.lines[0]);
    return ok;
}

// The line of the entry with msgctxt `name` in the PO file's text (1 when not found).
size_t LineOf(const std::string& po, const std::string& name) {
    std::string quoted;
    for (const char c : name) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    const size_t at = po.find("msgctxt \"" + quoted + "\"");
    return at == std::string::npos ? 1
                                   : static_cast<size_t>(std::count(
                                         po.begin(), po.begin() + static_cast<long>(at), '\n')) +
                                         1;
}

} // namespace

bool MacroFileIsUtf8(tLS_macrobase* base) {
    for (const auto& macro : MacrosOf(base))
        if (!brevic::IsUtf8(*macro.second) || !brevic::IsUtf8(macro.first)) return false;
    return true;
}

std::string Windows1252ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes)
        AppendUtf8(out, brevic::Windows1252Code(static_cast<unsigned char>(c)));
    return out;
}

bool Utf8ToWindows1252(const std::string& text, std::string& bytes) {
    bytes.clear();
    if (!brevic::IsUtf8(text)) return false;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        unsigned code = n == 1 ? c : c & (0x3Fu >> (n - 1));
        for (size_t k = 1; k < n; ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        i += n;
        const int b = brevic::Windows1252Byte(code);
        if (b < 0) return false;
        bytes += static_cast<char>(b);
    }
    return true;
}

TranslationTable TranslationsOf(tLS_project& project) {
    TranslationTable table;
    const int groups = project.GetLoadedGroupCount();
    std::vector<std::map<std::string, const std::string*>> macros;
    for (int g = 1; g < groups; ++g) {
        char name[LS_PATH_MAX];
        if (project.IsGroupRetired(g) || project.GetGroupName(g, name) != LS_OK) continue;
        table.languages.push_back(name);
        table.groups.push_back(g);
        macros.push_back(MacrosOf(project.GetGroup(g)));
    }
    std::set<std::string> names;
    for (const auto& language : macros) {
        for (const auto& macro : language)
            names.insert(macro.first);
    }
    for (const std::string& name : names) {
        TranslationTable::Row row;
        row.name = name;
        for (const auto& language : macros) {
            const auto text = language.find(name);
            row.texts.push_back(text == language.end() ? nullptr : text->second);
        }
        table.rows.push_back(std::move(row));
    }
    for (const auto& macro : MacrosOf(project.GetGroup(0))) {
        TranslationTable::Row row;
        row.name = macro.first;
        row.shared = true;
        row.texts.push_back(macro.second);
        table.rows.push_back(std::move(row));
    }
    return table;
}

bool ExportPo(tLS_project& project, const std::string& folder, const std::string& sourceLanguage,
              std::vector<std::string>& written, std::string& error) {
    const TranslationTable table = TranslationsOf(project);
    if (table.languages.empty()) {
        error = "the project has no language: nothing to translate";
        return false;
    }
    size_t source = 0;
    if (!sourceLanguage.empty()) {
        const auto at = std::find(table.languages.begin(), table.languages.end(), sourceLanguage);
        if (at == table.languages.end()) {
            error = "no language \"" + sourceLanguage + "\" in the project";
            return false;
        }
        source = static_cast<size_t>(at - table.languages.begin());
    }
    std::string dir = folder;
    if (dir.empty() || dir.back() != '/') dir += '/';
    if (!MakePath(dir)) {
        error = "cannot make the folder " + dir;
        return false;
    }
    std::vector<bool> utf8;
    for (const int g : table.groups)
        utf8.push_back(MacroFileIsUtf8(project.GetGroup(g)));
    const std::string root = FolderOf(project.GetProjectPath() ? project.GetProjectPath() : "");
    const auto uses = UsesOf(project, root);
    const std::string name = project.GetProjectName() ? project.GetProjectName() : "";
    const char* tmp = std::getenv("TMPDIR");
    std::string scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/larkspan-po-XXXXXX";
    if (!::mkdtemp(scratch.data())) {
        error = "cannot make a folder for temporary files in " + FolderOf(scratch);
        return false;
    }
    scratch += '/';
    bool ok = true;
    for (size_t l = 0; ok && l < table.languages.size(); ++l) {
        const std::string path = dir + table.languages[l] + ".po";
        ok = WritePo(table, l, source, utf8, uses, name, path, scratch, error);
        if (ok) written.push_back(path);
    }
    ::rmdir(scratch.c_str());
    return ok;
}

namespace {

// Stores the entries of one language's PO file; false when something was not stored.
bool ImportLanguage(tLS_project& project, int group, const std::string& language,
                    const std::string& path, const std::set<std::string>& known, PoImport& result) {
    std::string po;
    brevic::ReadTextFile(path.c_str(), po);
    PoErrors errors;
    g_errors = &errors;
    po_file_t volatile read = nullptr; // kept across a fatal error's longjmp
    if (setjmp(errors.fatal) == 0) read = po_file_read(path.c_str(), &kHandler);
    g_errors = nullptr;
    po_file_t file = read;
    if (!file || errors.failed) {
        if (file) FreePo(file);
        result.problems.push_back(
            (errors.lines.empty() ? path + ": cannot be read" : errors.lines[0]) + "; nothing of " +
            language + " stored");
        return false;
    }
    tLS_macrobase* base = project.GetGroup(group);
    const bool utf8 = MacroFileIsUtf8(base);
    bool all = true;
    auto refuse = [&](const std::string& name, const char* why) {
        result.problems.push_back(path + ":" + std::to_string(LineOf(po, name)) + ": \"" + name +
                                  "\" not stored: " + why);
        all = false;
    };
    po_message_iterator_t it = po_message_iterator(file, nullptr);
    while (po_message_t m = po_next_message(it)) {
        const char* context = po_message_msgctxt(m);
        const std::string id = po_message_msgid(m);
        if (id.empty() || po_message_is_obsolete(m)) continue; // the header, old entries
        if (!context) {
            refuse(id.substr(0, 40), "the entry has no msgctxt naming its macro");
            continue;
        }
        const std::string name = context;
        const std::string text = po_message_msgstr(m);
        if (text.empty()) continue; // not translated
        if (po_message_is_fuzzy(m)) {
            refuse(name, "marked fuzzy");
            continue;
        }
        std::string bytes = text;
        std::string fileName = name;
        if (!utf8 && (!Utf8ToWindows1252(text, bytes) || !Utf8ToWindows1252(name, fileName))) {
            refuse(name, "a character the macro file's encoding (Windows-1252) cannot hold");
            continue;
        }
        int index = -1;
        std::string* content = nullptr;
        if (base->GetMacroIndex(index, fileName.c_str(), 1) != LS_OK) {
            // A text this language lacked: made, when another language has the macro.
            if (!known.count(name)) {
                refuse(name, "no language of the project has such a macro");
                continue;
            }
            if (base->NewMacro(content, fileName.c_str(), index) != LS_OK) {
                refuse(name, ("the macro cannot be made in " + language).c_str());
                continue;
            }
        } else if (base->GetMacroContent(index, content) != LS_OK) {
            refuse(name, "the macro cannot be read");
            continue;
        }
        if (*content == bytes) continue;
        *content = bytes;
        base->SetModified(index); // the current time: the pages using it are rebuilt
        result.changed.push_back(language);
        result.changed.back() += ": " + name;
    }
    po_message_iterator_free(it);
    FreePo(file);
    return all;
}

} // namespace

bool ImportPo(tLS_project& project, const std::string& folder, PoImport& result) {
    const TranslationTable table = TranslationsOf(project);
    std::string dir = folder;
    if (dir.empty() || dir.back() != '/') dir += '/';
    std::set<std::string> known; // the macros of the language groups, by their UTF-8 names
    for (const TranslationTable::Row& row : table.rows)
        if (!row.shared)
            known.insert(brevic::IsUtf8(row.name) ? row.name : Windows1252ToUtf8(row.name));
    bool all = true;
    for (size_t l = 0; l < table.languages.size(); ++l) {
        const std::string path = dir + table.languages[l] + ".po";
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) continue; // no file for this language
        tLS_macrobase* base = project.GetGroup(table.groups[l]);
        all = ImportLanguage(project, table.groups[l], table.languages[l], path, known, result) &&
              all;
        if (!base->IsModified()) continue;
        if (base->SaveMacroBase() != LS_OK) {
            result.problems.push_back(std::string(base->GetFilePath()) + ": cannot be written");
            all = false;
        } else {
            result.files.push_back(base->GetFilePath());
        }
    }
    return all;
}

namespace {

bool OpenForPo(tLS_project& project, const std::string& projectFile,
               const std::string& settingsFile, std::ostream& out) {
    project.SetIniFilePath(settingsFile.c_str());
    if (projectFile.empty() || !IsProjectFile(projectFile)) {
        out << "larkspan: " << VisibleText(projectFile) << " is not a project file (.hpr)\n";
        return false;
    }
    return OpenProject(project, AbsolutePath(projectFile), out);
}

} // namespace

int RunPoExport(const std::string& projectFile, const std::string& settingsFile,
                const std::string& folder, const std::string& sourceLanguage, std::ostream& out) {
    tLS_project project;
    if (!OpenForPo(project, projectFile, settingsFile, out)) return 1;
    std::vector<std::string> written;
    std::string error;
    const bool ok = ExportPo(project, AbsolutePath(folder), sourceLanguage, written, error);
    for (const std::string& path : written)
        out << "  wrote      " << VisibleText(path) << '\n';
    if (!ok) out << "larkspan: " << VisibleText(error) << '\n';
    out << "Exported " << written.size() << " PO file(s)\n";
    return ok ? 0 : 1;
}

int RunPoImport(const std::string& projectFile, const std::string& settingsFile,
                const std::string& folder, std::ostream& out) {
    tLS_project project;
    if (!OpenForPo(project, projectFile, settingsFile, out)) return 1;
    PoImport result;
    const bool ok = ImportPo(project, AbsolutePath(folder), result);
    for (const std::string& macro : result.changed)
        out << "  stored     " << VisibleText(macro) << '\n';
    for (const std::string& problem : result.problems)
        out << VisibleText(problem) << '\n';
    for (const std::string& path : result.files)
        out << "  wrote      " << VisibleText(path) << '\n';
    out << "Imported " << result.changed.size() << " changed macro(s), " << result.problems.size()
        << " not stored\n";
    return ok ? 0 : 1;
}

} // namespace larkspan
