#include "rich_edit.h"

#include "plain_text.h"

#include <QAbstractTextDocumentLayout>
#include <QGlyphRun>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

namespace {

constexpr QRgb kBlack = 0xFF000000;

// Colours of one line: consecutive (length, colour) pairs covering its characters.
using RunList = std::vector<std::pair<int, QRgb>>;

int Total(const RunList& runs) {
    int n = 0;
    for (const auto& r : runs)
        n += r.first;
    return n;
}

void Push(RunList& runs, int length, QRgb colour) {
    if (length <= 0) return;
    if (!runs.empty() && runs.back().second == colour) {
        runs.back().first += length;
    } else {
        runs.emplace_back(length, colour);
    }
}

QRgb ColourAt(const RunList& runs, int offset, QRgb fallback) {
    if (offset < 0) return fallback;
    for (const auto& r : runs) {
        if (offset < r.first) return r.second;
        offset -= r.first;
    }
    return fallback;
}

// Splits `runs` at `offset`: `runs` keeps the head, the tail is returned.
RunList SplitAt(RunList& runs, int offset) {
    RunList head;
    RunList tail;
    for (const auto& r : runs) {
        if (offset >= r.first) {
            Push(head, r.first, r.second);
            offset -= r.first;
        } else if (offset > 0) {
            Push(head, offset, r.second);
            Push(tail, r.first - offset, r.second);
            offset = 0;
        } else {
            Push(tail, r.first, r.second);
        }
    }
    runs.swap(head);
    return tail;
}

void Append(RunList& runs, const RunList& more) {
    for (const auto& r : more)
        Push(runs, r.first, r.second);
}

// Makes the list exactly `length` characters long (extending with its last colour).
void Fit(RunList& runs, int length, QRgb fallback) {
    int total = Total(runs);
    if (total > length) {
        SplitAt(runs, length);
    } else if (total < length) {
        Push(runs, length - total, runs.empty() ? fallback : runs.back().second);
    }
}

// Reads a run list from the front, a number of characters at a time.
struct RunCursor {
    const RunList& runs;
    size_t index = 0;
    int used = 0;

    RunList Take(int n) {
        RunList out;
        while (n > 0 && index < runs.size()) {
            const int k = std::min(runs[index].first - used, n);
            Push(out, k, runs[index].second);
            n -= k;
            used += k;
            if (used == runs[index].first) {
                ++index;
                used = 0;
            }
        }
        return out;
    }
};

} // namespace

struct CRichEditCtrl::Runs : QTextBlockUserData {
    RunList runs;
    int tag = -1;
};

CRichEditCtrl::CRichEditCtrl(QWidget* parent) : QPlainTextEdit(parent) {
    // The colour table is made for a white page.
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    setPalette(p);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(document(), &QTextDocument::contentsChange, this, &CRichEditCtrl::OnContentsChange);
}

CRichEditCtrl::~CRichEditCtrl() = default;

CRichEditCtrl::Runs* CRichEditCtrl::RunsOf(const QTextBlock& block) {
    auto* runs = static_cast<Runs*>(block.userData());
    if (!runs) {
        runs = new Runs;
        const_cast<QTextBlock&>(block).setUserData(runs);
        Push(runs->runs, block.length() - 1, kBlack);
    }
    return runs;
}

void CRichEditCtrl::StoreRuns(const QTextBlock& block, std::vector<std::pair<int, QRgb>>& runs) {
    auto* data = static_cast<Runs*>(block.userData());
    if (!data) {
        data = new Runs;
        const_cast<QTextBlock&>(block).setUserData(data);
    }
    data->runs.swap(runs);
    data->tag = -1;
}

void CRichEditCtrl::SetLineColors(const QTextBlock& block, std::vector<std::pair<int, QRgb>>& runs,
                                  int tag) {
    Fit(runs, block.length() - 1, kBlack);
    StoreRuns(block, runs);
    static_cast<Runs*>(block.userData())->tag = tag;
}

int CRichEditCtrl::LineTag(const QTextBlock& block) {
    const auto* data = static_cast<const Runs*>(block.userData());
    return data ? data->tag : -1;
}

