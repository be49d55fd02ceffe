#include "editor_fixture.h"

#include "command_table.h"
#include "compiler_messages_dialog.h"
#include "doc_template.h"
#include "document.h"
#include "file_types.h"
#include "hint_dialog.h"
#include "ids.h"
#include "ls_main_view.h"
#include "printing.h"
#include "settings.h"
#include "splash_dialog.h"

#include <brevic/ls_profile.h>

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QToolBar>

using testutil::Crlf;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

std::string Ini(const std::string& file, const char* section, const char* key) {
    std::string v;
    brevic::ReadProfileValue(section, key, v, file.c_str());
    return v;
}

void WriteProject(const std::string& dir) {
    WriteBytes(dir + "site.hpr",
               Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                    "Group2=deutsch.mcr\n"));
}

TEST_F(EditorTest, StartsWithANewDocumentAndNoProject) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame().MdiArea()->subWindowList().size(), 1);
    fw::Document* doc = Frame().ActiveDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_FALSE(doc->IsModified()) << "a new document starts unmodified";
    EXPECT_EQ(doc->Title(), "Template1");
    QComboBox* languages = Frame().LanguageCombo();
    ASSERT_EQ(languages->count(), 1);
    EXPECT_EQ(languages->itemText(0), "- No Project -");
    EXPECT_FALSE(languages->isEnabled());
    EXPECT_NE(Frame().Splash(), nullptr) << "the splash shows when started without a file";
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditorTest, RoutingByExtension) {
    std::string dir = scratch / "site/";
    WriteBytes(dir + "page.tpl", "<p>tpl</p>");
    WriteBytes(dir + "page.html", "<p>html</p>");
    WriteBytes(dir + "other.htm", "<p>htm</p>");
    WriteBytes(dir + "notes.txt", "text");
    WriteProject(dir);
    ASSERT_TRUE(Start({dir + "page.tpl"}));
    EXPECT_EQ(Frame().ActiveDocument()->PathName().toStdString(), dir + "page.tpl");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Frame().Splash(), nullptr) << "no splash when started with a file";

    // .html: Yes copies into a template beside it and opens that.
    answers = {QMessageBox::Yes};
    fw::Document* doc = theApp.OpenDocumentFile(QString::fromStdString(dir + "other.htm"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.back().stringId, str::AskCopyToTemplate);
    EXPECT_EQ(messages.back().text,
              "Do you want to copy this HTML file into a template?\n\nRecomended!");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->PathName().toStdString(), dir + "other.tpl");
    EXPECT_EQ(ReadBytes(dir + "other.tpl"), "<p>htm</p>");

    // The template exists already: 156; No opens the existing template unchanged.
    WriteBytes(dir + "page.tpl", "<p>kept</p>");
    answers = {QMessageBox::Yes, QMessageBox::No};
    doc = theApp.OpenDocumentFile(QString::fromStdString(dir + "page.html"));
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages.back().stringId, str::AskOverwriteTemplate);
    EXPECT_EQ(ReadBytes(dir + "page.tpl"), "<p>kept</p>");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->PathName().toStdString(), dir + "page.tpl");

    // Yes to 156 overwrites; a template that is a link stays one.
    theApp.CloseAllDocuments();
    WriteBytes(scratch / "shared/page.tpl", "<p>shared</p>");
    std::filesystem::remove(dir + "page.tpl");
    std::filesystem::create_symlink("../shared/page.tpl", dir + "page.tpl");
    answers = {QMessageBox::Yes, QMessageBox::Yes};
    doc = theApp.OpenDocumentFile(QString::fromStdString(dir + "page.html"));
    EXPECT_EQ(ReadBytes(scratch / "shared/page.tpl"), "<p>html</p>");
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "page.tpl"));

    // No to 155 opens the HTML file itself.
    answers = {QMessageBox::No};
    doc = theApp.OpenDocumentFile(QString::fromStdString(dir + "page.html"));
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->PathName().toStdString(), dir + "page.html");

    // Unknown types ask 157; No opens nothing.
    size_t before = messages.size();
    answers = {QMessageBox::No};
    EXPECT_EQ(theApp.OpenDocumentFile(QString::fromStdString(dir + "notes.txt")), nullptr);
    EXPECT_EQ(messages[before].stringId, str::AskUnknownType);
    EXPECT_EQ(messages[before].kind, fw::MessageKind::WarnYesNo);

    // A project in upper case is an unknown type too; in lower case it opens the project.
    std::filesystem::copy(dir + "site.hpr", dir + "SITE.HPR");
    answers = {QMessageBox::No};
    EXPECT_EQ(theApp.OpenDocumentFile(QString::fromStdString(dir + "SITE.HPR")), nullptr);
    EXPECT_EQ(messages.back().stringId, str::AskUnknownType);
    EXPECT_FALSE(theProject.IsProject());
    EXPECT_EQ(theApp.OpenDocumentFile(QString::fromStdString(dir + "site.hpr")), nullptr);
    EXPECT_TRUE(theProject.IsProject());
}

