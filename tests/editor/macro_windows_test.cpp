// Macro windows and the whole authoring workflow, driven through the main window.
#include "editor_fixture.h"
#include "ids.h"

#include "doc_template.h"
#include "html_document.h"
#include "ls_main_view.h"
#include "macro_document.h"

#include <brevic/ls_macrobase.h>
#include <brevic/ls_profile.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>

using testutil::Crlf;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

class MacroWindows : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        site = scratch / "site/";
        WriteBytes(site + "site.hpr",
                   Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                        "Group2=deutsch.mcr\n[Sources]\nSourceNumber=1\nSource0=index.tpl\n"));
        WriteBytes(site + "site.mcr", Crlf("{:Head:0:}\n<h1>head</h1>\n"));
        WriteBytes(site + "english.mcr", Crlf("{:footer:0:}\nenglish footer\n"));
        WriteBytes(site + "deutsch.mcr", Crlf("{:footer:0:}\ndeutsch footer\n"));
        WriteBytes(site + "index.tpl", Crlf("<p>{#footer}</p>\n"));
        WritePrivateProfileString("EDITOR", "Autotagging", "0", settingsFile.c_str());
        ASSERT_TRUE(Start());
        Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
        ASSERT_TRUE(theProject.IsProject());
        theApp.CloseAllDocuments();
    }
    void SelectLanguage(const QString& name) {
        QComboBox* combo = Frame().LanguageCombo();
        combo->setCurrentIndex(combo->findText(name));
        Frame().SelectLanguage();
    }
    ClsMacroDoc* OpenMacro(const QString& name) {
        app::OpenMacroByName(name.toUtf8());
        return qobject_cast<ClsMacroDoc*>(Frame().ActiveDocument());
    }
    CLs_mainView* View() { return qobject_cast<CLs_mainView*>(Frame().ActiveView()); }
    std::string Content(const char* group, const char* macro) {
        for (int i = 0; i < theProject.GetLoadedGroupCount(); ++i) {
            char name[LS_PATH_MAX];
            theProject.GetGroupName(i, name);
            if (std::string(name) != group) continue;
            theProject.SetActiveLanguageName(name);
            tLS_macrobase* base = theProject.GetActiveGroup();
            int index = -1;
            std::string* content = nullptr;
            if (base->GetMacroIndex(index, macro, 1) != LS_OK ||
                base->GetMacroContent(index, content) != LS_OK)
                return "<missing>";
            return *content;
        }
        return "<no group>";
    }

    std::string site;
};

TEST_F(MacroWindows, SwitchingToALanguageThatHasTheMacro) {
    SelectLanguage("english");
    ClsMacroDoc* doc = OpenMacro("footer");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->Title(), "{#footer} : english");
    EXPECT_EQ(View()->GetText(), "english footer");
    View()->InsertText("edited english", false);
    SelectLanguage("deutsch");
    EXPECT_EQ(doc->Title(), "{#footer} : deutsch");
    EXPECT_EQ(View()->GetText(), "deutsch footer");
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(Content("english", "footer"), "edited english") << "the edits stay with english";
}

TEST_F(MacroWindows, SwitchingToALanguageWithoutTheMacro) {
    WriteBytes(site + "deutsch.mcr", "");
    Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
    theApp.CloseAllDocuments();
    SelectLanguage("english");
    ClsMacroDoc* doc = OpenMacro("footer");
    ASSERT_NE(doc, nullptr);
    answers = {QMessageBox::No};
    SelectLanguage("deutsch");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().stringId, str::AskCopyMacroContent);
    EXPECT_EQ(View()->GetText(), "") << "No empties the window";
    EXPECT_EQ(doc->Title(), "{#footer} : deutsch");

    // Yes keeps the previous text, which becomes the new macro's text.
    theApp.CloseAllDocuments();
    theProject.InitProject(nullptr); // saves the footer made above; start without it again
    WriteBytes(site + "deutsch.mcr", "");
    Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
    theApp.CloseAllDocuments();
    SelectLanguage("english");
    doc = OpenMacro("footer");
    answers = {QMessageBox::Yes};
    SelectLanguage("deutsch");
    EXPECT_EQ(View()->GetText(), "english footer");
    theApp.StoreMacroDocuments();
    EXPECT_EQ(Content("deutsch", "footer"), "english footer");
}

TEST_F(MacroWindows, ABasisGroupMacroStaysWhenTheLanguageChanges) {
    SelectLanguage("Neutral");
    ClsMacroDoc* doc = OpenMacro("Head");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->Title(), "{#Head} : Neutral");
    SelectLanguage("english");
    EXPECT_EQ(doc->Title(), "{#Head} : Neutral");
    EXPECT_EQ(View()->GetText(), "<h1>head</h1>");
}

