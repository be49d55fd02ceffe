// The project dialogs driven through their widgets, checked against the project file:
// Organize languages, Organize templates and New Document.
#include "editor_fixture.h"
#include "ids.h"
#include "widget_helpers.h"

#include "new_document_dialog.h"
#include "organize_languages_dialog.h"
#include "organize_templates_dialog.h"

#include <brevic/ls_profile.h>
#include <brevic/ls_project.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <filesystem>

using testutil::Crlf;
using testutil::Exists;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

using widgets::Child;
using widgets::DoubleClick;
using widgets::Items;

class ProjectDialogs : public EditorTest {
protected:
    // Writes site.hpr in a folder of the scratch directory with the given lines behind
    // "[Groups]" and opens it.
    void OpenProject(const std::string& groups, const std::string& sources = {}) {
        dir = scratch / "site/";
        projectFile = dir + "site.hpr";
        WriteBytes(projectFile,
                   Crlf("[Groups]\n" + groups + (sources.empty() ? "" : "[Sources]\n" + sources)));
        ASSERT_EQ(project.InitProject(projectFile.c_str()), LS_OK);
    }
    std::string Ini(const char* section, const char* key) const {
        std::string v;
        brevic::ReadProfileValue(section, key, v, projectFile.c_str());
        return v;
    }
    QString Path(const std::string& p) const { return QString::fromStdString(p); }

    std::string dir;
    std::string projectFile;
    tLS_project project;
};

const char kFourLanguages[] =
    "GroupNumber=5\nGroup0=site.mcr\nGroup1=english.mcr\nGroup2=deutsch.mcr\n"
    "Group3=francais.mcr\nGroup4=italiano.mcr\n";

TEST_F(ProjectDialogs, LanguagesWithoutLanguagesOrWithoutProject) {
    OpenProject("GroupNumber=1\nGroup0=site.mcr\n");
    {
        COrganizeLanguagesDlg dialog(nullptr, &project);
        EXPECT_EQ(Child<QListWidget>(dialog, "languageList")->count(), 0)
            << "group 0 is never listed";
        Child<QPushButton>(dialog, "deleteButton")->click();
        EXPECT_EQ(Ini("Groups", "GroupNumber"), "1");
        EXPECT_TRUE(messages.empty());
    }
    // A closed project's file is left alone.
    const std::string before = ReadBytes(projectFile);
    project.InitProject(nullptr);
    for (tLS_project* p : {&project, static_cast<tLS_project*>(nullptr)}) {
        messages.clear();
        COrganizeLanguagesDlg dialog(nullptr, p);
        EXPECT_EQ(Child<QListWidget>(dialog, "languageList")->count(), 0);
        QTest::keyClicks(Child<QLineEdit>(dialog, "nameEdit"), "english");
        Child<QPushButton>(dialog, "newButton")->click();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].stringId, str::NoProject);
    }
    EXPECT_EQ(ReadBytes(projectFile), before);
    EXPECT_FALSE(Exists(dir + "english.mcr"));
}

TEST_F(ProjectDialogs, DeletingALanguageMovesTheLastIntoItsPlace) {
    OpenProject(kFourLanguages);
    COrganizeLanguagesDlg dialog(nullptr, &project);
    QListWidget* list = Child<QListWidget>(dialog, "languageList");
    QPushButton* deleteButton = Child<QPushButton>(dialog, "deleteButton");
    ASSERT_EQ(Items(list), (QStringList{"english", "deutsch", "francais", "italiano"}));
    EXPECT_EQ(list->currentRow(), 0);

    list->setCurrentRow(2);
    deleteButton->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::LanguageDeletedAtNextStart);
    EXPECT_EQ(messages[0].kind, fw::MessageKind::Error);
    EXPECT_EQ(Ini("Groups", "GroupNumber"), "4");
    EXPECT_EQ(Ini("Groups", "Group3"), "italiano.mcr") << "DeleteGroup(3): the last group moved in";
    EXPECT_EQ(Items(list), (QStringList{"english", "deutsch", "italiano"}));
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(project.GetLoadedGroupCount(), 5) << "loaded groups stay until the next start";

    list->setCurrentRow(0);
    deleteButton->click();
    EXPECT_EQ(Items(list), (QStringList{"italiano", "deutsch"}));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(Ini("Groups", "Group0"), "site.mcr") << "the basis group is never touched";
    EXPECT_TRUE(Exists(dir + "francais.mcr")) << "no macro file is deleted";
}

