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
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>
#include <memory>

CLs_mainView::Shared CLs_mainView::shared_;

namespace {
constexpr char kEscape = 27;
// "<" and a tag name: letters, digits and "-".
bool IsTagName(const QString& run) {
    if (run.size() < 2 || run.front() != QLatin1Char('<')) return false;
    return std::all_of(run.begin() + 1, run.end(),
                       [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('-'); });
}

// The longest run of typed characters a completion's tag name is compared with.
constexpr qsizetype kLongestRun = 64;
// The closing tags a view remembers for typing over.
constexpr size_t kMostClosers = 32;
// A pause in typing longer than this ends an undo step.
constexpr qint64 kTypingPauseMs = 1000;

// Whether InsertText colours: the SyntaxColoring setting.
bool Coloring() {
    return app::EditorSettings().syntaxColoring != 0;
}

// True when the key pressed is a key of the accelerator table.
bool IsAccelerator(const QKeyEvent* e) {
    static const QList<QKeySequence> keys = [] {
        QList<QKeySequence> list;
        for (const auto& entry : fw::AcceleratorTable())
            list.append(entry.first);
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

void CLs_mainView::SetAutocharPath(const QString& path) {
    shared_.autocharPath = path;
}

CLs_mainView::CLs_mainView(fw::Document* doc, QWidget* parent)
    : CRichEditCtrl(parent), document_(doc) {
    setTabChangesFocus(false);
    // The stream's font, on this desktop: its sans-serif family, never below its size.
    QFont font = QApplication::font();
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(std::max(7.5, font.pointSizeF()));
    // Latin text is drawn without shaping (kerning tables and ligatures): a typed key lays
    // its whole line out again, and shaping is most of that on a long line. Scripts that
    // need shaping still get it.
    font.setStyleStrategy(QFont::PreferNoShaping);
    setFont(font);
    if (doc)
        connect(document(), &QTextDocument::modificationChanged, doc, &fw::Document::SetModified);

    OnCommand(
        {cmd::Cut}, [this] { cut(); },
        [this](fw::CommandUi& ui) { ui.enabled = textCursor().hasSelection() && !isReadOnly(); });
    OnCommand(
        {cmd::Copy}, [this] { copy(); },
        [this](fw::CommandUi& ui) { ui.enabled = textCursor().hasSelection(); });
    OnCommand(
        {cmd::Paste}, [this] { paste(); },
        [this](fw::CommandUi& ui) { ui.enabled = canPaste() && !isReadOnly(); });
    OnCommand(
        {cmd::Undo}, [this] { UndoColored(); },
        [this](fw::CommandUi& ui) { ui.enabled = CanUndo() && !isReadOnly(); });
    OnCommand(
        {cmd::Redo}, [this] { RedoColored(); },
        [this](fw::CommandUi& ui) { ui.enabled = document()->isRedoAvailable() && !isReadOnly(); });
    // Any change but typing ends the typed step.
    connect(document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
        if (!typing_) typedEnd_ = -1;
        // Whatever changed the text (typing, paste, drop, undo, a command), its lines are
        // coloured again, and the lines after them as far as the change reaches.
        if (!Editing() || !Coloring()) return;
        ColourLines(document()->findBlock(from), document()->findBlock(from + added));
    });
    OnCommand({cmd::Print}, [this] { Print(false); });
    OnCommand({cmd::PrintPreview}, [this] { Print(true); });
    OnCommand({cmd::LeftParameter}, [this] { JumpParameter(true); });
    OnCommand({cmd::RightParameter}, [this] { JumpParameter(false); });
    OnCommand(
        {cmd::ToggleForward}, [this] { ToggleParameter(true); },
        [this](fw::CommandUi& ui) { ui.enabled = !isReadOnly(); });
    OnCommand(
        {cmd::ToggleBackward}, [this] { ToggleParameter(false); },
        [this](fw::CommandUi& ui) { ui.enabled = !isReadOnly(); });
    OnCommand(
        {cmd::Indent}, [this] { Indent(); },
        [this](fw::CommandUi& ui) { ui.enabled = !isReadOnly(); });
    OnCommand(
        {cmd::Unindent}, [this] { Unindent(); },
        [this](fw::CommandUi& ui) { ui.enabled = !isReadOnly(); });

    if (shared_.autocharPath.isEmpty()) {
        autocharError_ = LS_BASE_OPEN;
    } else {
        autochar_ = std::make_unique<tLS_autochar>(
            QFile::encodeName(shared_.autocharPath).constData(), &autocharError_);
    }
    if (autocharError_ != LS_OK)
        fw::ShowMessage(this, str::AutocharLoadFailed, fw::MessageKind::Error);
}

CLs_mainView::~CLs_mainView() {
    if (!autochar_) return;
    autochar_.reset(); // the last view saves the table
    if (autocharError_ != LS_OK)
        fw::ShowMessage(nullptr, str::AutocharSaveFailed, fw::MessageKind::Error);
}

void CLs_mainView::LookUpCharacter(char ch, const char** text, int* offset) {
    const char* found = nullptr;
    int at = 0;
    if (autochar_) {
        const settings::Editor& options = app::EditorSettings();
        autochar_->GetAutoChar(ch, found, at,
                               static_cast<unsigned>(std::max(0, options.autotagMinSel)),
                               options.autotagging, options.caseSensitive);
    }
    if (text) *text = found;
    if (offset) *offset = at;
}

void CLs_mainView::HandleCharacter(char ch, QKeyEvent* event) {
    const char* text = nullptr;
    int offset = 0;
    int start = 0;
    int end = 0;
    GetSel(start, end);
    // From a tag start or a word start on, what is typed is what a completion takes back;
    // so is it when the caret was moved away from the typing.
    if (ch == '<' || shared_.previousChar == ' ' || shared_.previousChar == '\r' || runStart_ < 0 ||
        runStart_ > start || typedEnd_ != start) {
        runStart_ = start;
        typedRun_.clear();
    }
    if (ch == '\b') {
        typedRun_.chop(1);
    } else if (typedRun_.size() < kLongestRun) {
        typedRun_ += QChar::fromLatin1(ch);
    }
    shared_.previousChar = ch;
    if (TypedOverClosingTag(ch) || TypedThrough(QChar::fromLatin1(ch))) {
        LookUpCharacter(ch); // the table follows what the author types; its offer waits
        return;
    }
    LookUpCharacter(ch, &text, &offset);
    const bool drop = std::exchange(dropOffered_, false);
    if (!text || (!app::EditorSettings().autotagging && ch != kEscape)) {
        if (drop && completion_.start >= 0) {
            DropCompletion();
            wordEnded_ = true;
        } else if (event) {
            TypeKey(event);
        }
        // A tag name typed past what the table looks at: ">" completes it all the same.
        if (ch == '>' && app::EditorSettings().autotagging && app::EditorSettings().typeThrough &&
            IsTagName(typedRun_.chopped(1)))
            CompleteTypedTag();
        return;
    }
    Complete(text, offset);
    // The author goes on typing the tag: the rest of its name and its ">" move over it. The
    // tag is the one the table's entry is named after (a page skeleton holds several).
    const QString completion = QString::fromUtf8(text);
    through_ = {};
    const QString entry = EntryNameOf(text);
    if (!app::EditorSettings().typeThrough || !entry.startsWith(QLatin1Char('<')) ||
        !typedRun_.startsWith(QLatin1Char('<')) ||
        !entry.startsWith(typedRun_, Qt::CaseInsensitive))
        return;
    qsizetype tag = completion.indexOf(entry, 0, Qt::CaseInsensitive);
    if (tag < 0) tag = 0;
    const qsizetype close = completion.indexOf(QLatin1Char('>'), tag);
    if (close < 0) return;
    through_ = {entry.mid(typedRun_.size()), completion_.start + static_cast<int>(close) + 1,
                completion_.caret};
}

QString CLs_mainView::EntryNameOf(const char* completion) const {
    tLS_macrobase* base = autochar_ ? autochar_->GetBase() : nullptr;
    for (int i = 0; base && i <= base->GetLastIndex(); ++i) {
        tBaseMember* member = nullptr;
        if (base->GetMacroContent(i, member) == LS_OK && member->content.c_str() == completion)
            return QString::fromUtf8(member->name);
    }
    return QString();
}

bool CLs_mainView::TypedThrough(QChar typed) {
    int start = 0;
    int end = 0;
    GetSel(start, end);
    if (through_.caret < 0 || start != end || start != through_.caret) {
        through_ = {};
        return false;
    }
    if (!through_.rest.isEmpty() && through_.rest.front().toLower() == typed.toLower()) {
        through_.rest.remove(0, 1);
        return true;
    }
    const bool nameGoesOn = typed.isLetterOrNumber() || typed == QLatin1Char('-');
    if (typed == QLatin1Char('>') && through_.rest.isEmpty()) {
        // The caret goes behind the opening tag, between the pair; the closing tag there is
        // moved over too when the author types it.
        const int to = through_.tagEnd;
        SetSel(to, to);
        typedEnd_ = to;
        RememberCloser(to);
    } else if (typed == QLatin1Char('>')) {
        // The author ended the name before the one offered: the tag typed, if the table has it.
        DropCompletion();
        CompleteTypedTag();
    } else {
        // Another letter of a name: the table may know that tag (else the completion goes).
        through_ = {};
        dropOffered_ = nameGoesOn;
        return false;
    }
    through_ = {};
    completion_ = {};
    wordEnded_ = true;
    return true;
}

void CLs_mainView::DropCompletion() {
    // What was typed comes back in place of the completion.
    SetSel(completion_.start, completion_.start + completion_.length);
    InsertText(typedRun_, true);
    int start = 0;
    int end = 0;
    GetSel(start, end);
    typedEnd_ = start;
    completion_ = {};
}

bool CLs_mainView::TypedOverClosingTag(char typed) {
    int start = 0;
    int end = 0;
    GetSel(start, end);
    if (start != end) return false;
    const QString ahead = TextAt(start, 2);
    const QChar next = ahead.isEmpty() ? QChar() : ahead.front();
    if (closing_.isNull() && typed == '<' && ahead == QLatin1String("</")) {
        // A "<" typed where a closing tag offered stands: that tag is typed over.
        for (auto it = closers_.rbegin(); it != closers_.rend(); ++it) {
            if (it->position() == start) {
                closing_ = *it;
                closers_.erase(std::next(it).base());
                break;
            }
        }
    }
    if (closing_.isNull()) return false;
    if (next != QLatin1Char(typed) || next.isNull()) {
        // Another key than the tag's: typed as it is. After the "<" alone, that "<" began
        // another tag: it is typed before the closing tag, which is kept.
        const bool lessOnly = closingTyped_ == 1;
        closing_ = QTextCursor();
        closingTyped_ = 0;
        if (lessOnly) {
            SetSel(start - 1, start - 1);
            Type(QStringLiteral("<"), false);
            RememberCloser(start);
        }
        return false;
    }
    SetSel(start + 1, start + 1);
    typedEnd_ = start + 1;
    ++closingTyped_;
    if (typed == '>') {
        closing_ = QTextCursor();
        closingTyped_ = 0;
    }
    return true;
}

void CLs_mainView::CompleteTypedTag() {
    int start = 0;
    int end = 0;
    GetSel(start, end);
    const QString typed = typedRun_.chopped(1); // without the ">"
    tLS_macrobase* base = autochar_ ? autochar_->GetBase() : nullptr;
    int index = -1;
    std::string* content = nullptr;
    if (!base || start != end || !typed.startsWith(QLatin1Char('<')) || runStart_ < 0 ||
        base->GetMacroIndex(index, typed.toUtf8().constData(),
                            app::EditorSettings().caseSensitive) != LS_OK ||
        base->GetMacroContent(index, content) != LS_OK)
        return;
    const QString completion =
        QString::fromUtf8(content->data(), static_cast<qsizetype>(content->size()));
    const qsizetype close = completion.indexOf(QLatin1Char('>'));
    SetSel(runStart_, start);
    InsertText(completion, true);
    const int caret = runStart_ + static_cast<int>(close < 0 ? completion.size() : close + 1);
    SetSel(caret, caret);
    typedEnd_ = caret;
    RememberCloser(caret);
}

void CLs_mainView::RememberCloser(int position) {
    if (TextAt(position, 2) != QLatin1String("</") || closers_.size() >= kMostClosers) return;
    QTextCursor at(document());
    at.setPosition(position);
    closers_.push_back(at);
}

void CLs_mainView::Complete(const char* text, int offset) {
    int start = 0;
    int end = 0;
    GetSel(start, end);
    int from = std::min(runStart_, start);
    // A completion still where it was offered gives way to the next one (Escape's, or the
    // one the next typed character finds) as a whole.
    if (completion_.start >= 0 && start == completion_.caret && end == start &&
        typedEnd_ == start) {
        from = completion_.start;
        end = completion_.start + completion_.length;
    }
    const QString completion = QString::fromUtf8(text);
    SetSel(from, end);
    InsertText(completion, true);
    // The caret's place counts the completion's bytes; a character outside ASCII is one.
    const int caret =
        from + static_cast<int>(QString::fromUtf8(text, std::max(0, offset + 1)).size());
    SetSel(caret, caret);
    completion_ = {from, static_cast<int>(completion.size()), caret};
    runStart_ = from;
    typedEnd_ = caret;
    wordEnded_ = true; // what is typed next is a step of its own
}

void CLs_mainView::TypeKey(QKeyEvent* event) {
    const int key = event->key();
    const bool lineBreak = (key == Qt::Key_Return || key == Qt::Key_Enter) &&
                           !(event->modifiers() & Qt::ShiftModifier);
    const QString typed = event->text();
    if (!lineBreak && (typed.isEmpty() || typed.front().category() == QChar::Other_Control)) {
        CRichEditCtrl::keyPressEvent(event); // Backspace, Escape and the like
        return;
    }
    Type(typed, lineBreak);
    event->accept();
}

void CLs_mainView::Type(const QString& text, bool lineBreak) {
    QTextCursor c = textCursor();
    const bool join = typedEnd_ == c.position() && !c.hasSelection() && !wordEnded_ &&
                      typedAt_.isValid() && typedAt_.elapsed() <= kTypingPauseMs;
    typing_ = true;
    if (join) {
        c.joinPreviousEditBlock();
    } else {
        c.beginEditBlock();
    }
    if (!lineBreak && overwriteMode() && !c.hasSelection() && !c.atBlockEnd()) c.deleteChar();
    if (lineBreak) {
        c.insertBlock();
    } else {
        c.insertText(text);
    }
    c.endEditBlock();
    typing_ = false;
    setTextCursor(c);
    ensureCursorVisible();
    typedEnd_ = c.position();
    wordEnded_ = lineBreak || text == QLatin1String(" ") || text == QLatin1String("\t");
    typedAt_.start();
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
    if (start == toggle_.start && end == toggle_.end && toggle_.last >= 0 &&
        !toggle_.values.isEmpty()) {
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
        toggle_.values = magic::SplitValues(
            QString::fromUtf8(content->data(), static_cast<qsizetype>(content->size())));
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
    if (selectionOnly) {
        ReplaceSel(text, true); // coloured as every change is
        return;
    }
    closers_.clear();
    closing_ = QTextCursor();
    ReplaceAllText(text);
    if (Coloring()) ColourLines(document()->begin(), document()->lastBlock());
}

void CLs_mainView::ColourLines(QTextBlock first, const QTextBlock& last) {
    if (!first.isValid()) return;
    // The state the first line starts in: what the line before left, or (not known) what
    // colouring from the last line known gives.
    QTextBlock from = first;
    while (from.previous().isValid() && LineTag(from.previous()) < 0)
        from = from.previous();
    view::ColorState state = from.previous().isValid()
                                 ? view::ColorState::Unpacked(LineTag(from.previous()))
                                 : view::ColorState{};
    std::vector<view::LineRun> runs;
    std::vector<std::pair<int, QRgb>> line;
    const int lastNumber = last.isValid() ? last.blockNumber() : first.blockNumber();
    for (QTextBlock b = from; b.isValid(); b = b.next()) {
        const int before = LineTag(b);
        runs.clear();
        view::ColorLine(b.text(), state, runs);
        line.clear();
        for (const view::LineRun& r : runs)
            line.emplace_back(r.length, r.color);
        SetLineColors(b, line, state.Packed());
        // Past the change, a line that ends in the state it ended in before leaves the
        // lines after it as they were.
        if (b.blockNumber() >= lastNumber && before == state.Packed()) break;
    }
    viewport()->update();
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
    UndoRedoColored(false);
}
void CLs_mainView::RedoColored() {
    UndoRedoColored(true);
}

void CLs_mainView::UndoRedoColored(bool again) {
    // What comes back is coloured as every change is.
    if (again) {
        redo();
    } else {
        Undo();
    }
    typedEnd_ = -1;
    completion_ = {};
}

void CLs_mainView::RecolorLineAt(int line) {
    // Only its colours change, not its text (so the undo history is not touched).
    const QTextBlock block = document()->findBlockByNumber(line);
    if (!block.isValid()) return;
    if (Coloring()) {
        ColourLines(block, block);
    } else {
        std::vector<std::pair<int, QRgb>> black;
        SetLineColors(block, black, -1);
    }
}

bool CLs_mainView::FindEnclosing(const QString& text, QChar open, QChar close, int& from,
                                 int& to) const {
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
    if (event->type() == QEvent::ShortcutOverride &&
        IsAccelerator(static_cast<QKeyEvent*>(event))) {
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
    if (!search::FindInText(text, pattern, range, caseSensitive, wholeWords, forward, wildcard))
        return false;
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
    const bool control =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool extended = IsExtendedKey(event);
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && Coloring() && !(previousKey_ == Qt::Key_Return || previousKey_ == Qt::Key_Enter))
        RecolorLine();
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && extended && !previousExtended_) RecolorLine();
    previousKey_ = key;
    previousExtended_ = extended;
    // Every typed character goes through the autotag handler: Enter as a carriage return,
    // ESC, control characters such as Backspace, and a character outside ASCII as its UTF-8
    // bytes (the table works on bytes), the last of which decides the completion.
    if (!isReadOnly() && !control && !typed.isEmpty() && key != Qt::Key_Delete) {
        const QByteArray bytes = enter ? QByteArray("\r") : typed.toUtf8();
        for (qsizetype i = 0; i + 1 < bytes.size(); ++i)
            LookUpCharacter(bytes[i]);
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
        // A click outside the selection puts the caret there first: the menu is for the
        // place clicked.
        const QTextCursor at = cursorForPosition(event->position().toPoint());
        const QTextCursor current = textCursor();
        if (!current.hasSelection() || at.position() < current.selectionStart() ||
            at.position() > current.selectionEnd())
            setTextCursor(at);
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
        qApp,
        [files] {
            for (const QString& file : files)
                app::OpenDocumentFile(file);
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
