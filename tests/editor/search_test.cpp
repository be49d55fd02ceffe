// Search, replace, the tool-bar search and ISO conversion, driven through the view.
#include "editor_fixture.h"

#include "ids.h"
#include "ls_main_view.h"
#include "multi_replace_dialog.h"
#include "replace_dialog.h"
#include "search_dialog.h"
#include "string_table.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>

#include <brevic/ls_files.h>
#include <brevic/ls_testing.h>

#include <filesystem>

namespace {

class SearchTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        withHint = false;
        ASSERT_TRUE(Start());
        view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
        ASSERT_NE(view, nullptr);
        view->setFocus();
    }
    QString Selected() { return view->GetSelText(); }
    template <typename T> T* Child(QWidget* parent, const char* name) {
        return parent->findChild<T*>(QString::fromLatin1(name));
    }
    CLs_mainView* view = nullptr;
};

TEST_F(SearchTest, CtrlFTypeEnterSelectsTheMatchAndRepeatingFindsTheNext) {
    view->SetText("<META name><meta>");
    view->SetSel(0, 0);
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    auto* dialog = view->findChild<CSearchDlg*>();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    auto* edit = Child<QLineEdit>(dialog, "searchEdit");
    edit->setFocus();
    QTest::keyClicks(edit, "M?TA");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Selected(), "META");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Selected(), "meta") << "the next one, in either case";
    Child<QCheckBox>(dialog, "caseCheck")->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(dialog, "backwardButton"), Qt::LeftButton);
    EXPECT_EQ(Selected(), "META");
    EXPECT_TRUE(dialog->isVisible()) << "the dialog stays open";

    // What is typed after a search is found by the next one.
    view->setFocus();
    view->SetSel(17, 17);
    QTest::keyClicks(view, " MOTA");
    view->SetSel(6, 6);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Selected(), "MOTA");
}

TEST_F(SearchTest, ReplaceAllOnceForEveryMatchInTheTextOrTheSelection) {
    view->SetText("a banana\nbanana");
    QTest::keyClick(view, Qt::Key_H, Qt::ControlModifier);
    auto* dialog = view->findChild<CReplaceDlg*>();
    ASSERT_NE(dialog, nullptr);
    Child<QPlainTextEdit>(dialog, "findEdit")->setPlainText("a");
    Child<QPlainTextEdit>(dialog, "replaceEdit")->setPlainText("aa");
    Child<QCheckBox>(dialog, "selectionCheck")->setChecked(true);
    view->SetSel(9, 15);
    QTest::mouseClick(Child<QPushButton>(dialog, "replaceAllButton"), Qt::LeftButton);
    EXPECT_EQ(view->GetText(), "a banana\nbaanaanaa") << "only the selected line";
    Child<QCheckBox>(dialog, "selectionCheck")->setChecked(false);
    QTest::mouseClick(Child<QPushButton>(dialog, "replaceAllButton"), Qt::LeftButton);
    EXPECT_EQ(view->GetText(), "aa baanaanaa\nbaaaanaaaanaaaa");
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->GetText(), "a banana\nbaanaanaa") << "Replace All is one undo step";
}

TEST_F(SearchTest, TheReplaceDialogMovesOffTheMatchItFinds) {
    view->SetText(QString(8, '\n') + "find the needle here");
    view->SetSel(0, 0);
    QTest::keyClick(view, Qt::Key_H, Qt::ControlModifier);
    auto* dialog = view->findChild<CReplaceDlg*>();
    ASSERT_NE(dialog, nullptr);
    Child<QPlainTextEdit>(dialog, "findEdit")->setPlainText("needle");
    // The dialog stands where the match will be.
    QTextCursor needle(view->document());
    needle.setPosition(8 + 9);
    const QPoint at = view->viewport()->mapToGlobal(view->cursorRect(needle).topLeft());
    dialog->move(at - QPoint(40, 20));
    ASSERT_TRUE(dialog->frameGeometry().contains(at));
    QTest::mouseClick(Child<QPushButton>(dialog, "searchButton"), Qt::LeftButton);
    ASSERT_EQ(Selected(), "needle");
    const QRect caret(view->viewport()->mapToGlobal(view->cursorRect().topLeft()),
                      view->cursorRect().size());
    EXPECT_FALSE(dialog->frameGeometry().intersects(caret)) << "the match is in sight";
}

TEST_F(SearchTest, TheToolBarSearchKeepsAHistoryOfThirty) {
    view->SetText("one two old1 two");
    QComboBox* combo = app::SearchCombo();
    ASSERT_NE(combo, nullptr);
    combo->clear();
    for (int i = 0; i < 30; ++i)
        combo->addItem(QString("old%1").arg(i));
    combo->clearEditText();
    combo->lineEdit()->setFocus();
    QTest::keyClicks(combo->lineEdit(), "TWO");
    view->SetSel(0, 0);
    Frame().Router().Execute(cmd::SearchForward);
    EXPECT_EQ(Selected(), "two");
    EXPECT_EQ(combo->count(), 30);
    EXPECT_EQ(combo->itemText(29), "TWO");
    EXPECT_EQ(combo->itemText(0), "old1") << "the oldest went";
    EXPECT_EQ(combo->currentText(), "TWO") << "the box keeps the typed text";
    Frame().Router().Execute(cmd::SearchForward);
    int start = 0, end = 0;
    view->GetSel(start, end);
    EXPECT_EQ(start, 13) << "the next search looks for the typed text again";
    combo->setEditText("two");
    Frame().Router().Execute(cmd::SearchBackward);
    EXPECT_EQ(combo->count(), 30) << "an entry equal but for case is not added again";
}