TEST_F(ProjectDialogs, NewLanguage) {
    OpenProject("GroupNumber=2\nGroup0=site.mcr\nGroup1=english.mcr\n");
    COrganizeLanguagesDlg dialog(nullptr, &project);
    dialog.show();
    QListWidget* list = Child<QListWidget>(dialog, "languageList");
    QLineEdit* edit = Child<QLineEdit>(dialog, "nameEdit");
    QPushButton* newButton = Child<QPushButton>(dialog, "newButton");

    // The live check: the language set and 32 characters.
    QTest::keyClicks(edit, "de/ut:sch*");
    EXPECT_EQ(edit->text(), "deutsch");
    QTest::keyClick(edit, Qt::Key_Return); // New is the default button
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Items(list), (QStringList{"english", "deutsch"}));
    EXPECT_EQ(list->currentItem()->text(), "deutsch");
    EXPECT_EQ(Ini("Groups", "Group2"), "deutsch.mcr");
    EXPECT_EQ(Ini("Groups", "GroupNumber"), "3");
    EXPECT_TRUE(Exists(dir + "deutsch.mcr"));
    EXPECT_EQ(project.GetLoadedGroupCount(), 3);
    EXPECT_TRUE(edit->text().isEmpty()) << "the name field is ready for the next name";

    edit->setText("deutsch");
    newButton->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::LanguageExists);

    edit->clear();
    QTest::keyClicks(edit, QString(40, 'l'));
    EXPECT_EQ(edit->text().size(), 32);

    // Blanks around a name would be lost by the project file, not by the macro file.
    edit->setText("  espanol ");
    newButton->click();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(Ini("Groups", "Group3"), "espanol.mcr");
    EXPECT_TRUE(Exists(dir + "espanol.mcr"));

    // A macro file that does not load: 132, and the project can still be opened.
    const std::string damaged = Crlf("text before any header\n{:x:1:}\n");
    WriteBytes(dir + "broken.mcr", damaged);
    edit->setText("broken");
    newButton->click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].stringId, str::ProjectInitError);
    EXPECT_EQ(Ini("Groups", "GroupNumber"), "4");
    EXPECT_EQ(ReadBytes(dir + "broken.mcr"), damaged);
    EXPECT_EQ(Items(list), (QStringList{"english", "deutsch", "espanol"}));
    tLS_project reopened;
    EXPECT_EQ(reopened.InitProject(projectFile.c_str()), LS_OK);

    // An empty name is a failure of the project, reported as such; so is "..", which the
    // project file could not give back: refused before anything is written.
    edit->clear();
    newButton->click();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[2].stringId, str::ProjectInitError);
    EXPECT_EQ(Ini("Groups", "GroupNumber"), "4");
    const std::string before = ReadBytes(projectFile);
    edit->setText("..");
    newButton->click();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[3].stringId, str::ProjectInitError);
    EXPECT_EQ(ReadBytes(projectFile), before);
    EXPECT_FALSE(Exists(dir + "...mcr"));
    EXPECT_EQ(reopened.InitProject(projectFile.c_str()), LS_OK);
}