void CRichEditCtrl::ReplaceAllText(const QString& text) {
    bulk_ = true;
    setPlainText(text);
    bulk_ = false;
    // The document holds this text as it is unless a character of it makes a line end of
    // its own or a frame.
    const QStringView t(text);
    if (!t.contains(QLatin1Char('\r')) && !t.contains(QChar::ParagraphSeparator) &&
        !t.contains(QChar(0xFDD0)) && !t.contains(QChar(0xFDD1))) {
        text_ = text;
        textAt_ = textChanges_;
    }
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        b.setUserData(nullptr);
    moveCursor(QTextCursor::Start);
    document()->setModified(true); // the content changed; readers of files clear it
    viewport()->update();
}

void CRichEditCtrl::OnContentsChange(int from, int removed, int added) {
    ++textChanges_;
    if (bulk_) return;
    QTextDocument* doc = document();
    QTextBlock first = doc->findBlock(from);
    if (!first.isValid()) return;
    auto* data = static_cast<Runs*>(first.userData());
    RunList head = data ? data->runs : RunList{};
    const int offset = from - first.position();
    // New characters take the colour of the one before them (or after, at a line start).
    const QRgb neighbour =
        offset > 0 ? ColourAt(head, offset - 1, kBlack) : ColourAt(head, 0, kBlack);
    RunList tail = SplitAt(head, offset);
    RunList kept = SplitAt(tail, std::min(removed, Total(tail)));
    Push(head, added, neighbour);
    Append(head, kept);

    // `head` now colours the changed span from the first line's start, one position per
    // line separator. Hand every line its part.
    QTextBlock last = doc->findBlock(from + added);
    if (!last.isValid()) last = doc->lastBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        const int length = b.length() - 1;
        RunList rest = SplitAt(head, length);
        Fit(head, length, neighbour);
        StoreRuns(b, head);
        head = SplitAt(rest, std::min(1, Total(rest))); // past the separator
        if (b == last) break;
    }
}

void CRichEditCtrl::SetColors(int position, const QString& text,
                              const std::vector<view::ColorRun>& runs,
                              const std::vector<QRgb>& colors) {
    auto colourOf = [&colors](int index) {
        return index >= 0 && index < static_cast<int>(colors.size()) ? (colors[index] | 0xFF000000u)
                                                                     : kBlack;
    };
    // The stream's colours as one flat list over the inserted text.
    RunList flat;
    int covered = 0;
    for (const view::ColorRun& r : runs) {
        if (r.start > covered) Push(flat, r.start - covered, kBlack);
        Push(flat, r.length, colourOf(r.color));
        covered = r.start + r.length;
    }
    Fit(flat, static_cast<int>(text.size()), kBlack);

    QTextDocument* doc = document();
    const int end = position + static_cast<int>(text.size());
    RunCursor stream{flat};
    for (QTextBlock b = doc->findBlock(position); b.isValid() && b.position() <= end;
         b = b.next()) {
        const int lineStart = b.position();
        const int length = b.length() - 1;
        const int from = std::max(position, lineStart);
        const int to = std::min(end, lineStart + length);
        RunList line;
        if (from == lineStart && to == lineStart + length) {
            line = stream.Take(length); // the whole line comes from the stream
        } else {
            line = RunsOf(b)->runs;
            Fit(line, length, kBlack);
            RunList middle = SplitAt(line, from - lineStart);
            RunList suffix = SplitAt(middle, std::max(0, to - from));
            Append(line, stream.Take(std::max(0, to - from)));
            Append(line, suffix);
        }
        Fit(line, length, kBlack);
        StoreRuns(b, line);
        stream.Take(1); // the line's separator
        if (to >= end) break;
    }
    viewport()->update();
}

bool CRichEditCtrl::StreamInRtf(const char* rtf, size_t length, bool selectionOnly) {
    view::RtfDocument parsed;
    if (!view::ParseRtf(rtf, length, parsed)) return false;
    if (!selectionOnly) {
        ReplaceAllText(parsed.text);
        SetColors(0, parsed.text, parsed.runs, parsed.colors);
        return true;
    }
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.removeSelectedText();
    const int start = c.position();
    c.insertText(parsed.text);
    c.endEditBlock();
    setTextCursor(c);
    SetColors(start, parsed.text, parsed.runs, parsed.colors);
    return true;
}

void CRichEditCtrl::ReplaceSel(const QString& text, bool) {
    // Every replacement is undoable: a text control that can undo only some edits would
    // leave the undo history out of step with the text.
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.insertText(text);
    c.endEditBlock();
    setTextCursor(c);
}

