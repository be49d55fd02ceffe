#include "ls_main_view.h"

#include "app_context.h"
#include "document.h"
#include "printing.h"

#include <QTextBlock>

CLs_mainView::CLs_mainView(fw::Document* doc, QWidget* parent) : QPlainTextEdit(parent), document_(doc) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(false);
    connect(document(), &QTextDocument::modificationChanged, doc, &fw::Document::SetModified);

    OnCommand({57635}, [this] { cut(); }, [this](fw::CommandUi& ui) { ui.enabled = textCursor().hasSelection() && !isReadOnly(); });
    OnCommand({57634}, [this] { copy(); }, [this](fw::CommandUi& ui) { ui.enabled = textCursor().hasSelection(); });
    OnCommand({57637}, [this] { paste(); }, [this](fw::CommandUi& ui) { ui.enabled = canPaste(); });
    OnCommand({57643}, [this] { undo(); }, [this](fw::CommandUi& ui) { ui.enabled = document()->isUndoAvailable(); });
    OnCommand({57607}, [this] { fw::PrintDocument(this, *document(), app::PrintMargins(), true); });
    OnCommand({57609}, [this] { fw::PrintPreview(this, *document(), app::PrintMargins()); });
}

void CLs_mainView::SetText(const QString& text) {
    setPlainText(text);
    document()->setModified(false);
    // Replacing the text reports a change that setModified(false) does not always take back.
    if (document_) document_->SetModified(false);
}

void CLs_mainView::GetSel(int& start, int& end) const {
    QTextCursor c = textCursor();
    start = c.selectionStart();
    end = c.selectionEnd();
}

void CLs_mainView::SetSel(int start, int end) {
    QTextCursor c = textCursor();
    int last = document()->characterCount() - 1;
    c.setPosition(std::clamp(start, 0, last));
    c.setPosition(std::clamp(end, 0, last), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

int CLs_mainView::LineFromChar(int position) const {
    return document()->findBlock(position).blockNumber();
}

int CLs_mainView::LineIndex(int line) const {
    QTextBlock b = document()->findBlockByNumber(line);
    return b.isValid() ? b.position() : -1;
}