TEST_F(ProjectDialogs, AddingSeveralTemplatesAtOnce) {
    OpenProject("GroupNumber=1\nGroup0=site.mcr\n", "SourceNumber=1\nSource0=tpl\\a.tpl\n");
    COrganizeTemplatesDlg dialog(nullptr, &project);
    QListWidget* list = Child<QListWidget>(dialog, "templateList");
    ASSERT_EQ(Items(list), (QStringList{Path(dir + "tpl/a.tpl")}));

    fileAnswers = {
        {Path(dir + "tpl/b.tpl"), Path(dir + "tpl/a.tpl"), Path(scratch / "other/c.tpl")}};
    Child<QPushButton>(dialog, "addButton")->click();
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_TRUE(fileDialogs[0].multiple);
    EXPECT_FALSE(fileDialogs[0].save);
    EXPECT_EQ(fileDialogs[0].caption, "Add Files (Multiple selections possible)");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "The HTML template is already registered in the project.\n" +
                                    Path(dir + "tpl/a.tpl"));
    EXPECT_EQ(messages[0].kind, fw::MessageKind::Error);
    EXPECT_EQ(Ini("Sources", "SourceNumber"), "3");
    EXPECT_EQ(Ini("Sources", "Source1"), "tpl\\b.tpl");
    EXPECT_EQ(Ini("Sources", "Source2"), "..\\other\\c.tpl");
    EXPECT_EQ(Items(list), (QStringList{Path(dir + "tpl/a.tpl"), Path(dir + "tpl/b.tpl"),
                                        Path(dir + "../other/c.tpl")}));

    // Cancelling the file dialog adds nothing.
    Child<QPushButton>(dialog, "addButton")->click();
    EXPECT_EQ(Ini("Sources", "SourceNumber"), "3");

    // Remove the first: the last template takes its place.
    list->setCurrentRow(0);
    Child<QPushButton>(dialog, "removeButton")->click();
    EXPECT_EQ(Ini("Sources", "SourceNumber"), "2");
    EXPECT_EQ(Items(list), (QStringList{Path(dir + "../other/c.tpl"), Path(dir + "tpl/b.tpl")}));
    EXPECT_EQ(messages.size(), 1u);

    modalAnswer = [](QDialog& d) {
        auto* l = d.findChild<QListWidget*>("templateList");
        l->setCurrentRow(1);
        d.findChild<QPushButton*>("openButton")->click();
        return d.result();
    };
    EXPECT_EQ(dialog.Run(), 1);
    EXPECT_EQ(dialog.selectedPath, Path(dir + "tpl/b.tpl"));
}

TEST_F(ProjectDialogs, TemplatesWithoutProjectOrSelection) {
    OpenProject("GroupNumber=1\nGroup0=site.mcr\n", "SourceNumber=1\nSource0=a.tpl\n");
    const std::string before = ReadBytes(projectFile);
    project.InitProject(nullptr);
    COrganizeTemplatesDlg dialog(nullptr, &project);
    EXPECT_EQ(Child<QListWidget>(dialog, "templateList")->count(), 0)
        << "a closed project lists nothing";
    fileAnswers = {{Path(dir + "b.tpl")}};
    Child<QPushButton>(dialog, "addButton")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::NoProject);
    EXPECT_TRUE(fileDialogs.empty());
    EXPECT_EQ(ReadBytes(projectFile), before);

    // Open with nothing to open keeps the dialog open; Close gives 2.
    modalAnswer = [](QDialog& d) {
        d.findChild<QPushButton*>("openButton")->click();
        EXPECT_EQ(d.result(), 0) << "not closed";
        d.findChild<QPushButton*>("closeButton")->click();
        return d.result();
    };
    EXPECT_EQ(dialog.Run(), 2);
    EXPECT_EQ(dialog.selectedPath, "");
    COrganizeTemplatesDlg nothing(nullptr, nullptr);
    EXPECT_EQ(Child<QListWidget>(nothing, "templateList")->count(), 0);
    messages.clear();
    Child<QPushButton>(nothing, "openButton")->click();
    ASSERT_EQ(messages.size(), 1u) << "Open with nothing selected says why it does nothing";
    EXPECT_EQ(messages[0].stringId, str::SelectTemplateToOpen);
}

TEST_F(ProjectDialogs, RemoveTakesTheTemplateShownEvenWithUnreadableEntries) {
    // Source0 is empty and not listed: the list's first entry is Source1.
    OpenProject("GroupNumber=1\nGroup0=site.mcr\n",
                "SourceNumber=3\nSource0=\nSource1=b.tpl\nSource2=c.tpl\n");
    COrganizeTemplatesDlg dialog(nullptr, &project);
    QListWidget* list = Child<QListWidget>(dialog, "templateList");
    ASSERT_EQ(Items(list), (QStringList{Path(dir + "b.tpl"), Path(dir + "c.tpl")}));
    list->setCurrentRow(0);
    Child<QPushButton>(dialog, "removeButton")->click();
    EXPECT_EQ(Items(list), (QStringList{Path(dir + "c.tpl")}));
    EXPECT_EQ(Ini("Sources", "Source1"), "c.tpl");
    EXPECT_EQ(Ini("Sources", "SourceNumber"), "2");
}