TEST_F(MacroWindows, ABuildUsesUnsavedMacroEdits) {
    SelectLanguage("english");
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "index.tpl")), nullptr);
    fw::Document* page = Frame().ActiveDocument();
    ASSERT_NE(OpenMacro("footer"), nullptr);
    View()->InsertText("fresh words", false);
    qobject_cast<CLs_mainDoc*>(page)->BuildFile();
    EXPECT_EQ(ReadBytes(site + "english/index.htm"), Crlf("<p>fresh words</p>\n"));
}

// A macro window saves like a document: Ctrl+S and a close answered Yes write the macro
// file at once; No drops the window's edits, Cancel keeps the window; Exit answered No
// leaves the file as it was.
TEST_F(MacroWindows, AMacroWindowSavesAndClosesLikeADocument) {
    SelectLanguage("english");
    ASSERT_NE(OpenMacro("footer"), nullptr);
    View()->SetSel(0, 0);
    View()->InsertText("saved ", true);
    QTest::keyClick(View(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_NE(ReadBytes(site + "english.mcr").find("\r\nsaved english footer\r\n"),
              std::string::npos);

    const std::string before = ReadBytes(site + "english.mcr");
    View()->SetSel(0, 0);
    View()->InsertText("kept ", true);
    messages.clear();
    answers = {QMessageBox::Cancel};
    Frame().Router().Execute(cmd::FileClose);
    ASSERT_EQ(messages.size(), 1u) << "closing asks";
    EXPECT_EQ(messages[0].kind, fw::MessageKind::SaveChanges);
    EXPECT_EQ(Frame().MdiArea()->subWindowList().size(), 1) << "Cancel keeps the window";
    answers = {QMessageBox::Yes};
    Frame().Router().Execute(cmd::FileClose);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Frame().MdiArea()->subWindowList().size(), 0);
    EXPECT_NE(ReadBytes(site + "english.mcr").find("\r\nkept saved english footer\r\n"),
              std::string::npos)
        << "Yes writes the file at once";

    const std::string kept = ReadBytes(site + "english.mcr");
    ASSERT_NE(OpenMacro("footer"), nullptr);
    View()->SetSel(0, 0);
    View()->InsertText("dropped ", true);
    answers = {QMessageBox::No};
    Frame().Router().Execute(cmd::FileClose);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Content("english", "footer"), "kept saved english footer") << "No drops the edits";

    ASSERT_NE(OpenMacro("footer"), nullptr);
    View()->SetSel(0, 0);
    View()->InsertText("at exit ", true);
    answers = {QMessageBox::No};
    Frame().close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    theApp.ExitInstance();
    EXPECT_EQ(ReadBytes(site + "english.mcr"), kept) << "Exit answered No leaves the file";
    EXPECT_NE(before, kept);
}

TEST_F(MacroWindows, ATextTheMacroFileCannotHoldStaysInTheWindow) {
    SelectLanguage("english");
    ClsMacroDoc* doc = OpenMacro("footer");
    ASSERT_NE(doc, nullptr);
    View()->InsertText("line\n{:looks like a header", false);
    messages.clear();
    EXPECT_FALSE(doc->StoreBack());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("{:"));
    EXPECT_TRUE(doc->IsModified());
    Frame().Router().Execute(cmd::FileClose);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Frame().MdiArea()->subWindowList().size(), 1) << "the window stays open";
    EXPECT_EQ(Content("english", "footer"), "english footer");
}

TEST_F(MacroWindows, ALanguageThatCannotTakeTheMacroKeepsTheWindow) {
    std::string full;
    for (int i = 0; i < LS_MAX_MACROS; ++i)
        full += "{:m" + std::to_string(i) + ":0:}\nx\n";
    WriteBytes(site + "deutsch.mcr", Crlf(full));
    Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
    theApp.CloseAllDocuments();
    SelectLanguage("english");
    ClsMacroDoc* doc = OpenMacro("footer");
    ASSERT_NE(doc, nullptr);
    messages.clear();
    SelectLanguage("deutsch");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::MacroNotCreated) << "no question follows";
    EXPECT_EQ(doc->Title(), "{#footer} : english");
    EXPECT_EQ(View()->GetText(), "english footer");
}

