// The rich-edit control of the editor's views: a plain-text control that reads the RTF of
// the colouring stream (text with colour runs), writes plain text, and offers the
// selection, line and undo operations of a rich-edit control.
//
// Colours are kept per line (block) as runs over the line's characters. They live beside
// the text, not in it: the control shows them, prints them, and moves them with the text
// when it is edited. A typed character takes the colour of the character before it (the
// first character of a line: the one after it), until its line is coloured again.
#pragma once

#include "rtf_reader.h"
#include "text_codec.h"

#include <QPlainTextEdit>
#include <QTextLayout>
#include <vector>

class CRichEditCtrl : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CRichEditCtrl(QWidget* parent = nullptr);
    ~CRichEditCtrl() override;

    // Reads RTF (as the colouring stream writes it). With `selectionOnly` the text replaces
    // the selection as one undo step; otherwise it replaces the whole content and empties
    // the undo buffer. The caret ends behind the inserted text. False when it is no RTF.
    bool StreamInRtf(const char* rtf, size_t length, bool selectionOnly);
    // The same for plain text (black).
    void ReplaceSel(const QString& text, bool undoable);
    // Replaces the whole content with plain text (black) and empties the undo buffer.
    void ReplaceAllText(const QString& text);
    // The colours of one line: (length, colour) runs over its characters, and a number the
    // colourer keeps beside it (its state after the line; -1 when unknown, as after an edit).
    void SetLineColors(const QTextBlock& block, std::vector<std::pair<int, QRgb>>& runs, int tag);
    static int LineTag(const QTextBlock& block);
    // False while the whole text is being replaced: the changes reported then are not edits
    // of the text.
    bool Editing() const { return !bulk_; }
    // The whole text, one "\n" per line end; every other character as it is (a no-break
    // space stays one).
    QString StreamOutText() const;
    // Each line (block) remembers the end it had in its file, from the first line on.
    // Up to `count` characters from `position` on, as StreamOutText has them, without
    // taking the whole text out.
    QString TextAt(int position, int count) const;
    void SetLineEnds(const std::vector<codec::LineEnd>& ends);
    // The whole text with each line's own end; lines made since SetLineEnds end in
    // `newLineEnd`. The last line has none.
    QString TextWithLineEnds(codec::LineEnd newLineEnd) const;

    void ExGetSel(int& start, int& end) const;
    void ExSetSel(int start, int end); // -1 for end: to the end of the text
    int ExLineFromChar(int position) const;
    // The selected text, one "\n" per line end; no-break spaces stay (as on the clipboard).
    QString GetSelText() const;
    int TextLength() const;

    void Undo() { undo(); }
    bool CanUndo() const;
    void EmptyUndoBuffer();
    void Clear(); // deletes the selection

    // The colour of a character (the colour table's RGB), for tests and printing.
    QRgb ColorAt(int position) const;
    // A copy of the document with the colours as character formats (for printing).
    QTextDocument* ColoredCopy() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Cut, Copy and dragging put the selected text exactly as it is (GetSelText).
    QMimeData* createMimeDataFromSelection() const override;
    // Gives [position, position + text length) the stream's colours (the text is already
    // there); `runs` index into `colors`.
    void SetColors(int position, const QString& text, const std::vector<view::ColorRun>& runs,
                   const std::vector<QRgb>& colors);

private:
    struct Runs;
    void OnContentsChange(int from, int removed, int added);
    // Paints the visible characters of `block` in their colours, but for the `selections`.
    static void PaintColours(QPainter& painter, const QTextBlock& block, const QPointF& offset,
                             const QList<QTextLayout::FormatRange>& selections, const QRect& clip);
    static Runs* RunsOf(const QTextBlock& block);
    static void StoreRuns(const QTextBlock& block, std::vector<std::pair<int, QRgb>>& runs);

    bool bulk_ = false; // the whole text is being replaced: colours follow at once

    // The text StreamOutText gave (or a whole replacement set) at change `textAt_`: a text
    // unchanged since is not taken out of the document again (searches run again and again).
    unsigned textChanges_ = 0; // counts the changes of the text
    mutable QString text_;
    mutable unsigned textAt_ = ~0u;
};
