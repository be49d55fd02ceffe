// The tag commands, driven by their keys in a focused view: the tag around the caret,
// wrapping the selection, and the inserted values.
#include "editor_fixture.h"

#include "character_table_dialog.h"
#include "ids.h"
#include "ls_main_view.h"
#include "popup_menu.h"

#include "widget_helpers.h"
#include <brevic/ls_macrobase.h>

#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTableWidget>
#include <QTest>

using testutil::Crlf;
using testutil::WriteBytes;

namespace {

class TagCommands : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        ASSERT_TRUE(Start());
        view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
        ASSERT_NE(view, nullptr);
        view->setFocus();
        // Hints are answered by the modal hook (and counted in `dialogs`).
        modalAnswer = [](QDialog&) { return static_cast<int>(QDialog::Accepted); };
    }
    void TearDown() override {
        fw::SetPopupHook({});
        EditorTest::TearDown();
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(view, key, modifiers);
    }
    std::pair<int, int> Sel() {
        int s = 0, e = 0;
        view->GetSel(s, e);
        return {s, e};
    }
    size_t Hints() {
        return static_cast<size_t>(std::count(dialogs.begin(), dialogs.end(), "CHintDlg"));
    }

    CLs_mainView* view = nullptr;
    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
};

TEST_F(TagCommands, DeleteHtmlTagTakesTheTagAroundTheCaretOnly) {
    const QString text = "<p>x</p><br>y";
    struct Case {
        int caret;
        const char* after;
    } cases[] = {
        {1, "x</p><br>y"},     // just after "<"
        {6, "<p>x<br>y"},      // in the name of "</p>"
        {3, "<p>x</p><br>y"},  // just after ">": outside
        {8, "<p>x</p><br>y"},  // between two tags
        {13, "<p>x</p><br>y"}, // after the last tag
    };
    for (const Case& c : cases) {
        view->SetText(text);
        view->SetSel(c.caret, c.caret);
        Key(Qt::Key_Delete, Qt::ShiftModifier);
        EXPECT_EQ(view->GetText(), c.after) << "caret at " << c.caret;
    }
    view->SetText("<p>x</p>");
    view->SetSel(0, 0);
    QTest::keyClicks(view, "a");
    view->SetSel(7, 7);
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(view->GetText(), "a<p>x");
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->GetText(), "a<p>x</p>") << "the deletion is one step";
    EXPECT_EQ(view->ColorAt(7), view->ColorAt(2)) << "the tag brought back is coloured as a tag";
}

TEST_F(TagCommands, CutAndCopyHtmlTagUseTheClipboard) {
    view->SetText("a<IMG SRC=\"x.gif\">b");
    view->SetSel(5, 5);
    Key(Qt::Key_H, ctrlAlt);
    EXPECT_EQ(QApplication::clipboard()->text(), "<IMG SRC=\"x.gif\">");
    EXPECT_EQ(view->GetSelText(), "<IMG SRC=\"x.gif\">") << "copied and still selected";
    view->SetSel(18, 18);
    Key(Qt::Key_X, ctrlAlt);
    EXPECT_EQ(view->GetText(), "a<IMG SRC=\"x.gif\">b") << "no tag around the caret: nothing";
    view->SetSel(17, 17);
    Key(Qt::Key_X, ctrlAlt);
    EXPECT_EQ(view->GetText(), "ab");
    EXPECT_EQ(QApplication::clipboard()->text(), "<IMG SRC=\"x.gif\">");
}