TEST_F(EditorTest, OpeningAProjectSelectsTheFirstLanguageAndSetsTheCaption) {
    std::string dir = scratch / "web/";
    WriteProject(dir);
    ASSERT_TRUE(Start());
    Frame().OnIdle();
    EXPECT_TRUE(Frame().windowTitle().startsWith("Larkspan PLUS 3.0 - [Template1]"));
    EXPECT_EQ(CMainFrame::CaptionText(), "Larkspan PLUS 3.0");

    Frame().OpenProjectFile(QString::fromStdString(dir + "site.hpr"));
    QComboBox* languages = Frame().LanguageCombo();
    ASSERT_EQ(languages->count(), 3);
    EXPECT_TRUE(languages->isEnabled());
    EXPECT_EQ(languages->itemText(0), "deutsch");
    EXPECT_EQ(languages->itemText(1), "english");
    EXPECT_EQ(languages->itemText(2), "Neutral");
    EXPECT_STREQ(theProject.GetActiveLanguageName(), "deutsch");
    EXPECT_EQ(CMainFrame::CaptionText(), "Larkspan PLUS 3.0 - site");
    EXPECT_EQ(Frame().MdiArea()->subWindowList().size(), 0)
        << "documents close with the old project";
    Frame().OnIdle();
    EXPECT_EQ(Frame().windowTitle(), "Larkspan PLUS 3.0 - site");

    languages->setCurrentIndex(2);
    Frame().SelectLanguage();
    EXPECT_STREQ(theProject.GetActiveLanguageName(), "Neutral");

    // A project that cannot be opened: message 132 and no project.
    WriteBytes(dir + "broken.hpr", "[Groups]\r\nGroupNumber=0\r\n");
    Frame().OpenProjectFile(QString::fromStdString(dir + "broken.hpr"));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().stringId, str::ProjectInitError);
    EXPECT_EQ(messages.back().text,
              "Error initialising project.\nPlease load or create a new project.");
    EXPECT_FALSE(languages->isEnabled());
    EXPECT_EQ(CMainFrame::CaptionText(), "Larkspan PLUS 3.0") << "no project, none named";
}

TEST_F(EditorTest, NewProjectThroughTheDialog) {
    ASSERT_TRUE(Start());
    fileAnswers = {{QString::fromStdString(scratch / "fresh/site")}};
    std::filesystem::create_directories(scratch / "fresh");
    ASSERT_TRUE(Frame().Router().Execute(cmd::NewProject));
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_TRUE(fileDialogs[0].save);
    EXPECT_EQ(fileDialogs[0].caption, "Create new project");
    EXPECT_TRUE(theProject.IsProject());
    EXPECT_TRUE(testutil::Exists(scratch / "fresh/site.hpr"));
    EXPECT_EQ(Ini(settingsFile, "PATHES", "ProjectPath"), scratch / "fresh");
    EXPECT_EQ(Frame().LanguageCombo()->itemText(0), "Neutral");
    EXPECT_EQ(theApp.RecentFileList().Files().value(0).toStdString(), scratch / "fresh/site.hpr");

    // Landing on an existing project file asks first; No leaves it as it was.
    const std::string mine = testutil::ReadBytes(scratch / "fresh/site.hpr") + "; mine\r\n";
    testutil::WriteBytes(scratch / "fresh/site.hpr", mine);
    fileAnswers = {{QString::fromStdString(scratch / "fresh/site")}};
    answers = {QMessageBox::No};
    Frame().Router().Execute(cmd::NewProject);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().stringId, str::AskReplaceFile);
    EXPECT_EQ(testutil::ReadBytes(scratch / "fresh/site.hpr"), mine);
    fileDialogs.clear();

    // The next dialog starts in the stored folder.
    fileAnswers = {{}};
    Frame().Router().Execute(cmd::OpenProject);
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(fileDialogs[0].caption, "Open project");
    EXPECT_EQ(fileDialogs[0].directory.toStdString(), scratch / "fresh");
}

