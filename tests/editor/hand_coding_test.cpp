// Editing as a hand-coder types: real keys into a focused view with the shipped autotag
// table, undo and redo step by step.
#include "editor_fixture.h"
#include "ids.h"

#include "document.h"
#include "ls_main_view.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <sstream>

using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

class HandCoding : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        table = ReadBytes(std::string(STAGE_DIR) + "/autochar.txt");
        WriteBytes(scratch / "data/larkspan/autochar.txt", table);
        ASSERT_TRUE(Start());
        view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
        ASSERT_NE(view, nullptr);
        Frame().show();
        view->setFocus();
    }
    int Caret() {
        int s = 0, e = 0;
        view->GetSel(s, e);
        return s;
    }
    std::string table;
    CLs_mainView* view = nullptr;
};

// Every tag of the table typed whole, at typing speed, gives its completion with the caret
// behind the opening tag: the keys after the completion move over it.
TEST_F(HandCoding, EveryTagTypedWholeGivesItsPair) {
    std::istringstream lines(table);
    std::string line;
    int tags = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("{:<", 0) != 0) continue;
        const QString name = QString::fromStdString(line.substr(3, line.find(':', 3) - 3));
        std::string completion, more;
        while (lines.peek() != '{' && std::getline(lines, more)) {
            if (!more.empty() && more.back() == '\r') more.pop_back();
            completion += (completion.empty() ? "" : "\n") + more;
        }
        const QString expected = QString::fromStdString(completion);
        view->SetText("");
        QTest::keyClicks(view, "<" + name + ">");
        const int caret = static_cast<int>(expected.indexOf(
                              '>', expected.indexOf("<" + name, 0, Qt::CaseInsensitive))) +
                          1;
        EXPECT_EQ(view->GetText(), expected)
            << "typing <" << name.toStdString() << "> gave " << view->GetText().toStdString();
        EXPECT_EQ(Caret(), caret) << "typing <" << name.toStdString() << ">";
        ++tags;
    }
    EXPECT_GT(tags, 100);
}

// Words typed are undone one by one, and redone in order; at the saved state the document
// is unmodified again.
TEST_F(HandCoding, TenStepsUndoneAndRedoneInOrder) {
    fw::Document* doc = Frame().ActiveDocument();
    QTest::keyClicks(view, "one two ");
    const QString path = QString::fromStdString(scratch / "page.htm");
    ASSERT_TRUE(doc->DoSave(path));
    ASSERT_FALSE(doc->IsModified());
    QStringList states{view->GetText()};
    for (const char* word :
         {"three ", "four ", "five ", "six ", "seven ", "eight ", "nine ", "ten ", "eleven "}) {
        QTest::keyClicks(view, word);
        states << view->GetText();
    }
    QTest::keyClick(view, Qt::Key_Return);
    states << view->GetText();
    ASSERT_EQ(states.size(), 11);
    for (int i = 9; i >= 0; --i) {
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(view->GetText(), states[i]) << i;
    }
    EXPECT_FALSE(doc->IsModified()) << "back at the saved text";
    for (int i = 1; i <= 10; ++i) {
        QTest::keyClick(view, Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(view->GetText(), states[i]) << i;
    }
    EXPECT_TRUE(doc->IsModified());
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view->GetText(), states[10]);
}

// With type-through turned off in the settings, the keys after a completion are typed.
TEST_F(HandCoding, TypeThroughCanBeTurnedOff) {
    theApp.editor.typeThrough = 0; // as the Editor settings dialog leaves it
    view->SetText("");
    QTest::keyClicks(view, "<p>");
    EXPECT_EQ(view->GetText(), "<p>></p>");
}

// Enter in the tool bar's search box finds the next match, once per Enter.
TEST_F(HandCoding, EnterInTheSearchBoxSearchesForward) {
    view->SetText("a needle, and a needle");
    view->SetSel(0, 0);
    searchCombo->setEditText("needle");
    searchCombo->lineEdit()->setFocus();
    QTest::keyClick(searchCombo->lineEdit(), Qt::Key_Return);
    int s = 0, e = 0;
    view->GetSel(s, e);
    EXPECT_EQ(s, 2);
    QTest::keyClick(searchCombo->lineEdit(), Qt::Key_Return);
    view->GetSel(s, e);
    EXPECT_EQ(s, 16) << "the next one";
}

// A page typed by hand, closing tags and all, comes out as typed: the closing tags the
// completions offered are typed over, not doubled.
TEST_F(HandCoding, ClosingTagsTypedByHandAreTypedOver) {
    view->SetText("");
    const QString page = "<p>Fresh <b>daily</b> bread <i>here</i> <u>now</u></p>";
    QTest::keyClicks(view, page);
    EXPECT_EQ(view->GetText(), page) << view->GetText().toStdString();
    EXPECT_EQ(Caret(), page.size());
}

} // namespace
