#include "search_commands.h"

#include "app_context.h"
#include "hint_dialog.h"
#include "ids.h"
#include "ls_main_view.h"
#include "message_box.h"
#include "replace_dialog.h"
#include "search_dialog.h"
#include "text_search.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScreen>

namespace {

constexpr int kHistoryMax = 30;

// A dialog that covers the match just selected moves below it (above it when there is no
// room below), so that the author sees what was found.
void MoveOffSelection(QWidget* dialog, CLs_mainView* view) {
    if (!dialog->isVisible()) return;
    const QRect match(view->viewport()->mapToGlobal(view->cursorRect().topLeft()),
                      view->cursorRect().size());
    QRect frame = dialog->frameGeometry();
    if (!frame.intersects(match.adjusted(-200, 0, 200, 0))) return;
    const QScreen* screen = dialog->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    constexpr int kGap = 24;
    if (room.isNull() || match.bottom() + kGap + frame.height() <= room.bottom()) {
        frame.moveTop(match.bottom() + kGap);
    } else {
        frame.moveBottom(match.top() - kGap);
    }
    dialog->move(frame.topLeft());
}

template <typename Dialog> Dialog* DialogOf(CLs_mainView* view) {
    auto* dialog = view->findChild<Dialog*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog) dialog = new Dialog(view);
    return dialog;
}

void ShowSearch(CLs_mainView* view) {
    auto* dialog = view->findChild<CSearchDlg*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog) {
        dialog = DialogOf<CSearchDlg>(view);
        QObject::connect(dialog, &CSearchDlg::SearchRequested, view, [view, dialog](bool forward) {
            const SearchValues v = dialog->Values();
            view->setFocus();
            if (view->Search(v.text, v.caseSensitive, v.wholeWords, forward, true))
                MoveOffSelection(dialog, view);
        });
    }
    dialog->Present();
}

void Replace(CLs_mainView* view, CReplaceDlg* dialog) {
    int start = 0;
    int end = 0;
    view->GetSel(start, end);
    view->setFocus();
    if (start != end) view->InsertText(dialog->Replacement(), true); // usually the previous match
    const SearchValues v = dialog->Values();
    if (view->Search(v.text, v.caseSensitive, v.wholeWords, true, true))
        MoveOffSelection(dialog, view);
}

void ReplaceAll(CLs_mainView* view, CReplaceDlg* dialog) {
    const SearchValues v = dialog->Values();
    int start = 0;
    int end = 0;
    view->GetSel(start, end);
    QString text = view->GetText();
    if (dialog->SelectionOnly()) {
        text = text.mid(start, end - start);
    } else {
        view->SetSel(0, -1);
    }
    search::ReplaceAllInText(text, v.text, dialog->Replacement(), v.caseSensitive, v.wholeWords);
    view->InsertText(text, true); // one undo step, whether or not anything was replaced
}

void ShowReplace(CLs_mainView* view) {
    auto* dialog = view->findChild<CReplaceDlg*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog) {
        dialog = DialogOf<CReplaceDlg>(view);
        QObject::connect(dialog, &CReplaceDlg::SearchRequested, view, [view, dialog] {
            const SearchValues v = dialog->Values();
            view->setFocus();
            if (view->Search(v.text, v.caseSensitive, v.wholeWords, true, true))
                MoveOffSelection(dialog, view);
        });
        QObject::connect(dialog, &CReplaceDlg::ReplaceRequested, view,
                         [view, dialog] { Replace(view, dialog); });
        QObject::connect(dialog, &CReplaceDlg::ReplaceAllRequested, view,
                         [view, dialog] { ReplaceAll(view, dialog); });
    }
    dialog->Present();
}

// The tool bar's search: the combo box's text, kept in its history (at most 30 entries).
void ToolbarSearch(CLs_mainView* view, bool forward) {
    QComboBox* combo = app::SearchCombo();
    if (!combo) return;
    const QString pattern = combo->currentText();
    if (!pattern.isEmpty() && combo->findText(pattern, Qt::MatchFixedString) < 0)
        combo->addItem(pattern);
    view->setFocus();
    view->Search(pattern, false, false, forward, true);
    CHintDlg::Show(view, str::HintSearch, app::SettingsFile());
    while (combo->count() > kHistoryMax)
        combo->removeItem(0);
    // Removing the current entry puts the next one's text into the box: the typed text stays.
    if (combo->currentText() != pattern) combo->setEditText(pattern);
}

// Characters 160 to 255 become numeric character references ("&#233;"); those above 255
// stay as they are.
void ConvertIso(CLs_mainView* view) {
    const QString text = view->GetText();
    int start = 0;
    int end = 0;
    view->GetSel(start, end);
    if (start == end) {
        if (fw::ShowMessage(view, str::AskConvertIso, fw::MessageKind::OkCancel) != QMessageBox::Ok)
            return;
        start = 0;
        end = static_cast<int>(text.size());
    }
    // From the end backwards, so that earlier positions stay where they are.
    for (int i = end - 1; i >= start; --i) {
        const char16_t c = text[i].unicode();
        if (c < 160 || c > 255) continue;
        view->SetSel(i, i + 1);
        view->ReplaceSel(QStringLiteral("&#%1;").arg(static_cast<int>(c), 3, 10, QLatin1Char('0')),
                         false);
    }
}

} // namespace

void RegisterSearchCommands(CLs_mainView* view) {
    auto editable = [view](fw::CommandUi& ui) { ui.enabled = !view->isReadOnly(); };
    view->OnCommand({cmd::Search}, [view] { ShowSearch(view); });
    view->OnCommand(
        {cmd::Replace}, [view] { ShowReplace(view); }, editable);
    view->OnCommand({cmd::SearchForward}, [view] { ToolbarSearch(view, true); });
    view->OnCommand({cmd::SearchBackward}, [view] { ToolbarSearch(view, false); });
    view->OnCommand(
        {cmd::IsoConversion}, [view] { ConvertIso(view); }, editable);
}
