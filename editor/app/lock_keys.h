// The state of the lock keys for the status bar's CAP, NUM and SCRL panes.
#pragma once

#include <optional>

struct LockKeys {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// The keyboard's lock indicators, read through XKB on the X11 display the program uses;
// nothing when they cannot be read (another platform, no X11 client library).
std::optional<LockKeys> ReadLockKeys();
