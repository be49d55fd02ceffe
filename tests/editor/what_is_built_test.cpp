// What the author sees is what gets built: unsaved templates before a project build,
// deleted languages, the "Neutral" warning and the messages of every page.
#include "app/http_test_client.h"
#include "editor_fixture.h"
#include "ids.h"

#include "compiler_messages_dialog.h"
#include "html_document.h"
#include "live_preview.h"
#include "ls_main_app.h"
#include "ls_main_view.h"
#include "macro_document.h"
#include "multi_replace_dialog.h"
#include "string_table.h"
#include "translations_dialog.h"

#include <brevic/ls_macrobase.h>
#include <brevic/ls_profile.h>

#include <chrono>
#include <filesystem>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>

using testutil::Crlf;
using testutil::Exists;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

class WhatIsBuilt : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        site = scratch / "site/";
        WriteBytes(site + "site.hpr",
                   Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                        "Group2=deutsch.mcr\n[Sources]\nSourceNumber=1\nSource0=index.tpl\n"));
        WriteBytes(site + "site.mcr", "");
        WriteBytes(site + "english.mcr", Crlf("{:footer:0:}\nenglish footer\n"));
        WriteBytes(site + "deutsch.mcr", Crlf("{:footer:0:}\ndeutsch footer\n"));
        WriteBytes(site + "index.tpl", Crlf("<p>{#footer}</p>\n"));
        WritePrivateProfileString("EDITOR", "Autotagging", "0", settingsFile.c_str());
        ASSERT_TRUE(Start());
        Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
        ASSERT_TRUE(theProject.IsProject());
        theApp.CloseAllDocuments();
        messages.clear();
    }
    CLs_mainDoc* OpenTemplate() {
        return qobject_cast<CLs_mainDoc*>(
            theApp.OpenDocumentFile(QString::fromStdString(site + "index.tpl")));
    }
    CLs_mainView* View() { return qobject_cast<CLs_mainView*>(Frame().ActiveView()); }
    QStringList MessageLines() {
        QStringList lines;
        QListWidget* list = Frame().CompilerMessages()->List();
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }
    std::string site;
};

// Cancel builds nothing, No builds the file on disk, Yes saves the window and builds it.
TEST_F(WhatIsBuilt, BuildProjectAsksAboutUnsavedTemplatesOnce) {
    CLs_mainDoc* page = OpenTemplate();
    ASSERT_NE(page, nullptr);
    const int end = static_cast<int>(View()->GetText().size());
    View()->SetSel(end, end);
    View()->InsertText("<p>typed</p>", true);
    ASSERT_TRUE(page->IsModified());

    answers = {QMessageBox::Cancel};
    Frame().Router().Execute(cmd::BuildProject);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::AskSaveTemplatesBeforeBuild);
    EXPECT_TRUE(messages[0].text.contains("index.tpl"));
    EXPECT_FALSE(Exists(site + "english/index.htm")) << "Cancel builds nothing";

    answers = {QMessageBox::No};
    Frame().Router().Execute(cmd::BuildProject);
    EXPECT_EQ(ReadBytes(site + "english/index.htm"), Crlf("<p>english footer</p>\n"))
        << "No builds the file on disk";
    EXPECT_TRUE(page->IsModified());

    answers = {QMessageBox::Yes};
    Frame().Router().Execute(cmd::BuildProject);
    EXPECT_FALSE(page->IsModified());
    EXPECT_EQ(ReadBytes(site + "deutsch/index.htm"), Crlf("<p>deutsch footer</p>\n<p>typed</p>"));
    EXPECT_EQ(messages.size(), 3u);
    Frame().Router().Execute(cmd::BuildProject);
    EXPECT_EQ(messages.size(), 3u) << "nothing unsaved, nothing asked";
}

// A language deleted in Organize Languages is not offered, built or checked any more.
TEST_F(WhatIsBuilt, ADeletedLanguageIsGoneAtOnce) {
    app::OpenMacroByName("footer");
    modalAnswer = [](QDialog& d) {
        auto* list = d.findChild<QListWidget*>("languageList");
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->text() == "deutsch") list->setCurrentRow(i);
        }
        d.findChild<QPushButton*>("deleteButton")->click();
        return 2;
    };
    Frame().Router().Execute(cmd::OrganizeLanguages);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().stringId, str::LanguageDeletedAtNextStart);
    QComboBox* languages = Frame().LanguageCombo();
    EXPECT_EQ(languages->findText("deutsch"), -1);
    EXPECT_EQ(languages->count(), 2);
    ASSERT_NE(OpenTemplate(), nullptr);
    Frame().Router().Execute(cmd::BuildProject);
    EXPECT_TRUE(Exists(site + "english/index.htm"));
    EXPECT_FALSE(Exists(site + "deutsch")) << "no page of a deleted language";
    Frame().Router().Execute(cmd::CheckSite);
    EXPECT_FALSE(MessageLines().join('\n').contains("deutsch"));
}

