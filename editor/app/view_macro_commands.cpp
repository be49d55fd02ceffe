#include "view_macro_commands.h"

#include "app_services.h"
#include "hint_dialog.h"
#include "ids.h"
#include "ls_main_view.h"
#include "macro_text.h"
#include "message_box.h"
#include "new_macro_dialog.h"
#include "parameter_navigation.h"
#include "select_macro_dialog.h"
#include "system_macro_dialog.h"

#include <brevic/ls_macrobase.h>

namespace {
constexpr int kMaxOpenName = 32;

QString Placeholder(const QString& name) {
    return QStringLiteral("{#") + name + QLatin1Char('}');
}

void MacroFromText(CLs_mainView* view) {
    if (!theProject.IsProject()) return;
    const QString selected = view->GetSelText();
    if (selected.isEmpty()) return;
    // A line beginning with "{:" would break the macro file: refuse before anything changes.
    if (!brevic::MacroTextStorable(selected.toStdString())) {
        fw::ShowMessage(view, str::TextLineNotStorable, fw::MessageKind::Error);
        return;
    }
    CNewMacroDlg dialog(view);
    if (dialog.Run() != 1 || dialog.nameText.isEmpty()) return;
    tLS_macrobase* active = theProject.GetActiveGroup();
    // Name and text go into the macro file in its own encoding; what it cannot hold is
    // refused before anything changes.
    const codec::Encoding encoding = macrotext::EncodingOf(active);
    QByteArray name;
    QByteArray text;
    if (!macrotext::Encode(dialog.nameText, encoding, name) ||
        !macrotext::Encode(selected, encoding, text)) {
        fw::ShowMessage(view, str::TextCharsNotStorable, fw::MessageKind::Error);
        return;
    }
    std::string* content = nullptr;
    int index = -1;
    tLS_Error r = active ? active->NewMacro(content, name.constData(), index) : LS_BASE_NOT_LOADED;
    if (r != LS_OK) {
        fw::ShowMessage(view, r == LS_MACRO_EXISTS ? str::MacroExists : str::MacroNotCreated,
                        fw::MessageKind::Error);
        return;
    }
    content->assign(text.constData(), static_cast<size_t>(text.size()));
    // Written at once, so that a build outside the editor finds the macro the page uses.
    macrotext::WriteBase(view, active, dialog.nameText);
    view->InsertText(Placeholder(dialog.nameText), true);
}

void InsertPlaceholder(CLs_mainView* view) {
    tLS_macrobase* active = theProject.IsProject() ? theProject.GetActiveGroup() : nullptr;
    if (!active) {
        fw::ShowMessage(view, str::NoProject, fw::MessageKind::Error);
        return;
    }
    CSelectMacroDlg dialog(view, active);
    if (dialog.Run() == 1 && !dialog.selectedName.isEmpty())
        view->InsertText(Placeholder(dialog.selectedName), true);
}

void InsertSystemMacro(CLs_mainView* view) {
    CSystemMacroDlg dialog(view);
    if (dialog.Run() != 2) view->InsertText(dialog.resultText, true);
}

// The text of the view and the span [from, to) between the "#" and the "}" around the
// caret; false when the caret is in no such span.
bool EnclosingPlaceholder(CLs_mainView* view, QString& text, int& from, int& to) {
    int start = 0;
    int end = 0;
    view->GetSel(start, end);
    text = view->GetText();
    return magic::FindEnclosing(text, start, '#', '}', from, to);
}

void OpenMacro(CLs_mainView* view) {
    CHintDlg::Show(view, str::HintOpenMacro, app::SettingsFile());
    QString text;
    int from = 0;
    int to = 0;
    if (!EnclosingPlaceholder(view, text, from, to)) return;
    QString name = text.mid(from, to - from);
    const int quote = static_cast<int>(name.lastIndexOf('"'));
    if (quote >= 0) name = name.mid(quote + 1);
    for (QChar cut : {QChar(','), QChar('['), QChar('.')}) {
        const int at = static_cast<int>(name.indexOf(cut));
        if (at >= 0) name.truncate(at);
    }
    if (name.size() > kMaxOpenName) return;
    // The name's bytes as the active language's macro file holds them.
    QByteArray bytes;
    tLS_macrobase* active = theProject.IsProject() ? theProject.GetActiveGroup() : nullptr;
    if (macrotext::Encode(name, macrotext::EncodingOf(active), bytes)) app::OpenMacroByName(bytes);
}

void DeletePlaceholder(CLs_mainView* view) {
    QString text;
    int from = 0;
    int to = 0;
    if (!EnclosingPlaceholder(view, text, from, to)) return;
    // Only a placeholder goes: a "#" that does not follow an opening brace (a colour in a
    // style rule, an anchor) leaves the text alone.
    if (from < 2 || text[from - 2] != QLatin1Char('{')) return;
    view->SetSel(from - 2, to + 1);
    view->Clear();
}
} // namespace

void RegisterMacroCommands(CLs_mainView* view) {
    auto editable = [view](fw::CommandUi& ui) { ui.enabled = !view->isReadOnly(); };
    view->OnCommand(
        {cmd::MacroFromTextTool, cmd::MacroFromText}, [view] { MacroFromText(view); }, editable);
    view->OnCommand(
        {cmd::InsertPlaceholder}, [view] { InsertPlaceholder(view); }, editable);
    view->OnCommand(
        {cmd::SystemMacro}, [view] { InsertSystemMacro(view); }, editable);
    view->OnCommand({cmd::OpenMacro}, [view] { OpenMacro(view); });
    view->OnCommand(
        {cmd::DeletePlaceholder}, [view] { DeletePlaceholder(view); }, editable);
}