TEST_F(EditorTest, CaretPositionInTheStatusBar) {
    ASSERT_TRUE(Start());
    auto* view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
    ASSERT_NE(view, nullptr);
    view->SetText("first\nsecond line\n");
    view->SetSel(0, 0);
    Frame().OnIdle();
    EXPECT_EQ(Frame().CaretPane()->text(), "Ln 1, Col 1");
    view->SetSel(8, 8);
    Frame().OnIdle();
    EXPECT_EQ(Frame().CaretPane()->text(), "Ln 2, Col 3");
}

TEST_F(EditorTest, SearchStringsAreStoredOnCloseWithOldKeysLeftBehind) {
    std::string ini;
    ini = "[SEARCHSTRINGS]\nStringCount=12\n";
    for (int i = 0; i < 12; ++i)
        ini += std::to_string(i) + "String=" + (i == 3 ? "" : "s" + std::to_string(i)) + "\n";
    WriteBytes(settingsFile, Crlf(ini));
    ASSERT_TRUE(Start());
    ASSERT_NE(searchCombo, nullptr);
    ASSERT_EQ(searchCombo->count(), 11) << "the empty value is skipped";
    EXPECT_EQ(searchCombo->itemText(3), "s4");
    EXPECT_EQ(searchCombo->currentIndex(), 0);
    while (searchCombo->count() > 5)
        searchCombo->removeItem(searchCombo->count() - 1);
    theApp.CloseAllDocuments();
    Frame().close();
    EXPECT_EQ(Ini(settingsFile, "SEARCHSTRINGS", "StringCount"), "5");
    EXPECT_EQ(Ini(settingsFile, "SEARCHSTRINGS", "3String"), "s4");
    EXPECT_EQ(Ini(settingsFile, "SEARCHSTRINGS", "4String"), "s5");
    EXPECT_EQ(Ini(settingsFile, "SEARCHSTRINGS", "11String"), "s11") << "left behind";
}

TEST_F(EditorTest, EditorSettingsDefaultsAndValues) {
    fw::ProfileFile file(QString::fromStdString(settingsFile));
    settings::Editor e;
    e.Load(file);
    EXPECT_EQ(e.autotagging, 1);
    EXPECT_EQ(e.syntaxColoring, 1);
    EXPECT_EQ(e.caseSensitive, 0);
    EXPECT_EQ(e.autotagMinSel, 10);
    settings::Browser b;
    b.Load(file);
    EXPECT_EQ(b.useTempOrTargetPath, 1);
    EXPECT_TRUE(b.browserPath.isEmpty());

    e.autotagMinSel = 3;
    e.caseSensitive = 1;
    e.Save(file);
    b.browserPath = "/usr/bin/firefox";
    b.useTempOrTargetPath = 0;
    b.Save(file);
    settings::Editor e2;
    e2.Load(file);
    settings::Browser b2;
    b2.Load(file);
    EXPECT_EQ(e2.autotagMinSel, 3);
    EXPECT_EQ(e2.caseSensitive, 1);
    EXPECT_EQ(b2.browserPath, "/usr/bin/firefox");
    EXPECT_EQ(b2.useTempOrTargetPath, 0);
    EXPECT_EQ(Ini(settingsFile, "EDITOR", "CaseSensitive"), "1") << "flags are written as 0 or 1";

    WriteBytes(settingsFile, Crlf("[EDITOR]\nAutotagMinSel=4\nSyntaxColoring=0\n"));
    ASSERT_TRUE(Start());
    EXPECT_EQ(theApp.editor.autotagMinSel, 4);
    EXPECT_EQ(theApp.editor.syntaxColoring, 0);
    EXPECT_EQ(theApp.editor.autotagging, 1);
}

