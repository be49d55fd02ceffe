// The macro dialogs driven through their widgets: the live name check of the macro name
// edits, Organize macros on empty and filled bases, Select Macro, and the system macro texts.
#include "editor_fixture.h"
#include "widget_helpers.h"

#include "ids.h"
#include "name_check.h"
#include "new_macro_dialog.h"
#include "organize_macros_dialog.h"
#include "select_macro_dialog.h"
#include "system_macro_dialog.h"

#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cstring>
#include <memory>

using testutil::Crlf;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

using widgets::Child;
using widgets::DoubleClick;
using widgets::Items;

QString Selected(QListWidget* list) {
    QList<QListWidgetItem*> s = list->selectedItems();
    return s.isEmpty() ? QString() : s.first()->text();
}

class MacroDialogs : public EditorTest {
protected:
    // A macro base on a file of the scratch folder holding `names` (empty texts).
    tLS_macrobase& Base(const std::string& fileText = {}) {
        basePath = scratch / "group.mcr";
        if (!fileText.empty()) WriteBytes(basePath, Crlf(fileText));
        base = std::make_unique<tLS_macrobase>(basePath.c_str(), &baseError);
        EXPECT_EQ(baseError, LS_OK);
        return *base;
    }
    // Saves and reloads the base; the names in slot order.
    std::vector<std::string> SavedNames() {
        base.reset();
        EXPECT_EQ(baseError, LS_OK);
        tLS_Error error = LS_OK;
        tLS_macrobase reread(basePath.c_str(), &error);
        EXPECT_EQ(error, LS_OK);
        std::vector<std::string> names;
        for (int i = 0; i <= reread.GetLastIndex(); ++i) {
            tBaseMember* m = nullptr;
            if (reread.GetMacroContent(i, m) == LS_OK) names.push_back(m->name);
        }
        return names;
    }
    int MessageCount(int id) const {
        int n = 0;
        for (const fw::MessageRequest& m : messages)
            n += m.stringId == id;
        return n;
    }

    std::string basePath;
    tLS_Error baseError = LS_OK; // outlives the base, which reports its save into it
    std::unique_ptr<tLS_macrobase> base;
};

TEST_F(MacroDialogs, NewMacroEditRefusesForbiddenCharactersAndLongNames) {
    CNewMacroDlg dialog(nullptr);
    dialog.show();
    QLineEdit* edit = Child<QLineEdit>(dialog, "nameEdit");
    QTest::keyClicks(edit, "a.b");
    EXPECT_EQ(edit->text(), "ab") << "the full stop is refused, the b is taken";

    // A pasted text with a forbidden character anywhere restores the whole previous text.
    edit->setCursorPosition(1);
    QApplication::clipboard()->setText("xy{z");
    edit->paste();
    EXPECT_EQ(edit->text(), "ab");
    EXPECT_EQ(edit->cursorPosition(), 1);
    QApplication::clipboard()->setText("x y");
    edit->paste();
    EXPECT_EQ(edit->text(), "ax yb") << "a blank is allowed";

    // 30 characters is what a macro file can read back: the 31st is refused.
    edit->clear();
    QTest::keyClicks(edit, QString(31, 'n'));
    EXPECT_EQ(edit->text(), QString(NameCheck::kMacroNameMax, 'n'));
    for (const char* bad : {"#",  "[", "]", "\"", "<", "'", "!", "&", "%", "$", "/",
                            "\\", "*", "+", "~",  ":", ";", ",", "?", "|", "^", "`"}) {
        edit->setText("ok");
        edit->insert(QString::fromLatin1(bad));
        EXPECT_EQ(edit->text(), "ok") << bad;
    }
    for (const char16_t bad : {u'\u00A7', u'\u00B0', u'\u00B4'}) {
        edit->setText("ok");
        edit->insert(QString(QChar(bad)));
        EXPECT_EQ(edit->text(), "ok") << static_cast<int>(bad);
    }
}

