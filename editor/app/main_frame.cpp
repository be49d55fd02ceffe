#include "main_frame.h"

#include "app_services.h"
#include "child_frame.h"
#include "command_table.h"
#include "compiler_messages_dialog.h"
#include "context_help.h"
#include "disk_watch.h"
#include "document.h"
#include "external_program.h"
#include "file_dialogs.h"
#include "ids.h"
#include "lock_keys.h"
#include "ls_main_app.h"
#include "message_box.h"
#include "organize_languages_dialog.h"
#include "organize_templates_dialog.h"
#include "places.h"
#include "recent_files.h"
#include "settings.h"
#include "settings_commands.h"
#include "splash_dialog.h"
#include "string_table.h"

#include <brevic/ls_project.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

QComboBox* searchCombo = nullptr;

namespace {

// The control id of the language list on the Application Tools bar (toolbars.inc).
constexpr int kLanguageComboId = 20000;
constexpr int kIdleMilliseconds = 150;
// How long the idle step goes on after the last input: long enough for what a command
// starts (a build, a reload) to show.
constexpr int kIdleAwakeMilliseconds = 3000;

const char kProjectFilter[] = "HTML Project Files (*.hpr)";

enum MenuSet { EDITOR, BASE };

} // namespace

CMainFrame::CMainFrame(fw::CommandTarget* application, bool startsWithoutFile)
    : application_(application) {
    router_ = std::make_unique<fw::CommandRouter>(this);
    theProject.SetIniFilePath(QFile::encodeName(app::SettingsFile().Path()).constData());
    if (startsWithoutFile) splash_ = new CSplashDlg(this);
}

CMainFrame::~CMainFrame() {
    delete messages_;
    searchCombo = nullptr;
}

