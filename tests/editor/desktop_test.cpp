// What a desktop user takes for granted, driven as the user does: files named or dropped
// open by their full path, Save As completes the name, the Window menu, the caption, the
// context-help mode and the status bar's panes.
#include "editor_fixture.h"

#include "compiler_messages_dialog.h"
#include "document.h"
#include "external_program.h"
#include "ids.h"
#include "ls_main_view.h"
#include "recent_files.h"

#include <brevic/ls_profile.h>

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include <unistd.h>

using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

class DesktopTest : public EditorTest {
protected:
    CLs_mainView* View() { return qobject_cast<CLs_mainView*>(Frame().ActiveView()); }
    fw::Document* Doc() { return Frame().ActiveDocument(); }
    QMenu* TopMenu(const QString& title) {
        for (QAction* a : Frame().menuBar()->actions()) {
            if (a->text() == title) return a->menu();
        }
        return nullptr;
    }
};

TEST_F(DesktopTest, FilesNamedOrDroppedOpenByTheirFullPath) {
    const std::string site = scratch / "site/";
    WriteBytes(site + "page.tpl", "<p>page</p>");
    WriteBytes(site + "dropped.tpl", "<p>dropped</p>");
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(site.c_str()), 0);
    const bool started = Start({"page.tpl"});
    ASSERT_EQ(::chdir(previous), 0);
    ASSERT_TRUE(started);
    ASSERT_NE(Doc(), nullptr);
    EXPECT_EQ(Doc()->PathName().toStdString(), site + "page.tpl")
        << "a relative name is made absolute";

    // A file dropped on the text opens as a document; the text stays as it was.
    CLs_mainView* first = View();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(site + "dropped.tpl"))});
    // As a real drag: it enters first, then drops.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(first->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(first->viewport(), &drop);
    QApplication::processEvents();
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(first->GetText(), "<p>page</p>");
    ASSERT_NE(Doc(), nullptr);
    EXPECT_EQ(Doc()->PathName().toStdString(), site + "dropped.tpl");
}

TEST_F(DesktopTest, SaveAsCompletesTheNameAndStartsInTheDocumentsFolder) {
    ASSERT_TRUE(Start());
    View()->InsertText("<p>new</p>", true);
    const QString typed = QString::fromStdString(scratch / "page");
    fileAnswers = {{typed}};
    Frame().Router().Execute(cmd::FileSaveAs);
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(fileDialogs[0].directory, "Template1.tpl") << "no file, no project: the name alone";
    const std::string saved = ReadBytes(scratch / "page.tpl");
    EXPECT_EQ(saved.rfind("<p>new</p>", 0), 0u) << "the filter's extension is added";
    EXPECT_EQ(Doc()->PathName(), typed + ".tpl");
    EXPECT_EQ(theApp.RecentFileList().Files().value(0), typed + ".tpl")
        << "Save As adds a recent file";

    // Again onto the same name: asked first, and No writes nothing.
    View()->InsertText("changed ", true);
    fileAnswers = {{typed}};
    answers = {QMessageBox::No};
    Frame().Router().Execute(cmd::FileSaveAs);
    ASSERT_EQ(fileDialogs.size(), 2u);
    EXPECT_EQ(fileDialogs[1].directory.toStdString(), scratch / "page.tpl")
        << "in the document's folder";
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::AskReplaceFile);
    EXPECT_EQ(ReadBytes(scratch / "page.tpl"), saved);
    EXPECT_TRUE(Doc()->IsModified());

    // Open starts in the active document's folder too.
    fileAnswers = {{}};
    Frame().Router().Execute(cmd::FileOpen);
    EXPECT_EQ(fileDialogs.back().directory.toStdString() + "/", scratch.path());

    // A file that is not a template is offered under its own name.
    WriteBytes(scratch / "plain.htm", "<p>plain</p>");
    answers = {QMessageBox::No}; // not copied into a template
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(scratch / "plain.htm")), nullptr);
    fileAnswers = {{}};
    Frame().Router().Execute(cmd::FileSaveAs);
    EXPECT_EQ(fileDialogs.back().directory.toStdString(), scratch / "plain.htm");
}

