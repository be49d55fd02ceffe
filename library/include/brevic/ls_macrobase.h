// tLS_macrobase: the macros of one group, held in memory and stored in one macro file.
//
// Macro file format (text mode, CR LF on disk): per macro, in slot order, a header line
// "{:" name ":" lastModified ":}" (for example "{:Footer:881234:}"), then the macro text,
// then one line break. Reading takes pieces of at most 152 characters (ending at a line break);
// only a piece that begins a line can be a header; at the end every macro loses its last
// character (the line break the writer put behind the text).
//
// Indices are slot indices: stable while the object lives; deleting keeps the slot (its
// name becomes empty); new macros are appended behind the last slot in use.
#pragma once

#include "brevic/ls_types.h"

#include <string>
#include <string_view>

class BREVIC_API tLS_macrobase {
public:
    // Loads the macro file at `path` (creating it empty when missing) and puts the load
    // result into *errorSlot: LS_OK, LS_OUT_OF_MEMORY, LS_BASE_OPEN, LS_BASE_FORMAT or
    // LS_BASE_NO_HEADER. A base that did not load completely is never saved.
    tLS_macrobase(const char* path, tLS_Error* errorSlot);
    // Saves when modified and puts the save result into the creator's slot.
    ~tLS_macrobase();

    // Copies the fields as they are; the slots are shared, not duplicated. Nothing in the
    // system copies macro bases; copying is refused to keep ownership single.
    tLS_macrobase(const tLS_macrobase&) = delete;
    tLS_macrobase& operator=(const tLS_macrobase&) = delete;

    // Writes the file when modified and loaded completely (else LS_OK, nothing written).
    // Clears the modified flag once the file is written. LS_BASE_WRITE when the file cannot
    // be written or when the base holds something the format cannot read back (a text line
    // beginning with "{:", a name the reader would not return); the file on disk is then
    // untouched and the base stays modified, so the next save tries again.
    tLS_Error SaveMacroBase();

    // Exact lookup in slot order; LS_MACRO_NOT_FOUND (index -1) for no match or "".
    tLS_Error GetMacroIndex(int& index, const char* name, int caseSensitive) const;
    // Makes the name tables that lookups use, so that several threads may then look up at
    // once (while nothing changes the base). False when they could not be made.
    bool PrepareLookups() const;
    // Prefix lookup: up to maxCount indices in slot order, -1 behind the last (indices must
    // hold maxCount + 1 entries). LS_MACRO_NOT_FOUND only for an empty prefix.
    tLS_Error GetMacroIndex(int* indices, const char* prefix, int maxCount, int& found,
                            int caseSensitive) const;

    // LS_BAD_MACRO_INDEX outside 0..lastIndex, LS_MACRO_DELETED for a deleted slot.
    tLS_Error GetMacroContent(int index, tBaseMember*& member);
    tLS_Error GetMacroContent(int index, std::string*& content);
    long GetLastModified(int index) const;

    // Appends a macro. LS_MACRO_EXISTS (same name byte for byte), LS_BASE_NOT_LOADED,
    // LS_BASE_FULL, LS_BASE_FORMAT (an empty name, a name longer than 30 characters or one
    // holding ':', CR or LF, which the file could not read back).
    tLS_Error NewMacro(std::string*& content, const char* name, int& index);
    // Empties name and text; the slot keeps its index. Does not mark the base modified.
    tLS_Error DeleteMacro(int index);
    // Stamps the slot with the current time and marks the base modified. An invalid index
    // gives LS_BAD_MODIFIED_INDEX and stops the base from ever being saved.
    tLS_Error SetModified(int index);
    int IsValidIndex(int index) const { return index >= 0 && index <= lastIndex; }

    // Empties the list (when reset is non-zero), then adds every macro name in slot order.
    void FillListBox(tLS_ListBox* list, int reset) const;

    void SetBaseName(const char* name);
    char* GetName() { return baseName; }
    const char* GetFilePath() const { return filePath; }
    int GetLastIndex() const { return lastIndex; }
    int IsModified() const { return modified; }
    int LoadFailed() const { return loadFailed; }

private:
    struct NameIndex;
    int FindName(const char* name, int caseSensitive) const;
    void ForgetNames() const;

    tLS_Error Load();
    bool CanStore() const;

    char baseName[LS_NAME_FIELD] = {};
    tBaseMember* members = nullptr;
    int lastIndex = -1;
    char filePath[LS_PATH_MAX] = {};
    int modified = 0;
    tLS_Error* errorSlot = nullptr;
    int loadFailed = 1;
    mutable NameIndex* names = nullptr; // lookup tables, made on first use
};

namespace brevic {
// Whether a macro file can store `text` as a macro text: no line of it may begin with "{:",
// which the reader would take for the header of the next macro. The one rule for saving,
// creating and editing macros.
BREVIC_API bool MacroTextStorable(std::string_view text);

// Parses macro-file text (already in memory, "\n" line ends) into `base`-like slots; the
// reading rules above. Exposed for the fuzzers and tests: returns the load result and the
// number of slots filled. `members` must hold LS_MAX_MACROS entries.
BREVIC_API tLS_Error ParseMacroText(const std::string& text, tBaseMember* members, int& lastIndex);
} // namespace brevic
