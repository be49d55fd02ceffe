// The editor view of HTML templates and macro texts: a plain-text control with the text
// operations the rest of the editor uses, and the clipboard, undo and print commands.
#pragma once

#include "command_target.h"

#include <QPlainTextEdit>

namespace fw {
class Document;
}

class CLs_mainView : public QPlainTextEdit, public fw::CommandTarget {
    Q_OBJECT
public:
    explicit CLs_mainView(fw::Document* doc, QWidget* parent = nullptr);

    fw::Document* GetDocument() const { return document_; }

    // The text with one "\n" per line end.
    QString GetText() const { return toPlainText(); }
    // Replaces the whole text (not undoable) and leaves it unmodified.
    void SetText(const QString& text);
    void GetSel(int& start, int& end) const;
    void SetSel(int start, int end);
    // Line (0-based) of a character position, and the position of a line's first character.
    int LineFromChar(int position) const;
    int LineIndex(int line) const;

private:
    fw::Document* document_;
};
