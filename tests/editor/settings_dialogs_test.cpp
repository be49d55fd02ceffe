// The settings dialogs of the Options menu, opened through their commands and driven
// through their widgets: what reaches the settings file on every way of closing, the
// browser that F4 asks for, a settings file that cannot be written, and the autotag table.
#include "editor_fixture.h"
#include "widget_helpers.h"

#include "app_context.h"
#include "autotags_dialog.h"
#include "external_program.h"
#include "ids.h"
#include "ls_main_view.h"

#include <brevic/ls_compiler.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_profile.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>
#include <memory>

using testutil::Crlf;
using testutil::ReadBytes;
using testutil::WriteBytes;
using widgets::Child;
using widgets::Items;

namespace {

// Shows a dialog as RunModal would, active and with the keyboard in it.
void Show(QDialog& d) {
    d.show();
    d.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
}

// Escape where the keyboard is, as the user closes a dialog.
int PressEscape(QDialog& d) {
    Show(d);
    QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    return d.result();
}

// A program the tests may choose as browser.
std::string MakeProgram(const std::string& path) {
    WriteBytes(path, "#!/bin/sh\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

class SettingsDialogs : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        fw::SetStartHook([this](const QString& program, const QStringList& args) {
            started.emplace_back(program, args);
            return true;
        });
    }
    void TearDown() override {
        fw::SetStartHook({});
        EditorTest::TearDown();
        fw::ProfileFile::ForgetReportedFailure();
    }
    std::string Ini(const char* section, const char* key) const {
        std::string v;
        brevic::ReadProfileValue(section, key, v, settingsFile.c_str());
        return v;
    }
    // The bytes of one section of the settings file, from its header to the next one.
    std::string Section(const std::string& name) const {
        const std::string text = ReadBytes(settingsFile);
        const size_t from = text.find("[" + name + "]");
        if (from == std::string::npos) return {};
        const size_t to = text.find("\r\n[", from);
        return text.substr(from, to == std::string::npos ? std::string::npos : to + 2 - from);
    }
    void Run(int command, std::function<int(QDialog&)> answer) {
        modalAnswer = std::move(answer);
        Frame().Router().Execute(command);
        modalAnswer = {};
    }

    std::vector<std::pair<QString, QStringList>> started;
};

TEST_F(SettingsDialogs, CompilerWritesItsEightKeysOnClosingAndGreysNewlinesWhileScrambling) {
    ASSERT_TRUE(Start());
    Run(cmd::OptionsCompiler, [](QDialog& d) {
        Show(d);
        Child<QPushButton>(d, "closeButton")->click();
        return d.result();
    });
    EXPECT_EQ(Section("COMPILER"),
              Crlf("[COMPILER]\nConvertISO=1\nCaseSensitive=1\nRemoveNewLineOnTags=0\n"
                   "ScrambleCode=0\nRemoveAttr=1\nRemoveTab=1\nSyntaxCheck=1\n"
                   "ScrambleBlockSize=10\n"));

    Run(cmd::OptionsCompiler, [](QDialog& d) {
        Show(d);
        auto* newlines = Child<QCheckBox>(d, "removeNewLineCheck");
        EXPECT_TRUE(newlines->isEnabled());
        QTest::mouseClick(newlines, Qt::LeftButton);
        QTest::mouseClick(Child<QCheckBox>(d, "scrambleCheck"), Qt::LeftButton);
        EXPECT_FALSE(newlines->isEnabled()) << "greyed at once";
        EXPECT_TRUE(newlines->isChecked()) << "and keeps its state";
        auto* width = Child<QLineEdit>(d, "blockWidthEdit");
        width->selectAll();
        QTest::keyClicks(width, "x25");
        EXPECT_EQ(width->text(), "25") << "only a whole number is taken";
        return PressEscape(d);
    });
    // What the next build reads.
    const tCompilerSettings s = brevic::ReadCompilerSettings(settingsFile.c_str());
    EXPECT_EQ(s.ScrambleCode, 1);
    EXPECT_EQ(s.RemoveNewLineOnTags, 1);
    EXPECT_EQ(s.ScrambleBlockSize, 25);
    EXPECT_EQ(s.RemoveAttr, 1);

    Run(cmd::OptionsCompiler, [](QDialog& d) {
        EXPECT_FALSE(Child<QCheckBox>(d, "removeNewLineCheck")->isEnabled())
            << "greyed when opened so";
        auto* width = Child<QLineEdit>(d, "blockWidthEdit");
        width->clear(); // an empty field keeps the value
        return 0;
    });
    EXPECT_EQ(Ini("COMPILER", "ScrambleBlockSize"), "25");
}

TEST_F(SettingsDialogs, EditorWritesItsKeysOnEscapeAndTheApplicationTakesThem) {
    WriteBytes(settingsFile, Crlf("[EDITOR]\nAutotagMinSel=4\n"));
    ASSERT_TRUE(Start());
    Run(cmd::OptionsEditor, [](QDialog& d) {
        Show(d);
        auto* minSel = Child<QLineEdit>(d, "minSelEdit");
        EXPECT_EQ(minSel->text(), "4");
        QTest::mouseClick(Child<QCheckBox>(d, "autotagCheck"), Qt::LeftButton);
        minSel->selectAll();
        QTest::keyClicks(minSel, "3");
        return PressEscape(d);
    });
    EXPECT_EQ(
        Section("EDITOR"),
        Crlf("[EDITOR]\nAutotagMinSel=3\nAutotagging=0\nSyntaxColoring=1\nCaseSensitive=0\n"));
    EXPECT_EQ(theApp.editor.autotagging, 0);
    EXPECT_EQ(theApp.editor.autotagMinSel, 3);
}

TEST_F(SettingsDialogs, ABrowserIsWrittenWhenChosenAndSurvivesEscape) {
    const std::string browser = MakeProgram(scratch / "my browser");
    WriteBytes(scratch / "notes.txt", "not a program");
    const std::string bin = scratch / "bin";
    std::filesystem::create_directories(bin);
    const std::string xdgOpen = MakeProgram(bin + "/xdg-open");
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", bin.c_str(), 1);
    ASSERT_TRUE(Start());
    fileAnswers = {{QString::fromStdString(scratch / "notes.txt")},
                   {QString::fromStdString(browser)},
                   {QString::fromStdString(scratch / "preview")}};
    Run(cmd::OptionsBrowser, [&](QDialog& d) {
        Show(d);
        auto* shown = Child<QLabel>(d, "browserPathLabel");
        EXPECT_EQ(shown->text(), "- undefined -");
        EXPECT_TRUE(Child<QRadioButton>(d, "targetFileRadio")->isChecked());
        Child<QPushButton>(d, "newBrowserButton")->click();
        EXPECT_EQ(messages.empty() ? 0 : messages.back().stringId, str::NotAProgram);
        EXPECT_EQ(Ini("BROWSER", "BrowserPath"), "") << "refused";
        Child<QPushButton>(d, "newBrowserButton")->click();
        EXPECT_EQ(shown->text().toStdString(), browser);
        EXPECT_EQ(Ini("BROWSER", "BrowserPath"), browser) << "written at once";
        Child<QPushButton>(d, "newTempFileButton")->click();
        EXPECT_EQ(Child<QLabel>(d, "tempPathLabel")->text().toStdString(), scratch / "preview.tpl");
        QTest::mouseClick(Child<QRadioButton>(d, "tempFileRadio"), Qt::LeftButton);
        return PressEscape(d);
    });
    EXPECT_EQ(Ini("BROWSER", "BrowserPath"), browser);
    EXPECT_EQ(Ini("BROWSER", "TempFilePath"), scratch / "preview.tpl")
        << "the filter's extension added";
    EXPECT_EQ(Ini("BROWSER", "UseTempOrTargetPath"), "0");

    // The desktop's default browser in one click, where xdg-open is installed.
    Run(cmd::OptionsBrowser, [](QDialog& d) {
        EXPECT_TRUE(Child<QRadioButton>(d, "tempFileRadio")->isChecked());
        Child<QPushButton>(d, "desktopBrowserButton")->click();
        return 0;
    });
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(Ini("BROWSER", "BrowserPath"), xdgOpen);
}

TEST_F(SettingsDialogs, F4WithoutBrowserLeadsToTheBrowserDialogAndThenStartsTheChosenOne) {
    const std::string browser = MakeProgram(scratch / "browser");
    WritePrivateProfileString("BROWSER", "TempFilePath", (scratch / "preview.htm").c_str(),
                              settingsFile.c_str());
    ASSERT_TRUE(Start());
    auto* view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
    ASSERT_NE(view, nullptr);
    view->SetText("<p>page</p>");
    view->setFocus();
    fileAnswers = {{QString::fromStdString(browser)}};
    modalAnswer = [](QDialog& d) {
        Child<QPushButton>(d, "newBrowserButton")->click();
        return PressEscape(d);
    };
    QTest::keyClick(view, Qt::Key_F4);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::NoBrowser);
    EXPECT_EQ(dialogs, std::vector<std::string>{"CBrowserSettingsDlg"});
    EXPECT_TRUE(started.empty()) << "nothing else happens";

