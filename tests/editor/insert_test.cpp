// The view's Image, Table and Hyperlink commands and their dialogs, run as from the menu on
// files written to disk.
#include "editor_fixture.h"

#include "document.h"
#include "hyperlink_dialog.h"
#include "ids.h"
#include "ls_main_view.h"
#include "table_dialog.h"

#include <brevic/ls_profile.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>

using testutil::Crlf;
using testutil::WriteBytes;

namespace {

std::string Le16(int v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string Be16(int v) {
    return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)};
}

std::string Gif(int width, int height) {
    return "GIF89a" + Le16(width) + Le16(height) + std::string("\x80\0\0;", 4);
}

// A marker segment of `content` bytes.
std::string Segment(unsigned char marker, size_t content, char fill = 'U') {
    return std::string{'\xFF', static_cast<char>(marker)} + Be16(static_cast<int>(content + 2)) +
           std::string(content, fill);
}

// A JFIF file: start, the JFIF APP0 segment, `before`, a frame header of kind `frame`,
// then scan data long enough that the bytes 612 to 615 exist whatever lies before.
std::string Jfif(const std::string& before, unsigned char frame, int width, int height) {
    const std::string app0 = std::string("\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 18);
    const std::string sof = std::string{'\xFF', static_cast<char>(frame)} + Be16(17) + '\x08' +
                            Be16(height) + Be16(width) +
                            std::string("\x03\x01\x22\0\x02\x11\x01\x03\x11\x01", 10);
    return "\xFF\xD8" + app0 + before + sof + "\xFF\xDA" + Be16(12) + std::string(1000, '\x7A') +
           "\xFF\xD9";
}

class InsertTest : public EditorTest {
protected:
    // site/site.hpr with `groups` (english active when there is one), and site/page.tpl open.
    void OpenPage(const std::string& groups, const std::string& page = "page.tpl") {
        site = scratch / "site/";
        std::filesystem::create_directories(site + "img");
        projectFile = site + "site.hpr";
        WriteBytes(projectFile, Crlf("[Groups]\n" + groups));
        WriteBytes(site + page, "");
        ASSERT_TRUE(Start({site + page}));
        ASSERT_EQ(theProject.InitProject(projectFile.c_str()), LS_OK);
        theProject.SetActiveLanguageName("english");
        OpenView();
    }
    void OpenView() {
        view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
        ASSERT_NE(view, nullptr);
        view->setFocus();
    }
    // The text of an empty document after Image with `file` chosen.
    QString InsertImage(const std::string& file, const QString& before = {}) {
        view->SetText(before);
        view->SetSel(static_cast<int>(before.size()), static_cast<int>(before.size()));
        fileAnswers = {{QString::fromStdString(file)}};
        Frame().Router().Execute(cmd::InsertImage);
        return view->GetText();
    }
    std::string Pathes(const std::string& file, const char* key) const {
        std::string v;
        brevic::ReadProfileValue("PATHES", key, v, file.c_str());
        return v;
    }

    std::string site;
    std::string projectFile;
    CLs_mainView* view = nullptr;
};

const char kOneLanguage[] = "GroupNumber=1\nGroup0=site.mcr\n";
const char kTwoLanguages[] =
    "GroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\nGroup2=deutsch.mcr\n";

TEST_F(InsertTest, ImageTagsCarryTheSizeOfGifAndJfifFilesOnly) {
    OpenPage(kOneLanguage);
    WriteBytes(site + "logo.gif", Gif(120, 40));
    EXPECT_EQ(
        InsertImage(site + "logo.gif"),
        R"(<IMG class="" STYLE="" SRC="logo.gif" WIDTH="120" HEIGHT="40" ALT="logo.gif" BORDER="0" ALIGN=>)");
    EXPECT_EQ(Pathes(projectFile, "ImagePath"), site.substr(0, site.size() - 1))
        << "kept in the project file";
    EXPECT_EQ(Pathes(settingsFile, "ImagePath"), "");

    // The frame header before, at (the layout of the fixed offsets 612 to 615) and after
    // byte 612, the last beyond the first 700 bytes; a progressive frame; a file whose
    // markers are cut short; kinds that are not measured.
    const std::string bmp = "BM" + std::string(16, '\0') + Le16(64) + Le16(0) + Le16(48) + Le16(0);
    const std::string png = std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x40\0\0\0\x30", 24);
    struct Case {
        const char* name;
        std::string bytes;
        const char* size; // empty: no WIDTH and HEIGHT
    } cases[] = {
        {"wide.gif", Gif(300, 2), R"( WIDTH="300" HEIGHT="2")"},
        {"early.jpg", Jfif(Segment(0xDB, 67), 0xC0, 640, 480), R"( WIDTH="640" HEIGHT="480")"},
        {"at612.jpg", Jfif(Segment(0xFE, 583), 0xC0, 321, 123), R"( WIDTH="321" HEIGHT="123")"},
        {"thumb.jpg", Jfif(Segment(0xE1, 5000) + "\xFF" + Segment(0xDB, 67), 0xC1, 1024, 768),
         R"( WIDTH="1024" HEIGHT="768")"},
        {"progressive.jpg",
         Jfif(Segment(0xDB, 67) + Segment(0xC4, 30) + "\xFF\xD0", 0xC2, 800, 600),
         R"( WIDTH="800" HEIGHT="600")"},
        {"cut.jpg", Jfif(Segment(0xE1, 5000), 0xC0, 640, 480).substr(0, 680), ""},
        {"photo.bmp", bmp, ""},
        {"photo.png", png, ""},
    };
    ASSERT_EQ(Jfif(Segment(0xFE, 583), 0xC0, 321, 123).substr(612, 4), Be16(123) + Be16(321));
    ASSERT_NE(Jfif(Segment(0xDB, 67), 0xC0, 640, 480).substr(612, 4), Be16(480) + Be16(640));
    for (const Case& c : cases) {
        WriteBytes(site + "img/" + c.name, c.bytes);
        EXPECT_EQ(InsertImage(site + "img/" + c.name),
                  QString(R"(<IMG class="" STYLE="" SRC="img/%1"%2 ALT="%1" BORDER="0" ALIGN=>)")
                      .arg(c.name, c.size))
            << c.name;
    }
    EXPECT_EQ(Pathes(projectFile, "ImagePath"), site + "img");
}

TEST_F(InsertTest, ImageSourcesAndPathsOnly) {
    // Pages built into language folders refer one level up.
    OpenPage(kTwoLanguages);
    WriteBytes(site + "img/a.gif", Gif(1, 1));
    EXPECT_EQ(
        InsertImage(site + "img/a.gif"),
        R"(<IMG class="" STYLE="" SRC="../img/a.gif" WIDTH="1" HEIGHT="1" ALT="a.gif" BORDER="0" ALIGN=>)");
    // Right after an opening quote only the path goes in.
    EXPECT_EQ(InsertImage(site + "img/a.gif", R"(<BODY BACKGROUND=")"),
              R"(<BODY BACKGROUND="../img/a.gif)");
    // Cancel, and a file that cannot be read, change nothing and say nothing.
    fileAnswers.clear();
    view->SetText("x");
    Frame().Router().Execute(cmd::InsertImage);
    EXPECT_EQ(view->GetText(), "x");
    EXPECT_EQ(InsertImage(site + "img/missing.gif", "x"), "x");
    EXPECT_TRUE(messages.empty());
    // A path the page cannot refer to (longer than a path may be) is refused and named.
    const std::string deep = site + std::string(250, 'd');
    std::filesystem::create_directories(deep);
    WriteBytes(deep + "/b.gif", Gif(2, 2));
    EXPECT_EQ(InsertImage(deep + "/b.gif", "x"), "x");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::PathTooLong);
    EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(deep)));

    // A document never saved: the bare file name; without a project the folder is kept in
    // the settings file.
    theProject.InitProject(nullptr);
    Frame().Router().Execute(cmd::FileNew);
    OpenView();
    ASSERT_TRUE(view->GetDocument()->PathName().isEmpty());
    EXPECT_EQ(
        InsertImage(site + "img/a.gif"),
        R"(<IMG class="" STYLE="" SRC="a.gif" WIDTH="1" HEIGHT="1" ALT="a.gif" BORDER="0" ALIGN=>)");
    EXPECT_EQ(Pathes(settingsFile, "ImagePath"), site + "img");
}

