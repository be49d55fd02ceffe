// The live name check of the name edits of the macro, language and autotag dialogs: a
// text that is too long or holds a forbidden character is refused with a beep and the
// edit shows the last accepted text again; with a list beside the edit, the first entry
// that begins with the typed text (without regard to case) is selected.
#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QListWidget;

class NameCheck : public QObject {
    Q_OBJECT
public:
    // The character sets of the three kinds of names.
    static const QString kMacroForbidden;    // 29 characters; a blank is allowed
    static const QString kLanguageForbidden; // \ / : * ? " < > |
    static const QString kAutotagForbidden;  // :
    static constexpr int kMacroNameMax = 30; // what a macro file can read back
    static constexpr int kLanguageNameMax = 32;

    NameCheck(QLineEdit* edit, int maxLength, QString forbidden, QListWidget* list = nullptr);

    // True when `text` passes the check.
    bool Accepts(const QString& text) const;
    // The longest name (in UTF-8 bytes) from now on; the text shown stays as it is.
    void SetMaxLength(int maxLength) { maxLength_ = maxLength; }
    const QString& Accepted() const { return accepted_; }

private:
    void OnEdited(const QString& text);

    QLineEdit* edit_;
    QListWidget* list_;
    int maxLength_;
    QString forbidden_;
    QString accepted_;
};