// A no-break space typed or pasted into any search field is looked for as itself, not as a
// blank, and Cut, Copy and the tag commands put it on the clipboard as it is.
TEST_F(SearchTest, NoBreakSpacesAreHandedOverExactly) {
    const QString nbsp(QChar(0x00A0));
    const QString text = "a b" + nbsp + "c";
    auto typed = [](QWidget* field, const QString& keys) {
        field->setFocus();
        QTest::keyClicks(field, keys);
    };
    auto selection = [this] {
        int start = 0, end = 0;
        view->GetSel(start, end);
        return std::make_pair(start, end);
    };
    view->SetText("<b" + nbsp + "x>y" + nbsp + "z");
    view->SetSel(5, 8);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "y" + nbsp + "z") << "Copy";
    QTest::keyClick(view, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "y" + nbsp + "z") << "Cut";
    view->SetSel(2, 2);
    QTest::keyClick(view, Qt::Key_H, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "<b" + nbsp + "x>") << "Copy HTML Tag";
    view->SetSel(2, 2);
    QTest::keyClick(view, Qt::Key_X, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "<b" + nbsp + "x>") << "Cut HTML Tag";
    EXPECT_EQ(view->GetText(), "");

    view->SetText(text);
    view->SetSel(0, 0);
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    auto* find = Child<QLineEdit>(view->findChild<CSearchDlg*>(), "searchEdit");
    typed(find, nbsp);
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(selection(), std::make_pair(3, 4)) << "Search";

    QComboBox* combo = app::SearchCombo();
    combo->clearEditText();
    typed(combo->lineEdit(), nbsp);
    view->SetSel(0, 0);
    Frame().Router().Execute(cmd::SearchForward);
    EXPECT_EQ(selection(), std::make_pair(3, 4)) << "the tool-bar box";

    QTest::keyClick(view, Qt::Key_H, Qt::ControlModifier);
    auto* dialog = view->findChild<CReplaceDlg*>();
    QApplication::clipboard()->setText(nbsp);
    auto* findEdit = Child<QPlainTextEdit>(dialog, "findEdit");
    findEdit->setFocus();
    QTest::keyClick(findEdit, Qt::Key_V, Qt::ControlModifier);
    typed(Child<QPlainTextEdit>(dialog, "replaceEdit"), "&nbsp;");
    QTest::mouseClick(Child<QPushButton>(dialog, "replaceAllButton"), Qt::LeftButton);
    EXPECT_EQ(view->GetText(), "a b&nbsp;c") << "Replace All, pasted";

    const std::string file = scratch / "nbsp.tpl";
    testutil::WriteBytes(file, "a b\302\240c");
    CMultiReplaceDlg multi(&Frame());
    fileAnswers = {{QString::fromStdString(file)}};
    multi.AddFiles();
    typed(multi.findChild<QPlainTextEdit*>("searchEdit"), nbsp);
    typed(multi.findChild<QPlainTextEdit*>("replaceEdit"), "&nbsp;");
    answers = {QMessageBox::Ok};
    multi.ReplaceInAll();
    EXPECT_EQ(testutil::ReadBytes(file), "a b&nbsp;c") << "Multiple File Replace";
}

TEST_F(SearchTest, IsoConversionTurnsTheUpperHalfIntoReferences) {
    view->SetText(QString::fromUtf8("caf\xC3\xA9 \xC5\x82 \xC2\xA0"));
    answers = {QMessageBox::Ok};
    Frame().Router().Execute(cmd::IsoConversion);
    EXPECT_EQ(messages.back().stringId, str::AskConvertIso);
    EXPECT_EQ(view->GetText(), QString::fromUtf8("caf&#233; \xC5\x82 &#160;")) << "above 255 stays";
}