TEST_F(InsertTest, TableFromTheDialog) {
    ASSERT_TRUE(Start());
    OpenView();
    view->SetText("");
    // 2 rows of 3 columns, 80 %; a colour chosen but the background box left empty.
    modalAnswer = [](QDialog& d) {
        if (auto* colours = qobject_cast<QColorDialog*>(&d)) {
            colours->setCurrentColor(QColor(255, 0, 0));
            return static_cast<int>(QDialog::Accepted);
        }
        if (!qobject_cast<CTableDlg*>(&d)) return static_cast<int>(QDialog::Rejected);
        d.findChild<QLineEdit*>("columnsEdit")->setText("3");
        d.findChild<QLineEdit*>("rowsEdit")->setText("2");
        d.findChild<QLineEdit*>("widthEdit")->setText("80");
        d.findChild<QComboBox*>("unitCombo")->setCurrentIndex(1);
        d.findChild<QPushButton*>("colorButton")->click();
        d.findChild<QPushButton*>("okButton")->click();
        return d.result();
    };
    Frame().Router().Execute(cmd::InsertTable);
    const QString cell =
        "\t<TD BGCOLOR=\"\" ALIGN= VALIGN= WIDTH=\"\" ROWSPAN=\"\" COLSPAN=\"\"></TD>\n";
    const QString row = "<TR class=\"\" STYLE=\"\">\n" + cell + cell + cell + "</TR>\n";
    EXPECT_EQ(view->GetText(),
              "<TABLE BACKGROUND=\"\" class=\"\" STYLE=\"\" BGCOLOR=\"\" ALIGN= WIDTH=\"80%\" "
              "CELLSPACING=\"\" CELLPADDING=\"\">\n\n" +
                  row + row + "\n</TABLE>\n");
    EXPECT_EQ(dialogs, (std::vector<std::string>{"CTableDlg", "QColorDialog", "CHintDlg"}));

    // A caption, the colour, the border and spacing; a field that is not an integer, or
    // rows beyond the bound, keep the dialog open with a message.
    view->SetText("");
    dialogs.clear();
    modalAnswer = [this](QDialog& d) {
        if (qobject_cast<QColorDialog*>(&d)) return static_cast<int>(QDialog::Accepted); // black
        if (!qobject_cast<CTableDlg*>(&d)) return static_cast<int>(QDialog::Rejected);
        EXPECT_EQ(d.findChild<QComboBox*>("unitCombo")->currentText(), "pixel");
        d.findChild<QLineEdit*>("rowsEdit")->setText("0");
        d.findChild<QLineEdit*>("captionEdit")->setText("Prices");
        d.findChild<QCheckBox*>("backgroundCheck")->setChecked(true);
        d.findChild<QCheckBox*>("borderCheck")->setChecked(true);
        d.findChild<QPushButton*>("colorButton")->click();
        d.findChild<QLineEdit*>("cellspacingEdit")->setText("2x");
        d.findChild<QPushButton*>("okButton")->click();
        EXPECT_FALSE(d.result()) << "refused";
        d.findChild<QLineEdit*>("cellspacingEdit")->setText(" 2 ");
        d.findChild<QLineEdit*>("columnsEdit")->setText("101");
        d.findChild<QPushButton*>("okButton")->click();
        EXPECT_FALSE(d.result()) << "refused";
        EXPECT_EQ(messages.size(), 2u);
        d.findChild<QLineEdit*>("columnsEdit")->setText("5");
        d.findChild<QPushButton*>("okButton")->click();
        return d.result();
    };
    Frame().Router().Execute(cmd::InsertTable);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].stringId, str::EnterInteger);
    EXPECT_EQ(messages[1].text, "Please enter an integer between 0 and 100.");
    EXPECT_EQ(view->GetText(),
              "<TABLE BACKGROUND=\"\" BORDER class=\"\" STYLE=\"\" BGCOLOR=\"#000000\" ALIGN= "
              "WIDTH=\"\" CELLSPACING=\"2\" CELLPADDING=\"\">\n"
              "<CAPTION class=\"\" STYLE=\"\" ALIGN=>Prices</CAPTION>\n\n\n</TABLE>\n");

    // Cancel changes nothing.
    view->SetText("x");
    modalAnswer = {};
    Frame().Router().Execute(cmd::InsertTable);
    EXPECT_EQ(view->GetText(), "x");
}

