#include "ls_main_view.h"

#include "app_context.h"
#include "color_stream.h"
#include "command_table.h"
#include "context_menu.h"
#include "document.h"
#include "hint_dialog.h"
#include "ids.h"
#include "indent.h"
#include "message_box.h"
#include "parameter_navigation.h"
#include "printing.h"
#include "settings.h"
#include "text_search.h"

#include <brevic/ls_autochar.h>
#include <brevic/ls_macrobase.h>

#include <QFile>

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <QTextDocument>
#include <memory>

namespace {
QString g_autocharPath;

constexpr char kEscape = 27;

// Whether InsertText colours: the SyntaxColoring setting.
bool Coloring() { return app::EditorSettings().syntaxColoring != 0; }

// Shared by all views: the previous typed character.
char g_previousChar = 0;

// True when the key pressed is a key of the accelerator table.
bool IsAccelerator(const QKeyEvent* e) {
    static const QList<QKeySequence> keys = [] {
        QList<QKeySequence> list;
        for (const auto& entry : fw::AcceleratorTable()) list.append(entry.first);
        return list;
    }();
    Qt::Key key = static_cast<Qt::Key>(e->key());
    Qt::KeyboardModifiers modifiers = e->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_Backtab) { // Shift+Tab arrives as Backtab
        key = Qt::Key_Tab;
        modifiers |= Qt::ShiftModifier;
    }
    return keys.contains(QKeySequence(QKeyCombination(modifiers, key)));
}

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

void CLs_mainView::SetAutocharPath(const QString& path) { g_autocharPath = path; }

CLs_mainView::CLs_mainView(fw::Document* doc, QWidget* parent) : CRichEditCtrl(parent), document_(doc) {
    setTabChangesFocus(false);
    // The stream's font, on this desktop: its sans-serif family, never below its size.
    QFont font = QApplication::font();
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(std::max(7.5, font.pointSizeF()));
    setFont(font);
    if (doc) connect(document(), &QTextDocument::modificationChanged, doc, &fw::Document::SetModified);

    OnCommand({cmd::Cut}, [this] { cut(); }, [this](fw::CommandUi& ui) { ui.enabled = textCursor().hasSelection() && !isReadOnly(); });
    OnCommand({cmd::Copy}, [this] { copy(); }, [this](fw::CommandUi& ui) { ui.enabled = textCursor().hasSelection(); });
    OnCommand({cmd::Paste}, [this] { paste(); }, [this](fw::CommandUi& ui) { ui.enabled = canPaste() && !isReadOnly(); });
    OnCommand({cmd::Undo}, [this] { UndoColored(); }, [this](fw::CommandUi& ui) { ui.enabled = CanUndo() && !isReadOnly(); });
    OnCommand({cmd::Print}, [this] { Print(false); });
    OnCommand({cmd::PrintPreview}, [this] { Print(true); });
    OnCommand({cmd::LeftParameter}, [this] { JumpParameter(true); });
    OnCommand({cmd::RightParameter}, [this] { JumpParameter(false); });
    OnCommand({cmd::ToggleForward}, [this] { ToggleParameter(true); }, [this](fw::CommandUi& ui) { ui.enabled = !isReadOnly(); });
    OnCommand({cmd::ToggleBackward}, [this] { ToggleParameter(false); }, [this](fw::CommandUi& ui) { ui.enabled = !isReadOnly(); });
    OnCommand({cmd::Indent}, [this] { Indent(); }, [this](fw::CommandUi& ui) { ui.enabled = !isReadOnly(); });
    OnCommand({cmd::Unindent}, [this] { Unindent(); }, [this](fw::CommandUi& ui) { ui.enabled = !isReadOnly(); });

    if (g_autocharPath.isEmpty()) {
        autocharError_ = LS_BASE_OPEN;
    } else {
        autochar_ = std::make_unique<tLS_autochar>(QFile::encodeName(g_autocharPath).constData(), &autocharError_);
    }
    if (autocharError_ != LS_OK) fw::ShowMessage(this, str::AutocharLoadFailed, fw::MessageKind::Error);
}

CLs_mainView::~CLs_mainView() {
    if (!autochar_) return;
    autochar_.reset(); // the last view saves the table
    if (autocharError_ != LS_OK) fw::ShowMessage(nullptr, str::AutocharSaveFailed, fw::MessageKind::Error);
}

void CLs_mainView::LookUpCharacter(char ch, const char** text, int* offset) {
    const char* found = nullptr;
    int at = 0;
    if (autochar_) {
        const settings::Editor& options = app::EditorSettings();
        autochar_->GetAutoChar(ch, found, at, static_cast<unsigned>(std::max(0, options.autotagMinSel)),
                               options.autotagging, options.caseSensitive);
    }
    if (text) *text = found;
    if (offset) *offset = at;
}

