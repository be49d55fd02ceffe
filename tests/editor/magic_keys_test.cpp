// The magic keys, driven by real key events: autotag completion, ESC cycling, ALT+arrows.
#include "editor_fixture.h"
#include "ids.h"

#include "command_table.h"
#include "ls_main_view.h"
#include "parameter_navigation.h"

#include <brevic/ls_autochar.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_profile.h>

#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

using testutil::Crlf;
using testutil::WriteBytes;

namespace {

class MagicKeys : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        table = scratch / "data/larkspan/autochar.txt";
        WriteBytes(table,
                   Crlf("{:<table:0:}\n<table></table>\n{:<tab2:0:}\n<tab2></tab2>\n"
                        "{:<b:0:}\n<b></b>\n{:<br:0:}\n<br>\n{:!ALIGN:0:}\nLEFT,RIGHT,CENTER\n"
                        "{:!VALIGN:0:}\nTOP,BOTTOM\n"
                        "{:<\xC3\xBC"
                        "ber:0:}\n<\xC3\xBC"
                        "ber></\xC3\xBC"
                        "ber>\n"));
    }
    void StartWith(const char* autotagging, const char* minSel) {
        WritePrivateProfileString("EDITOR", "Autotagging", autotagging, settingsFile.c_str());
        WritePrivateProfileString("EDITOR", "AutotagMinSel", minSel, settingsFile.c_str());
        ASSERT_TRUE(Start());
        view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
        ASSERT_NE(view, nullptr);
        view->SetText("");
        view->setFocus();
    }
    int Caret() {
        int s = 0, e = 0;
        view->GetSel(s, e);
        return s;
    }
    QString Selected() { return view->GetSelText(); }

    std::string table;
    CLs_mainView* view = nullptr;
};

TEST_F(MagicKeys, OneMatchInsertsThePairAndUndoRemovesIt) {
    StartWith("1", "10");
    QTest::keyClicks(view, "x <b");
    // "<b" matches "<b" and "<br": two matches, the first is offered at once.
    EXPECT_EQ(view->GetText(), "x <b></b>");
    EXPECT_EQ(Caret(), 5) << "between the pair";
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->GetText(), "x <") << "the completion goes, what was typed before it comes back";
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->GetText(), "x ");
    QTest::keyClick(view, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view->GetText(), "x <b></b>") << "redone step by step";
}

TEST_F(MagicKeys, EveryTypedCharacterReachesTheTable) {
    StartWith("1", "10");
    // A character outside ASCII is looked up (as its bytes): "<ü" finds "<über".
    QTest::keyClicks(view, "<");
    QKeyEvent umlaut(QEvent::KeyPress, Qt::Key_Udiaeresis, Qt::NoModifier,
                     QString::fromUtf8("\xC3\xBC"));
    QApplication::sendEvent(view, &umlaut);
    EXPECT_EQ(view->GetText(), QString::fromUtf8("<\xC3\xBC"
                                                 "ber></\xC3\xBC"
                                                 "ber>"));
    // Backspace is a character of the prefix too: "<", Backspace, "b" is no "<b".
    view->SetText("");
    QTest::keyClicks(view, " <");
    QTest::keyClick(view, Qt::Key_Backspace);
    QTest::keyClicks(view, "b");
    EXPECT_EQ(view->GetText(), " b");
}

TEST_F(MagicKeys, EscapeCyclesInTableOrderAndWraps) {
    StartWith("1", "10");
    QTest::keyClicks(view, "<ta");
    EXPECT_EQ(view->GetText(), "<table></table>");
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(view->GetText(), "<tab2></tab2>");
    EXPECT_EQ(Caret(), 6);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(view->GetText(), "<table></table>") << "wraps to the first";
    // ESC with nothing pending changes nothing.
    view->SetText("plain");
    view->SetSel(5, 5);
    QTest::keyClicks(view, " ");
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(view->GetText(), "plain ");
}

TEST_F(MagicKeys, TooManyMatchesAndClosingTagsInsertNothing) {
    StartWith("1", "1");
    QTest::keyClicks(view, "<ta");
    EXPECT_EQ(view->GetText(), "<ta") << "two matches, at most one wanted";
    view->SetText("");
    QTest::keyClicks(view, "</b");
    EXPECT_EQ(view->GetText(), "</b");
}

TEST_F(MagicKeys, WithoutAutotaggingOnlyEscapeCompletes) {
    StartWith("0", "10");
    QTest::keyClicks(view, "<ta");
    EXPECT_EQ(view->GetText(), "<ta");
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(view->GetText(), "<table></table>");
}

