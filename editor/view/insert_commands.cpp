#include "insert_commands.h"

#include "app_context.h"
#include "document.h"
#include "file_dialogs.h"
#include "hint_dialog.h"
#include "hyperlink_dialog.h"
#include "ids.h"
#include "image_size.h"
#include "link_paths.h"
#include "ls_main_view.h"
#include "message_box.h"
#include "settings.h"
#include "string_table.h"
#include "table_dialog.h"

#include <QFile>

namespace {

const char kImageFolderKey[] = "ImagePath";

QString DocumentPath(const CLs_mainView* view) {
    return view->GetDocument() ? view->GetDocument()->PathName() : QString();
}

QString FileName(const QString& path) {
    return path.mid(
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1);
}

// The image's path as the page refers to it: relative to the document, one level further
// up when the pages are built into language folders; the bare file name while the
// document has no file. False when a path is too long to be made relative.
bool ImageSource(const QString& documentPath, const QString& imagePath, QString& source) {
    if (documentPath.isEmpty()) {
        source = FileName(imagePath);
        return true;
    }
    QString relative;
    if (!fw::RelativeLinkPath(documentPath, imagePath, relative)) return false;
    source = (app::Project().GetGroupCount() > 1 ? QStringLiteral("../") : QString()) + relative;
    return true;
}

QString ImageTag(const QString& source, const QString& name, image::Size size) {
    QString tag = QStringLiteral("<IMG class=\"\" STYLE=\"\" SRC=\"") + source + QLatin1Char('"');
    if (size.Measured())
        tag += QStringLiteral(" WIDTH=\"%1\" HEIGHT=\"%2\"").arg(size.width).arg(size.height);
    return tag + QStringLiteral(" ALT=\"") + name + QStringLiteral("\" BORDER=\"0\" ALIGN=>");
}

// A whole IMG tag, or only the image's path when the caret stands right after a double
// quote (inside an attribute value such as SRC or BACKGROUND).
void InsertImage(CLs_mainView* view) {
    const QString text = view->GetText();
    int start = 0;
    int end = 0;
    view->GetSel(start, end);
    const bool pathOnly = start > 0 && start <= text.size() && text[start - 1] == QLatin1Char('"');

    fw::FileDialogRequest request;
    request.caption = fw::LoadString(str::InsertImageTitle);
    request.filter = QStringLiteral("Images (GIF) (*.gif);;Images (JPEG) (*.jpg);;All Files (*)");
    const QStringList files =
        settings::AskInRememberedFolder(view, request, app::Project(), kImageFolderKey);
    if (files.isEmpty()) return;
    const QString& chosen = files.first();

    image::Size size;
    if (!image::MeasureFile(QFile::encodeName(chosen).constData(), size))
        return; // unreadable: nothing
    QString source;
    if (!ImageSource(DocumentPath(view), chosen, source)) {
        fw::ShowMessage(view, str::PathTooLong, fw::MessageKind::Error, chosen);
        return;
    }
    view->InsertText(pathOnly ? source : ImageTag(source, FileName(chosen), size), true);
}

QString TableText(const TableValues& v) {
    QString t = QStringLiteral("<TABLE BACKGROUND=\"\" ");
    if (v.border) t += QStringLiteral("BORDER ");
    t += QStringLiteral("class=\"\" STYLE=\"\" BGCOLOR=\"");
    if (v.background) t += v.colorText;
    t += QStringLiteral("\" ALIGN= WIDTH=\"");
    if (v.width != 0) {
        t += QString::number(v.width);
        if (v.widthUnit == QLatin1String("%")) t += QLatin1Char('%');
    }
    t += QStringLiteral("\" CELLSPACING=\"");
    if (v.cellspacing != 0) t += QString::number(v.cellspacing);
    t += QStringLiteral("\" CELLPADDING=\"");
    if (v.cellpadding != 0) t += QString::number(v.cellpadding);
    t += QStringLiteral("\">\n");
    if (!v.caption.isEmpty()) {
        t += QStringLiteral("<CAPTION class=\"\" STYLE=\"\" ALIGN=>") + v.caption +
             QStringLiteral("</CAPTION>\n");
    }
    t += QLatin1Char('\n');
    const QString cell = QStringLiteral(
        "\t<TD BGCOLOR=\"\" ALIGN= VALIGN= WIDTH=\"\" ROWSPAN=\"\" COLSPAN=\"\"></TD>\n");
    const QString row = QStringLiteral("<TR class=\"\" STYLE=\"\">\n") +
                        cell.repeated(std::max(0, v.columns)) + QStringLiteral("</TR>\n");
    t += row.repeated(std::max(0, v.rows));
    return t + QStringLiteral("\n</TABLE>\n");
}

void InsertTable(CLs_mainView* view) {
    CTableDlg dialog(view);
    if (dialog.Run() != 1) return;
    view->InsertText(TableText(dialog.values), true);
    CHintDlg::Show(view, str::HintAutotag, app::SettingsFile());
}

void InsertHyperlink(CLs_mainView* view) {
    CHyperlinkDlg dialog(view, DocumentPath(view));
    if (dialog.Run() != 1) return;
    view->WrapSelection(dialog.resultTag, QStringLiteral("</A>"));
}

} // namespace

void RegisterInsertCommands(CLs_mainView* view) {
    auto editable = [view](fw::CommandUi& ui) { ui.enabled = !view->isReadOnly(); };
    view->OnCommand(
        {cmd::InsertImage}, [view] { InsertImage(view); }, editable);
    view->OnCommand(
        {cmd::InsertTable}, [view] { InsertTable(view); }, editable);
    view->OnCommand(
        {cmd::Hyperlink}, [view] { InsertHyperlink(view); }, editable);
}
