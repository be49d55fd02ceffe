// Fuzz target: the macro file reader and the load/modify/save/reload round trip.
//
// The input is the bytes of a macro file as they lie on disk (CR LF line ends).
//  1. brevic::ParseMacroText on the input: the result is a known code, every slot name fits
//     the rules of the reader.
//  2. tLS_macrobase on a scratch file holding the input: a base must agree with the parser on
//     the text-mode content; a base that did not load (or was not changed) never rewrites
//     its file; after SetModified(0) (and, for inputs of odd length, deleting the last slot)
//     a save either refuses with LS_BASE_WRITE (the file left alone) or writes a file that
//     reloads to exactly the saved macros.
#include "fuzz_util.h"

#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Macro {
    std::string name;
    std::string content;
    long lastModified;
    bool operator==(const Macro&) const = default;
};

// The macros a save writes: the named slots, in slot order.
std::vector<Macro> NamedMacros(tLS_macrobase& base) {
    std::vector<Macro> out;
    for (int i = 0; i <= base.GetLastIndex(); ++i) {
        tBaseMember* m = nullptr;
        if (base.GetMacroContent(i, m) != LS_OK) continue; // deleted slot
        out.push_back({m->name, m->content, m->lastModified});
    }
    return out;
}

void CheckParse(const std::string& text) {
    auto members = std::make_unique<tBaseMember[]>(LS_MAX_MACROS);
    int last = -1;
    tLS_Error r = brevic::ParseMacroText(text, members.get(), last);
    FUZZ_CHECK(r == LS_OK || r == LS_BASE_FORMAT || r == LS_BASE_NO_HEADER || r == LS_OUT_OF_MEMORY,
               "ParseMacroText returned an unexpected code");
    FUZZ_CHECK(last >= -1 && last < LS_MAX_MACROS, "lastIndex outside the slot array");
    for (int i = 0; i <= last; ++i) {
        FUZZ_CHECK(std::memchr(members[i].name, '\0', sizeof members[i].name) != nullptr,
                   "slot name not terminated");
        FUZZ_CHECK(std::strlen(members[i].name) <= static_cast<size_t>(LS_MACRO_NAME_MAX),
                   "slot name longer than the reader accepts");
    }
    if (r == LS_BASE_NO_HEADER) FUZZ_CHECK(last == -1, "text before a header after a macro");
}

void RoundTrip(const std::string& bytes) {
    const std::string path = fuzzutil::ScratchDir() + "base.mcr";
    fuzzutil::RemoveTree(path);
    fuzzutil::WriteBytes(path, bytes);

    // What the reader must see: the file in text mode.
    std::string text;
    FUZZ_CHECK(brevic::ReadTextFile(path.c_str(), text), "ReadTextFile failed on a plain file");
    auto expectedSlots = std::make_unique<tBaseMember[]>(LS_MAX_MACROS);
    int expectedLast = -1;
    tLS_Error expected = brevic::ParseMacroText(text, expectedSlots.get(), expectedLast);

    tLS_Error loadResult = LS_OK;
    std::vector<Macro> saved;
    bool wrote = false;
    tLS_Error saveResult = LS_OK;
    {
        tLS_macrobase base(path.c_str(), &loadResult);
        FUZZ_CHECK(loadResult == expected,
                   "tLS_macrobase and ParseMacroText disagree on the result");
        if (loadResult != LS_OK) {
            FUZZ_CHECK(base.LoadFailed(), "a failed load is not marked as failed");
            std::string* content = nullptr;
            int index = -1;
            FUZZ_CHECK(base.NewMacro(content, "Fresh", index) != LS_OK,
                       "NewMacro accepted on a base that did not load");
            // The destructor must not write the damaged file back.
        } else {
            FUZZ_CHECK(base.GetLastIndex() == expectedLast, "slot count differs from the parser");
            for (int i = 0; i <= expectedLast; ++i) {
                tBaseMember* m = nullptr;
                if (base.GetMacroContent(i, m) != LS_OK) {
                    FUZZ_CHECK(expectedSlots[i].name[0] == '\0', "named slot reported deleted");
                    continue;
                }
                FUZZ_CHECK(std::strcmp(m->name, expectedSlots[i].name) == 0 &&
                               m->content == expectedSlots[i].content &&
                               m->lastModified == expectedSlots[i].lastModified,
                           "loaded slot differs from the parser");
            }
            if (base.GetLastIndex() >= 0) {
                FUZZ_CHECK(base.SetModified(0) == LS_OK, "SetModified(0) refused a valid index");
                // Inputs of odd length also lose their last macro: deleted slots are left out.
                const int last = base.GetLastIndex();
                if (bytes.size() % 2 == 1 && last >= 1) {
                    FUZZ_CHECK(base.DeleteMacro(last) == LS_OK,
                               "DeleteMacro refused a valid index");
                    FUZZ_CHECK(base.SetModified(last) == LS_OK, "SetModified on a deleted slot");
                }
                saved = NamedMacros(base);
                tLS_Error s = base.SaveMacroBase();
                FUZZ_CHECK(s == LS_OK || s == LS_BASE_WRITE, "SaveMacroBase unexpected code");
                // A failed save leaves the base modified, so that the next save tries again.
                FUZZ_CHECK(base.IsModified() == (s != LS_OK),
                           "the modified flag does not follow the save");
                wrote = s == LS_OK;
                saveResult = s;
            }
        }
    }
    // The destructor stored its save result: nothing was left to save, or the save that
    // failed was tried again and failed alike.
    FUZZ_CHECK(loadResult == saveResult,
               "the destructor's save ended otherwise than the save before");

    bool ok = false;
    const std::string after = fuzzutil::ReadBytes(path, &ok);
    FUZZ_CHECK(ok, "macro file vanished");
    if (!wrote) {
        FUZZ_CHECK(after == bytes, "a base that did not save changed its file");
        return;
    }

    tLS_Error reloadResult = LS_BASE_OPEN;
    {
        tLS_macrobase reloaded(path.c_str(), &reloadResult);
        FUZZ_CHECK(reloadResult == LS_OK, "a saved macro file does not load");
        std::vector<Macro> back = NamedMacros(reloaded);
        if (back != saved) {
            std::fprintf(stderr, "saved %zu macros, reloaded %zu\n", saved.size(), back.size());
            for (size_t i = 0; i < saved.size() && i < back.size(); ++i) {
                if (saved[i] == back[i]) continue;
                std::fprintf(stderr,
                             "first difference at %zu: name '%s' vs '%s', time %ld vs %ld,"
                             " text %zu vs %zu bytes\n",
                             i, saved[i].name.c_str(), back[i].name.c_str(), saved[i].lastModified,
                             back[i].lastModified, saved[i].content.size(), back[i].content.size());
                break;
            }
            FUZZ_CHECK(false, "reloaded macros differ from the saved ones");
        }
        FUZZ_CHECK(reloaded.GetLastIndex() == static_cast<int>(saved.size()) - 1,
                   "reloaded base has extra slots");
    }
    FUZZ_CHECK(reloadResult == LS_OK, "unchanged reloaded base reported a save failure");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckParse(bytes);
    RoundTrip(bytes);
    return 0;
}
