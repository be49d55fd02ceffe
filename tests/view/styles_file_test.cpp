// The styles library: the CSS texts of a style, and the styles file on disk.
#include "styles_file.h"

#include "test_util.h"

#include <gtest/gtest.h>

#include <brevic/ls_files.h>
#include <brevic/ls_testing.h>

using styles::Form;
using styles::MakeInsertion;
using styles::Style;
using styles::StylesFile;
using testutil::Crlf;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

Style ArialBold() {
    Style s;
    s.values[styles::FontFamily] = "Arial";
    s.values[styles::FontWeight] = "bold";
    return s;
}

// A section as the dialog writes it: Name, Del and every value key in order.
std::string Section(int n, const std::string& name, const std::string& family = "", int del = 0) {
    return "[STYLE_" + std::to_string(n) + "]\nName=" + name + "\nDel=" + std::to_string(del) +
           "\nfont-family=" + family +
           "\nfont-style=\nfont-weight=\ntext-decoration=\ntext-align=\nfont-size=\nfont-size-"
           "units=pt"
           "\nmargin-right=\nmargin-right-units=pt\nmargin-left=\nmargin-left-units=pt\ntext-"
           "indent="
           "\ntext-indent-units=pt\nline-height=\nline-height-units=pt\nbackground=\ncolor=\n";
}

TEST(StyleTexts, DeclarationsInEveryForm) {
    const Style s = ArialBold();
    EXPECT_EQ(styles::BuildDeclarations(s), "font-family: Arial; font-weight: bold; ");
    EXPECT_EQ(MakeInsertion(Form::Span, s).opening,
              "<SPAN STYLE=\"font-family: Arial; font-weight: bold; \">");
    EXPECT_EQ(MakeInsertion(Form::Span, s).closing, "</SPAN>");
    EXPECT_EQ(MakeInsertion(Form::Div, s).opening,
              "<DIV STYLE=\"font-family: Arial; font-weight: bold; \">");
    EXPECT_EQ(MakeInsertion(Form::Div, s).closing, "</DIV>");
    EXPECT_EQ(MakeInsertion(Form::Block, s).opening, "{ font-family: Arial; font-weight: bold; }");
    EXPECT_EQ(MakeInsertion(Form::StyleSheet, s).opening,
              "<STYLE TYPE=\"text/css\">\n<!--\n\t{ font-family: Arial; font-weight: bold; "
              "}\n-->\n</STYLE>");
    EXPECT_TRUE(MakeInsertion(Form::Declarations, s).closing.isEmpty());
    EXPECT_TRUE(styles::BuildDeclarations(Style()).isEmpty()) << "units alone give nothing";
}

TEST(StyleTexts, MeasuredValuesTakeTheirUnitAndKeepTheOrder) {
    Style s;
    s.values[styles::FontSizeUnit] = "px";
    EXPECT_EQ(styles::BuildDeclarations(s), "") << "an empty size with a unit";
    s.values[styles::FontSize] = "12";
    EXPECT_EQ(styles::BuildDeclarations(s), "font-size: 12px; ");
    s.values[styles::Color] = "#FF8000";
    s.values[styles::LineHeight] = "1.5";
    s.values[styles::LineHeightUnit] = "";
    s.values[styles::TextAlign] = "center";
    EXPECT_EQ(styles::BuildDeclarations(s),
              "text-align: center; font-size: 12px; line-height: 1.5; color: #FF8000; ");
}

TEST(StyleTexts, EachOfTheFiveMeasuredValuesTakesItsOwnUnit) {
    const struct {
        int value, unit;
        const char* key;
    } pairs[] = {
        {styles::FontSize, styles::FontSizeUnit, "font-size"},
        {styles::MarginRight, styles::MarginRightUnit, "margin-right"},
        {styles::MarginLeft, styles::MarginLeftUnit, "margin-left"},
        {styles::TextIndent, styles::TextIndentUnit, "text-indent"},
        {styles::LineHeight, styles::LineHeightUnit, "line-height"},
    };
    for (const auto& p : pairs) {
        Style s;
        EXPECT_EQ(s.values[p.unit], "pt") << p.key;
        s.values[p.unit] = "cm";
        EXPECT_EQ(styles::BuildDeclarations(s), "") << p.key << ": a unit alone";
        s.values[p.value] = "3";
        EXPECT_EQ(styles::BuildDeclarations(s), QString("%1: 3cm; ").arg(p.key));
    }
}

