// Nothing the author typed is lost: project changes and exit that ask about every window and
// stop at Cancel or a failed write, macro files that keep their encoding and are written
// again after a failed save, one window per macro. Driven by keys and commands; the files on
// disk are checked byte for byte.
#include "editor_fixture.h"

#include "ids.h"
#include "ls_main_view.h"
#include "macro_document.h"
#include "string_table.h"

#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_profile.h>
#include <brevic/ls_testing.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

using testutil::Crlf;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

// An answer that says Yes and makes the next file write fail.
constexpr int kYesButTheWriteFails = -1;

class MacroSafety : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        fw::SetMessageHook([this](const fw::MessageRequest& r) {
            messages.push_back(r);
            if (answers.empty()) return static_cast<int>(QMessageBox::Ok);
            int a = answers.front();
            answers.pop_front();
            if (a != kYesButTheWriteFails) return a;
            brevic::InjectFault(brevic::FaultOp::Write, 1);
            return static_cast<int>(QMessageBox::Yes);
        });
        site = scratch / "site/";
        WriteBytes(site + "site.hpr",
                   Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                        "Group2=deutsch.mcr\n"));
        WriteBytes(site + "site.mcr", "");
        english = Crlf("{:footer:0:}\nenglish footer\n");
        WriteBytes(site + "english.mcr", english);
        WriteBytes(site + "deutsch.mcr", Crlf("{:footer:0:}\ndeutsch footer\n"));
        WriteBytes(site + "a.tpl", Crlf("<p>a</p>\n"));
        WriteBytes(site + "b.tpl", Crlf("<p>b</p>\n"));
        WriteBytes(site + "other.hpr", Crlf("[Groups]\nGroupNumber=1\nGroup0=other.mcr\n"));
        WriteBytes(site + "other.mcr", "");
        WritePrivateProfileString("EDITOR", "Autotagging", "0", settingsFile.c_str());
        ASSERT_TRUE(Start());
        Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
        ASSERT_TRUE(theProject.IsProject());
        ASSERT_TRUE(theApp.CloseAllDocuments());
        SelectLanguage("english");
    }
    void TearDown() override {
        brevic::ClearFaults();
        EditorTest::TearDown();
    }
    void SelectLanguage(const QString& name) {
        QComboBox* combo = Frame().LanguageCombo();
        combo->setCurrentIndex(combo->findText(name));
        Frame().SelectLanguage();
    }
    CLs_mainView* View() { return qobject_cast<CLs_mainView*>(Frame().ActiveView()); }
    // Types at the end of the active window's text.
    void Type(const QString& keys) {
        CLs_mainView* view = View();
        ASSERT_NE(view, nullptr);
        view->setFocus();
        view->moveCursor(QTextCursor::End);
        for (QChar c : keys) {
            // A key whose text is the character, as a keyboard layout that has it sends.
            const auto key = static_cast<Qt::Key>(c.unicode() < 0x80 ? int(c.toUpper().unicode())
                                                                     : int(Qt::Key_unknown));
            QTest::sendKeyEvent(QTest::Click, view, key, QString(c), Qt::NoModifier);
        }
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(View(), static_cast<Qt::Key>(key), modifiers);
    }
    ClsMacroDoc* OpenMacro(const QByteArray& name) {
        app::OpenMacroByName(name);
        return qobject_cast<ClsMacroDoc*>(Frame().ActiveDocument());
    }
    int Windows() {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return static_cast<int>(Frame().MdiArea()->subWindowList().size());
    }
    std::string ProjectName() {
        const char* name = theProject.IsProject() ? theProject.GetProjectName() : nullptr;
        return name ? name : "";
    }

    std::string site;
    std::string english;
};