TEST_F(MacroDialogs, NewMacroResults) {
    {
        CNewMacroDlg dialog(nullptr);
        modalAnswer = [](QDialog& d) {
            QTest::keyClicks(d.findChild<QLineEdit*>("nameEdit"), "Footer");
            d.findChild<QPushButton*>("okButton")->click();
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 1);
        EXPECT_EQ(dialog.nameText, "Footer");
    }
    {
        CNewMacroDlg dialog(nullptr);
        modalAnswer = [](QDialog& d) {
            QTest::keyClicks(d.findChild<QLineEdit*>("nameEdit"), "Header");
            QTest::keyClick(&d, Qt::Key_Escape);
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 2);
        EXPECT_EQ(dialog.nameText, "") << "cancelling reads nothing";
    }
    {
        CNewMacroDlg dialog(nullptr);
        modalAnswer = [](QDialog& d) {
            d.findChild<QPushButton*>("closeButton")->click();
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 2);
    }
    EXPECT_EQ(dialogs, (std::vector<std::string>{"CNewMacroDlg", "CNewMacroDlg", "CNewMacroDlg"}));
}

TEST_F(MacroDialogs, OrganizeMacrosWithoutBaseOrOnAnEmptyBase) {
    {
        COrganizeMacrosDlg dialog(nullptr, nullptr);
        QListWidget* list = Child<QListWidget>(dialog, "macroList");
        EXPECT_EQ(list->count(), 0);
        QTest::keyClicks(Child<QLineEdit>(dialog, "nameEdit"), "Menu");
        dialog.OnNew();
        dialog.OnDelete();
        EXPECT_EQ(list->count(), 0);
        EXPECT_TRUE(messages.empty()) << "without a base New and Delete do nothing";
    }
    tLS_macrobase& b = Base();
    COrganizeMacrosDlg dialog(nullptr, &b);
    EXPECT_EQ(Child<QListWidget>(dialog, "macroList")->count(), 0);
    dialog.OnDelete();
    EXPECT_TRUE(messages.empty());
    modalAnswer = [](QDialog& d) {
        d.findChild<QPushButton*>("editButton")->click();
        return d.result();
    };
    EXPECT_EQ(dialog.Run(), 1);
    EXPECT_EQ(dialog.selectedName, "");
    EXPECT_FALSE(b.IsModified());
}

// Enter after typing a name: a new name is made, a name of the list opens that macro (not
// the entry that happens to be selected).
TEST_F(MacroDialogs, OrganizeMacrosEnterMakesOrOpensTheTypedName) {
    tLS_macrobase& b = Base("{:beta:1:}\nB\n{:Alpha:1:}\nA\n{:gamma:1:}\nG\n");
    COrganizeMacrosDlg dialog(nullptr, &b);
    dialog.show();
    QLineEdit* edit = Child<QLineEdit>(dialog, "nameEdit");
    QTest::keyClicks(edit, "delta");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Items(Child<QListWidget>(dialog, "macroList")),
              (QStringList{"Alpha", "beta", "delta", "gamma"}));
    EXPECT_TRUE(dialog.isVisible()) << "New keeps the dialog open";
    edit->setText("beta");
    Child<QListWidget>(dialog, "macroList")->setCurrentRow(0);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(dialog.selectedName, "beta");
}