TEST_F(SearchTest, MultipleFileReplaceChangesOnlyWhatMatchesAndReportsWhatFailed) {
    using testutil::ReadBytes;
    using testutil::WriteBytes;
    const std::string crlf = scratch / "crlf.tpl", lf = scratch / "lf.tpl",
                      none = scratch / "none.tpl", locked = scratch / "locked.tpl";
    WriteBytes(crlf, "<p>old</p>\r\n<p>old</p>\r\n");
    WriteBytes(lf, "old\nline\n");
    WriteBytes(none, "nothing here\n");
    WriteBytes(locked, "old\n");
    const auto noneTime = std::filesystem::last_write_time(none);
    CMultiReplaceDlg dialog(&Frame());
    fileAnswers = {
        {QString::fromStdString(crlf), QString::fromStdString(lf), QString::fromStdString(none)},
        {QString::fromStdString(crlf), QString::fromStdString(locked)}};
    dialog.AddFiles();
    dialog.AddFiles();
    EXPECT_EQ(dialog.findChild<QListWidget*>()->count(), 5) << "a file may be listed twice";
    dialog.findChild<QPlainTextEdit*>("searchEdit")->setPlainText("old");
    dialog.findChild<QPlainTextEdit*>("replaceEdit")->setPlainText("new\nline");
    answers = {QMessageBox::Ok};
    // The list is sorted: crlf, crlf, lf, locked, none; the third write (locked) fails.
    brevic::InjectFault(brevic::FaultOp::Write, 3);
    dialog.ReplaceInAll();
    brevic::ClearFaults();
    EXPECT_EQ(ReadBytes(crlf), "<p>new\r\nline</p>\r\n<p>new\r\nline</p>\r\n")
        << "the file's own line breaks";
    EXPECT_EQ(ReadBytes(lf), "new\nline\nline\n");
    EXPECT_EQ(ReadBytes(none), "nothing here\n");
    EXPECT_EQ(std::filesystem::last_write_time(none), noneTime)
        << "a file without a match is not written";
    EXPECT_EQ(ReadBytes(locked), "old\n") << "a failed write leaves the file whole";
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].stringId, str::AskReplaceInAllFiles);
    EXPECT_EQ(messages[0].kind, fw::MessageKind::AskOkCancel) << "asked with the question icon";
    EXPECT_TRUE(messages[1].text.startsWith("3 replacements were made in 2 files."))
        << messages[1].text.toStdString();
    EXPECT_TRUE(messages[1].text.contains(QString::fromStdString(locked)));
}

// Between reading a file and writing it back, another program may change it: such a file is
// left as it is (what that program wrote stays), a removed one is not made again, and the
// report names them.
TEST_F(SearchTest, MultipleFileReplaceLeavesFilesChangedMeanwhile) {
    using testutil::ReadBytes;
    using testutil::WriteBytes;
    const std::string grown = scratch / "a.tpl", swapped = scratch / "b.tpl",
                      gone = scratch / "c.tpl", kept = scratch / "d.tpl";
    for (const std::string& f : {grown, swapped, gone, kept})
        WriteBytes(f, "old\n");
    CMultiReplaceDlg dialog(&Frame());
    fileAnswers = {{QString::fromStdString(grown), QString::fromStdString(swapped),
                    QString::fromStdString(gone), QString::fromStdString(kept)}};
    dialog.AddFiles();
    dialog.findChild<QPlainTextEdit*>("searchEdit")->setPlainText("old");
    dialog.findChild<QPlainTextEdit*>("replaceEdit")->setPlainText("new");
    // While the last file is worked on, the first three have been read and wait to be written.
    QObject::connect(dialog.findChild<QListWidget*>(), &QListWidget::currentRowChanged,
                     [&](int row) {
                         if (row != 3) return;
                         WriteBytes(grown, "old\nadded\n");
                         WriteBytes(swapped + ".new", "odd\n"); // the same size, another file
                         std::filesystem::rename(swapped + ".new", swapped);
                         std::filesystem::remove(gone);
                     });
    answers = {QMessageBox::Ok};
    dialog.ReplaceInAll();
    EXPECT_EQ(ReadBytes(grown), "old\nadded\n");
    EXPECT_EQ(ReadBytes(swapped), "odd\n");
    EXPECT_FALSE(std::filesystem::exists(gone)) << "a removed file is not made again";
    EXPECT_EQ(ReadBytes(kept), "new\n");
    ASSERT_EQ(messages.size(), 2u);
    const QString report = messages[1].text;
    EXPECT_TRUE(report.startsWith("1 replacement was made in 1 file.")) << report.toStdString();
    EXPECT_TRUE(report.contains(fw::LoadString(str::FilesChangedMeanwhile).section('%', 0, 0)));
    for (const std::string& f : {grown, swapped, gone})
        EXPECT_TRUE(report.contains(QString::fromStdString(f))) << report.toStdString();
    EXPECT_FALSE(report.contains(QString::fromStdString(kept)));
}

// A rewritten file keeps its byte-order mark and every byte around the matches.
TEST_F(SearchTest, MultipleFileReplaceKeepsEveryByteOutsideTheMatches) {
    const std::string bom = scratch / "bom.tpl";
    testutil::WriteBytes(bom, "\xEF\xBB\xBFold \xEF\xBB\xBF\r\n\xE2\x80\xA8old\xC2\xA0\r");
    CMultiReplaceDlg dialog(&Frame());
    fileAnswers = {{QString::fromStdString(bom)}};
    dialog.AddFiles();
    dialog.findChild<QPlainTextEdit*>("searchEdit")->setPlainText("old");
    dialog.findChild<QPlainTextEdit*>("replaceEdit")->setPlainText("new");
    answers = {QMessageBox::Ok};
    dialog.ReplaceInAll();
    EXPECT_EQ(testutil::ReadBytes(bom),
              "\xEF\xBB\xBFnew \xEF\xBB\xBF\r\n\xE2\x80\xA8new\xC2\xA0\r");
}

} // namespace