// With "Neutral" chosen in a project with languages, Build File says so in a message box.
TEST_F(WhatIsBuilt, BuildingWithNeutralChosenShowsTheWarningBox) {
    auto* page = OpenTemplate();
    ASSERT_NE(page, nullptr);
    QComboBox* languages = Frame().LanguageCombo();
    languages->setCurrentIndex(languages->findText("Neutral"));
    Frame().SelectLanguage();
    messages.clear();
    page->BuildFile();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].stringId, str::NoLanguageSelected);
    EXPECT_EQ(messages[0].kind, fw::MessageKind::Error);
    EXPECT_TRUE(Exists(site + "index.htm"));
    EXPECT_TRUE(Frame().statusBar()->currentMessage().contains("index.htm"))
        << "Build File says what it wrote";
}

// After Build Project the messages window lists every page's messages under its template and
// language, and its count is the status bar's.
TEST_F(WhatIsBuilt, BuildProjectListsTheMessagesOfEveryPage) {
    WriteBytes(site + "index.tpl", Crlf("<p>{#footer}</p>\n<p>{#nothere}</p>\n"));
    ASSERT_NE(OpenTemplate(), nullptr);
    Frame().Router().Execute(cmd::BuildProject);
    const QStringList lines = MessageLines();
    ASSERT_EQ(lines.size(), 4) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[0], "index.tpl (english)");
    EXPECT_TRUE(lines[1].contains("nothere") && lines[1].contains("(2)")) << lines[1].toStdString();
    EXPECT_EQ(lines[2], "index.tpl (deutsch)");
    EXPECT_TRUE(lines[3].contains("nothere"));
    EXPECT_TRUE(Frame().statusBar()->currentMessage().contains("2 warnings"))
        << Frame().statusBar()->currentMessage().toStdString();
}

// A Check Site finding leads to the line that produced it: inside a macro, to that macro's
// line in the page's language. A page changed by hand after its build cannot be placed: it
// opens as it is, read-only, and nothing offers to make it a template.
TEST_F(WhatIsBuilt, CheckSiteFindingsLeadToTheirMacroLine) {
    WriteBytes(site + "deutsch.mcr",
               Crlf("{:footer:0:}\ndeutsch footer\n<a href=\"fehlt.htm\">x</a>\n"));
    WriteBytes(site + "index.tpl", Crlf("<h1>title</h1>\n<p>{#footer}</p>\n"));
    Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
    Frame().Router().Execute(cmd::CheckSite);
    QListWidget* list = Frame().CompilerMessages()->List();
    auto row = [&](const QString& start) {
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(Qt::UserRole).toString().startsWith(start)) return i;
        return -1;
    };
    const int finding =
        row("deutsch/index.htm\t(3) from {#footer} in deutsch.mcr (2): Error: link to fehlt.htm");
    ASSERT_GE(finding, 0) << MessageLines().join('\n').toStdString();
    list->setFocus();
    list->setCurrentRow(finding);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(QByteArray(theProject.GetActiveLanguageName()), "deutsch");
    ASSERT_NE(Frame().ActiveDocument(), nullptr);
    EXPECT_EQ(Frame().ActiveDocument()->metaObject()->className(), QByteArray("ClsMacroDoc"));
    EXPECT_EQ(View()->GetSelText(), "<a href=\"fehlt.htm\">x</a>");

    // The English page edited by hand after the build (and so newer than its template).
    theApp.CloseAllDocuments();
    WriteBytes(site + "english/index.htm",
               Crlf("<h1>title</h1>\n<p>english footer <a href=\"hand.htm\">x</a></p>\n"));
    std::filesystem::last_write_time(site + "english/index.htm",
                                     std::filesystem::file_time_type::clock::now() +
                                         std::chrono::hours(1));
    Frame().Router().Execute(cmd::CheckSite);
    const int unplaced = row("english/index.htm\t(2) Error: link to hand.htm");
    ASSERT_GE(unplaced, 0) << MessageLines().join('\n').toStdString();
    messages.clear();
    list->setCurrentRow(unplaced);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(messages.empty()) << "no offer to copy the page into a template";
    ASSERT_NE(Frame().ActiveDocument(), nullptr);
    EXPECT_TRUE(Frame().ActiveDocument()->PathName().endsWith("/site/english/index.htm"));
    EXPECT_TRUE(View()->isReadOnly());
    EXPECT_EQ(Frame().statusBar()->currentMessage(), fw::LoadString(str::PageShownReadOnly));
}