bool CMainFrame::Create() {
    setWindowTitle(fw::LoadString(str::AppTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
    mdi_ = new QMdiArea(this);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    RegisterCommands();
    CreateToolBars();

    caretPane_ = new QLabel(this);
    caretPane_->setMinimumWidth(100);
    statusBar()->addPermanentWidget(caretPane_);
    // The keyboard-state panes keep their width while empty, so nothing moves.
    const char* lockNames[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        lockPanes_[i] = new QLabel(this);
        lockPanes_[i]->setObjectName(QString::fromLatin1(lockNames[i]));
        lockPanes_[i]->setAlignment(Qt::AlignCenter);
        lockPanes_[i]->setMinimumWidth(
            lockPanes_[i]->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        statusBar()->addPermanentWidget(lockPanes_[i]);
    }

    CreateMenus();
    messages_ = new CCompilerMessagesDlg(this);
    messages_->hide();

    router_->SetRoute([this] {
        std::vector<fw::CommandTarget*> route;
        if (auto* view = dynamic_cast<fw::CommandTarget*>(ActiveView())) route.push_back(view);
        if (fw::Document* doc = ActiveDocument()) route.push_back(doc);
        route.push_back(this);
        route.push_back(application_);
        return route;
    });
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { OnIdle(); });
    idle_ = new QTimer(this);
    connect(idle_, &QTimer::timeout, this, [this] {
        OnIdle();
        if (sinceWoken_.elapsed() > kIdleAwakeMilliseconds) idle_->stop();
    });
    qApp->installEventFilter(this);
    WakeIdle();
    OnIdle();
    return true;
}

void CMainFrame::CreateToolBars() {
    const QString titles[BarCount] = {fw::LoadString(str::ApplicationToolsTitle),
                                      fw::LoadString(str::EditToolsTitle),
                                      fw::LoadString(str::ProjectToolsTitle)};
    for (int i = 0; i < BarCount; ++i) {
        bars_[i] = new QToolBar(titles[i], this);
        bars_[i]->setObjectName(QStringLiteral("toolbar%1").arg(i));
        bars_[i]->setIconSize(QSize(16, 16));
    }
    // Application and Project Tools dock at the top or bottom only.
    bars_[ApplicationTools]->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    bars_[ProjectTools]->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    // Application and Project Tools share the first row, Edit Tools has the second.
    addToolBar(Qt::TopToolBarArea, bars_[ApplicationTools]);
    addToolBar(Qt::TopToolBarArea, bars_[ProjectTools]);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, bars_[EditTools]);

    auto addCombo = [this](QToolBar* toolBar, int id, int width) {
        auto* combo = new QComboBox(toolBar);
        combo->setObjectName(QStringLiteral("combo%1").arg(id));
        combo->setMinimumWidth(width);
        combo->setMaxVisibleItems(12);
        toolBar->addWidget(combo);
        return combo;
    };
#define LS_TOOLBAR_BEGIN(which, resource, title)
#define LS_TOOLBAR_END(which)
#define LS_TOOLBAR_BUTTON(which, name) bars_[which]->addAction(router_->Action(cmd::name));
#define LS_TOOLBAR_SEPARATOR(which) bars_[which]->addSeparator();
#define LS_TOOLBAR_COMBO(which, id, width)                                                         \
    if ((id) == kLanguageComboId) {                                                                \
        languageCombo_ = addCombo(bars_[which], id, width);                                        \
    } else {                                                                                       \
        searchCombo = addCombo(bars_[which], id, width);                                           \
    }
#include "toolbars.inc"
#undef LS_TOOLBAR_BEGIN
#undef LS_TOOLBAR_END
#undef LS_TOOLBAR_BUTTON
#undef LS_TOOLBAR_SEPARATOR
#undef LS_TOOLBAR_COMBO

    languageCombo_->setEditable(false);
    connect(languageCombo_, &QComboBox::activated, this, [this] { SelectLanguage(); });
    FillLanguageCombo();

    searchCombo->setEditable(true);
    searchCombo->setInsertPolicy(QComboBox::NoInsert);
    searchCombo->addItems(settings::LoadSearchStrings(app::SettingsFile()));
    searchCombo->setCurrentIndex(searchCombo->count() > 0 ? 0 : -1);
}

void CMainFrame::CreateMenus() {
    QList<QMenu*>* sets[2] = {&editorMenus_, &baseMenus_};
    QList<QMenu*> stack[2];
    auto top = [&](int set) -> QMenu* {
        return stack[set].isEmpty() ? nullptr : stack[set].last();
    };
    auto begin = [&](int set, const char* title) {
        QMenu* parent = top(set);
        QMenu* menu = parent ? parent->addMenu(QString::fromUtf8(title))
                             : new QMenu(QString::fromUtf8(title), this);
        if (!parent) sets[set]->append(menu);
        stack[set].append(menu);
        if (!parent) connect(menu, &QMenu::aboutToShow, this, [this] { router_->UpdateActions(); });
        if (!parent && QString::fromUtf8(title) == QLatin1String("&Window"))
            connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillWindowMenu(menu); });
    };
    auto item = [&](int set, int id) {
        QMenu* menu = top(set);
        if (!menu) return;
        if (id >= cmd::RecentFile1 && id <= cmd::RecentFile4) {
            // The recent files are filled in when the menu opens.
            if (id == cmd::RecentFile1) {
                QAction* marker = menu->addSeparator();
                marker->setObjectName(QStringLiteral("recentFiles"));
                marker->setVisible(false);
                connect(menu, &QMenu::aboutToShow, this,
                        [this, menu] { FillRecentFileMenu(menu); });
            }
            return;
        }
        menu->addAction(router_->Action(id));
    };
#define LS_MENU_BEGIN(set, title) begin(set, title);
#define LS_MENU_SUBMENU_BEGIN(set, title) begin(set, title);
#define LS_MENU_ITEM(set, name) item(set, cmd::name);
#define LS_MENU_SEPARATOR(set)                                                                     \
    if (top(set)) top(set)->addSeparator();
