#include "ls_main_view.h"

#include "app_context.h"
#include "color_stream.h"
#include "document.h"
#include "printing.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextDocument>
#include <memory>

namespace {
bool g_coloring = true;

// Keys that the platform reports with the extended-key flag: the arrow and editing block
// and the keypad's Enter.
bool IsExtendedKey(const QKeyEvent* e) {
    const bool keypad = e->modifiers() & Qt::KeypadModifier;
    switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
        return !keypad;
    case Qt::Key_Enter:
        return keypad;
    default:
        return false;
    }
}
} // namespace

bool CLs_mainView::ColoringOn() { return g_coloring; }
void CLs_mainView::SetColoringOn(bool on) { g_coloring = on; }

CLs_mainView::CLs_mainView(fw::Document* doc, QWidget* parent) : CRichEditCtrl(parent), document_(doc) {
    setTabChangesFocus(false);
    // The stream's font, on this desktop: its sans-serif family, never below its size.
    QFont font = QApplication::font();
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(std::max(7.5, font.pointSizeF()));
    setFont(font);
    connect(document(), &QTextDocument::modificationChanged, doc, &fw::Document::SetModified);

    OnCommand({57635}, [this] { cut(); }, [this](fw::CommandUi& ui) { ui.enabled = textCursor().hasSelection() && !isReadOnly(); });
    OnCommand({57634}, [this] { copy(); }, [this](fw::CommandUi& ui) { ui.enabled = textCursor().hasSelection(); });
    OnCommand({57637}, [this] { paste(); }, [this](fw::CommandUi& ui) { ui.enabled = canPaste() && !isReadOnly(); });
    OnCommand({57643}, [this] { Undo(); }, [this](fw::CommandUi& ui) { ui.enabled = CanUndo() && !isReadOnly(); });
    OnCommand({57607}, [this] { Print(false); });
    OnCommand({57609}, [this] { Print(true); });
}

void CLs_mainView::InsertText(const QString& text, bool selectionOnly) {
    if (!g_coloring) {
        if (!selectionOnly) ExSetSel(0, -1);
        ReplaceSel(text, true);
        return;
    }
    QByteArray bytes = text.toUtf8();
    std::string rtf = view::ColorToRtf(bytes.constData());
    StreamInRtf(rtf.data(), rtf.size(), selectionOnly);
}

void CLs_mainView::SetText(const QString& text) {
    InsertText(text, false);
    EmptyUndoBuffer();
    document()->setModified(false);
    // Replacing the text reports a change that setModified(false) does not always take back.
    if (document_) document_->SetModified(false);
}

void CLs_mainView::RecolorLine() {
    int start = 0;
    int end = 0;
    ExGetSel(start, end);
    const int line = ExLineFromChar(start);
    const int lineStart = LineIndex(line);
    if (lineStart < 0) return;
    const int length = LineLength(lineStart);
    // The whole line, however long it is; only its colours change, not its text (so the
    // undo history is not touched).
    QString text = GetLine(line, length);
    QByteArray bytes = text.toUtf8();
    std::string rtf = g_coloring ? view::ColorToRtf(bytes.constData()) : std::string();
    view::RtfDocument parsed;
    if (g_coloring && view::ParseRtf(rtf.data(), rtf.size(), parsed) && parsed.text == text) {
        SetColors(lineStart, text, parsed.runs, parsed.colors);
    } else {
        SetColors(lineStart, text, {}, {});
    }
}

void CLs_mainView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool extended = IsExtendedKey(event);
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && g_coloring && !(previousKey_ == Qt::Key_Return || previousKey_ == Qt::Key_Enter)) RecolorLine();
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && extended && !previousExtended_) RecolorLine();
    previousKey_ = key;
    previousExtended_ = extended;
    CRichEditCtrl::keyPressEvent(event);
}

void CLs_mainView::Print(bool preview) {
    std::unique_ptr<QTextDocument> copy(ColoredCopy());
    copy->setDefaultFont(font());
    if (preview) {
        fw::PrintPreview(this, *copy, app::PrintMargins());
    } else {
        fw::PrintDocument(this, *copy, app::PrintMargins(), true);
    }
}
