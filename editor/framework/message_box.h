// Message boxes whose texts come from the string table. Errors show the exclamation icon
// with OK; questions show Yes and No. Tests replace the boxes by a hook that answers.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace fw {

enum class MessageKind {
    Error,       // exclamation icon, OK
    Question,    // question icon, Yes/No
    WarnYesNo,   // exclamation icon, Yes/No
    Information, // information icon, OK
    SaveChanges, // exclamation icon, Yes/No/Cancel
    OkCancel,    // exclamation icon, OK/Cancel
    AskOkCancel, // question icon, OK/Cancel
    Stop,        // stop icon, OK
};

struct MessageRequest {
    int stringId = 0;
    QString text;
    MessageKind kind = MessageKind::Error;
};

// Answers instead of showing a box: returns QMessageBox::Yes, No, Cancel or Ok.
using MessageHook = std::function<int(const MessageRequest&)>;
void SetMessageHook(MessageHook hook);

// Shows string `stringId` (with its "%s" replaced by `argument` when given) and returns
// QMessageBox::Ok, Yes or No. The caption is the application's name.
int ShowMessage(QWidget* parent, int stringId, MessageKind kind, const QString& argument = {});
// The same with a text that is not in the string table.
int ShowMessageText(QWidget* parent, const QString& text, MessageKind kind);

} // namespace fw