#define LS_MENU_SUBMENU_END(set) stack[set].removeLast();
#define LS_MENU_END(set) stack[set].removeLast();
#include "menus.inc"
#undef LS_MENU_BEGIN
#undef LS_MENU_SUBMENU_BEGIN
#undef LS_MENU_ITEM
#undef LS_MENU_SEPARATOR
#undef LS_MENU_SUBMENU_END
#undef LS_MENU_END
    // Every command of the accelerator table works, whether or not a menu shows it.
    for (const auto& accel : fw::AcceleratorTable())
        router_->Action(accel.second);
    editorMenuShown_ = true; // forces the first switch
    ShowMenusFor(nullptr);
}

void CMainFrame::FillRecentFileMenu(QMenu* menu) {
    for (QAction* a : menu->actions()) {
        if (a->property("recentFile").isValid()) {
            menu->removeAction(a);
            a->deleteLater();
        }
    }
    QAction* marker = menu->findChild<QAction*>(QStringLiteral("recentFiles"));
    if (!marker) return;
    const QStringList files = app::RecentFileList().Files();
    marker->setVisible(!files.isEmpty());
    QAction* before = nullptr;
    const QList<QAction*> all = menu->actions();
    int at = static_cast<int>(all.indexOf(marker));
    if (at >= 0 && at + 1 < all.size()) before = all[at + 1];
    for (int i = 0; i < files.size(); ++i) {
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]), menu);
        a->setProperty("recentFile", files[i]);
        connect(a, &QAction::triggered, this, [path = files[i]] { app::OpenDocumentFile(path); });
        menu->insertAction(before, a);
    }
}

void CMainFrame::FillWindowMenu(QMenu* menu) {
    for (QAction* a : menu->actions()) {
        if (a->property("windowEntry").isValid()) {
            menu->removeAction(a);
            a->deleteLater();
        }
    }
    const QList<QMdiSubWindow*> windows = mdi_->subWindowList();
    if (windows.isEmpty()) return;
    QAction* separator = menu->addSeparator();
    separator->setProperty("windowEntry", true);
    QMdiSubWindow* active = mdi_->activeSubWindow();
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* w = windows[i];
        auto* frame = qobject_cast<fw::ChildFrame*>(w);
        QString title =
            frame && frame->GetDocument() ? frame->GetDocument()->Title() : w->windowTitle();
        title.replace(QLatin1Char('&'), QLatin1String("&&"));
        // Numbers 1 to 9 are mnemonics; further windows are listed without one.
        QString text = i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title)
                             : QStringLiteral("%1 %2").arg(i + 1).arg(title);
        auto* a = menu->addAction(text);
        a->setProperty("windowEntry", true);
        a->setCheckable(true);
        a->setChecked(w == active);
        connect(a, &QAction::triggered, this, [this, w = QPointer<QMdiSubWindow>(w)] {
            if (!w) return;
            if (w->isMinimized()) w->showNormal();
            mdi_->setActiveSubWindow(w);
            if (QWidget* view = w->widget()) view->setFocus();
        });
    }
}

void CMainFrame::ShowMenusFor(fw::Document* doc) {
    bool editor = app::IsHtmlDocument(doc);
    if (editor == editorMenuShown_) return;
    editorMenuShown_ = editor;
    menuBar()->clear();
    for (QMenu* m : editor ? editorMenus_ : baseMenus_)
        menuBar()->addMenu(m);
}