TEST_F(TagCommands, WrapsPutTheSelectionBetweenThePairAndKeepItSelected) {
    view->SetText("one two");
    view->SetSel(4, 7);
    Key(Qt::Key_B, ctrlAlt);
    EXPECT_EQ(view->GetText(), "one <B class=\"\" STYLE=\"\">two</B>");
    EXPECT_EQ(view->GetSelText(), "two");
    EXPECT_EQ(Hints(), 1u) << "the hint about unused attributes follows";
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->GetText(), "one two") << "one undo step";

    view->SetSel(3, 3);
    Key(Qt::Key_B, ctrlAlt);
    EXPECT_EQ(view->GetText(), "one<B class=\"\" STYLE=\"\"></B> two");
    EXPECT_EQ(Sel(), std::make_pair(24, 24)) << "the caret between the tags";

    view->SetText("one two");
    view->SetSel(4, 7);
    Key(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(view->GetText(), "one &nbsp;two");
    EXPECT_EQ(view->GetSelText(), "two");
    Key(Qt::Key_A, ctrlAlt);
    EXPECT_EQ(view->GetText(), "one &nbsp;<FONT SIZE=\"\" FACE=\"\" COLOR=\"\">two</FONT>");
    EXPECT_EQ(view->GetSelText(), "two");
    EXPECT_EQ(Hints(), 3u) << "Bold twice and Font; No break space shows none";

    // The others through their menu commands.
    const std::pair<int, const char*> others[] = {
        {cmd::StrikeOut, "<STRIKE>x</STRIKE>"},
        {cmd::FontBigger, "<FONT SIZE=\"+1\">x</FONT>"},
        {cmd::RightText, "<P class=\"\" STYLE=\"\" ALIGN=RIGHT>x</P>"},
    };
    for (const auto& [id, result] : others) {
        view->SetText("x");
        view->SetSel(0, 1);
        Frame().Router().Execute(id);
        EXPECT_EQ(view->GetText(), result);
    }
}

TEST_F(TagCommands, ColorAndCharacterReferences) {
    view->SetText("<FONT COLOR=\"\">");
    view->SetSel(13, 13);
    modalAnswer = [](QDialog& d) {
        static_cast<QColorDialog&>(d).setCurrentColor(QColor(255, 128, 0));
        return static_cast<int>(QDialog::Accepted);
    };
    Key(Qt::Key_C, ctrlAlt);
    EXPECT_EQ(view->GetText(), "<FONT COLOR=\"#FF8000\">");
    EXPECT_EQ(view->GetSelText(), "#FF8000");
    modalAnswer = [](QDialog&) { return static_cast<int>(QDialog::Rejected); };
    Key(Qt::Key_C, ctrlAlt);
    EXPECT_EQ(view->GetText(), "<FONT COLOR=\"#FF8000\">") << "Cancel changes nothing";

    view->SetText("a");
    view->SetSel(1, 1);
    Frame().Router().Execute(cmd::InsertLessThan);
    Frame().Router().Execute(cmd::InsertGreaterThan);
    EXPECT_EQ(view->GetText(), "a&#60;&#62;");
}

TEST_F(TagCommands, FontFaceInsertsTheChosenFamilySelected) {
    view->SetText("<FONT FACE=\"\">");
    view->SetSel(12, 12);
    QStringList shown;
    modalAnswer = [&shown](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Select Font Face");
        auto* list = d.findChild<QListWidget*>("faceList");
        shown = widgets::Items(list);
        EXPECT_EQ(list->currentRow(), 0) << "the first entry is selected";
        list->setCurrentRow(static_cast<int>(shown.size()) - 1);
        QTest::keyClick(list, Qt::Key_Return);
        return d.result();
    };
    Key(Qt::Key_F, ctrlAlt);
    ASSERT_FALSE(shown.isEmpty()) << "the desktop's font families";
    QStringList sorted = shown;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(shown, sorted);
    EXPECT_EQ(view->GetText(), "<FONT FACE=\"" + shown.last() + "\">");
    EXPECT_EQ(view->GetSelText(), shown.last());

    view->SetSel(13, 14);
    modalAnswer = [](QDialog& d) {
        QTest::keyClick(&d, Qt::Key_Escape);
        return d.result();
    };
    Key(Qt::Key_F, ctrlAlt);
    EXPECT_EQ(view->GetText(), "<FONT FACE=\"" + shown.last() + "\">") << "Cancel inserts nothing";
    EXPECT_EQ(Sel(), std::make_pair(13, 13)) << "the caret at the selection start";
}

