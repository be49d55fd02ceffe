#include "modal.h"

#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace fw {

namespace {
ModalHook g_hook;
}

void SetModalHook(ModalHook hook) {
    g_hook = std::move(hook);
}

int RunModal(QDialog& dialog) {
    if (!g_hook) return dialog.exec();
    int result = g_hook(dialog);
    dialog.done(result);
    return result;
}

void ShowModeless(QDialog& dialog, QWidget* field) {
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    if (!field) return;
    field->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
    if (auto* text = qobject_cast<QPlainTextEdit*>(field)) text->selectAll();
}

} // namespace fw