TEST_F(MacroDialogs, OrganizeMacrosNewAndDelete) {
    tLS_macrobase& b = Base("{:beta:1:}\nB\n{:Alpha:1:}\nA\n{:gamma:1:}\nG\n");
    COrganizeMacrosDlg dialog(nullptr, &b);
    dialog.show();
    QListWidget* list = Child<QListWidget>(dialog, "macroList");
    QLineEdit* edit = Child<QLineEdit>(dialog, "nameEdit");
    QPushButton* newButton = Child<QPushButton>(dialog, "newButton");
    QPushButton* deleteButton = Child<QPushButton>(dialog, "deleteButton");
    EXPECT_EQ(Items(list), (QStringList{"Alpha", "beta", "gamma"}))
        << "sorted without regard to case";
    EXPECT_EQ(Selected(list), "Alpha");

    // The selection follows the typed text.
    QTest::keyClicks(edit, "G");
    EXPECT_EQ(Selected(list), "gamma");
    edit->clear();

    QTest::keyClicks(edit, "delta");
    newButton->click();
    EXPECT_EQ(Items(list), (QStringList{"Alpha", "beta", "delta", "gamma"}));
    EXPECT_EQ(Selected(list), "delta");
    EXPECT_FALSE(b.IsModified()) << "a macro made is written to its file at once";
    EXPECT_NE(ReadBytes(basePath).find("\r\n{:delta:"), std::string::npos);

    // The same name again: 139; a name differing in case is a second macro.
    newButton->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::MacroExists);
    EXPECT_EQ(messages[0].kind, fw::MessageKind::Error);
    edit->setText("Delta");
    newButton->click();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(list->count(), 5);
    EXPECT_EQ(Selected(list), "Delta");

    // An empty name cannot be stored: 138, the list unchanged.
    edit->clear();
    newButton->click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].stringId, str::MacroNotCreated);
    EXPECT_EQ(list->count(), 5);

    // Deleting "Delta" removes exactly that one, and selects the entry before it.
    ASSERT_EQ(Items(list), (QStringList{"Alpha", "beta", "Delta", "delta", "gamma"}));
    list->setCurrentRow(2);
    deleteButton->click();
    EXPECT_EQ(Items(list), (QStringList{"Alpha", "beta", "delta", "gamma"}));
    EXPECT_EQ(Selected(list), "beta");

    // The last entry: the one before it is selected; the first: the new first one.
    list->setCurrentRow(3);
    deleteButton->click();
    EXPECT_EQ(Items(list), (QStringList{"Alpha", "beta", "delta"}));
    EXPECT_EQ(Selected(list), "delta");
    list->setCurrentRow(0);
    deleteButton->click();
    EXPECT_EQ(Items(list), (QStringList{"beta", "delta"}));
    EXPECT_EQ(Selected(list), "beta");
    EXPECT_EQ(messages.size(), 2u) << "no question before deleting";

    // A deleted name can be created again in the same run.
    edit->setText("gamma");
    newButton->click();
    EXPECT_EQ(Items(list), (QStringList{"beta", "delta", "gamma"}));
    EXPECT_EQ(messages.size(), 2u);

    // The longest name the edit takes survives the macro file.
    edit->clear();
    QTest::keyClicks(edit, QString(40, 'z'));
    newButton->click();
    EXPECT_EQ(messages.size(), 2u);

    EXPECT_EQ(SavedNames(),
              (std::vector<std::string>{"beta", "delta", "gamma", std::string(30, 'z')}));
}

TEST_F(MacroDialogs, OrganizeMacrosOnABaseThatDidNotLoadChangesNothing) {
    // The second header names 31 characters: the file cannot be read to its end.
    const std::string path = scratch / "damaged.mcr";
    const std::string text = Crlf("{:kept:1:}\nK\n{:" + std::string(31, 'x') + ":1:}\nX\n");
    WriteBytes(path, text);
    tLS_Error error = LS_OK;
    {
        tLS_macrobase damaged(path.c_str(), &error);
        ASSERT_EQ(error, LS_BASE_FORMAT);
        COrganizeMacrosDlg dialog(nullptr, &damaged);
        QListWidget* list = Child<QListWidget>(dialog, "macroList");
        ASSERT_EQ(Items(list), (QStringList{"kept"}));
        Child<QPushButton>(dialog, "deleteButton")->click();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].stringId, str::SystemError)
            << "a deletion that could never be saved is refused";
        EXPECT_EQ(Items(list), (QStringList{"kept"}));
        Child<QLineEdit>(dialog, "nameEdit")->setText("fresh");
        Child<QPushButton>(dialog, "newButton")->click();
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[1].stringId, str::MacroNotCreated);
        EXPECT_EQ(Items(list), (QStringList{"kept"}));
    }
    EXPECT_EQ(ReadBytes(path), text);
}

