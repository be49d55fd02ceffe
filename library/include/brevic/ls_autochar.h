// tLS_autochar: automatic tag completion. One object per HTML view; all objects share one
// macro base loaded from the table file, created with the first object and destroyed (and
// saved if modified) with the last.
#pragma once

#include "brevic/ls_types.h"

#include <string>

class tLS_macrobase;

class BREVIC_API tLS_autochar {
public:
    // Sets *errorSlot to LS_OK; the first living object loads the shared base from `path`
    // (a missing file is created empty) and reports a failed load into the slot (the base
    // is used with what was read). Later objects reuse the shared base whatever path.
    tLS_autochar(const char* path, tLS_Error* errorSlot);
    // The last object destroys the shared base and puts its save result into the slot.
    ~tLS_autochar();
    tLS_autochar(const tLS_autochar&) = delete;
    tLS_autochar& operator=(const tLS_autochar&) = delete;

    tLS_macrobase* GetBase();

    // Answers one typed character: text points at the offered completion (null for none)
    // and caretOffset says where in it the caret belongs. Always LS_OK.
    tLS_Error GetAutoChar(char typed, const char*& text, int& caretOffset, unsigned maxCandidates,
                          int autoSelect, int caseSensitive);

    // Number of living objects (the users of the shared base).
    static int ObjectCount();

private:
    void StartCollecting(const char* initial, int autoSelect);

    tLS_Error* errorSlot = nullptr;
    char typed[8] = {};
    int typedLength = 0;
    std::string* current = nullptr;
    int selected = 0;
    int candidateCount = 0;
    int candidates[21] = {-1};
    int collecting = 0;
};
