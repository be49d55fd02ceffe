#include "modal.h"

#include <QDialog>

namespace fw {

namespace {
ModalHook g_hook;
}

void SetModalHook(ModalHook hook) { g_hook = std::move(hook); }

int RunModal(QDialog& dialog) {
    if (!g_hook) return dialog.exec();
    int result = g_hook(dialog);
    dialog.done(result);
    return result;
}

} // namespace fw