// Open Project with two modified templates and a modified macro window: Cancel at the first
// question, then a failed write, then Yes to both.
TEST_F(MacroSafety, AProjectChangeClosesNothingUntilEverythingIsWritten) {
    for (const char* name : {"a.tpl", "b.tpl"}) {
        ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + name)), nullptr);
        Type(QStringLiteral("<i>%1</i>").arg(QLatin1String(name, 1)));
    }
    ClsMacroDoc* macro = OpenMacro("footer");
    ASSERT_NE(macro, nullptr);
    Type(" typed");
    const auto nothingChanged = [&](const char* round) {
        EXPECT_EQ(Windows(), 3) << round;
        EXPECT_EQ(ProjectName(), "site.hpr") << round;
        EXPECT_EQ(ReadBytes(site + "a.tpl"), Crlf("<p>a</p>\n")) << round;
        EXPECT_EQ(ReadBytes(site + "b.tpl"), Crlf("<p>b</p>\n")) << round;
        EXPECT_EQ(ReadBytes(site + "english.mcr"), english) << round;
        for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList())
            EXPECT_TRUE(w->isWindowModified()) << round;
        EXPECT_EQ(macro->Title(), "{#footer} : english") << round;
    };

    fileAnswers = {{QString::fromStdString(site + "other.hpr")}};
    answers = {QMessageBox::Cancel};
    Frame().Router().Execute(cmd::OpenProject);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, fw::MessageKind::SaveChanges);
    EXPECT_TRUE(messages[0].text.contains("a.tpl"));
    nothingChanged("after Cancel");

    messages.clear();
    fileAnswers = {{QString::fromStdString(site + "other.hpr")}};
    answers = {kYesButTheWriteFails};
    Frame().Router().Execute(cmd::OpenProject);
    ASSERT_EQ(messages.size(), 2u) << "b.tpl is not asked about once a save failed";
    EXPECT_TRUE(messages[1].text.contains("could not be written"));
    nothingChanged("after a failed save");

    messages.clear();
    fileAnswers = {{QString::fromStdString(site + "other.hpr")}};
    answers = {QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Yes};
    Frame().Router().Execute(cmd::OpenProject);
    EXPECT_EQ(messages.size(), 3u) << "one question per window, the macro window's too";
    EXPECT_EQ(ReadBytes(site + "a.tpl"), Crlf("<p>a</p>\n<i>a</i>"));
    EXPECT_EQ(ReadBytes(site + "b.tpl"), Crlf("<p>b</p>\n<i>b</i>"));
    EXPECT_NE(ReadBytes(site + "english.mcr").find(Crlf("\nenglish footer typed\n")),
              std::string::npos);
    EXPECT_EQ(Windows(), 0);
    EXPECT_EQ(ProjectName(), "other.hpr");
}

// A text the macro cannot take keeps the window, its text and the language list where they
// were, and says why.
TEST_F(MacroSafety, ALanguageSwitchAfterARefusedStoreBackKeepsTheWindow) {
    ClsMacroDoc* macro = OpenMacro("footer");
    ASSERT_NE(macro, nullptr);
    Type("");
    Key(Qt::Key_Return);
    View()->InsertText("{:not a header", true);
    messages.clear();
    SelectLanguage("deutsch");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].text.contains("{:")) << "why the text was refused";
    EXPECT_EQ(messages[1].stringId, str::LanguageKeptForMacro);
    EXPECT_EQ(macro->Title(), "{#footer} : english");
    EXPECT_EQ(View()->GetText(), "english footer\n{:not a header");
    EXPECT_TRUE(macro->IsModified());
    EXPECT_EQ(Frame().LanguageCombo()->currentText(), "english");
    EXPECT_STREQ(theProject.GetActiveLanguageName(), "english");
}

// Open Macro, Organize Macros and New Macro of a macro that has a window activate it.
TEST_F(MacroSafety, AMacroIsOpenedOnce) {
    WriteBytes(site + "index.tpl", Crlf("<p>{#footer}</p>\n"));
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "index.tpl")), nullptr);
    ClsMacroDoc* macro = OpenMacro("footer");
    ASSERT_NE(macro, nullptr);
    Type(" edited");

    Frame().MdiArea()->activatePreviousSubWindow();
    View()->SetSel(6, 6);
    Frame().Router().Execute(cmd::OpenMacro);
    EXPECT_EQ(Frame().ActiveDocument(), macro) << "Open Macro on the placeholder";

    Frame().MdiArea()->activatePreviousSubWindow();
    modalAnswer = [](QDialog& d) {
        auto* list = d.findChild<QListWidget*>("macroList");
        if (!list) return 0;
        list->setCurrentRow(0);
        return 1;
    };
    Frame().Router().Execute(cmd::OrganizeMacros);
    EXPECT_EQ(Frame().ActiveDocument(), macro) << "Organize Macros";

    Frame().MdiArea()->activatePreviousSubWindow();
    messages.clear();
    modalAnswer = [](QDialog& d) {
        d.findChild<QLineEdit*>("nameEdit")->setText("footer");
        return 1;
    };
    Frame().Router().Execute(cmd::NewMacro);
    EXPECT_EQ(Frame().ActiveDocument(), macro) << "New Macro";
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::MacroExists);

    EXPECT_EQ(Windows(), 2);
    EXPECT_EQ(View()->GetText(), "english footer edited") << "the edits are still there";
}

