#include "message_box.h"

#include "ids.h"
#include "string_table.h"

#include <QApplication>

namespace fw {

namespace {
MessageHook g_hook;

int Show(QWidget* parent, MessageRequest request) {
    if (g_hook) return g_hook(request);
    QMessageBox box(parent);
    // The program's title: the toolkit adds no display name to window titles here.
    box.setWindowTitle(LoadString(str::AppTitle));
    box.setText(request.text);
    switch (request.kind) {
    case MessageKind::Error:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageKind::Question:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageKind::WarnYesNo:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageKind::SaveChanges:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MessageKind::OkCancel:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MessageKind::AskOkCancel:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MessageKind::Stop:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageKind::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    // Every message box comes with the desktop's sound, as a warning or a question does.
    QApplication::beep();
    return box.exec();
}
} // namespace

void SetMessageHook(MessageHook hook) {
    g_hook = std::move(hook);
}

int ShowMessage(QWidget* parent, int stringId, MessageKind kind, const QString& argument) {
    QString text = LoadString(stringId);
    // The table's texts use "%s" where an argument goes.
    if (!argument.isNull()) text.replace(QLatin1String("%s"), argument);
    return Show(parent, MessageRequest{stringId, text, kind});
}

int ShowMessageText(QWidget* parent, const QString& text, MessageKind kind) {
    return Show(parent, MessageRequest{0, text, kind});
}

} // namespace fw