// Files changed by another program under open windows: an unmodified window reloads at
// once, keeping its caret line; a modified one asks; a deleted file leaves the window as the
// only copy; a macro file written elsewhere reloads its group and the windows on it.
TEST_F(WhatIsBuilt, FilesChangedOnDiskAreNoticed) {
    WriteBytes(site + "index.tpl", Crlf("one\ntwo\nthree\n"));
    CLs_mainDoc* page = OpenTemplate();
    ASSERT_NE(page, nullptr);
    View()->SetSel(5, 5); // line 2
    WriteBytes(site + ".index.tpl.tmp", Crlf("one\nTWO\nthree\n"));
    std::filesystem::rename(site + ".index.tpl.tmp", site + "index.tpl"); // saved through a rename
    EXPECT_TRUE(QTest::qWaitFor([&] { return View()->GetText() == "one\nTWO\nthree\n"; }, 5000));
    EXPECT_FALSE(page->IsModified());
    EXPECT_EQ(View()->textCursor().blockNumber(), 1) << "the caret stays on its line";
    EXPECT_TRUE(messages.empty());

    View()->SetSel(0, 0);
    View()->InsertText("mine ", true);
    answers = {QMessageBox::No};
    WriteBytes(site + "index.tpl", Crlf("theirs\n"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !messages.empty(); }, 5000));
    EXPECT_EQ(messages[0].stringId, str::AskReloadChangedFile);
    EXPECT_TRUE(View()->GetText().startsWith("mine ")) << "No keeps the text";
    answers = {QMessageBox::Yes};
    WriteBytes(site + "index.tpl", Crlf("theirs again\n"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return View()->GetText() == "theirs again\n"; }, 5000));
    EXPECT_FALSE(page->IsModified());

    std::filesystem::remove(site + "index.tpl");
    EXPECT_TRUE(QTest::qWaitFor([&] { return messages.size() == 3; }, 5000));
    EXPECT_EQ(messages[2].stringId, str::FileGoneFromDisk);
    EXPECT_TRUE(page->IsModified()) << "the window holds the only copy";
    QTest::qWait(300);
    EXPECT_EQ(messages.size(), 3u) << "said once";

    app::OpenMacroByName("footer");
    auto* macro = qobject_cast<ClsMacroDoc*>(Frame().ActiveDocument());
    ASSERT_NE(macro, nullptr);
    // Stored back but not written (as before a build): the file did not change, nothing asks.
    View()->SetSel(0, 0);
    View()->InsertText("kept ", true);
    app::StoreMacroDocuments();
    WriteBytes(site + "other.txt", "a file beside it");
    QTest::qWait(400);
    EXPECT_EQ(messages.size(), 3u) << "the editor's own unsaved macros are no change on disk";
    answers = {QMessageBox::Yes}; // now the file does change: reload, dropping what is unsaved
    WriteBytes(site + "deutsch.mcr",
               Crlf("{:footer:5:}\nnew footer\n{:added:5:}\nx\n")); // the active language
    EXPECT_TRUE(QTest::qWaitFor([&] { return View()->GetText() == "new footer"; }, 5000));
    EXPECT_FALSE(macro->IsModified());
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[3].stringId, str::AskReloadChangedMacroFile);
    int index = -1;
    EXPECT_EQ(theProject.GetActiveGroup()->GetMacroIndex(index, "added", 1), LS_OK)
        << "the group was read again";
}

