#include "lock_keys.h"

#include <QGuiApplication>

#ifdef LARKSPAN_HAVE_X11
#include <X11/XKBlib.h>
#endif

std::optional<LockKeys> ReadLockKeys() {
#ifdef LARKSPAN_HAVE_X11
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return std::nullopt;
    // The indicators by name: their numbers differ from keyboard to keyboard.
    static const Atom names[3] = {XInternAtom(display, "Caps Lock", False),
                                  XInternAtom(display, "Num Lock", False),
                                  XInternAtom(display, "Scroll Lock", False)};
    bool on[3] = {};
    for (int i = 0; i < 3; ++i) {
        Bool state = False;
        if (names[i] != None &&
            XkbGetNamedIndicator(display, names[i], nullptr, &state, nullptr, nullptr))
            on[i] = state == True;
    }
    return LockKeys{on[0], on[1], on[2]};
#else
    return std::nullopt;
#endif
}
