// The Styles dialog on a styles file on disk, and the Insert Style command of the view.
#include "editor_fixture.h"
#include "widget_helpers.h"

#include "ids.h"
#include "ls_main_view.h"
#include "styles_command.h"
#include "styles_dialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <brevic/ls_files.h>
#include <brevic/ls_testing.h>

namespace {

using testutil::Crlf;
using testutil::ReadBytes;
using testutil::WriteBytes;
using widgets::Child;
using widgets::Items;

std::string Section(int n, const std::string& name, const std::string& family) {
    return "[STYLE_" + std::to_string(n) + "]\nName=" + name + "\nDel=0\nfont-family=" + family +
           "\n";
}

class StylesTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        WriteBytes(path, Crlf(Section(0, "A", "Arial") + Section(1, "B", "Bodoni") +
                              Section(2, "C", "Courier")));
    }
    std::unique_ptr<CStylesDlg> Open() {
        return std::make_unique<CStylesDlg>(nullptr, QString::fromStdString(path));
    }
    void Type(QDialog& d, const char* field, const char* text) {
        QLineEdit* edit = Child<QLineEdit>(d, field);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    void Click(QDialog& d, const char* button) {
        QTest::mouseClick(Child<QPushButton>(d, button), Qt::LeftButton);
    }
    QString Text(QDialog& d, const char* field) { return Child<QLineEdit>(d, field)->text(); }

    std::string path = scratch / "styles.dat";
};

TEST_F(StylesTest, EveryChangeIsSavedAtOnceAndCancelKeepsIt) {
    auto d = Open();
    auto* list = Child<QListWidget>(*d, "styleList");
    EXPECT_EQ(Items(list), QStringList({"A", "B", "C"}));
    EXPECT_EQ(Text(*d, "fontFamilyEdit"), "Arial");
    EXPECT_EQ(Text(*d, "nameEdit"), "A");
    list->setCurrentRow(1);
    EXPECT_EQ(Text(*d, "fontFamilyEdit"), "Bodoni");
    Type(*d, "fontSizeEdit", "12");
    Child<QComboBox>(*d, "fontSizeUnitCombo")->setCurrentText("px");
    modalAnswer = [](QDialog& dialog) {
        static_cast<QColorDialog&>(dialog).setCurrentColor(QColor(0xFF, 0x80, 0x00));
        return static_cast<int>(QDialog::Accepted);
    };
    Click(*d, "colorButton");
    EXPECT_EQ(Text(*d, "colorEdit"), "#FF8000");
    QString face;
    modalAnswer = [&face](QDialog& dialog) {
        auto* faces = dialog.findChild<QListWidget*>();
        if (!faces || faces->count() < 2) return 2;
        faces->setCurrentRow(1);
        face = faces->item(1)->text();
        return 1;
    };
    Click(*d, "fontFaceButton");
    EXPECT_EQ(dialogs.back(), "CFontFaceDlg");
    if (face.isEmpty()) face = "Bodoni"; // no fonts here: Cancel changes nothing
    EXPECT_EQ(Text(*d, "fontFamilyEdit"), face);
    Click(*d, "cancelButton");
    EXPECT_EQ(d->result(), 2);
    EXPECT_NE(ReadBytes(path).find(Crlf("[STYLE_1]\nName=B\nDel=0\nfont-family=" +
                                        face.toStdString() + "\nfont-style=\n")),
              std::string::npos);

    d = Open();
    Child<QListWidget>(*d, "styleList")->setCurrentRow(1);
    EXPECT_EQ(Text(*d, "fontSizeEdit"), "12");
    EXPECT_EQ(Text(*d, "colorEdit"), "#FF8000");
    Click(*d, "spanButton");
    EXPECT_EQ(d->result(), 1);
    EXPECT_EQ(d->Result().opening,
              "<SPAN STYLE=\"font-family: " + face + "; font-size: 12px; color: #FF8000; \">");
    EXPECT_EQ(d->Result().closing, "</SPAN>");
    EXPECT_TRUE(messages.empty());
}