void CRichEditCtrl::ExGetSel(int& start, int& end) const {
    QTextCursor c = textCursor();
    start = c.selectionStart();
    end = c.selectionEnd();
}

void CRichEditCtrl::ExSetSel(int start, int end) {
    const int last = TextLength();
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(start < 0 ? last : start, 0, last));
    c.setPosition(std::clamp(end < 0 ? last : end, 0, last), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

int CRichEditCtrl::ExLineFromChar(int position) const {
    QTextBlock b = document()->findBlock(std::clamp(position, 0, TextLength()));
    return b.isValid() ? b.blockNumber() : 0;
}

QString CRichEditCtrl::GetSelText() const {
    return fw::ExactText(textCursor());
}

QMimeData* CRichEditCtrl::createMimeDataFromSelection() const {
    // Qt's own copy holds its plain-text form, with blanks for no-break spaces.
    auto* data = new QMimeData;
    data->setText(GetSelText());
    return data;
}

int CRichEditCtrl::TextLength() const {
    return document()->characterCount() - 1;
}

bool CRichEditCtrl::CanUndo() const {
    return document()->isUndoAvailable();
}

QString CRichEditCtrl::StreamOutText() const {
    if (textAt_ == textChanges_) return text_;
    const QString text = fw::ExactText(*document());
    text_ = text;
    textAt_ = textChanges_;
    return text;
}

QString CRichEditCtrl::TextAt(int position, int count) const {
    QString text;
    const int end = std::min(TextLength(), position + count);
    for (int at = std::max(0, position); at < end; ++at) {
        const QChar c = document()->characterAt(at);
        text += c == QChar::ParagraphSeparator ? QChar(QLatin1Char('\n')) : c;
    }
    return text;
}

void CRichEditCtrl::SetLineEnds(const std::vector<codec::LineEnd>& ends) {
    size_t line = 0;
    for (QTextBlock b = document()->begin(); b.isValid() && line < ends.size();
         b = b.next(), ++line)
        b.setUserState(static_cast<int>(ends[line]));
}

QString CRichEditCtrl::TextWithLineEnds(codec::LineEnd newLineEnd) const {
    QString text;
    text.reserve(document()->characterCount() + document()->blockCount());
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        text += b.text();
        if (!b.next().isValid()) break;
        // A line split off while editing has no end of its own (-1), and a line that was
        // the last one has None; both take the new lines' end.
        const int state = b.userState();
        const bool known = state > static_cast<int>(codec::LineEnd::None) &&
                           state <= static_cast<int>(codec::LineEnd::ParagraphSeparator);
        text += codec::EndText(known ? static_cast<codec::LineEnd>(state) : newLineEnd);
    }
    return text;
}

void CRichEditCtrl::EmptyUndoBuffer() {
    document()->clearUndoRedoStacks();
}

void CRichEditCtrl::Clear() {
    textCursor().removeSelectedText();
}

QRgb CRichEditCtrl::ColorAt(int position) const {
    QTextBlock b = document()->findBlock(position);
    if (!b.isValid()) return kBlack;
    auto* data = static_cast<Runs*>(b.userData());
    return data ? ColourAt(data->runs, position - b.position(), kBlack) : kBlack;
}

QTextDocument* CRichEditCtrl::ColoredCopy() const {
    QTextDocument* copy = document()->clone();
    QTextCursor c(copy);
    QTextBlock src = document()->begin();
    for (QTextBlock b = copy->begin(); b.isValid() && src.isValid();
         b = b.next(), src = src.next()) {
        auto* data = static_cast<Runs*>(src.userData());
        if (!data) continue;
        int at = b.position();
        for (const auto& r : data->runs) {
            if (r.second != kBlack) {
                c.setPosition(at);
                c.setPosition(at + r.first, QTextCursor::KeepAnchor);
                QTextCharFormat f;
                f.setForeground(QColor::fromRgb(r.second));
                c.mergeCharFormat(f);
            }
            at += r.first;
        }
    }
    return copy;
}