void CLs_mainView::HandleCharacter(char ch, QKeyEvent* event) {
    const char* text = nullptr;
    int offset = 0;
    LookUpCharacter(ch, &text, &offset);
    // From a tag start or a word start on, all that is typed is one undoable action, which
    // a completion takes back.
    if (ch == '<' || g_previousChar == ' ' || g_previousChar == '\r') EmptyUndoBuffer();
    g_previousChar = ch;
    if (!text || (!app::EditorSettings().autotagging && ch != kEscape)) {
        if (event) CRichEditCtrl::keyPressEvent(event);
        return;
    }
    Undo();
    int start = 0;
    int end = 0;
    GetSel(start, end);
    InsertText(QString::fromUtf8(text), true);
    SetSel(start + offset + 1, start + offset + 1);
}

void CLs_mainView::JumpParameter(bool left) {
    int start = 0;
    int end = 0;
    GetSel(start, end);
    const QString text = GetText();
    auto [from, to] = left ? magic::JumpLeft(text, start) : magic::JumpRight(text, start);
    SetSel(from, to);
}

void CLs_mainView::ToggleParameter(bool forward) {
    int start = 0;
    int end = 0;
    GetSel(start, end);
    auto insertValue = [this, start](const QString& value) {
        InsertText(value, true);
        SetSel(start, start + static_cast<int>(value.size()));
        toggle_.start = start;
        toggle_.end = start + static_cast<int>(value.size());
    };
    if (start == toggle_.start && end == toggle_.end && toggle_.last >= 0 && !toggle_.values.isEmpty()) {
        if (forward) {
            toggle_.index = toggle_.index >= toggle_.last ? 0 : toggle_.index + 1;
        } else {
            toggle_.index = toggle_.index <= 0 ? toggle_.last : toggle_.index - 1;
        }
        insertValue(toggle_.values.value(toggle_.index));
        return;
    }
    const QString text = GetText();
    const QString name = magic::AttributeNameBefore(text, start);
    if (name.isEmpty()) return;
    if (name == QLatin1String("FACE") || name == QLatin1String("FONT-FAMILY")) {
        RunCommand(cmd::FontFace);
    } else if (name == QLatin1String("STYLE")) {
        RunCommand(cmd::InsertStyle);
    } else if (name.endsWith(QLatin1String("COLOR")) || name.endsWith(QLatin1String("LINK"))) {
        RunCommand(cmd::Color);
    } else if (name == QLatin1String("BACKGROUND")) {
        RunCommand(start > 0 && text[start - 1] == '"' ? cmd::InsertImage : cmd::Color);
    } else {
        tLS_macrobase* base = autochar_ ? autochar_->GetBase() : nullptr;
        int index = -1;
        std::string* content = nullptr;
        QByteArray key = QByteArray("!") + name.toUtf8();
        if (!base || base->GetMacroIndex(index, key.constData(), 0) != LS_OK ||
            base->GetMacroContent(index, content) != LS_OK) {
            return;
        }
        toggle_.values = magic::SplitValues(QString::fromUtf8(content->data(), static_cast<qsizetype>(content->size())));
        toggle_.index = 0;
        toggle_.last = static_cast<int>(toggle_.values.size()) - 1;
        insertValue(toggle_.values.value(0));
    }
}

void CLs_mainView::RunCommand(int id) {
    // Commands of other parts of the editor (colour, image, style): through the router.
    app::ExecuteCommand(id);
}