TEST_F(StylesTest, NewTakesANameOnceAndNeverAnEmptyOne) {
    auto d = Open();
    auto* list = Child<QListWidget>(*d, "styleList");
    const std::string before = ReadBytes(path);
    Click(*d, "newButton");
    EXPECT_EQ(ReadBytes(path), before) << "the selected style's name: nothing";
    Type(*d, "nameEdit", "  ");
    Click(*d, "newButton");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::StyleNameMissing);
    EXPECT_EQ(ReadBytes(path), before);

    Type(*d, "nameEdit", "Heading");
    Type(*d, "fontFamilyEdit", "Verdana");
    EXPECT_NE(ReadBytes(path).find("font-family=Verdana"), std::string::npos)
        << "A took the change";
    Click(*d, "newButton");
    EXPECT_EQ(Items(list), QStringList({"A", "B", "C", "Heading"}));
    EXPECT_EQ(list->currentRow(), 3);
    EXPECT_NE(ReadBytes(path).find(Crlf("[STYLE_3]\nName=Heading\nDel=0\nfont-family=Verdana\n")),
              std::string::npos);
    Click(*d, "newButton");
    EXPECT_EQ(list->count(), 4);
}

TEST_F(StylesTest, DeleteMovesTheLastStyleIntoTheGap) {
    auto d = Open();
    auto* list = Child<QListWidget>(*d, "styleList");
    Click(*d, "deleteButton");
    EXPECT_EQ(Items(list), QStringList({"C", "B"}));
    EXPECT_EQ(Text(*d, "fontFamilyEdit"), "Courier");
    list->setCurrentRow(1);
    Click(*d, "deleteButton");
    Click(*d, "deleteButton");
    EXPECT_EQ(list->count(), 0);
    Click(*d, "deleteButton");
    Type(*d, "fontFamilyEdit", "Times");
    EXPECT_EQ(ReadBytes(path).find("Times"), std::string::npos) << "no style to save into";
    EXPECT_TRUE(messages.empty());
}

TEST_F(StylesTest, AFileThatCannotBeWrittenIsReportedOnceAndTheValuesStay) {
    const std::string before = ReadBytes(path);
    auto d = Open();
    brevic::InjectFault(brevic::FaultOp::Write, 1);
    Type(*d, "fontFamilyEdit", "T");
    Type(*d, "nameEdit", "Times");
    brevic::InjectFault(brevic::FaultOp::Write, 1);
    Click(*d, "newButton");
    brevic::InjectFault(brevic::FaultOp::Write, 1);
    Click(*d, "deleteButton");
    brevic::ClearFaults();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::StylesNotSaved);
    EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(path)))
        << messages[0].text.toStdString();
    EXPECT_EQ(Text(*d, "fontFamilyEdit"), "T");
    EXPECT_EQ(Text(*d, "nameEdit"), "Times");
    EXPECT_EQ(Items(Child<QListWidget>(*d, "styleList")), QStringList({"A", "B", "C"}));
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(StylesTest, InsertStyleWrapsTheSelectionOrFillsAStyleAttribute) {
    ASSERT_TRUE(Start());
    SetStylesFilePath(QString::fromStdString(path));
    auto* view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
    ASSERT_NE(view, nullptr);
    view->setFocus();
    const char* button = "spanButton";
    modalAnswer = [&button](QDialog& d) {
        QTest::mouseClick(Child<QPushButton>(d, button), Qt::LeftButton);
        return d.result();
    };
    view->SetText("<P>Hi</P>");
    view->SetSel(3, 5);
    Frame().Router().Execute(cmd::InsertStyle);
    EXPECT_EQ(view->GetText(), "<P><SPAN STYLE=\"font-family: Arial; \">Hi</SPAN></P>");
    EXPECT_EQ(view->GetSelText(), "Hi");

    button = "cancelButton";
    Frame().Router().Execute(cmd::InsertStyle);
    EXPECT_EQ(view->GetText(), "<P><SPAN STYLE=\"font-family: Arial; \">Hi</SPAN></P>");

    // ALT+Down after a STYLE attribute opens the dialog; "font-..." puts the declarations in.
    button = "declarationsButton";
    view->SetText("<P STYLE=\"\">");
    view->SetSel(10, 10);
    QTest::keyClick(view, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(view->GetText(), "<P STYLE=\"font-family: Arial; \">");
    EXPECT_EQ(dialogs, std::vector<std::string>(3, "CStylesDlg"));
}

} // namespace