// Qt's own paint routine, with the text of every line painted in its colours at draw time.
// The colours never become layout formats: a format boundary splits the line into separately
// shaped pieces and makes the control lay the whole line out again, which on a long line
// costs far more than the key that changed it.
void CRichEditCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    QPointF offset = contentOffset();
    QRect clip = event->rect();
    const QRect viewportRect = viewport()->rect();
    const qreal widest = document()->documentLayout()->documentSize().width();
    // The right margin stays clear of whole-width selections.
    const int maxX = static_cast<int>(offset.x() + std::max<qreal>(viewportRect.width(), widest) -
                                      document()->documentMargin()) +
                     cursorWidth();
    clip.setRight(std::min(clip.right(), maxX));
    painter.setClipRect(clip);

    const QAbstractTextDocumentLayout::PaintContext context = getPaintContext();
    const QColor text = context.palette.text().color();
    const bool showCursor =
        !isReadOnly() || (textInteractionFlags() & Qt::TextSelectableByKeyboard);
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF r = blockBoundingRect(block).translated(offset);
        if (r.bottom() >= clip.top() && r.top() <= clip.bottom()) {
            QTextLayout* layout = block.layout();
            const int blockStart = block.position();
            const int blockLength = block.length();
            QList<QTextLayout::FormatRange> selections;
            for (const auto& range : context.selections) {
                const int from = range.cursor.selectionStart() - blockStart;
                const int to = range.cursor.selectionEnd() - blockStart;
                if (from < blockLength && to > 0 && to > from) {
                    QTextLayout::FormatRange o;
                    o.start = from;
                    o.length = to - from;
                    o.format = range.format;
                    selections.append(o);
                }
            }
            const bool cursorHere = showCursor && context.cursorPosition >= blockStart &&
                                    context.cursorPosition < blockStart + blockLength;
            if (cursorHere && overwriteMode()) {
                // The overwrite cursor is the character under it, inverted.
                QTextLayout::FormatRange o;
                o.start = context.cursorPosition - blockStart;
                o.length = 1;
                o.format.setForeground(palette().base());
                o.format.setBackground(palette().text());
                selections.append(o);
            }
            if (!layout->preeditAreaText().isEmpty()) {
                // Text being composed by an input method is drawn as Qt draws it.
                painter.setPen(text);
                layout->draw(&painter, offset, selections, clip);
            } else {
                if (!selections.isEmpty()) {
                    // Qt draws the selections' backgrounds and text; the rest of its text is
                    // drawn invisibly and then painted over in colour.
                    painter.setPen(Qt::transparent);
                    layout->draw(&painter, offset, selections, clip);
                }
                PaintColours(painter, block, offset, selections, clip);
            }
            if (cursorHere && !overwriteMode()) {
                painter.setPen(text);
                layout->drawCursor(&painter, offset, context.cursorPosition - blockStart,
                                   cursorWidth());
            }
        }
        offset.ry() += r.height();
        if (offset.y() > viewportRect.height()) break;
    }
}

void CRichEditCtrl::PaintColours(QPainter& painter, const QTextBlock& block, const QPointF& offset,
                                 const QList<QTextLayout::FormatRange>& selections,
                                 const QRect& clip) {
    QTextLayout* layout = block.layout();
    const auto* data = static_cast<const Runs*>(block.userData());
    const RunList black{{block.length() - 1, kBlack}};
    const RunList& runs = data ? data->runs : black;
    // Paints [from, to) of the line in `colour`, leaving out what a selection drew.
    auto paint = [&](int from, int to, QRgb colour) {
        painter.setPen(QColor::fromRgb(colour));
        for (const auto& s : selections) {
            const int sEnd = s.start + s.length;
            if (sEnd <= from || s.start >= to) continue;
            if (s.start > from) {
                for (const QGlyphRun& g : layout->glyphRuns(from, s.start - from))
                    painter.drawGlyphRun(offset, g);
            }
            from = sEnd;
            if (from >= to) return;
        }
        for (const QGlyphRun& g : layout->glyphRuns(from, to - from))
            painter.drawGlyphRun(offset, g);
    };
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const qreal top = offset.y() + line.y();
        if (top > clip.bottom() || top + line.height() < clip.top()) continue;
        // Only the characters in sight are painted (one more each side for overhangs).
        const int first = std::max(line.textStart(), line.xToCursor(clip.left() - offset.x()) - 1);
        const int last = std::min(line.textStart() + line.textLength(),
                                  line.xToCursor(clip.right() + 1 - offset.x()) + 1);
        int at = 0;
        for (const auto& r : runs) {
            const int from = std::max(at, first);
            const int to = std::min(at + r.first, last);
            at += r.first;
            if (from < to) paint(from, to, r.second);
            if (at >= last) break;
        }
    }
}