    modalAnswer = {};
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F4);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].first.toStdString(), browser);
    ASSERT_EQ(started[0].second.size(), 1);
    EXPECT_EQ(ReadBytes(started[0].second[0].toStdString()), Crlf("<p>page</p>"));
}

TEST_F(SettingsDialogs, ASettingsFileThatCannotBeWrittenIsToldOncePerRun) {
    // A folder where the file should be: every write fails, as in a read-only folder.
    std::filesystem::create_directories(settingsFile);
    ASSERT_TRUE(Start());
    Run(cmd::OptionsEditor, [](QDialog&) { return 0; });
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::SettingsNotWritten);
    EXPECT_NE(messages[0].text.indexOf(QString::fromStdString(settingsFile)), -1)
        << "names the file";
    Run(cmd::OptionsCompiler, [](QDialog&) { return 0; });
    Run(cmd::OptionsEditor, [](QDialog&) { return 0; });
    EXPECT_EQ(messages.size(), 1u) << "once per run";
    // A choice that could not be stored still holds until the program ends.
    EXPECT_FALSE(app::SettingsFile().WriteString("BROWSER", "BrowserPath", "/usr/bin/true"));
    EXPECT_EQ(app::SettingsFile().ReadString("browser", "browserpath"), "/usr/bin/true");
    EXPECT_EQ(messages.size(), 1u);
}

