// Automatic tag completion over the shared table of completions.
#include "brevic/ls_autochar.h"

#include "brevic/ls_macrobase.h"

#include <cstring>
#include <new>

namespace {

constexpr int kMaxTyped = 4;       // characters kept since the tag start
constexpr int kMaxCandidates = 20; // completions collected per typed character
constexpr char kEscape = 27;

tLS_macrobase* g_sharedBase = nullptr;
int g_objects = 0;
tLS_Error g_sharedResult = LS_OK;

} // namespace

tLS_autochar::tLS_autochar(const char* path, tLS_Error* slot) : errorSlot(slot) {
    if (errorSlot) *errorSlot = LS_OK;
    if (g_objects == 0) {
        g_sharedResult = LS_OK;
        g_sharedBase = new (std::nothrow) tLS_macrobase(path ? path : "", &g_sharedResult);
        if (!g_sharedBase) g_sharedResult = LS_OUT_OF_MEMORY;
        if (g_sharedResult != LS_OK && errorSlot) *errorSlot = g_sharedResult;
    }
    ++g_objects;
}

tLS_autochar::~tLS_autochar() {
    if (--g_objects > 0) {
        if (errorSlot) *errorSlot = LS_OK;
        return;
    }
    g_sharedResult = LS_OK;
    delete g_sharedBase; // saves itself when modified, into g_sharedResult
    g_sharedBase = nullptr;
    if (errorSlot) *errorSlot = g_sharedResult;
}

tLS_macrobase* tLS_autochar::GetBase() {
    return g_sharedBase;
}

int tLS_autochar::ObjectCount() {
    return g_objects;
}

void tLS_autochar::StartCollecting(const char* initial, int autoSelect) {
    std::strcpy(typed, initial);
    typedLength = static_cast<int>(std::strlen(initial));
    collecting = 1;
    selected = autoSelect ? 0 : -1;
    candidateCount = 0;
    candidates[0] = -1;
}

tLS_Error tLS_autochar::GetAutoChar(char ch, const char*& text, int& caretOffset,
                                    unsigned maxCandidates, int autoSelect, int caseSensitive) {
    text = nullptr;
    caretOffset = 0;
    switch (ch) {
    case '\r':
    case ' ':
        StartCollecting("", autoSelect);
        return LS_OK;
    case '<':
        StartCollecting("<", autoSelect);
        return LS_OK;
    case '!':
        return LS_OK;
    case kEscape:
        if (++selected >= candidateCount) selected = 0;
        break;
    default:
        candidateCount = 0;
        candidates[0] = -1;
        if (!collecting) break;
        typed[typedLength++] = ch;
        typed[typedLength] = '\0';
        if (typedLength > kMaxTyped || ch == '\n') {
            collecting = 0;
            typed[0] = '\0';
            typedLength = 0;
            return LS_OK;
        }
        if (g_sharedBase) {
            int found = 0;
            g_sharedBase->GetMacroIndex(candidates, typed, kMaxCandidates, found, caseSensitive);
            candidateCount = found;
        }
        break;
    }

    // A selection left behind by escapes may point past a narrower list.
    if (selected >= candidateCount) selected = 0;
    if (candidateCount < 1 || static_cast<unsigned>(candidateCount) > maxCandidates || ch == '/' ||
        selected < 0 || !g_sharedBase) {
        return LS_OK;
    }
    std::string* content = nullptr;
    if (g_sharedBase->GetMacroContent(candidates[selected], content) != LS_OK) return LS_OK;
    current = content;
    size_t pair = content->find("><");
    caretOffset =
        pair != std::string::npos ? static_cast<int>(pair) : static_cast<int>(content->size()) - 1;
    text = content->c_str();
    return LS_OK;
}
