// The main window: the MDI area with the document windows, the three tool bars with the
// language list and the search list, the status bar, the menus, the output window and
// the project commands.
#pragma once

#include "command_router.h"
#include "command_target.h"

#include <brevic/ls_types.h>

#include <QElapsedTimer>
#include <QMainWindow>
#include <memory>

class CCompilerMessagesDlg;
class CSplashDlg;
class QComboBox;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;

namespace fw {
class Document;
}

// The search-string list on the Project Tools bar; the view's search reads and extends it.
extern QComboBox* searchCombo;

class CMainFrame : public QMainWindow, public fw::CommandTarget {
    Q_OBJECT
public:
    enum Bar { ApplicationTools, EditTools, ProjectTools, BarCount };

    // `application` ends the command route (after the active view, its document and this
    // window). Shows the splash window when the program starts without a file.
    CMainFrame(fw::CommandTarget* application, bool startsWithoutFile);
    ~CMainFrame() override;

    // Builds the bars, combo boxes, status bar, menus and the output window.
    bool Create();

    fw::CommandRouter& Router() { return *router_; }
    QMdiArea* MdiArea() const { return mdi_; }
    QComboBox* LanguageCombo() const { return languageCombo_; }
    QToolBar* ToolBar(Bar bar) const { return bars_[bar]; }
    QLabel* CaretPane() const { return caretPane_; }
    QLabel* LockPane(int index) const { return lockPanes_[index]; } // 0 CAP, 1 NUM, 2 SCRL
    CCompilerMessagesDlg* CompilerMessages() const { return messages_; }
    CSplashDlg* Splash() const { return splash_; }

    fw::Document* ActiveDocument() const;
    QWidget* ActiveView() const;

    // Closes every document (after asking; see CLs_mainApp::CloseAllDocuments) and opens
    // the project. A Cancel or a failed save leaves the documents and the project as they
    // were.
    void OpenProjectFile(const QString& path);
    void FillLanguageCombo();
    // The CAP, NUM and SCRL panes: the name while the lock is on, empty while it is off
    // or where the keyboard's state cannot be read.
    void ShowLockKeys();
    void SelectLanguage();
    // Shows the project's active language in the language list (choosing nothing).
    void ShowActiveLanguage();
    // The idle step: caption, caret position, command states.
    void OnIdle();
    // Something changed that the idle step shows: it runs again on its clock, which stops
    // a while after the last input or change, so that an idle editor takes no CPU.
    void WakeIdle();
    // "Larkspan PLUS 3.0", and " - " with the project's name when a project path is set.
    static QString CaptionText();
    // Opens the help beside the program at a topic (0: contents), in the configured
    // browser or the desktop's.
    void OpenHelp(int topic);

protected:
    // Input anywhere in the program wakes the idle step.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Files dropped on the window open as if chosen with Open.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateToolBars();
    void CreateMenus();
    void ShowMenusFor(fw::Document* doc);
    void FillRecentFileMenu(QMenu* menu);
    // The open windows at the end of the Window menu: numbered, the active one checked;
    // choosing one activates it.
    void FillWindowMenu(QMenu* menu);
    void RegisterCommands();
    void ArrangeMinimisedWindows(); // Arrange Symbols
    void NewProject();
    bool RequireProject(); // message 136 when no project is open
    void OpenProject();
    // After a failed InitProject: which macro file could not be written, or message 132.
    void ReportProjectError(tLS_Error result);

    fw::CommandTarget* application_;
    std::unique_ptr<fw::CommandRouter> router_;
    QMdiArea* mdi_ = nullptr;
    QToolBar* bars_[BarCount] = {};
    QComboBox* languageCombo_ = nullptr;
    QLabel* caretPane_ = nullptr;
    QLabel* lockPanes_[3] = {}; // CAP, NUM, SCRL
    CCompilerMessagesDlg* messages_ = nullptr;
    CSplashDlg* splash_ = nullptr;
    QList<QMenu*> editorMenus_;
    QList<QMenu*> baseMenus_;
    bool editorMenuShown_ = false;
    QString caption_; // the caption the idle step set last
    QTimer* idle_ = nullptr;
    QElapsedTimer sinceWoken_;
};