// The autotag dialog on a table of the scratch folder, saved and read back from disk.
class AutotagsDialog : public EditorTest {
protected:
    void Open(const std::string& fileText) {
        tablePath = scratch / "autochar.txt";
        if (!fileText.empty()) WriteBytes(tablePath, Crlf(fileText));
        table = std::make_unique<tLS_macrobase>(tablePath.c_str(), &tableError);
        ASSERT_EQ(tableError, LS_OK);
        dialog = std::make_unique<CAutotagsDlg>(nullptr, table.get());
        Show(*dialog);
        list = Child<QListWidget>(*dialog, "entryList");
        content = Child<QPlainTextEdit>(*dialog, "contentEdit");
        name = Child<QLineEdit>(*dialog, "nameEdit");
        kind = Child<QComboBox>(*dialog, "kindCombo");
    }
    void Type(QWidget* field, const QString& text) {
        field->setFocus();
        if (field == content) content->moveCursor(QTextCursor::End);
        QTest::keyClicks(field, text);
    }
    // Closes the dialog with Escape, saves the table and reads it back: name, text.
    std::vector<std::pair<std::string, std::string>> Saved() {
        PressEscape(*dialog);
        dialog.reset();
        table.reset();
        EXPECT_EQ(tableError, LS_OK);
        tLS_Error error = LS_OK;
        tLS_macrobase reread(tablePath.c_str(), &error);
        std::vector<std::pair<std::string, std::string>> entries;
        for (int i = 0; i <= reread.GetLastIndex(); ++i) {
            tBaseMember* m = nullptr;
            if (reread.GetMacroContent(i, m) == LS_OK) entries.emplace_back(m->name, m->content);
        }
        return entries;
    }
    QString Selected() const {
        return list->currentItem() ? list->currentItem()->text() : QString();
    }

    std::string tablePath;
    tLS_Error tableError = LS_OK; // outlives the table, which reports its save into it
    std::unique_ptr<tLS_macrobase> table;
    std::unique_ptr<CAutotagsDlg> dialog;
    QListWidget* list = nullptr;
    QPlainTextEdit* content = nullptr;
    QLineEdit* name = nullptr;
    QComboBox* kind = nullptr;
};

using Entries = std::vector<std::pair<std::string, std::string>>;

