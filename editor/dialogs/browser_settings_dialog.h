// The Configure external Browser dialog: the BROWSER section of the settings file. The
// browser is any program (chosen with "New", or the desktop's default through xdg-open
// where that is installed); the preview shows either a temporary file or the template's
// target file. A chosen browser or temporary file is written at once; the choice between
// the two files when the dialog closes, whichever way: there is no Cancel.
#pragma once

#include "settings.h"
#include "settings_dialog.h"

#include <memory>

namespace Ui {
class CBrowserSettingsDlg;
}

class CBrowserSettingsDlg : public CSettingsDlg {
    Q_OBJECT
public:
    static constexpr int kDialogId = 157;

    explicit CBrowserSettingsDlg(QWidget* parent);
    ~CBrowserSettingsDlg() override;

    settings::Browser values; // as read when the dialog was made, with the choices since

    // "New" beside the browser: a program chosen in a file dialog (anything but an
    // executable file is refused with message 372).
    void OnNewBrowser();
    // The desktop's default browser: xdg-open, found on the PATH.
    void OnDesktopBrowser();
    // "New" beside the temporary file: a file chosen in a save dialog (".tpl" added to a
    // name without extension under the first filter; an existing file is replaced only
    // after asking, since every preview overwrites it).
    void OnNewTempFile();

    // The path of xdg-open, or empty when it is not installed.
    static QString DesktopBrowser();

private:
    void ChooseBrowser(const QString& path);
    void ShowPaths();
    // Closing, whichever way: the choice between the temporary and the target file.
    void WriteSettings() override;

    std::unique_ptr<Ui::CBrowserSettingsDlg> ui_;
};