TEST_F(TagCommands, SpecialCharacterInsertsCharactersAndEntities) {
    view->SetText("ab");
    view->SetSel(1, 1);
    Frame().Router().Execute(cmd::SpecialCharacter);
    auto* table = view->findChild<CCharacterTableDlg*>();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->isVisible());
    auto* grid = table->findChild<QTableWidget*>("characterGrid");
    QTableWidgetItem* eAcute = grid->item((0xE9 - 32) / 16, (0xE9 - 32) % 16);
    ASSERT_EQ(eAcute->text(), QString(QChar(0xE9)));
    EXPECT_EQ(grid->item((128 - 32) / 16, 0)->text(), QString(QChar(0x20AC)))
        << "128 is the euro sign";
    EXPECT_TRUE(grid->item((129 - 32) / 16, 1)->text().isEmpty()) << "unused codes stay empty";
    grid->setCurrentItem(eAcute);
    QTest::keyClick(grid, Qt::Key_Return);
    auto* entities = table->findChild<QListWidget*>("entityList");
    ASSERT_GT(entities->count(), 5);
    entities->setFocus();
    entities->setCurrentRow(5);
    QTest::keyClick(entities, Qt::Key_Return);
    EXPECT_EQ(view->GetText(), QString("a\u00E9&copy;b"));
}

// The right button offers the menu for what lies under the caret; a chosen entry runs its
// command in the view.
TEST_F(TagCommands, TheRightButtonOffersTheMenuForTheCaret) {
    QString shown;
    QStringList entries;
    QString choose;
    fw::SetPopupHook([&](QMenu& menu, const QPoint&) -> QAction* {
        shown = menu.objectName();
        entries.clear();
        QAction* chosen = nullptr;
        for (QAction* a : menu.actions()) {
            if (a->isSeparator()) continue;
            entries << a->text().remove('&').section('\t', 0, 0) +
                           (a->isEnabled() ? "" : " (greyed)");
            if (a->text().remove('&').startsWith(choose) && !choose.isEmpty()) chosen = a;
        }
        return chosen;
    });
    // A click on the character at `start` (the selection set first stays when the click is
    // inside it); a click elsewhere first moves the caret there.
    auto rightClick = [this](int start, int end) {
        view->SetSel(start, end);
        QTextCursor at(view->document());
        at.setPosition(start);
        const QRect r = view->cursorRect(at);
        QTest::mouseClick(view->viewport(), Qt::RightButton, {},
                          QPoint(r.left() + 1, r.center().y()));
    };
    QApplication::clipboard()->setText("pasted");
    view->SetText("<P>{#footer}</P> <A HREF=\"{#link}\">x</A>");
    rightClick(6, 6);
    EXPECT_EQ(shown, "MACRO") << "a placeholder outside any tag";
    EXPECT_EQ(entries, QStringList({"Delete Macroplaceholder", "Open Macro"}));
    rightClick(29, 29);
    EXPECT_EQ(shown, "Tag") << "a placeholder inside a tag";
    EXPECT_EQ(entries, QStringList({"Paste", "Cut HTML Tag", "Copy HTML Tag", "Delete HTML Tag",
                                    "Color", "Font Face"}));
    rightClick(35, 36);
    EXPECT_EQ(shown, "Selection");
    EXPECT_EQ(entries, QStringList({"Cut", "Copy", "Paste", "Indent", "Unindent", "Text Styles",
                                    "Color", "Font", "Macro from Text", "ISO-8859-1 Conversion"}));
    view->SetSel(6, 6);
    QTextCursor blank(view->document());
    blank.setPosition(16);
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, view->cursorRect(blank).center());
    int s = 0, e = 0;
    view->GetSel(s, e);
    EXPECT_EQ(s, 16) << "the click moved the caret first";
    EXPECT_EQ(shown, "NoSel");
    EXPECT_TRUE(entries.contains("Table") && entries.contains("Image"))
        << "the view's insert commands: " << entries.join(", ").toStdString();

    choose = "Delete Macroplaceholder";
    rightClick(8, 8);
    EXPECT_EQ(view->GetText(), "<P></P> <A HREF=\"{#link}\">x</A>") << "the chosen command ran";

    // A "#" that no opening brace comes before is no placeholder: nothing goes.
    for (const QString& css :
         {QString("P { color: #ff0000 }"), QString("#header { color: red }")}) {
        view->SetText(css);
        const int caret = static_cast<int>(css.indexOf('#')) + 2;
        view->SetSel(caret, caret);
        view->Dispatch(cmd::DeletePlaceholder);
        EXPECT_EQ(view->GetText(), css);
    }
}