TEST_F(ProjectDialogs, LongTemplatePathsAreListedWhole) {
    OpenProject("GroupNumber=1\nGroup0=site.mcr\n");
    // 258 characters: more than the 255 a list entry once held.
    std::string longPath = dir + std::string(100, 'd') + "/" + std::string(100, 'e') + "/";
    longPath += std::string(258 - longPath.size() - 4, 't') + ".tpl";
    ASSERT_EQ(longPath.size(), 258u);
    COrganizeTemplatesDlg dialog(nullptr, &project);
    fileAnswers = {{Path(longPath)}};
    Child<QPushButton>(dialog, "addButton")->click();
    EXPECT_TRUE(messages.empty());
    QListWidget* list = Child<QListWidget>(dialog, "templateList");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), Path(longPath));

    // A stored path that makes a full path beyond the library's path buffer is still shown
    // whole and can be opened.
    const std::string stored = std::string(120, 'f') + "\\" + std::string(120, 'g') + "\\page.tpl";
    WritePrivateProfileString("Sources", "Source1", stored.c_str(), projectFile.c_str());
    WritePrivateProfileString("Sources", "SourceNumber", "2", projectFile.c_str());
    COrganizeTemplatesDlg again(nullptr, &project);
    QListWidget* list2 = Child<QListWidget>(again, "templateList");
    const QString expected =
        Path(dir + std::string(120, 'f') + "/" + std::string(120, 'g') + "/page.tpl");
    ASSERT_EQ(Items(list2), (QStringList{Path(longPath), expected}));
    modalAnswer = [](QDialog& d) {
        d.findChild<QListWidget*>("templateList")->setCurrentRow(1);
        QTest::keyClick(d.findChild<QListWidget*>("templateList"), Qt::Key_Return);
        return d.result();
    };
    again.show();
    EXPECT_EQ(again.Run(), 1);
    EXPECT_EQ(again.selectedPath, expected);
}

TEST_F(ProjectDialogs, NewDocumentListsTheStartPages) {
    const std::string folder = scratch / "new-htm/";
    WriteBytes(folder + "news.htm", "<p>news</p>");
    WriteBytes(folder + "default.htm", "<p>default</p>");
    WriteBytes(folder + "notes.txt", "x");
    WriteBytes(folder + "page.html", "x");
    WriteBytes(folder + "UPPER.HTM", "x");
    std::filesystem::create_directories(folder + "folder.htm");
    {
        CNewDocumentDlg dialog(nullptr, Path(folder));
        modalAnswer = [](QDialog& d) {
            auto* list = d.findChild<QListWidget*>("choiceList");
            EXPECT_EQ(Items(list), (QStringList{"Empty Page", "default", "news"}));
            EXPECT_EQ(list->currentRow(), 0);
            list->setCurrentRow(2);
            d.findChild<QPushButton*>("okButton")->click();
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 1);
        EXPECT_EQ(dialog.selectedName, "news");
    }
    {
        CNewDocumentDlg dialog(nullptr, Path(folder));
        modalAnswer = [](QDialog& d) {
            d.findChild<QPushButton*>("okButton")->click();
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 1);
        EXPECT_EQ(dialog.selectedName, "") << "Empty Page";
    }
    {
        CNewDocumentDlg dialog(nullptr, Path(folder));
        modalAnswer = [](QDialog& d) {
            auto* list = d.findChild<QListWidget*>("choiceList");
            list->setCurrentRow(1);
            QTest::keyClick(list, Qt::Key_Escape);
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 2);
        EXPECT_EQ(dialog.selectedName, "") << "Escape: the document starts empty";
    }
    {
        CNewDocumentDlg dialog(nullptr, Path(folder));
        modalAnswer = [](QDialog& d) {
            auto* list = d.findChild<QListWidget*>("choiceList");
            DoubleClick(list, 1);
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 1);
        EXPECT_EQ(dialog.selectedName, "default");
    }
    CNewDocumentDlg missing(nullptr, Path(scratch / "nowhere"));
    EXPECT_EQ(Items(Child<QListWidget>(missing, "choiceList")), (QStringList{"Empty Page"}));
}

} // namespace