void CMainFrame::RegisterCommands() {
    OnCommand({cmd::NewProject}, [this] { NewProject(); });
    OnCommand({cmd::OrganizeTemplates}, [this] {
        if (!RequireProject()) return;
        COrganizeTemplatesDlg dialog(this, &theProject);
        if (dialog.Run() == 1 && !dialog.selectedPath.isEmpty())
            app::OpenDocumentFile(dialog.selectedPath);
    });
    OnCommand({cmd::OrganizeLanguages}, [this] {
        if (!RequireProject()) return;
        COrganizeLanguagesDlg dialog(this, &theProject);
        dialog.Run();
        // A deleted language is gone at once: its windows close, the list no longer has it.
        theApp.CloseRetiredMacroWindows();
        FillLanguageCombo();
        if (app::DiskWatch* watch = theApp.Watch()) watch->WatchMacroFiles();
    });
    OnCommand({cmd::OpenProject}, [this] { OpenProject(); });
    RegisterCompilerCommand(*this);
    auto toggleOutput = [this] { messages_->setVisible(!messages_->isVisible()); };
    OnCommand({cmd::ViewOutput}, toggleOutput, [this](fw::CommandUi& ui) {
        ui.checkable = true;
        ui.checked = messages_ && messages_->isVisible();
    });
    auto barToggle = [this](Bar b) {
        return std::make_pair([this, b] { bars_[b]->setVisible(!bars_[b]->isVisible()); },
                              [this, b](fw::CommandUi& ui) {
                                  ui.checkable = true;
                                  ui.checked = bars_[b] && bars_[b]->isVisible();
                              });
    };
    auto edit = barToggle(EditTools);
    OnCommand({cmd::ViewEditTools}, edit.first, edit.second);
    auto project = barToggle(ProjectTools);
    OnCommand({cmd::ViewProjectTools}, project.first, project.second);
    auto application = barToggle(ApplicationTools);
    OnCommand({cmd::ViewApplicationTools}, application.first, application.second);
    OnCommand(
        {cmd::ViewStatusBar}, [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
        [this](fw::CommandUi& ui) {
            ui.checkable = true;
            ui.checked = statusBar()->isVisible();
        });
    OnCommand({cmd::Cascade}, [this] { mdi_->cascadeSubWindows(); });
    OnCommand({cmd::Tile}, [this] { mdi_->tileSubWindows(); });
    OnCommand({cmd::ArrangeIcons}, [this] { ArrangeMinimisedWindows(); });
    OnCommand({cmd::NextPane}, [this] { mdi_->activateNextSubWindow(); });
    OnCommand({cmd::PreviousPane}, [this] { mdi_->activatePreviousSubWindow(); });
    OnCommand({cmd::Exit}, [this] { close(); });
    OnCommand({cmd::HelpTopics, cmd::Help, cmd::DefaultHelp}, [this] { OpenHelp(0); });
    OnCommand({cmd::ContextHelp},
              [this] { fw::EnterContextHelp([this](int topic) { OpenHelp(topic); }); });
}

// Lines the minimised windows up along the bottom of the area, left to right, a row above
// the last when one is full; windows that are not minimised stay where they are.
void CMainFrame::ArrangeMinimisedWindows() {
    const int width = mdi_->viewport()->width();
    int x = 0;
    int top = mdi_->viewport()->height();
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        if (!w->isMinimized()) continue;
        const QSize size = w->size();
        if (x == 0 || x + size.width() > width) {
            x = 0;
            top -= size.height();
        }
        w->move(x, top);
        x += size.width();
    }
}

fw::Document* CMainFrame::ActiveDocument() const {
    auto* frame = qobject_cast<fw::ChildFrame*>(mdi_ ? mdi_->currentSubWindow() : nullptr);
    return frame ? frame->GetDocument() : nullptr;
}

QWidget* CMainFrame::ActiveView() const {
    auto* frame = qobject_cast<fw::ChildFrame*>(mdi_ ? mdi_->currentSubWindow() : nullptr);
    return frame ? frame->View() : nullptr;
}

QString CMainFrame::CaptionText() {
    QString caption = fw::LoadString(str::AppTitle);
    // A project that failed to open keeps its path, but no project is open.
    const char* name = theProject.IsProject() ? theProject.GetProjectName() : nullptr;
    if (name) {
        QString project = QFile::decodeName(name);
        int dot = static_cast<int>(project.lastIndexOf('.'));
        if (dot >= 0) project.truncate(dot);
        caption += QStringLiteral(" - ") + project;
    }
    return caption;
}