// A macro file that cannot be written stays modified: Save says so with the file's path and
// the next Save writes it; at exit the author may stay.
TEST_F(MacroSafety, AFailedMacroFileSaveIsTriedAgain) {
    ASSERT_NE(OpenMacro("footer"), nullptr);
    Type(" saved");
    messages.clear();
    brevic::InjectFault(brevic::FaultOp::Write, 1);
    Key(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(fw::LoadString(str::MacroNotSaved)));
    EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(site + "english.mcr")));
    EXPECT_EQ(ReadBytes(site + "english.mcr"), english);

    messages.clear();
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(messages.empty());
    EXPECT_NE(ReadBytes(site + "english.mcr").find(Crlf("\nenglish footer saved\n")),
              std::string::npos);

    // Exit: the failure is reported, and No keeps the editor and the text. (A folder in
    // the file's place: the new file cannot be renamed over it.)
    Type(" again");
    EXPECT_TRUE(Frame().ActiveDocument()->IsModified())
        << "an edit after a save marks the window again";
    std::filesystem::remove(site + "english.mcr");
    std::filesystem::create_directories(site + "english.mcr/in-the-way");
    // Open Project: the same report, and the project stays with its window.
    messages.clear();
    fileAnswers = {{QString::fromStdString(site + "other.hpr")}};
    answers = {QMessageBox::Yes};
    Frame().Router().Execute(cmd::OpenProject);
    ASSERT_EQ(messages.size(), 2u) << "the window's question, then the failed write";
    EXPECT_EQ(messages[0].kind, fw::MessageKind::SaveChanges);
    EXPECT_TRUE(messages[1].text.contains(QString::fromStdString(site + "english.mcr")));
    EXPECT_EQ(ProjectName(), "site.hpr");
    EXPECT_EQ(Frame().LanguageCombo()->currentText(), "english");
    EXPECT_EQ(Windows(), 1);

    messages.clear();
    answers = {QMessageBox::Ok, QMessageBox::No};
    EXPECT_FALSE(Frame().close());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(site + "english.mcr")));
    EXPECT_EQ(messages[1].stringId, str::AskExitWithoutMacroFiles);
    EXPECT_EQ(Windows(), 1);
    std::filesystem::remove_all(site + "english.mcr");
    EXPECT_TRUE(Frame().close()) << "the file can be written now";
    EXPECT_NE(ReadBytes(site + "english.mcr").find(Crlf("\nenglish footer saved again\n")),
              std::string::npos);
}

// A Windows-1252 macro file keeps its encoding, and names that are not UTF-8 keep their bytes.
TEST_F(MacroSafety, AWindows1252MacroFileStaysWindows1252) {
    // Only the second macro's name is not ASCII: the file as a whole decides.
    WriteBytes(site + "english.mcr", Crlf("{:footer:0:}\ncafe\n{:gr\xFC\xDF:0:}\nhallo\n"));
    Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
    SelectLanguage("english");
    ClsMacroDoc* footer = OpenMacro("footer");
    ASSERT_NE(footer, nullptr);
    EXPECT_EQ(View()->GetText(), "cafe");
    Type(QString::fromUtf8(" \xC3\xA9t\xC3\xA9"));
    Key(Qt::Key_S, Qt::ControlModifier);
    std::string bytes = ReadBytes(site + "english.mcr");
    EXPECT_NE(bytes.find("\r\ncafe \xE9t\xE9\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find('\xC3'), std::string::npos) << "no UTF-8 bytes";

    // A character Windows-1252 lacks is refused, not written as "?".
    Type("");
    View()->InsertText(QString::fromUtf8(" \xE2\x86\x92"), true);
    messages.clear();
    Key(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::MacroCharsNotStorable);
    EXPECT_TRUE(footer->IsModified());
    EXPECT_EQ(ReadBytes(site + "english.mcr"), bytes);

    // Organize Macros shows the name decoded and opens it by its bytes.
    QStringList listed;
    modalAnswer = [&listed](QDialog& d) {
        auto* list = d.findChild<QListWidget*>("macroList");
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text();
        list->setCurrentRow(
            static_cast<int>(listed.indexOf(QString::fromUtf8("gr\xC3\xBC\xC3\x9F"))));
        return 1;
    };
    Frame().Router().Execute(cmd::OrganizeMacros);
    EXPECT_EQ(listed, QStringList({"footer", QString::fromUtf8("gr\xC3\xBC\xC3\x9F")}));
    auto* named = qobject_cast<ClsMacroDoc*>(Frame().ActiveDocument());
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->MacroName(), QByteArray("gr\xFC\xDF"));
    EXPECT_EQ(named->Title(), QString::fromUtf8("{#gr\xC3\xBC\xC3\x9F} : english"));
    EXPECT_EQ(View()->GetText(), "hallo");
}

} // namespace