void CLs_mainView::InsertText(const QString& text, bool selectionOnly) {
    if (!Coloring()) {
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

void CLs_mainView::SetFileText(const QString& text) {
    std::vector<codec::LineEnd> ends;
    SetText(codec::SplitLines(text, ends));
    SetLineEnds(ends);
}

void CLs_mainView::RecolorLine() {
    int start = 0;
    int end = 0;
    ExGetSel(start, end);
    RecolorLineAt(ExLineFromChar(start));
}

void CLs_mainView::UndoColored() {
    int first = -1;
    int last = -1;
    const QMetaObject::Connection watch =
        connect(document(), &QTextDocument::contentsChange, this, [&](int from, int, int added) {
            first = first < 0 ? from : std::min(first, from);
            last = std::max(last, from + added);
        });
    Undo();
    disconnect(watch);
    if (first < 0 || !Coloring()) return;
    for (int line = ExLineFromChar(first), to = ExLineFromChar(last); line <= to; ++line) RecolorLineAt(line);
}

void CLs_mainView::RecolorLineAt(int line) {
    const int lineStart = LineIndex(line);
    if (lineStart < 0) return;
    const int length = LineLength(lineStart);
    // The whole line, however long it is; only its colours change, not its text (so the
    // undo history is not touched).
    QString text = GetLine(line, length);
    QByteArray bytes = text.toUtf8();
    std::string rtf = Coloring() ? view::ColorToRtf(bytes.constData()) : std::string();
    view::RtfDocument parsed;
    if (Coloring() && view::ParseRtf(rtf.data(), rtf.size(), parsed) && parsed.text == text) {
        SetColors(lineStart, text, parsed.runs, parsed.colors);
    } else {
        SetColors(lineStart, text, {}, {});
    }
}

bool CLs_mainView::FindEnclosing(const QString& text, QChar open, QChar close, int& from, int& to) const {
    int start = 0;
    int end = 0;
    GetSel(start, end);
    if (magic::FindEnclosing(text, start, open, close, from, to)) return true;
    from = start;
    to = end;
    return false;
}

void CLs_mainView::WrapSelection(const QString& open, const QString& close, bool showHint) {
    int start = 0;
    int end = 0;
    GetSel(start, end);
    // The pair and the text replace the selection in one step, so one Undo takes the
    // whole wrap back.
    InsertText(open + GetSelText() + close, true);
    const int shift = static_cast<int>(open.size());
    SetSel(start + shift, end + shift);
    if (showHint) CHintDlg::Show(this, str::HintAutotag, app::SettingsFile());
}

bool CLs_mainView::event(QEvent* event) {
    // The control claims keys such as Tab and Shift+Del for itself before shortcuts are
    // matched; the accelerator table wins over that.
    if (event->type() == QEvent::ShortcutOverride && IsAccelerator(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return CRichEditCtrl::event(event);
}

bool CLs_mainView::Search(const QString& pattern, bool caseSensitive, bool wholeWords, bool forward,
                          bool wildcard) {
    if (pattern.isEmpty()) return false;
    const QString text = GetText();
    int start = 0;
    int end = 0;
    GetSel(start, end);
    search::Range range{start, end};
    if (!search::FindInText(text, pattern, range, caseSensitive, wholeWords, forward, wildcard)) return false;
    SetSel(static_cast<int>(range.start), static_cast<int>(range.end));
    return true;
}

void CLs_mainView::Indent() {
    int start = 0;
    int end = 0;
    GetSel(start, end);
    int tabs = 0;
    InsertText(view::Indented(GetSelText(), tabs), true);
    if (tabs > 1) SetSel(start, end + tabs); // the indented block stays selected
}

void CLs_mainView::Unindent() {
    int start = 0;
    int end = 0;
    GetSel(start, end);
    int dropped = 0;
    const QString result = view::Unindented(GetSelText(), dropped);
    if (dropped == 0) return;
    InsertText(result, true);
    SetSel(start, end - dropped);
}

void CLs_mainView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    // A tab is typed only through Indent (the Tab key's command).
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        event->ignore();
        return;
    }
    const QString typed = event->text();
    const bool control = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool extended = IsExtendedKey(event);
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && Coloring() && !(previousKey_ == Qt::Key_Return || previousKey_ == Qt::Key_Enter)) RecolorLine();
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && extended && !previousExtended_) RecolorLine();
    previousKey_ = key;
    previousExtended_ = extended;
    // Every typed character goes through the autotag handler: Enter as a carriage return,
    // ESC, control characters such as Backspace, and a character outside ASCII as its UTF-8
    // bytes (the table works on bytes), the last of which decides the completion.
    if (!isReadOnly() && !control && !typed.isEmpty() && key != Qt::Key_Delete) {
        const QByteArray bytes = enter ? QByteArray("\r") : typed.toUtf8();
        for (qsizetype i = 0; i + 1 < bytes.size(); ++i) LookUpCharacter(bytes[i]);
        HandleCharacter(bytes.back(), event);
        return;
    }
    CRichEditCtrl::keyPressEvent(event);
}

void CLs_mainView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // The menu's commands go to the active window: make it this view's.
        for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
            auto* frame = qobject_cast<QMdiSubWindow*>(w);
            if (frame && frame->mdiArea()) {
                frame->mdiArea()->setActiveSubWindow(frame);
                break;
            }
        }
        setFocus(Qt::MouseFocusReason);
        update();
        // A chosen command may close this window.
        QPointer<CLs_mainView> self(this);
        view::ShowContextMenu(*this, viewport()->mapToGlobal(event->position().toPoint()));
        if (!self) return;
    }
    CRichEditCtrl::mousePressEvent(event);
}

void CLs_mainView::contextMenuEvent(QContextMenuEvent* event) {
    // The right button has offered its menu on the press already.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        view::ShowContextMenu(*this, viewport()->mapToGlobal(cursorRect().center()));
    }
    event->accept();
}

namespace {
// The local files among dropped data.
QStringList DroppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) files << url.toLocalFile();
    }
    return files;
}
} // namespace

void CLs_mainView::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedFiles(event->mimeData()).isEmpty()) return CRichEditCtrl::dragEnterEvent(event);
    event->acceptProposedAction();
}

void CLs_mainView::dragMoveEvent(QDragMoveEvent* event) {
    if (DroppedFiles(event->mimeData()).isEmpty()) return CRichEditCtrl::dragMoveEvent(event);
    event->acceptProposedAction();
}

void CLs_mainView::dropEvent(QDropEvent* event) {
    const QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty()) return CRichEditCtrl::dropEvent(event);
    event->acceptProposedAction();
    // Opened once the drop has finished: opening may ask questions, and the dragging
    // program waits for the drop's answer.
    QMetaObject::invokeMethod(
        qApp, [files] {
            for (const QString& file : files) app::OpenDocumentFile(file);
        },
        Qt::QueuedConnection);
}

bool CLs_mainView::PrintWithoutAsking() {
    std::unique_ptr<QTextDocument> copy(ColoredCopy());
    copy->setDefaultFont(font());
    return fw::PrintDocument(this, *copy, app::PrintMargins(), false);
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