void CMainFrame::WakeIdle() {
    sinceWoken_.start();
    if (idle_ && !idle_->isActive()) idle_->start(kIdleMilliseconds);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the tool bar's search box searches forward (once: the box does nothing else
    // with it).
    if (event->type() == QEvent::KeyPress && searchCombo && watched == searchCombo->lineEdit()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            router_->Execute(cmd::SearchForward);
            return true;
        }
    }
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::FocusIn:
    case QEvent::WindowActivate:
    case QEvent::Drop:
    case QEvent::Shortcut:
        WakeIdle();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::OnIdle() {
    QString caption = CaptionText();
    fw::Document* doc = ActiveDocument();
    QString full = caption;
    if (doc)
        full += QStringLiteral(" - [") + doc->Title() +
                (doc->IsModified() ? QStringLiteral("*]") : QStringLiteral("]"));
    caption_ = full;
    if (windowTitle() != full) setWindowTitle(full);

    if (auto* edit = qobject_cast<QPlainTextEdit*>(ActiveView())) {
        QTextCursor c = edit->textCursor();
        int start = c.selectionStart();
        QTextBlock block = edit->document()->findBlock(start);
        caretPane_->setText(QStringLiteral("Ln %1, Col %2")
                                .arg(block.blockNumber() + 1)
                                .arg(start - block.position() + 1));
    } else {
        caretPane_->clear();
    }
    ShowLockKeys();
    ShowMenusFor(doc);
    router_->UpdateActions();
}

void CMainFrame::ShowLockKeys() {
    const std::optional<LockKeys> keys = ReadLockKeys();
    const bool on[3] = {keys && keys->caps, keys && keys->num, keys && keys->scroll};
    for (int i = 0; i < 3; ++i) {
        const QString text = on[i] ? lockPanes_[i]->objectName() : QString();
        if (lockPanes_[i]->text() != text) lockPanes_[i]->setText(text);
    }
}

void CMainFrame::FillLanguageCombo() {
    languageCombo_->clear();
    if (!theProject.IsProject()) {
        languageCombo_->addItem(tr("- No Project -"));
        languageCombo_->setCurrentIndex(0);
        languageCombo_->setEnabled(false);
        return;
    }
    // Names stay bytes for the library; the list shows them decoded, sorted without case.
    QList<QPair<QString, QByteArray>> names;
    char name[LS_PATH_MAX];
    for (int i = 0; theProject.GetGroupName(i, name) == LS_OK; ++i) {
        if (theProject.IsGroupRetired(i)) continue; // deleted in Organize Languages
        names.append({QString::fromUtf8(name), QByteArray(name)});
    }
    std::stable_sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
        return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& n : names)
        languageCombo_->addItem(n.first, n.second);
    languageCombo_->setEnabled(true);
    languageCombo_->setCurrentIndex(0);
    SelectLanguage();
}

void CMainFrame::SelectLanguage() {
    int index = languageCombo_->currentIndex();
    if (index < 0 || !theProject.IsProject()) return;
    QByteArray name = languageCombo_->itemData(index).toByteArray();
    if (name.isEmpty()) return;
    theProject.SetActiveLanguageName(name.constData());
    app::ActiveLanguageChanged(ActiveDocument());
}

void CMainFrame::ShowActiveLanguage() {
    const QByteArray active(theProject.GetActiveLanguageName());
    for (int i = 0; i < languageCombo_->count(); ++i) {
        if (languageCombo_->itemData(i).toByteArray() == active) languageCombo_->setCurrentIndex(i);
    }
}

bool CMainFrame::RequireProject() {
    if (theProject.IsProject()) return true;
    fw::ShowMessage(this, str::NoProject, fw::MessageKind::Error);
    return false;
}

void CMainFrame::NewProject() {
    fw::FileDialogRequest r;
    r.save = true;
    r.caption = fw::LoadString(str::NewProjectTitle);
    r.directory = settings::ProjectPath(app::SettingsFile());
    r.filter = QString::fromLatin1(kProjectFilter);
    QString path = fw::CompleteSavePath(this, r, fw::AskFileName(this, r));
    if (path.isEmpty()) return;
    settings::StoreProjectPath(app::SettingsFile(), path);
    if (!app::CloseAllDocuments()) return; // cancelled, or a file could not be written
    QByteArray bytes = QFile::encodeName(path);
    tLS_Error result = theProject.NewProject(bytes.constData());
    if (result == LS_OK) result = theProject.InitProject(bytes.constData());
    FillLanguageCombo(); // after a failure: no project is open any more
    if (result != LS_OK) {
        ReportProjectError(result);
        return;
    }
    app::RecentFileList().Add(QFileInfo(path).absoluteFilePath());
}