TEST_F(MagicKeys, AltRightWalksTheValuesOfAnImageTag) {
    StartWith("0", "10");
    view->SetText("<IMG SRC=\"a.gif\" WIDTH=10>caption</p>");
    view->SetSel(4, 4);
    QTest::keyClick(view, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(Selected(), "a.gif") << "without its quotes";
    QTest::keyClick(view, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(Selected(), "10");
    QTest::keyClick(view, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(Selected(), "caption") << "the text after the tag's >";
    QTest::keyClick(view, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(Selected(), "10");
    QTest::keyClick(view, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(Selected(), "a.gif") << "the previous attribute's value";
}

TEST_F(MagicKeys, AltUpAndDownStepThroughAValueList) {
    StartWith("0", "10");
    view->SetText("<p ALIGN=\"\">");
    view->SetSel(10, 10);
    QTest::keyClick(view, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(view->GetText(), "<p ALIGN=\"LEFT\">");
    EXPECT_EQ(Selected(), "LEFT");
    QTest::keyClick(view, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Selected(), "RIGHT");
    QTest::keyClick(view, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Selected(), "CENTER");
    QTest::keyClick(view, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Selected(), "LEFT") << "wraps";
    QTest::keyClick(view, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Selected(), "CENTER") << "backwards, wrapping";
    QTest::keyClick(view, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Selected(), "RIGHT");
    EXPECT_EQ(view->GetText(), "<p ALIGN=\"RIGHT\">");

    // No list for the name: nothing changes.
    view->SetText("<p CLASS=\"x\">");
    view->SetSel(10, 11);
    QTest::keyClick(view, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(view->GetText(), "<p CLASS=\"x\">");
}

// A toggle in one view leaves another view's toggle where it was: each goes on with its own
// list.
TEST_F(MagicKeys, EachViewTogglesItsOwnList) {
    StartWith("0", "10");
    CLs_mainView* first = view;
    Frame().Router().Execute(cmd::FileNew);
    auto* second = qobject_cast<CLs_mainView*>(Frame().ActiveView());
    ASSERT_NE(second, first);
    auto activate = [this](CLs_mainView* v) {
        Frame().MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(v->parentWidget()));
        v->setFocus();
    };
    second->SetText("<p VALIGN=\"\">");
    second->SetSel(11, 11);
    QTest::keyClick(second, Qt::Key_Up, Qt::AltModifier);
    ASSERT_EQ(second->GetSelText(), "TOP");

    activate(first);
    first->SetText("<p  ALIGN=\"\">");
    first->SetSel(11, 11);
    QTest::keyClick(first, Qt::Key_Up, Qt::AltModifier);
    QTest::keyClick(first, Qt::Key_Up, Qt::AltModifier);
    ASSERT_EQ(first->GetText(), "<p  ALIGN=\"RIGHT\">");

    activate(second);
    QTest::keyClick(second, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(second->GetText(), "<p VALIGN=\"BOTTOM\">");
}

TEST_F(MagicKeys, TwoViewsShareOneTableSavedWithTheLast) {
    StartWith("1", "10");
    CLs_mainView* first = view;
    Frame().Router().Execute(cmd::FileNew);
    auto* second = qobject_cast<CLs_mainView*>(Frame().ActiveView());
    ASSERT_NE(second, first);
    ASSERT_EQ(first->AutoChar()->GetBase(), second->AutoChar()->GetBase());
    std::string* content = nullptr;
    int index = -1;
    ASSERT_EQ(first->AutoChar()->GetBase()->NewMacro(content, "<bl", index), LS_OK);
    *content = "<blockquote></blockquote>";
    second->SetText("");
    second->setFocus();
    QTest::keyClicks(second, "<bl");
    EXPECT_EQ(second->GetText(), "<blockquote></blockquote>");
    answers = {QMessageBox::No, QMessageBox::No}; // the typing is not to be saved
    ASSERT_TRUE(theApp.CloseAllDocuments());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(tLS_autochar::ObjectCount(), 0);
    EXPECT_NE(testutil::ReadBytes(table).find("<blockquote></blockquote>"), std::string::npos);
}

TEST_F(MagicKeys, ADamagedTableIsReported) {
    WriteBytes(table, "text before any entry\r\n");
    StartWith("1", "10");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].stringId, str::AutocharLoadFailed);
    QTest::keyClicks(view, "<b");
    EXPECT_EQ(view->GetText(), "<b") << "no completions, typing works";
}

TEST_F(MagicKeys, EveryAcceleratorReachesItsCommandFromAFocusedView) {
    StartWith("1", "10");
    std::vector<int> ran;
    const auto table = fw::AcceleratorTable();
    for (const auto& entry : table) {
        const int id = entry.second;
        view->OnCommand({id}, [&ran, id] { ran.push_back(id); });
    }
    Frame().Router().UpdateActions();
    for (const auto& [key, id] : table) {
        ran.clear();
        QTest::keySequence(view, key);
        EXPECT_EQ(ran, std::vector<int>{id}) << key.toString().toStdString();
    }
    EXPECT_EQ(view->GetText(), "") << "no key reached the control itself";
}

TEST_F(MagicKeys, TabIndentsAndShiftTabUnindentsTheSelectedLines) {
    StartWith("1", "10");
    view->SetText("a\nb\nc\n");
    view->SetSel(0, 6);
    QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_EQ(view->GetText(), "\ta\n\tb\n\tc\n") << "no tab after the last line feed";
    EXPECT_EQ(Selected(), "\ta\n\tb\n\tc\n") << "the block stays selected";
    QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(view->GetText(), "a\nb\nc\n");
    EXPECT_EQ(Selected(), "a\nb\nc\n");
    QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(view->GetText(), "a\nb\nc\n") << "nothing to unindent";
    view->SetSel(1, 1);
    QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_EQ(view->GetText(), "a\t\nb\nc\n");
    EXPECT_EQ(Caret(), 2) << "one tab: the caret stays after it";
}

TEST(ParameterNavigation, StopsAndNames) {
    const QString css = "<p style=\"color:red; margin:0\">";
    auto [s, e] = magic::JumpRight(css, 10);
    EXPECT_EQ(css.mid(s, e - s), "red");
    std::tie(s, e) = magic::JumpRight(css, 20);
    EXPECT_EQ(css.mid(s, e - s), "0");
    std::tie(s, e) = magic::JumpLeft(css, 0);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(e, 0) << "no stop: no move";
    EXPECT_EQ(magic::AttributeNameBefore("<p align=\"", 10), "ALIGN");
    EXPECT_EQ(magic::AttributeNameBefore("<p style=\"color:", 16), "COLOR");
    EXPECT_EQ(magic::AttributeNameBefore("align=", 6), "") << "no stop before the name";
    EXPECT_EQ(magic::SplitValues("a,,b").size(), 3);
    QStringList many = magic::SplitValues(QString("x,").repeated(60));
    EXPECT_EQ(many.size(), 50);
}

} // namespace