// Multiple File Replace leaves a file whose window holds unsaved edits and names it; an
// unmodified open window of a file it changed shows the new text at once.
TEST_F(WhatIsBuilt, MultipleFileReplaceRespectsOpenWindows) {
    WriteBytes(site + "other.tpl", "old other");
    CLs_mainDoc* page = OpenTemplate(); // unmodified
    ASSERT_NE(page, nullptr);
    auto* other = qobject_cast<CLs_mainDoc*>(
        theApp.OpenDocumentFile(QString::fromStdString(site + "other.tpl")));
    ASSERT_NE(other, nullptr);
    View()->SetSel(0, 0);
    View()->InsertText("mine ", true);
    WriteBytes(site + "index.tpl", "old index");
    QTest::qWait(400); // the unmodified window takes the new file first
    CMultiReplaceDlg dialog(&Frame());
    fileAnswers = {
        {QString::fromStdString(site + "index.tpl"), QString::fromStdString(site + "other.tpl")}};
    dialog.AddFiles();
    dialog.findChild<QPlainTextEdit*>("searchEdit")->setPlainText("old");
    dialog.findChild<QPlainTextEdit*>("replaceEdit")->setPlainText("new");
    messages.clear();
    answers = {QMessageBox::Ok};
    dialog.ReplaceInAll();
    EXPECT_EQ(ReadBytes(site + "index.tpl"), "new index");
    EXPECT_EQ(ReadBytes(site + "other.tpl"), "old other") << "its window holds unsaved edits";
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.contains(QString::fromStdString(site + "other.tpl")));
    EXPECT_EQ(qobject_cast<CLs_mainView*>(page->Views().first())->GetText(), "new index");
    EXPECT_FALSE(page->IsModified());
    EXPECT_EQ(View()->GetText(), "mine old other");
}

// Live Preview builds the page from the window's text as the author types, in memory: the
// browser listening hears of it, the file on disk stays. A macro window's unsaved text shows
// in the page too, and a language switch sends the browser to that language's page.
TEST_F(WhatIsBuilt, LivePreviewFollowsTypingMacroWindowsAndTheLanguage) {
    WriteBytes(site + "english/index.htm", "built before");
    QComboBox* languages = Frame().LanguageCombo();
    languages->setCurrentIndex(languages->findText("english"));
    Frame().SelectLanguage();
    ASSERT_NE(OpenTemplate(), nullptr);
    app::LivePreview& preview = theApp.Preview();
    preview.SetOpensBrowser(false);
    Frame().Router().Execute(cmd::LivePreviewTool);
    ASSERT_NE(preview.Port(), 0) << (messages.empty() ? "" : messages[0].text.toStdString());
    EXPECT_EQ(preview.PageAddress(),
              "http://127.0.0.1:" + std::to_string(preview.Port()) + "/english/index.htm");
    const std::string host = "\r\nHost: 127.0.0.1:" + std::to_string(preview.Port()) + "\r\n\r\n";
    auto page = [&](const char* path) {
        return testhttp::Send(preview.Port(), std::string("GET ") + path + " HTTP/1.1" + host);
    };
    const int events = testhttp::Connect(preview.Port());
    const std::string listen = "GET /.larkspan/events?v=1&page=/english/index.htm HTTP/1.1" + host;
    ::send(events, listen.data(), listen.size(), MSG_NOSIGNAL);
    auto heard = [&](const std::string& what) {
        std::string got;
        for (int i = 0; i < 100 && got.find(what) == std::string::npos; ++i) {
            QTest::qWait(20); // the pause after typing runs on the event loop
            got += testhttp::ReadUntil(events, what, 0);
        }
        return got;
    };
    EXPECT_NE(page("/english/index.htm").find("<p>english footer</p>"), std::string::npos);

    View()->setFocus();
    QTest::keyClicks(View(), "<b>new</b>");
    EXPECT_NE(heard("event: reload").find("event: reload"), std::string::npos);
    EXPECT_NE(page("/english/index.htm").find("<b>new</b><p>english footer</p>"),
              std::string::npos);
    EXPECT_EQ(ReadBytes(site + "english/index.htm"), "built before");
    // Each preview build's messages, as Build File's, without the focus leaving the text.
    ASSERT_TRUE(View()->hasFocus());
    QTest::keyClicks(View(), "{#Nope}");
    EXPECT_NE(heard("event: reload").find("event: reload"), std::string::npos);
    EXPECT_TRUE(MessageLines().join('\n').contains("The macro \"Nope\" was not found"))
        << MessageLines().join('\n').toStdString();
    EXPECT_TRUE(Frame().CompilerMessages()->isVisible());
    EXPECT_TRUE(View()->hasFocus());
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(View(), Qt::Key_Backspace);

    app::OpenMacroByName("footer");
    View()->setFocus();
    View()->SetSel(0, 0);
    QTest::keyClicks(View(), "our ");
    EXPECT_NE(heard("event: reload").find("event: reload"), std::string::npos);
    EXPECT_NE(page("/english/index.htm").find("<p>our english footer</p>"), std::string::npos);
    EXPECT_EQ(theProject.GetActiveGroup()->GetFilePath(), site + "english.mcr");
    EXPECT_EQ(ReadBytes(site + "english.mcr"), Crlf("{:footer:0:}\nenglish footer\n"));

    languages->setCurrentIndex(languages->findText("deutsch"));
    Frame().SelectLanguage();
    EXPECT_NE(heard("data: /deutsch/index.htm").find("event: navigate\ndata: /deutsch/index.htm"),
              std::string::npos);
    EXPECT_NE(page("/deutsch/index.htm").find("<b>new</b><p>deutsch footer</p>"),
              std::string::npos);
    EXPECT_FALSE(Exists(site + "deutsch/index.htm"));
    // Closed without saving, the window's text is no longer served: the file is.
    answers = {QMessageBox::No, QMessageBox::No};
    theApp.CloseAllDocuments();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    WriteBytes(site + "deutsch/index.htm", "on disk");
    EXPECT_NE(page("/deutsch/index.htm").find("on disk"), std::string::npos);
    ::close(events);
}