void CMainFrame::OpenProject() {
    fw::FileDialogRequest r;
    r.caption = fw::LoadString(str::OpenProjectTitle);
    r.directory = settings::ProjectPath(app::SettingsFile());
    r.filter = QString::fromLatin1(kProjectFilter);
    QString path = fw::AskFileName(this, r);
    if (path.isEmpty()) return;
    settings::StoreProjectPath(app::SettingsFile(), path);
    OpenProjectFile(path);
}

void CMainFrame::ReportProjectError(tLS_Error result) {
    const char* failed = theProject.GetFailedFile();
    if (result == LS_BASE_WRITE && failed && *failed) {
        fw::ShowMessageText(this,
                            fw::LoadString(str::MacroNotSaved) + QLatin1Char('\n') +
                                QFile::decodeName(failed),
                            fw::MessageKind::Error);
    } else {
        fw::ShowMessage(this, str::ProjectInitError, fw::MessageKind::Error);
    }
}

// The macro files a project names that are not there: opening it creates them empty.
static QStringList MissingMacroFiles(const QString& projectPath) {
    std::vector<std::string> files;
    tLS_project::MissingGroupFiles(QFile::encodeName(projectPath).constData(), files);
    QStringList missing;
    for (const std::string& f : files)
        missing.append(QFile::decodeName(f.c_str()));
    return missing;
}

void CMainFrame::OpenProjectFile(const QString& path) {
    if (!app::CloseAllDocuments()) return; // cancelled, or a file could not be written
    const QStringList missing = MissingMacroFiles(path);
    tLS_Error result = theProject.InitProject(QFile::encodeName(path).constData());
    FillLanguageCombo();
    if (app::DiskWatch* watch = theApp.Watch()) watch->WatchMacroFiles();
    if (result != LS_OK) {
        ReportProjectError(result);
        return;
    }
    // Said, so that pages are not built with empty texts in silence.
    if (!missing.isEmpty())
        fw::ShowMessage(this, str::MacroFilesCreated, fw::MessageKind::Information,
                        missing.join(QLatin1Char('\n')));
    app::RecentFileList().Add(QFileInfo(path).absoluteFilePath());
    if (theProject.GetSourceCount() > 0)
        router_->Execute(cmd::OrganizeTemplates); // Organize Templates
}

void CMainFrame::OpenHelp(int topic) {
    QString file =
        QString::fromStdString(larkspan::DataDirectory()) + QStringLiteral("help/index.html");
    QUrl url = QUrl::fromLocalFile(file);
    if (topic) url.setFragment(QStringLiteral("t%1").arg(topic));
    settings::Browser browser;
    browser.Load(app::SettingsFile());
    if (!browser.browserPath.isEmpty() && fw::StartProgram(browser.browserPath, {url.toString()}))
        return;
    QDesktopServices::openUrl(url);
}

void CMainFrame::changeEvent(QEvent* event) {
    // A maximised document window appends " - [its title]" to the caption, which already
    // names the document: the caption stays the one the idle step made.
    if (event->type() == QEvent::WindowTitleChange && !caption_.isEmpty() &&
        windowTitle() != caption_)
        setWindowTitle(caption_);
    QMainWindow::changeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) app::OpenDocumentFile(url.toLocalFile());
    }
    event->acceptProposedAction();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    QStringList strings;
    for (int i = 0; i < searchCombo->count(); ++i)
        strings << searchCombo->itemText(i);
    settings::SaveSearchStrings(app::SettingsFile(), strings);
    if (!app::SaveAllModified()) {
        event->ignore();
        return;
    }
    // The macro files are written here, where a failure can still be answered, rather than
    // silently when the project closes at the end.
    if (!app::SaveMacroFiles() && fw::ShowMessage(this, str::AskExitWithoutMacroFiles,
                                                  fw::MessageKind::WarnYesNo) != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    event->accept();
}