// Fills the Insert Hyperlink dialog's fields (null: left as they are) and presses OK.
std::function<int(QDialog&)> LinkAnswer(const char* url, const char* anchor, const char* target,
                                        const char* status) {
    return [=](QDialog& d) {
        if (url) d.findChild<QLineEdit*>("urlEdit")->setText(url);
        if (anchor) d.findChild<QLineEdit*>("anchorEdit")->setText(anchor);
        if (target) d.findChild<QComboBox*>("targetCombo")->setEditText(target);
        if (status) d.findChild<QLineEdit*>("statusEdit")->setText(status);
        d.findChild<QPushButton*>("okButton")->click();
        return d.result();
    };
}

TEST_F(InsertTest, HyperlinkWrapsTheSelection) {
    ASSERT_TRUE(Start());
    OpenView();
    view->SetText("see today here");
    view->SetSel(4, 9);
    modalAnswer = LinkAnswer("news/today.htm", "top", "_blank", nullptr);
    Frame().Router().Execute(cmd::Hyperlink);
    EXPECT_EQ(view->GetText(),
              R"(see <A HREF="news/today.htm#top" TARGET="_blank">today</A> here)");
    EXPECT_EQ(view->GetSelText(), "today") << "the link text stays selected";

    const struct {
        std::function<int(QDialog&)> answer;
        QString text;
    } cases[] = {
        {LinkAnswer("a.htm", nullptr, nullptr, nullptr), R"(<A HREF="a.htm"></A>)"},
        {LinkAnswer("", "", "", "Go 'on'"),
         R"(<A HREF="" onMouseOver="window.status='Go 'on'';return true;"></A>)"},
        {[](QDialog& d) {
             d.findChild<QPushButton*>("cancelButton")->click();
             return d.result();
         },
         ""},
    };
    for (const auto& c : cases) {
        view->SetText("");
        modalAnswer = c.answer;
        Frame().Router().Execute(cmd::Hyperlink);
        EXPECT_EQ(view->GetText(), c.text);
    }
    CHyperlinkDlg dialog(nullptr, {});
    auto* combo = dialog.findChild<QComboBox*>("targetCombo");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->itemText(0), "_blank");
}