TEST_F(MacroDialogs, NameSearchStartsAfterTheFirstEntryAndWraps) {
    tLS_macrobase& b = Base("{:Hat:1:}\nA\n{:Header:1:}\nB\n{:Hello:1:}\nC\n");
    COrganizeMacrosDlg dialog(nullptr, &b);
    QStringList seen;
    modalAnswer = [&seen](QDialog& d) {
        d.show();
        auto* edit = d.findChild<QLineEdit*>("nameEdit");
        auto* list = d.findChild<QListWidget*>("macroList");
        QTest::keyClicks(edit, "H");
        seen << Selected(list);
        QTest::keyClicks(edit, "e");
        seen << Selected(list);
        edit->clear();
        QTest::keyClicks(edit, "ha");
        seen << Selected(list);
        return 2;
    };
    dialog.Run();
    // "H" finds Header (after entry 0), "He" stays on it; "ha" wraps round to Hat.
    EXPECT_EQ(seen, (QStringList{"Header", "Header", "Hat"}));
}

TEST_F(MacroDialogs, OrganizeMacrosEditHandsBackTheSelection) {
    tLS_macrobase& b = Base("{:Footer:1:}\nF\n{:Header:1:}\nH\n");
    {
        COrganizeMacrosDlg dialog(nullptr, &b);
        modalAnswer = [](QDialog& d) {
            auto* list = d.findChild<QListWidget*>("macroList");
            DoubleClick(list, 1);
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 1);
        EXPECT_EQ(dialog.selectedName, "Header");
    }
    {
        // Enter in the name edit with a name of the list opens that macro.
        COrganizeMacrosDlg dialog(nullptr, &b);
        modalAnswer = [](QDialog& d) {
            d.show();
            auto* edit = d.findChild<QLineEdit*>("nameEdit");
            QTest::keyClicks(edit, "Footer");
            QTest::keyClick(edit, Qt::Key_Return);
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 1);
        EXPECT_EQ(dialog.selectedName, "Footer");
        EXPECT_EQ(dialog.nameText, "Footer");
    }
    {
        COrganizeMacrosDlg dialog(nullptr, &b);
        modalAnswer = [](QDialog& d) {
            d.findChild<QPushButton*>("closeButton")->click();
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 2);
        EXPECT_EQ(dialog.selectedName, "");
    }
}

TEST_F(MacroDialogs, SelectMacroChoosesByEnterOrDoubleClick) {
    tLS_macrobase& b = Base("{:zeta:1:}\n\n{:Beta:1:}\n\n{:alpha:1:}\n\n");
    {
        CSelectMacroDlg dialog(nullptr, &b);
        modalAnswer = [](QDialog& d) {
            auto* list = d.findChild<QListWidget*>("macroList");
            EXPECT_EQ(Items(list), (QStringList{"alpha", "Beta", "zeta"}));
            EXPECT_EQ(Selected(list), "alpha");
            list->setCurrentRow(1);
            QTest::keyClick(list, Qt::Key_Return);
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 1);
        EXPECT_EQ(dialog.selectedName, "Beta");
    }
    {
        CSelectMacroDlg dialog(nullptr, &b);
        modalAnswer = [](QDialog& d) {
            auto* list = d.findChild<QListWidget*>("macroList");
            DoubleClick(list, 2);
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 1);
        EXPECT_EQ(dialog.selectedName, "zeta");
    }
    {
        CSelectMacroDlg dialog(nullptr, &b);
        modalAnswer = [](QDialog& d) {
            QTest::keyClick(d.findChild<QListWidget*>("macroList"), Qt::Key_Escape);
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 2);
        EXPECT_EQ(dialog.selectedName, "");
    }
    {
        // Enter on Cancel's focus still chooses: Cancel is no default button.
        CSelectMacroDlg dialog(nullptr, nullptr);
        modalAnswer = [](QDialog& d) {
            EXPECT_EQ(d.findChild<QListWidget*>("macroList")->count(), 0);
            QTest::keyClick(d.findChild<QPushButton*>("cancelButton"), Qt::Key_Return);
            return d.result();
        };
        EXPECT_EQ(dialog.Run(), 1);
        EXPECT_EQ(dialog.selectedName, "");
    }
}