TEST_F(EditorTest, HintsShowUntilSwitchedOff) {
    fw::ProfileFile file(QString::fromStdString(settingsFile));
    std::filesystem::create_directories(scratch / "config/larkspan");
    int pictures = 0;
    modalAnswer = [&pictures](QDialog& d) {
        d.findChild<QCheckBox*>("dontShowAgain")->setChecked(true);
        for (QLabel* label : d.findChildren<QLabel*>())
            pictures += !label->pixmap().isNull();
        return static_cast<int>(QDialog::Accepted);
    };
    EXPECT_EQ(CHintDlg::Show(nullptr, 32775, file), QDialog::Accepted);
    EXPECT_EQ(pictures, 2) << "both pictures show";
    EXPECT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(Ini(settingsFile, "TIP", "ID_32775"), "0");
    EXPECT_EQ(CHintDlg::Show(nullptr, 32775, file), 2) << "switched off: returns 2 at once";
    EXPECT_EQ(dialogs.size(), 1u) << "and shows nothing";
    EXPECT_EQ(CHintDlg::Show(nullptr, 32777, file), QDialog::Accepted) << "other hints still show";

    // The start-up hint.
    withHint = true;
    modalAnswer = [](QDialog&) { return static_cast<int>(QDialog::Accepted); };
    ASSERT_TRUE(Start());
    EXPECT_EQ(dialogs.back(), "CHintDlg");
    theApp.ExitInstance();
    dialogs.clear();
    WritePrivateProfileString("TIP", "ID_32772", "0", settingsFile.c_str());
    ASSERT_TRUE(Start());
    EXPECT_TRUE(dialogs.empty());
}

TEST_F(EditorTest, ToolBarsHoldTheirButtonsInOrder) {
    ASSERT_TRUE(Start());
    auto ids = [](QToolBar* bar) {
        std::vector<int> out;
        for (QAction* a : bar->actions())
            out.push_back(a->isSeparator() ? 0 : a->data().isValid() ? a->data().toInt() : -1);
        return out;
    };
    // 0: separator, -1: a combo box.
    EXPECT_EQ(ids(Frame().ToolBar(CMainFrame::ApplicationTools)),
              (std::vector<int>{57600, 57601, 32901, 32853, 0,     57607, 0,     -1,
                                0,     32812, 32815, 32792, 0,     32816, 32817, 32819,
                                0,     32818, 32904, 0,     57664, 57669}));
    EXPECT_EQ(ids(Frame().ToolBar(CMainFrame::ProjectTools)),
              (std::vector<int>{32773, 0, 32889, 32890, 0, 32774, 0, -1, 0, 32803, 32895, 0, 57635,
                                57634, 57637, 0, 57643, 57644}));
    EXPECT_EQ(Frame().ToolBar(CMainFrame::EditTools)->actions().size(), 30);
    EXPECT_EQ(Frame().ToolBar(CMainFrame::ApplicationTools)->windowTitle(), "Application Tools");
    EXPECT_EQ(Frame().ToolBar(CMainFrame::EditTools)->windowTitle(), "Edit Tools");
    EXPECT_EQ(Frame().ToolBar(CMainFrame::ProjectTools)->windowTitle(), "Project Tools");
    for (QToolBar* bar : Frame().findChildren<QToolBar*>()) {
        for (QAction* a : bar->actions()) {
            if (a->isSeparator() || !a->data().isValid()) continue;
            EXPECT_FALSE(a->toolTip().isEmpty()) << a->data().toInt();
            EXPECT_FALSE(a->icon().isNull()) << a->data().toInt();
        }
    }
}

TEST_F(EditorTest, EveryAcceleratorRunsItsCommand) {
    ASSERT_TRUE(Start());
    for (const auto& [key, id] : fw::AcceleratorTable()) {
        QAction* action = Frame().Router().Action(id);
        EXPECT_TRUE(action->shortcuts().contains(key)) << id << " " << key.toString().toStdString();
    }
    EXPECT_EQ(fw::AcceleratorTable().size(), 47);
    // Real keys: F8 shows and hides the output window; Ctrl+N makes a new document.
    Frame().show();
    QApplication::setActiveWindow(&Frame());
    EXPECT_FALSE(Frame().CompilerMessages()->isVisible());
    QTest::keyClick(&Frame(), Qt::Key_F8);
    EXPECT_TRUE(Frame().CompilerMessages()->isVisible());
    QTest::keyClick(&Frame(), Qt::Key_F8);
    EXPECT_FALSE(Frame().CompilerMessages()->isVisible());
    QTest::keyClick(&Frame(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Frame().MdiArea()->subWindowList().size(), 2);
    QTest::keyClick(Frame().ActiveView(), Qt::Key_F4, Qt::ControlModifier);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Frame().MdiArea()->subWindowList().size(), 1) << "Ctrl+F4 closes the active window";
}

