// The editor view of HTML templates and macro texts. Every text the view puts into its
// control passes through InsertText, which colours it through the colouring stream (when
// colouring is on). The caret's line is coloured again on Enter and on the Up and Down
// arrow keys.
#pragma once

#include "command_target.h"
#include "rich_edit.h"

#include <brevic/ls_types.h>

#include <QElapsedTimer>
#include <QStringList>
#include <QTextCursor>
#include <memory>
#include <vector>

class tLS_autochar;
namespace fw {
class Document;
}

class CLs_mainView : public CRichEditCtrl, public fw::CommandTarget {
    Q_OBJECT
public:
    explicit CLs_mainView(fw::Document* doc, QWidget* parent = nullptr);
    ~CLs_mainView() override;

    fw::Document* GetDocument() const { return document_; }

    // Puts `text` into the control: with `selectionOnly` in place of the selection (one
    // undo step), otherwise in place of the whole content. Coloured while colouring is on.
    void InsertText(const QString& text, bool selectionOnly);
    // The whole text, one "\n" per line end.
    QString GetText() const { return StreamOutText(); }
    // Replaces the whole text and leaves the document unmodified.
    void SetText(const QString& text);
    // The same for a file's text with any line ends (CR LF, LF, CR, U+2029): each line
    // keeps its own end for FileText.
    void SetFileText(const QString& text);
    // The text as its file holds it: each line with the end it was read with, new lines
    // with `newLineEnd`.
    QString FileText(codec::LineEnd newLineEnd) const { return TextWithLineEnds(newLineEnd); }
    void GetSel(int& start, int& end) const { ExGetSel(start, end); }
    void SetSel(int start, int end) { ExSetSel(start, end); }
    // Colours the line that holds the selection start again (the whole line, however long).
    void RecolorLine();
    // Undoes the last step, or does again the last one undone; the text it brings back is
    // coloured again (undo restores the characters, not their colours).
    void UndoColored();
    void RedoColored();

    // Finds, in `text` (GetText), the text between the nearest `open` before the selection
    // start and the nearest `close` from it on, with no delimiter of either kind between.
    // True with its range in `from` and `to` (after `open`, at `close`); false with the
    // selection there. A caret just after `open` or just before `close` is inside.
    bool FindEnclosing(const QString& text, QChar open, QChar close, int& from, int& to) const;
    // Puts `open` before and `close` after the selection, in one undo step; the text that
    // was selected stays selected between them (no selection: the caret goes between).
    // With `showHint`, the hint about unused attributes (str::HintAutotag) follows.
    void WrapSelection(const QString& open, const QString& close, bool showHint = false);

    // The magic keys. Typed characters go through the autotag table; ALT+Left and
    // ALT+Right select the previous or next attribute value; ALT+Up and ALT+Down step
    // through the value list of the attribute in front of the selection. The EDITOR
    // settings decide whether completion runs while typing or only on ESC, and how many
    // matches are offered at most.
    // The autotag table's file (set by the application before views are made).
    static void SetAutocharPath(const QString& path);
    void HandleCharacter(char ch, QKeyEvent* event);
    // Hands one typed byte to the autotag table; the completion it offers, if any.
    void LookUpCharacter(char ch, const char** text = nullptr, int* offset = nullptr);
    void JumpParameter(bool left);
    void ToggleParameter(bool forward);
    tLS_autochar* AutoChar() const { return autochar_.get(); }
    // Prints the text on the current printer without the print dialog; false when there is
    // no printer to print on or printing failed.
    bool PrintWithoutAsking();
    // Searches the text from the selection (FindInText) and selects the match; false
    // when there is none (or the pattern is empty), the selection unchanged.
    bool Search(const QString& pattern, bool caseSensitive, bool wholeWords, bool forward,
                bool wildcard);
    // Indent: a tab before the selection and after each of its line feeds but a last one
    // (one tab with no selection). Unindent takes such tabs out again.
    void Indent();
    void Unindent();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The right button offers the menu that suits the caret and selection (see
    // context_menu.h), then acts as usual; the keyboard's menu key offers it at the caret.
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Files dropped on the text open as documents, as on the main window; other dropped
    // data is inserted.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void RecolorLineAt(int line);
    // Colours the lines from `first` to `last`, and the lines after them while the colour
    // state they start in differs from before.
    void ColourLines(QTextBlock first, const QTextBlock& last);
    void UndoRedoColored(bool again);
    // Types a key's text (or a line break) at the caret as the author types: a word with
    // the blank or line break after it is one undo step, and a pause of more than a second
    // ends a step too. Keys that type nothing go to the control.
    void TypeKey(QKeyEvent* event);
    void Type(const QString& text, bool lineBreak);
    // Puts the completion `text` in place of what was typed since the run began (with
    // Escape: of the completion offered before), as one undo step.
    void Complete(const char* text, int offset);
    void Print(bool preview);

    void RunCommand(int id);

    fw::Document* document_;
    // What all views share, for the whole run: the autotag table's file and the character
    // the last view's character handler saw (a completion run starts after a blank or Enter
    // typed in any view).
    struct Shared {
        QString autocharPath;
        char previousChar = 0;
    };
    static Shared shared_;

    std::unique_ptr<tLS_autochar> autochar_;
    tLS_Error autocharError_ = LS_OK;
    // The last toggle of this view: its value list, the current and last index, and the
    // selection it left. Each view has its own, so another view's toggle never picks a value
    // out of this list.
    struct ToggleState {
        QStringList values;
        int index = 0;
        int last = -1;
        int start = -1;
        int end = -1;
    };
    ToggleState toggle_;
    int previousKey_ = 0;
    bool previousExtended_ = false;
    // Typing: where the run a completion takes back begins, where the caret stood after the
    // last typed key (-1: the next key starts a new step), and when.
    int runStart_ = -1;
    QString typedRun_; // the characters typed since (UTF-8 bytes, one each)
    int typedEnd_ = -1;
    bool wordEnded_ = false;
    bool typing_ = false;
    QElapsedTimer typedAt_;
    // The last completion offered: its range and the caret it left, for Escape's next one.
    struct Completion {
        int start = -1;
        int length = 0;
        int caret = -1;
    };
    Completion completion_;
    // Typing through the last completion: the rest of its tag name still to be typed, and
    // where its opening tag ends; active while the caret stays at `caret`.
    struct TypeThrough {
        QString rest;
        int tagEnd = -1;
        int caret = -1;
    };
    TypeThrough through_;
    // A typed key that types through the completion: moved over instead of inserted.
    bool TypedThrough(QChar typed);
    // After "<name>" was typed at the caret: the table's text for "<name" in its place, the
    // caret behind its opening tag. Nothing when the table has no such tag.
    void CompleteTypedTag();
    // Puts back what was typed in place of the last completion.
    void DropCompletion();
    // The name of the table's entry whose text `completion` is ("" when none).
    QString EntryNameOf(const char* completion) const;
    bool dropOffered_ = false; // the key just typed left the completion it typed through
    // The closing tags of completions typed through, where they stand now: the author who
    // types one by hand there moves over it. `closing_` is the one being typed over.
    std::vector<QTextCursor> closers_;
    QTextCursor closing_;
    int closingTyped_ = 0; // its characters typed over so far
    bool TypedOverClosingTag(char typed);
    // Remembers the closing tag at `position` (if one starts there) for typing over.
    void RememberCloser(int position);
};