TEST_F(MacroDialogs, SystemMacroTexts) {
    ASSERT_EQ(CSystemMacroDlg::dateFormats.size(), 18u);
    for (const char* f : CSystemMacroDlg::dateFormats)
        EXPECT_LE(std::strlen(f), 14u) << f;
    EXPECT_STREQ(CSystemMacroDlg::dateFormats[5], "%d %B, %Y");
    EXPECT_STREQ(CSystemMacroDlg::dateFormats[17], "%I.%M %p");

    auto run = [this](std::function<void(CSystemMacroDlg&)> act, QString& text) {
        CSystemMacroDlg dialog(nullptr);
        modalAnswer = [&](QDialog&) {
            act(dialog);
            return dialog.result();
        };
        int r = dialog.Run();
        text = dialog.resultText;
        return r;
    };
    QString text;
    EXPECT_EQ(run(
                  [](CSystemMacroDlg& d) {
                      EXPECT_EQ(d.findChild<QComboBox*>("formatCombo")->count(), 18);
                      d.findChild<QComboBox*>("formatCombo")->setCurrentIndex(5);
                      d.findChild<QPushButton*>("macroButton")->click();
                  },
                  text),
              1077);
    EXPECT_EQ(text, "{#\"%d %B, %Y\"_DATE_AND_TIME_}");

    EXPECT_EQ(
        run([](CSystemMacroDlg& d) { d.findChild<QPushButton*>("param0Button")->click(); }, text),
        1077);
    EXPECT_EQ(text, "{#_MACRO_PARAM_0}");
    EXPECT_EQ(
        run([](CSystemMacroDlg& d) { d.findChild<QPushButton*>("param9Button")->click(); }, text),
        1077);
    EXPECT_EQ(text, "{#_MACRO_PARAM_9}");

    // "String": the formatted date of the selected row, as the compiler formats it.
    const long before = brevic::CurrentTime();
    EXPECT_EQ(run(
                  [](CSystemMacroDlg& d) {
                      d.findChild<QComboBox*>("formatCombo")->setCurrentIndex(1);
                      d.findChild<QPushButton*>("stringButton")->click();
                  },
                  text),
              1);
    const long after = brevic::CurrentTime();
    EXPECT_TRUE(text == QString::fromLocal8Bit(brevic::FormatLocalTime("%d.%m.%Y", before)) ||
                text == QString::fromLocal8Bit(brevic::FormatLocalTime("%d.%m.%Y", after)))
        << text.toStdString();

    // Typed into the box: no row is selected any more, so "Macro" takes row 0, and
    // "String" hands back the typed text.
    EXPECT_EQ(run(
                  [](CSystemMacroDlg& d) {
                      auto* box = d.findChild<QComboBox*>("formatCombo");
                      box->setCurrentIndex(5);
                      QTest::keyClicks(box->lineEdit(), "!");
                      d.findChild<QPushButton*>("macroButton")->click();
                  },
                  text),
              1077);
    EXPECT_EQ(text, "{#\"%d.%m.%y\"_DATE_AND_TIME_}");
    EXPECT_EQ(run(
                  [](CSystemMacroDlg& d) {
                      auto* box = d.findChild<QComboBox*>("formatCombo");
                      box->lineEdit()->clear();
                      QTest::keyClicks(box->lineEdit(), "Today");
                      d.findChild<QPushButton*>("stringButton")->click();
                  },
                  text),
              1);
    EXPECT_EQ(text, "Today");
    // Choosing a row again makes it the selection.
    EXPECT_EQ(run(
                  [](CSystemMacroDlg& d) {
                      auto* box = d.findChild<QComboBox*>("formatCombo");
                      QTest::keyClicks(box->lineEdit(), "x");
                      box->setCurrentIndex(14);
                      emit box->activated(14);
                      d.findChild<QPushButton*>("macroButton")->click();
                  },
                  text),
              1077);
    EXPECT_EQ(text, "{#\"%H.%M.%S\"_DATE_AND_TIME_}");

    EXPECT_EQ(run([](CSystemMacroDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, text), 2);
    EXPECT_EQ(text, "");
    EXPECT_EQ(
        run([](CSystemMacroDlg& d) { d.findChild<QPushButton*>("cancelButton")->click(); }, text),
        2);
    EXPECT_EQ(text, "");
}

} // namespace