TEST_F(InsertTest, LinkTargetsAreRelativeToTheBuiltPage) {
    OpenPage(kTwoLanguages);
    const std::string chosen = site + "news/today.htm";
    QString url;
    auto pressBrowse = [&](QDialog& d) {
        d.findChild<QLineEdit*>("urlEdit")->setText("typed.htm");
        d.findChild<QPushButton*>("browseButton")->click();
        url = d.findChild<QLineEdit*>("urlEdit")->text();
        return static_cast<int>(QDialog::Rejected);
    };
    modalAnswer = pressBrowse;
    fileAnswers = {{QString::fromStdString(chosen)}};
    Frame().Router().Execute(cmd::Hyperlink);
    EXPECT_EQ(url, "../news/today.htm") << "page.tpl is built into english/page.htm";
    EXPECT_FALSE(testutil::Exists(site + "english")) << "working out the link makes no folder";
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(fileDialogs[0].caption, "Select Hyperlink");
    EXPECT_EQ(Pathes(projectFile, "LinkPath"), site + "news");

    // An unsaved document, and one that is not a template: message 174, the URL as typed.
    for (const std::string& page : {std::string(), site + "plain.htm"}) {
        if (page.empty()) {
            Frame().Router().Execute(cmd::FileNew);
        } else {
            WriteBytes(page, "");
            app::OpenDocumentFile(QString::fromStdString(page));
        }
        OpenView();
        messages.clear(); // opening a page that is not a template recommends one
        Frame().Router().Execute(cmd::Hyperlink);
        ASSERT_EQ(messages.size(), 1u) << page;
        EXPECT_EQ(messages[0].stringId, str::NoLinkPath);
        EXPECT_EQ(messages[0].kind, fw::MessageKind::Stop);
        EXPECT_EQ(url, "typed.htm");
    }
    EXPECT_EQ(fileDialogs.size(), 1u);
}

} // namespace
