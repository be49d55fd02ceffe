#include "tag_commands.h"

#include "app_context.h"
#include "character_table_dialog.h"
#include "font_face_dialog.h"
#include "ids.h"
#include "ls_main_view.h"

namespace {

// What a wrap command puts around the selection; `hint`: the hint about the unused
// attributes follows.
struct Wrap {
    int id;
    const char* open;
    const char* close;
    bool hint;
};

const Wrap kWraps[] = {
    {cmd::Bold, "<B class=\"\" STYLE=\"\">", "</B>", true},
    {cmd::CenterText, "<CENTER class=\"\" STYLE=\"\">", "</CENTER>", true},
    {cmd::Invers, "<I class=\"\" STYLE=\"\">", "</I>", true},
    {cmd::Underlined, "<U class=\"\" STYLE=\"\">", "</U>", true},
    {cmd::NoBreakSpace, "&nbsp;", "", false},
    {cmd::RightText, "<P class=\"\" STYLE=\"\" ALIGN=RIGHT>", "</P>", true},
    {cmd::Subscript, "<SUB class=\"\" STYLE=\"\">", "</SUB>", true},
    {cmd::Superscript, "<SUP class=\"\" STYLE=\"\">", "</SUP>", true},
    {cmd::Paragraph, "<P class=\"\" STYLE=\"\">", "</P>", true},
    {cmd::Font, "<FONT SIZE=\"\" FACE=\"\" COLOR=\"\">", "</FONT>", true},
    {cmd::FontSmaller, "<FONT SIZE=\"-1\">", "</FONT>", false},
    {cmd::FontBigger, "<FONT SIZE=\"+1\">", "</FONT>", false},
    {cmd::StrikeOut, "<STRIKE>", "</STRIKE>", false},
};

enum class TagAction { Delete, Cut, Copy };

// Selects the tag around the caret with its brackets; false (nothing changed) without one.
bool SelectTag(CLs_mainView* view) {
    int from = 0;
    int to = 0;
    if (!view->FindEnclosing(view->GetText(), '<', '>', from, to)) return false;
    view->SetSel(from - 1, to + 1);
    return true;
}

void OnTag(CLs_mainView* view, TagAction action) {
    if (!SelectTag(view)) return;
    switch (action) {
    case TagAction::Delete:
        view->Clear();
        break;
    case TagAction::Cut:
        view->cut();
        break;
    case TagAction::Copy:
        view->copy();
        break;
    }
}

// Inserts the colour chosen in the colour dialog ("#RRGGBB"), selected.
void InsertColor(CLs_mainView* view) {
    int start = 0;
    int end = 0;
    view->GetSel(start, end);
    QString colour;
    if (!app::PickHtmlColor(view, nullptr, colour)) return;
    view->InsertText(colour, true);
    view->SetSel(start, start + static_cast<int>(colour.size()));
}

// Inserts the font family chosen in the Select Font Face dialog, selected; after Cancel the
// caret stays at the selection start.
void InsertFontFace(CLs_mainView* view) {
    CFontFaceDlg dialog(view);
    const int result = dialog.Run();
    int start = 0;
    int end = 0;
    view->GetSel(start, end);
    if (result == 1) view->InsertText(dialog.selectedName, true);
    view->SetSel(start, start + static_cast<int>(dialog.selectedName.size()));
}

// The character table, one per view, inserting into it.
void ShowCharacterTable(CLs_mainView* view) {
    auto* table = view->findChild<CCharacterTableDlg*>(QString(), Qt::FindDirectChildrenOnly);
    if (!table) {
        table = new CCharacterTableDlg(view);
        QObject::connect(table, &CCharacterTableDlg::TextChosen, view, [view](const QString& text) {
            if (!view->isReadOnly()) view->InsertText(text, true);
        });
    }
    table->Present();
}

} // namespace

void RegisterTagCommands(CLs_mainView* view) {
    auto editable = [view](fw::CommandUi& ui) { ui.enabled = !view->isReadOnly(); };
    view->OnCommand(
        {cmd::DeleteTag}, [view] { OnTag(view, TagAction::Delete); }, editable);
    view->OnCommand(
        {cmd::CutTag}, [view] { OnTag(view, TagAction::Cut); }, editable);
    view->OnCommand({cmd::CopyTag}, [view] { OnTag(view, TagAction::Copy); });
    for (const Wrap& w : kWraps) {
        view->OnCommand(
            {w.id},
            [view, w] {
                view->WrapSelection(QString::fromLatin1(w.open), QString::fromLatin1(w.close),
                                    w.hint);
            },
            editable);
    }
    view->OnCommand(
        {cmd::Color}, [view] { InsertColor(view); }, editable);
    view->OnCommand(
        {cmd::FontFace}, [view] { InsertFontFace(view); }, editable);
    view->OnCommand(
        {cmd::SpecialCharacter}, [view] { ShowCharacterTable(view); }, editable);
    view->OnCommand(
        {cmd::InsertGreaterThan}, [view] { view->InsertText(QStringLiteral("&#62;"), true); },
        editable);
    view->OnCommand(
        {cmd::InsertLessThan}, [view] { view->InsertText(QStringLiteral("&#60;"), true); },
        editable);
}