TEST(StyleTexts, OnlyAHashAndSixHexDigitsAreAColour) {
    const struct {
        const char* text;
        unsigned bgr; // 0: not a colour, drawn black
    } cases[] = {
        {"#FF8000", 0x0080FFu}, {"#0f0B0c", 0x0C0B0Fu}, {"", 0},        {"orange", 0},
        {"#FF800", 0},          {"#FF80001", 0},        {"0FF8000", 0}, {"#GG8000", 0},
        {"#+FF800", 0},         {"# FF800", 0},         {"#0xF800", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(styles::ColorValue(c.text), c.bgr) << c.text;
}

class StylesFileTest : public ::testing::Test {
protected:
    testutil::TempDir dir;
    std::string path = dir / "styles.dat";
    StylesFile file{QString::fromStdString(path)};
};

TEST_F(StylesFileTest, SavedStylesReadBackAndUntouchedFilesStayByteForByte) {
    EXPECT_TRUE(file.Names().isEmpty()) << "a missing file";
    Style s = ArialBold();
    s.name = "Heading";
    s.values[styles::Background] = "line\nbreak";
    ASSERT_TRUE(file.Save(0, s));
    EXPECT_EQ(ReadBytes(path).rfind(Crlf("[STYLE_0]\nName=Heading\nDel=0\nfont-family=Arial\n"), 0),
              0u);
    Style back;
    ASSERT_TRUE(file.Load(0, back));
    EXPECT_EQ(back.name, "Heading");
    Style expected = s;
    expected.values[styles::Background] = "line break";
    EXPECT_EQ(back.values, expected.values);

    // Written by another tool, with a comment, LF line ends and a key it does not know:
    // saving the same values again leaves the file as it was.
    const std::string other = "; mine\n" + Section(0, "Plain", "Verdana") + "extra=1\n";
    WriteBytes(path, other);
    ASSERT_TRUE(file.Load(0, back));
    EXPECT_EQ(back.values[styles::FontFamily], "Verdana");
    ASSERT_TRUE(file.Save(0, back));
    EXPECT_EQ(ReadBytes(path), other);
    WriteBytes(path, "[STYLE_0]\nName=Plain\n");
    ASSERT_TRUE(file.Load(0, back));
    EXPECT_EQ(back.values[styles::FontSizeUnit], "pt") << "a missing unit";

    // A Windows-1252 file stays Windows-1252 until it must hold a character it lacks.
    WriteBytes(path, "[STYLE_0]\nName=Caf\xE9\n");
    ASSERT_TRUE(file.Load(0, back));
    EXPECT_EQ(back.name, QString::fromUtf8("Caf\xC3\xA9"));
    back.values[styles::FontFamily] = "Arial";
    ASSERT_TRUE(file.Save(0, back));
    EXPECT_EQ(ReadBytes(path).rfind(Crlf("[STYLE_0]\nName=Caf\xE9\nDel=0\nfont-family=Arial\n"), 0),
              0u);
    back.values[styles::FontFamily] = QString::fromUtf8("\xC5\x81\xC3\xB3\x64\xC5\xBA");
    ASSERT_TRUE(file.Save(0, back));
    EXPECT_EQ(
        ReadBytes(path).rfind(
            Crlf("[STYLE_0]\nName=Caf\xC3\xA9\nDel=0\nfont-family=\xC5\x81\xC3\xB3\x64\xC5\xBA\n"),
            0),
        0u);
}

TEST_F(StylesFileTest, DeleteMovesTheLastStyleIntoTheGap) {
    WriteBytes(path, Crlf(Section(0, "A", "Arial") + Section(1, "B", "Bodoni") +
                          Section(2, "C", "Courier")));
    ASSERT_TRUE(file.Delete(0, 3));
    EXPECT_EQ(file.Names(), QStringList({"C", "B"}));
    Style first;
    ASSERT_TRUE(file.Load(0, first));
    EXPECT_EQ(first.values[styles::FontFamily], "Courier");
    EXPECT_FALSE(file.Load(2, first)) << "marked deleted";

    ASSERT_TRUE(file.Delete(1, 2)) << "the last one is only marked";
    EXPECT_EQ(file.Names(), QStringList({"C"}));
    EXPECT_FALSE(file.Delete(0, 0));
}

TEST_F(StylesFileTest, ADeletedOrNamelessSectionEndsTheList) {
    WriteBytes(path, Crlf(Section(0, "A") + Section(1, "B", "", 1) + Section(2, "C")));
    EXPECT_EQ(file.Names(), QStringList({"A"}));
    WriteBytes(path, Crlf(Section(0, "A") + Section(1, "") + Section(2, "C")));
    EXPECT_EQ(file.Names(), QStringList({"A"}));
    // Headers as the profile functions read them: a byte order mark, blanks, any letter
    // case, text after the bracket; the first of two sections of one name counts.
    WriteBytes(path, "\xEF\xBB\xBF[Style_0]\nName=A\n  [ style_1 ] old\nName=B\n[STYLE_2]\nName=C\n"
                     "[STYLE_1]\nName=Z\nDel=1\n[STYLE_2x]\n[STYLE_3]\r\nname = D \r\n");
    EXPECT_EQ(file.Names(), QStringList({"A", "B", "C", "D"}));
    WriteBytes(path, Crlf(Section(0, "A name longer than thirty-two characters")));
    EXPECT_EQ(file.Names(), QStringList({"A name longer than thirty-two ch"}));
}

TEST_F(StylesFileTest, AFileThatCannotBeWrittenOrReadStaysAsItWas) {
    const std::string before = Crlf(Section(0, "A") + Section(1, "B"));
    WriteBytes(path, before);
    Style s = ArialBold();
    brevic::InjectFault(brevic::FaultOp::Write, 1);
    EXPECT_FALSE(file.Save(0, s));
    brevic::InjectFault(brevic::FaultOp::Write, 1);
    EXPECT_FALSE(file.Delete(0, 2));
    brevic::InjectFault(brevic::FaultOp::Read, 1);
    EXPECT_FALSE(file.Save(0, s)) << "a file that could not be read is not replaced";
    brevic::ClearFaults();
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(StylesFile(QString::fromStdString(dir.path())).Save(0, s)) << "a folder";
    EXPECT_FALSE(StylesFile().Save(0, s)) << "no path";
}

} // namespace