// A macro's text goes from the macro file through its window and back unchanged, however
// its lines end and whatever it holds, in both encodings.
TEST_F(MacroWindows, AMacroTextRoundTripsThroughItsWindowAndFile) {
    const std::string files[] = {
        "{:footer:0:}\r\na\xC2\xA0"
        "b\tc\r\nlone\rcr\r\r\nls\xE2\x80\xA8"
        "end\r\n{:second:0:}\r\nx\r\n",
        "{:footer:0:}\r\na\xA0"
        "b\tc\xE9\r\nlone\rcr\r\r\n\x81\x9D\r\n",
    };
    for (const std::string& bytes : files) {
        WriteBytes(site + "english.mcr", bytes);
        Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
        SelectLanguage("english");
        ClsMacroDoc* doc = OpenMacro("footer");
        ASSERT_NE(doc, nullptr);
        View()->setFocus();
        QTest::keyClick(View(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(View(), "x");
        QTest::keyClick(View(), Qt::Key_Backspace);
        ASSERT_TRUE(doc->IsModified());
        QTest::keyClick(View(), Qt::Key_S, Qt::ControlModifier);
        // Only the macro's time of change is new.
        std::string written = ReadBytes(site + "english.mcr");
        const size_t time = written.find(':', 3) + 1;
        written.replace(time, written.find(':', time) - time, "0");
        EXPECT_EQ(written, bytes);
        theApp.CloseAllDocuments();
    }
}

TEST_F(MacroWindows, NewMacroAndOrganizeMacrosOpenWindows) {
    SelectLanguage("english");
    modalAnswer = [](QDialog& d) {
        d.findChild<QLineEdit*>("nameEdit")->setText("news");
        return 1;
    };
    Frame().Router().Execute(cmd::NewMacroTool);
    auto* doc = qobject_cast<ClsMacroDoc*>(Frame().ActiveDocument());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->Title(), "{#news} : english");
    EXPECT_FALSE(doc->IsModified()) << "a macro made is in its file";
    EXPECT_NE(ReadBytes(site + "english.mcr").find("\r\n{:news:"), std::string::npos);
    modalAnswer = [](QDialog& d) {
        auto* list = d.findChild<QListWidget*>();
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->text() == "footer") list->setCurrentRow(i);
        }
        return 1;
    };
    Frame().Router().Execute(cmd::OrganizeMacrosTool);
    doc = qobject_cast<ClsMacroDoc*>(Frame().ActiveDocument());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->MacroName(), "footer");

    // Without a project: message 136 and no window.
    theApp.CloseAllDocuments();
    theProject.InitProject(nullptr);
    messages.clear();
    Frame().Router().Execute(cmd::NewMacroTool);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::NoProject);
}

// New project, two languages, a template added and opened, a macro made from selected
// text, the language switched, and Build File writes that language's page.
TEST_F(EditorTest, TheWholeWorkflow) {
    WritePrivateProfileString("EDITOR", "Autotagging", "0", settingsFile.c_str());
    ASSERT_TRUE(Start());
    const std::string dir = scratch / "web/";
    std::filesystem::create_directories(dir);
    WriteBytes(dir + "home.tpl", "<p>Welcome to our shop</p>\n");

    fileAnswers = {{QString::fromStdString(dir + "shop.hpr")}};
    Frame().Router().Execute(cmd::NewProject);
    ASSERT_TRUE(theProject.IsProject());

    modalAnswer = [](QDialog& d) {
        auto* edit = d.findChild<QLineEdit*>("nameEdit");
        auto* add = d.findChild<QPushButton*>("newButton");
        for (const char* name : {"english", "deutsch"}) {
            edit->setText(name);
            add->click();
        }
        return 2;
    };
    Frame().Router().Execute(cmd::OrganizeLanguages);
    EXPECT_EQ(Frame().LanguageCombo()->count(), 3);

    fileAnswers = {{QString::fromStdString(dir + "home.tpl")}};
    modalAnswer = [](QDialog& d) {
        d.findChild<QPushButton*>("addButton")->click();
        d.findChild<QListWidget*>("templateList")->setCurrentRow(0);
        return 1;
    };
    Frame().Router().Execute(cmd::OrganizeTemplates);
    auto* page = qobject_cast<CLs_mainDoc*>(Frame().ActiveDocument());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->PathName().toStdString(), dir + "home.tpl");

    // The greeting becomes a macro of the basis group, shared by every language.
    QComboBox* combo = Frame().LanguageCombo();
    combo->setCurrentIndex(combo->findText("Neutral"));
    Frame().SelectLanguage();
    auto* view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
    view->SetSel(3, 22);
    ASSERT_EQ(view->GetSelText(), "Welcome to our shop");
    modalAnswer = [](QDialog& d) {
        d.findChild<QLineEdit*>("nameEdit")->setText("greeting");
        return 1;
    };
    Frame().Router().Execute(cmd::MacroFromTextTool);
    EXPECT_EQ(view->GetText(), "<p>{#greeting}</p>\n");

    combo->setCurrentIndex(combo->findText("english"));
    Frame().SelectLanguage();
    Frame().Router().Execute(cmd::BuildFileTool);
    EXPECT_EQ(ReadBytes(dir + "english/home.htm"), Crlf("<p>Welcome to our shop</p>\n"));
}

} // namespace