// Macro > Translations: every macro in every language, missing texts marked and filtered;
// a double click on a missing one makes it (after asking) and opens it in that language;
// the PO export writes a file per language, and the import refuses unsaved macro windows.
TEST_F(WhatIsBuilt, TranslationsShowEveryMacroInEveryLanguage) {
    WriteBytes(site + "english.mcr",
               Crlf("{:footer:0:}\nenglish footer\n{:only:0:}\nline one\nline two\n"));
    WriteBytes(site + "site.mcr", Crlf("{:logo:0:}\n<img src=\"logo.png\">\n"));
    Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
    theApp.CloseAllDocuments();
    Frame().Router().Execute(cmd::Translations);
    auto* window = Frame().findChild<CTranslationsDlg*>();
    ASSERT_NE(window, nullptr);
    auto* table = window->findChild<QTableWidget*>("table");
    ASSERT_EQ(table->columnCount(), 2);
    EXPECT_EQ(table->horizontalHeaderItem(0)->text(), "english");
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->verticalHeaderItem(1)->text(), "only");
    EXPECT_EQ(table->item(1, 0)->text(), QString::fromUtf8("line one \u21b5"));
    EXPECT_EQ(table->item(1, 0)->toolTip(), "line one\nline two");
    EXPECT_EQ(table->item(1, 1)->text(), fw::LoadString(str::TranslationMissing));
    EXPECT_EQ(table->verticalHeaderItem(2)->text(),
              fw::LoadString(str::TranslationShared).arg("logo"));
    window->findChild<QCheckBox*>("missingOnly")->setChecked(true);
    EXPECT_TRUE(table->isRowHidden(0));
    EXPECT_FALSE(table->isRowHidden(1));

    answers = {QMessageBox::Yes};
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QPoint cell = table->visualItemRect(table->item(1, 1)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
    ASSERT_NE(Frame().ActiveDocument(), nullptr);
    EXPECT_EQ(Frame().ActiveDocument()->metaObject()->className(), QByteArray("ClsMacroDoc"));
    EXPECT_EQ(QByteArray(theProject.GetActiveLanguageName()), "deutsch");
    EXPECT_NE(ReadBytes(site + "deutsch.mcr").find("{:only:"), std::string::npos);
    EXPECT_TRUE(table->isRowHidden(1)) << "no longer missing";

    fileAnswers = {{QString::fromStdString(site + "po")}};
    window->findChild<QPushButton*>("exportButton")->click();
    EXPECT_TRUE(Exists(site + "po/english.po"));
    EXPECT_TRUE(Exists(site + "po/deutsch.po"));
    View()->InsertText("unsaved", true);
    messages.clear();
    window->findChild<QPushButton*>("importButton")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("only")) << messages[0].text.toStdString();
    EXPECT_TRUE(fileAnswers.empty());
}

} // namespace