TEST_F(EditorTest, CommandsWithoutAHandlerAreDisabled) {
    ASSERT_TRUE(Start());
    Frame().Router().UpdateActions();
    EXPECT_TRUE(Frame().Router().Action(cmd::FileNew)->isEnabled());
    EXPECT_TRUE(Frame().Router().Action(cmd::NewProject)->isEnabled());
    // A command no target handles is disabled (the shell's print command prints directly).
    EXPECT_FALSE(Frame().Router().State(cmd::PrintDirect).enabled);
    // Both ids of a command behave alike.
    EXPECT_EQ(Frame().Router().State(cmd::NewMacroTool).enabled,
              Frame().Router().State(cmd::NewMacro).enabled);
    // The menus switch with the active document: the editor menu for an HTML window.
    QStringList titles;
    for (QAction* a : Frame().menuBar()->actions())
        titles << a->text();
    EXPECT_TRUE(titles.contains("&File"));
    theApp.CloseAllDocuments();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Frame().OnIdle();
    EXPECT_EQ(Frame().ActiveDocument(), nullptr);
}

TEST_F(EditorTest, PageLayoutAndColours) {
    ASSERT_TRUE(Start());
    modalAnswer = [](QDialog& d) {
        d.findChild<QDoubleSpinBox*>("margin0")->setValue(0.5);
        return static_cast<int>(QDialog::Rejected);
    };
    Frame().Router().Execute(cmd::PageLayout);
    EXPECT_EQ(theApp.printMargins[0], 1000) << "Cancel keeps the margins";
    modalAnswer = [](QDialog& d) {
        d.findChild<QDoubleSpinBox*>("margin0")->setValue(0.5);
        d.findChild<QDoubleSpinBox*>("margin3")->setValue(1.25);
        return static_cast<int>(QDialog::Accepted);
    };
    Frame().Router().Execute(cmd::PageLayout);
    EXPECT_EQ(theApp.printMargins[0], 500);
    EXPECT_EQ(theApp.printMargins[3], 1250);

    modalAnswer = [](QDialog& d) {
        static_cast<QColorDialog&>(d).setCurrentColor(QColor(255, 128, 0));
        return static_cast<int>(QDialog::Accepted);
    };
    QString text = "unchanged";
    int colour = -1;
    ASSERT_TRUE(CLs_mainApp::PickHtmlColor(nullptr, &colour, text));
    EXPECT_EQ(text, "#FF8000");
    EXPECT_EQ(colour, 0x0080FF);
    modalAnswer = [](QDialog& d) {
        static_cast<QColorDialog&>(d).setCurrentColor(QColor(1, 2, 3));
        return static_cast<int>(QDialog::Rejected);
    };
    EXPECT_FALSE(CLs_mainApp::PickHtmlColor(nullptr, nullptr, text));
    EXPECT_EQ(text, "#FF8000");
}

TEST_F(EditorTest, SplashClosesItselfAndTheOutputWindowHides) {
    ASSERT_TRUE(Start());
    CSplashDlg* splash = Frame().Splash();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!splash->isVisible(), 5000);

    CCompilerMessagesDlg* out = Frame().CompilerMessages();
    out->AddString("a\tb");
    out->show();
    QTest::keyClick(out, Qt::Key_Escape);
    EXPECT_FALSE(out->isVisible()) << "Escape hides";
    EXPECT_EQ(out->Lines().size(), 1) << "and keeps the messages";
}

// The messages window opens wide enough for its longest line and keeps, across runs, a size
// the author gave it; one never resized leaves the settings file alone.
TEST_F(EditorTest, TheMessagesWindowFitsItsLinesAndKeepsItsSize) {
    ASSERT_TRUE(Start());
    CCompilerMessagesDlg* out = Frame().CompilerMessages();
    const QString line = QStringLiteral("page.tpl\t(12) ") + QString(100, QLatin1Char('x'));
    out->AddString(line.toUtf8().constData());
    out->show();
    QVERIFY(QTest::qWaitForWindowExposed(out));
    const QFontMetrics metrics(out->List()->font());
    const int room = out->screen()->availableGeometry().width() * 9 / 10;
    EXPECT_GE(out->List()->viewport()->width(),
              std::min(metrics.horizontalAdvance(out->Lines()[0]), room - 60));
    out->hide();
    EXPECT_EQ(testutil::ReadBytes(settingsFile).find("MessagesWidth"), std::string::npos);

    out->show();
    out->resize(out->width() - 40, 333);
    out->hide();
    CCompilerMessagesDlg next;
    EXPECT_EQ(next.size(), QSize(out->width(), 333));
}