// Arrange Symbols lines up the minimised windows along the bottom and moves no other.
TEST_F(DesktopTest, ArrangeSymbolsMovesOnlyMinimisedWindows) {
    ASSERT_TRUE(Start());
    Frame().Router().Execute(cmd::FileNew);
    Frame().Router().Execute(cmd::FileNew);
    Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    QList<QMdiSubWindow*> windows = Frame().MdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 3);
    windows[0]->setGeometry(10, 20, 300, 200);
    windows[1]->setGeometry(40, 60, 320, 210);
    windows[2]->showMinimized();
    windows[2]->move(150, 5);
    QApplication::processEvents();
    const QRect first = windows[0]->geometry();
    const QRect second = windows[1]->geometry();
    Frame().Router().Execute(cmd::ArrangeIcons);
    QApplication::processEvents();
    EXPECT_EQ(windows[0]->geometry(), first);
    EXPECT_EQ(windows[1]->geometry(), second);
    EXPECT_TRUE(windows[2]->isMinimized());
    EXPECT_EQ(windows[2]->geometry().x(), 0);
    EXPECT_EQ(windows[2]->geometry().bottom(), Frame().MdiArea()->viewport()->height() - 1);
}

TEST_F(DesktopTest, WindowMenuListsAndActivatesTheOpenWindows) {
    ASSERT_TRUE(Start());
    Frame().Router().Execute(cmd::FileNew);
    ASSERT_EQ(Doc()->Title(), "Template2");
    QMenu* menu = TopMenu("&Window");
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    QList<QAction*> entries;
    for (QAction* a : menu->actions()) {
        if (a->property("windowEntry").isValid() && !a->isSeparator()) entries << a;
    }
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), "&1 Template1");
    EXPECT_EQ(entries[1]->text(), "&2 Template2");
    EXPECT_FALSE(entries[0]->isChecked());
    EXPECT_TRUE(entries[1]->isChecked()) << "the active window is checked";
    entries[0]->trigger();
    EXPECT_EQ(Doc()->Title(), "Template1");
    emit menu->aboutToShow(); // refilled, not added to
    int listed = 0;
    for (QAction* a : menu->actions())
        listed += a->property("windowEntry").isValid() && !a->isSeparator();
    EXPECT_EQ(listed, 2);

    // Maximised, the document is named once in the caption.
    Frame().MdiArea()->currentSubWindow()->showMaximized();
    QApplication::processEvents();
    Frame().OnIdle();
    EXPECT_EQ(Frame().windowTitle(), "Larkspan PLUS 3.0 - [Template1]");
}

TEST_F(DesktopTest, ContextHelpModeOpensTheTopicOfTheNextClick) {
    std::vector<QStringList> started;
    fw::SetStartHook([&started](const QString&, const QStringList& args) {
        started.push_back(args);
        return true;
    });
    std::filesystem::create_directories(scratch / "config/larkspan");
    WritePrivateProfileString("BROWSER", "BrowserPath", "/usr/bin/browser", settingsFile.c_str());
    ASSERT_TRUE(Start());
    Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    auto buttonFor = [this](int id) {
        QToolBar* bar = Frame().ToolBar(CMainFrame::ApplicationTools);
        return bar->widgetForAction(Frame().Router().Action(id));
    };
    // Save, clicked in the help mode: its topic opens, nothing is saved.
    Frame().Router().Execute(cmd::ContextHelp);
    QTest::mouseClick(buttonFor(cmd::Save), Qt::LeftButton);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_TRUE(started[0].value(0).endsWith(QStringLiteral("#t%1").arg(0x10000 + cmd::Save)))
        << started[0].value(0).toStdString();
    EXPECT_TRUE(fileDialogs.empty()) << "the command did not run";
    // The mode is over: the next click saves.
    QTest::mouseClick(buttonFor(cmd::Save), Qt::LeftButton);
    EXPECT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(started.size(), 1u);

    // A click in the output window opens that window's topic; Escape leaves without help.
    Frame().CompilerMessages()->show();
    Frame().Router().Execute(cmd::ContextHelp);
    QTest::mouseClick(Frame().CompilerMessages(), Qt::LeftButton);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_TRUE(started[1].value(0).endsWith(
        QStringLiteral("#t%1").arg(0x20000 + CCompilerMessagesDlg::kDialogId)));
    Frame().Router().Execute(cmd::ContextHelp);
    QTest::keyClick(View(), Qt::Key_Escape);
    QTest::mouseClick(buttonFor(cmd::Save), Qt::LeftButton);
    EXPECT_EQ(started.size(), 2u);
    EXPECT_EQ(fileDialogs.size(), 2u);
    fw::SetStartHook({});
}

TEST_F(DesktopTest, LockKeyPanesStayEmptyWhereTheStateCannotBeRead) {
    ASSERT_TRUE(Start());
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(Frame().LockPane(i), nullptr);
        EXPECT_TRUE(Frame().LockPane(i)->isVisibleTo(&Frame()));
        EXPECT_TRUE(Frame().LockPane(i)->text().isEmpty()) << "offscreen: no keyboard state";
    }
}

} // namespace
