// The editor view of HTML templates and macro texts. Every text the view puts into its
// control passes through InsertText, which colours it through the colouring stream (when
// colouring is on). The caret's line is coloured again on Enter and on the Up and Down
// arrow keys.
#pragma once

#include "command_target.h"
#include "rich_edit.h"

namespace fw {
class Document;
}

class CLs_mainView : public CRichEditCtrl, public fw::CommandTarget {
    Q_OBJECT
public:
    explicit CLs_mainView(fw::Document* doc, QWidget* parent = nullptr);

    fw::Document* GetDocument() const { return document_; }

    // Puts `text` into the control: with `selectionOnly` in place of the selection (one
    // undo step), otherwise in place of the whole content. Coloured while colouring is on.
    void InsertText(const QString& text, bool selectionOnly);
    // The whole text, one "\n" per line end.
    QString GetText() const { return StreamOutText(); }
    // Replaces the whole text and leaves the document unmodified.
    void SetText(const QString& text);
    void GetSel(int& start, int& end) const { ExGetSel(start, end); }
    void SetSel(int start, int end) { ExSetSel(start, end); }
    int LineFromChar(int position) const { return ExLineFromChar(position); }
    // Colours the line that holds the selection start again (the whole line, however long).
    void RecolorLine();

    // Whether InsertText colours (the application's SyntaxColoring setting).
    static bool ColoringOn();
    static void SetColoringOn(bool on);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Print(bool preview);

    fw::Document* document_;
    int previousKey_ = 0;
    bool previousExtended_ = false;
};