TEST_F(AutotagsDialog, EditsGoBackOnSwitchingAndAttributeEntriesHideUnderTags) {
    Open("{:<br:0:}\n<br>\n{:<b:0:}\n<b></b>\n");
    EXPECT_EQ(kind->currentText(), "TAGS");
    EXPECT_EQ(Items(list), QStringList({"<b", "<br"})) << "sorted";
    EXPECT_EQ(content->toPlainText(), "<b></b>");
    Type(content, "x");
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(content->toPlainText(), "<br>") << "the entry chosen is shown";

    kind->setCurrentIndex(kind->findText("ATTRIBUTES"));
    EXPECT_TRUE(Items(list).isEmpty());
    EXPECT_EQ(content->toPlainText(), "") << "no entry of the other kind stays shown";
    Type(name, "ALIGN");
    QTest::mouseClick(Child<QPushButton>(*dialog, "newButton"), Qt::LeftButton);
    EXPECT_EQ(Items(list), QStringList({"ALIGN"}));
    Type(content, "LEFT,RIGHT");
    QTest::keyClick(content, Qt::Key_Return);
    QTest::keyClicks(content, "{:CENTER");
    EXPECT_EQ(content->toPlainText(), "LEFT,RIGHT\n{CENTER")
        << "a line the file would take for a header is refused";
    kind->setCurrentIndex(kind->findText("TAGS"));
    EXPECT_EQ(Items(list), QStringList({"<b", "<br"})) << "ALIGN is no tag";

    EXPECT_EQ(Saved(),
              (Entries{{"<br", "<br>"}, {"<b", "<b></b>x"}, {"!ALIGN", "LEFT,RIGHT\n{CENTER"}}));
}

TEST_F(AutotagsDialog, DeleteShowsTheEntryBeforeAndNamesAreChecked) {
    Open("{:a:0:}\nA\n{:b:0:}\nB\n{:c:0:}\nC\n");
    list->setCurrentRow(2);
    QTest::mouseClick(Child<QPushButton>(*dialog, "deleteButton"), Qt::LeftButton);
    EXPECT_EQ(Items(list), QStringList({"a", "b"}));
    EXPECT_EQ(Selected(), "b");
    EXPECT_EQ(content->toPlainText(), "B");

    // Typing a name selects the first entry it begins, without regard to case.
    Type(name, "A:");
    EXPECT_EQ(name->text(), "A") << "a colon is refused";
    EXPECT_EQ(Selected(), "a");
    EXPECT_EQ(content->toPlainText(), "A");
    QTest::mouseClick(Child<QPushButton>(*dialog, "newButton"), Qt::LeftButton);
    EXPECT_EQ(Items(list), QStringList({"A", "a", "b"}));
    Type(content, "new");
    QTest::mouseClick(Child<QPushButton>(*dialog, "newButton"), Qt::LeftButton);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().stringId, str::MacroExists);
    name->clear();
    Type(name, "!x");
    QTest::mouseClick(Child<QPushButton>(*dialog, "newButton"), Qt::LeftButton);
    EXPECT_EQ(Items(list), QStringList({"A", "a", "b"}))
        << "no hidden attribute entry made under TAGS";

    // 30 characters a macro file reads back, the "!" of an attribute entry among them.
    name->clear();
    Type(name, QString(31, 'n'));
    EXPECT_EQ(name->text().size(), 30);
    kind->setCurrentIndex(kind->findText("ATTRIBUTES"));
    name->clear();
    Type(name, QString(31, 'n'));
    EXPECT_EQ(name->text().size(), 29);

    EXPECT_EQ(Saved(), (Entries{{"a", "A"}, {"b", "B"}, {"A", "new"}}));
}

TEST_F(AutotagsDialog, AnEmptyTableShowsNothingAndTypingChangesNothing) {
    Open("");
    EXPECT_TRUE(Items(list).isEmpty());
    Type(content, "text");
    QTest::mouseClick(Child<QPushButton>(*dialog, "deleteButton"), Qt::LeftButton);
    EXPECT_FALSE(table->IsModified());
    EXPECT_TRUE(Saved().empty());
    EXPECT_EQ(ReadBytes(tablePath), "");
}

TEST_F(AutotagsDialog, OptionsAutotagEditsTheTableTheViewsCompleteFrom) {
    WriteBytes(scratch / "data/larkspan/autochar.txt", Crlf("{:<b:0:}\n<b></b>\n"));
    ASSERT_TRUE(Start());
    auto* view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
    ASSERT_NE(view, nullptr);
    modalAnswer = [](QDialog& d) {
        Show(d);
        QTest::keyClicks(Child<QLineEdit>(d, "nameEdit"), "<em");
        QTest::keyClick(Child<QLineEdit>(d, "nameEdit"),
                        Qt::Key_Return); // New is the default button
        auto* text = Child<QPlainTextEdit>(d, "contentEdit");
        text->setFocus();
        QTest::keyClicks(text, "<em></em>");
        return PressEscape(d);
    };
    view->setFocus();
    view->Dispatch(cmd::OptionsAutotag);
    ASSERT_EQ(dialogs, std::vector<std::string>{"CAutotagsDlg"});
    view->SetText("");
    QTest::keyClicks(view, "<em");
    EXPECT_EQ(view->GetText(), "<em></em>") << "completed at once from the changed table";
}

} // namespace