class TagMacros : public TagCommands {
protected:
    void SetUp() override {
        TagCommands::SetUp();
        site = scratch / "site/";
        WriteBytes(site + "site.hpr",
                   Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                        "Group2=deutsch.mcr\n"));
        WriteBytes(site + "site.mcr", "");
        WriteBytes(site + "english.mcr", Crlf("{:footer:0:}\nenglish footer\n"));
        WriteBytes(site + "deutsch.mcr", Crlf("{:footer:0:}\ndeutsch footer\n"));
        Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
        ASSERT_TRUE(theProject.IsProject());
        QComboBox* combo = Frame().LanguageCombo();
        combo->setCurrentIndex(combo->findText("deutsch"));
        Frame().SelectLanguage();
        WriteBytes(site + "index.tpl", "");
        ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "index.tpl")), nullptr);
        view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
        ASSERT_NE(view, nullptr);
        view->setFocus();
    }
    // The text of the active window (a macro window shows its macro).
    QString ActiveText() { return qobject_cast<CLs_mainView*>(Frame().ActiveView())->GetText(); }
    std::string site;
};

TEST_F(TagMacros, OpenMacroCutsTheNameOutOfThePlaceholder) {
    const char* placeholders[] = {"{#footer,1,2}", "{#footer[2-L]}", "{#footer.de}",
                                  "{#\"<li>\"footer.de[L],x}"};
    for (const char* placeholder : placeholders) {
        view->SetText(QString("<P>") + placeholder + "</P>");
        view->SetSel(6, 6);
        view->setFocus();
        Key(Qt::Key_O, ctrlAlt);
        EXPECT_EQ(ActiveText(), "deutsch footer") << placeholder;
        Frame().MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
    }
    EXPECT_EQ(Hints(), 4u) << "hint 176 first, every time until switched off";
    view->SetText("<P>{#footer</P>");
    view->SetSel(6, 6);
    Key(Qt::Key_O, ctrlAlt);
    EXPECT_EQ(Frame().ActiveView(), view) << "no placeholder: nothing opens";
}

TEST_F(TagMacros, MacroFromTextMakesAMacroOfTheActiveLanguage) {
    view->SetText("<P>Hello world</P>");
    view->SetSel(3, 14);
    modalAnswer = [](QDialog& d) {
        if (auto* edit = d.findChild<QLineEdit*>("nameEdit")) edit->setText("greeting");
        return 1;
    };
    Key(Qt::Key_F3, Qt::NoModifier);
    EXPECT_EQ(view->GetText(), "<P>{#greeting}</P>");
    tLS_macrobase* deutsch = theProject.GetActiveGroup();
    int index = -1;
    std::string* content = nullptr;
    ASSERT_EQ(deutsch->GetMacroIndex(index, "greeting", 0), LS_OK);
    ASSERT_EQ(deutsch->GetMacroContent(index, content), LS_OK);
    EXPECT_EQ(*content, "Hello world");

    view->SetSel(0, 3);
    modalAnswer = [](QDialog& d) {
        if (auto* edit = d.findChild<QLineEdit*>("nameEdit")) edit->setText("footer");
        return 1;
    };
    Key(Qt::Key_F3, Qt::NoModifier);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().stringId, str::MacroExists);
    EXPECT_EQ(view->GetText(), "<P>{#greeting}</P>") << "the text stays";
}

} // namespace
