#include "styles_command.h"

#include "ids.h"
#include "ls_main_view.h"
#include "styles_dialog.h"

#include <QString>

namespace {
QString& StylesFilePath() {
    static QString path;
    return path;
}
} // namespace

void SetStylesFilePath(const QString& path) {
    StylesFilePath() = path;
}

void RegisterStyleCommand(CLs_mainView* view) {
    view->OnCommand({cmd::InsertStyle}, [view] {
        CStylesDlg dialog(view, StylesFilePath());
        if (dialog.Run() != 1) return;
        view->setFocus();
        view->WrapSelection(dialog.Result().opening, dialog.Result().closing);
    });
}