// Opening a project whose macro file is missing says that it has been created empty.
TEST_F(EditorTest, AMissingMacroFileIsReportedWhenTheProjectOpens) {
    const std::string site = scratch / "site/";
    testutil::WriteBytes(
        site + "site.hpr",
        testutil::Crlf("[Groups]\nGroupNumber=2\nGroup0=site.mcr\nGroup1=english.mcr\n"));
    testutil::WriteBytes(site + "site.mcr", "");
    ASSERT_TRUE(Start());
    Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
    ASSERT_TRUE(theProject.IsProject());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::MacroFilesCreated);
    EXPECT_TRUE(messages[0].text.endsWith(QString::fromStdString(site + "english.mcr")));
    EXPECT_TRUE(testutil::Exists(site + "english.mcr"));
}

// /unregister removes the desktop entry and the MIME package, says so and quits.
TEST_F(EditorTest, UnregisterRemovesTheRegistrationAndQuits) {
    const std::string entry = scratch / "data/applications/larkspan.desktop";
    const std::string package = scratch / "data/mime/packages/larkspan.xml";
    ASSERT_TRUE(filetypes::Register(QString::fromStdString(scratch / "prog/")));
    ASSERT_TRUE(testutil::Exists(entry) && testutil::Exists(package));
    EXPECT_FALSE(Start({"/unregister"})) << "the program quits";
    EXPECT_FALSE(testutil::Exists(entry));
    EXPECT_FALSE(testutil::Exists(package));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::UnregisterDone);
    EXPECT_EQ(theApp.ExitStatus(), 0);

    // The real program: its message closed at the first idle moment, it ends with status 0.
    ASSERT_TRUE(filetypes::Register(QString::fromStdString(scratch / "prog/")));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("LARKSPAN_EXIT_AT_IDLE", "1");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(scratch / "config"));
    env.insert("XDG_DATA_HOME", QString::fromStdString(scratch / "data"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(STAGE_DIR "/larkspan"), {QStringLiteral("/unregister")});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_FALSE(testutil::Exists(entry));
}

// The print switch prints the file on the current printer and quits with status 0.
TEST_F(EditorTest, ThePrintSwitchPrintsAndEndsWithStatusZero) {
    WriteBytes(scratch / "page.tpl", "<p>print me</p>");
    fw::SharedPrinter().setOutputFileName(QString::fromStdString(scratch / "out.pdf"));
    EXPECT_FALSE(Start({"/p", scratch / "page.tpl"})) << "the program quits";
    EXPECT_EQ(theApp.ExitStatus(), 0);
    EXPECT_EQ(ReadBytes(scratch / "out.pdf").rfind("%PDF", 0), 0u);
    fw::SharedPrinter().setOutputFileName({});
}

// A program folder whose path holds characters the desktop entry reserves gives an entry
// the desktop accepts; one with a line break gives none.
TEST_F(EditorTest, DesktopEntryOfAnOddProgramFolder) {
    const std::string entry = scratch / "data/applications/larkspan.desktop";
    EXPECT_FALSE(filetypes::Register(QString::fromStdString(scratch / "two\nlines/")));
    EXPECT_FALSE(testutil::Exists(entry));

    const std::string folder = scratch / "100% \"odd\" \\ `x` $HOME/";
    ASSERT_TRUE(filetypes::Register(QString::fromStdString(folder)));
    const std::string text = testutil::ReadBytes(entry);
    // Quoted, with " ` $ \ escaped and % doubled; then every backslash doubled again.
    const std::string exec =
        "Exec=\"" + scratch.path() + R"(100%% \\"odd\\" \\\\ \\`x\\` \\$HOME/larkspan" %f)" + "\n";
    EXPECT_NE(text.find(exec), std::string::npos) << text;
    EXPECT_NE(
        text.find("\nIcon=" + scratch.path() + R"(100% "odd" \\ `x` $HOME/larkspan.svg)" + "\n"),
        std::string::npos)
        << text;

    EXPECT_NE(text.find("\n[Desktop Action print]\nName=Print\n" + exec.substr(0, exec.size() - 4) +
                        " /p %f\n"),
              std::string::npos)
        << "the print action";

    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate (Debian: desktop-file-utils) is not installed";
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(validator, {QString::fromStdString(entry)});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString() << text;
}

TEST(ShortPath, LongPiecesAreCut) {
    std::string p = "C:\\Program Files\\Larkspan\\larkspan.exe \"%1\"";
    MakeShortPath(p);
    EXPECT_EQ(p, "C:\\Progra~1\\Larkspan\\larkspan.exe \"%1\"");
    std::string q = "C:\\Programme\\x.exe";
    MakeShortPath(q);
    EXPECT_EQ(q, "C:\\Progra~1\\x.exe");
    std::string none = "plain";
    MakeShortPath(none);
    EXPECT_EQ(none, "plain");
}

} // namespace
