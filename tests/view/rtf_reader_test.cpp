#include "color_stream.h"
#include "rtf_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using view::ColorToRtf;
using view::ParseRtf;
using view::RtfDocument;

namespace {

// Runs must cover the text in order, without gaps, empty runs or equal neighbours.
void ExpectSaneRuns(const RtfDocument& doc) {
    int next = 0;
    for (size_t i = 0; i < doc.runs.size(); ++i) {
        const view::ColorRun& run = doc.runs[i];
        EXPECT_EQ(run.start, next);
        EXPECT_GT(run.length, 0);
        EXPECT_GE(run.color, 0);
        EXPECT_TRUE(run.color == 0 || size_t(run.color) < doc.colors.size());
        if (i > 0) {
            EXPECT_NE(run.color, doc.runs[i - 1].color) << "neighbours not merged";
        }
        next = run.start + run.length;
    }
    EXPECT_EQ(next, doc.text.size());
}

RtfDocument Parse(const std::string& rtf) {
    RtfDocument doc;
    EXPECT_TRUE(ParseRtf(rtf.data(), rtf.size(), doc)) << rtf;
    ExpectSaneRuns(doc);
    return doc;
}

RtfDocument Colored(const std::string& text) {
    return Parse(ColorToRtf(text.c_str()));
}

// The colour index of every character as digits (for short texts).
std::string ColorDigits(const RtfDocument& doc) {
    std::string digits;
    for (const view::ColorRun& run : doc.runs)
        digits.append(size_t(run.length), char('0' + run.color));
    return digits;
}

TEST(RtfReaderTest, HeaderGivesColoursFontAndSize) {
    const RtfDocument doc = Colored("");
    EXPECT_TRUE(doc.text.isEmpty());
    EXPECT_TRUE(doc.runs.empty());
    const std::vector<QRgb> colors = {qRgb(0, 0, 0),      qRgb(0, 128, 0), qRgb(0, 0, 255),
                                      qRgb(255, 0, 255),  qRgb(128, 0, 0), qRgb(224, 78, 41),
                                      qRgb(128, 128, 128)};
    EXPECT_EQ(doc.colors, colors);
    EXPECT_EQ(doc.fontFace, QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(doc.fontSizeHalfPoints, 15);
}

TEST(RtfReaderTest, RoundTripGivesTheTextBack) {
    const std::string texts[] = {
        "a\\b{c}d \\par \\{ \\\\",
        "Gr\xc3\xbc\xc3\x9f"
        "e \xc3\xa4\xc3\xb6\xc3\xbc\xe2\x82\xac \xf0\x9f\x98\x80 <b>x</b>",
        "line one\r\nline two\r\n\r\n",
        "\n\n\t<a href=\"{#Link,1}\">x</a>\n<!-- c\n -->\n<<raw>\n",
        "{\\rtf1 not a header} \\cf3 x",
    };
    for (const std::string& text : texts) {
        EXPECT_EQ(Colored(text).text, QString::fromUtf8(text)) << text;
    }
}

TEST(RtfReaderTest, ColoursLandOnTheRightCharacters) {
    // < black, A orange red, blank and HREF green, = dark red, "x" blue, NAME green, =y dark red.
    EXPECT_EQ(ColorDigits(Colored("<A HREF=\"x\" NAME=y>")), "0511111422211111440");
    EXPECT_EQ(ColorDigits(Colored("{#Title,2}")), "0333333220");
    EXPECT_EQ(ColorDigits(Colored("<a href=\"{#Link}\">")), "051111142233333220");
    EXPECT_EQ(ColorDigits(Colored("a<!--\nb-->c")), "06666666660");
    EXPECT_EQ(ColorDigits(Colored("<<a>\nb")), "666600");

    // Positions are UTF-16 units: the emoji takes two, the euro sign one.
    const RtfDocument doc = Colored("\xf0\x9f\x98\x80\xe2\x82\xac<a>");
    EXPECT_EQ(doc.text.size(), 6);
    EXPECT_EQ(ColorDigits(doc), "000050");
}

TEST(RtfReaderTest, EqualColoursMerge) {
    const RtfDocument plain = Colored("x>y}z"); // codes that repeat the current colour
    ASSERT_EQ(plain.runs.size(), 1u);
    EXPECT_EQ(plain.runs[0].start, 0);
    EXPECT_EQ(plain.runs[0].length, 5);
    const RtfDocument tag = Colored("ab<i>cd");
    ASSERT_EQ(tag.runs.size(), 3u);
    EXPECT_EQ(tag.runs[1].start, 3);
    EXPECT_EQ(tag.runs[1].length, 1);
    EXPECT_EQ(tag.runs[1].color, 5);
    EXPECT_EQ(tag.runs[2].start, 4);
    EXPECT_EQ(tag.runs[2].length, 3);
}

TEST(RtfReaderTest, OtherRtfIsReadForItsText) {
    const RtfDocument doc =
        Parse("{\\rtf1\\ansi{\\fonttbl\\f0\\froman Times;\\f1 Arial;}"
              "{\\colortbl;\\red255\\green0\\blue0;}{\\*\\generator Foo 1.0;}"
              "{\\stylesheet{\\s0 Normal;}}\\f1\\fs20\\b\\i0 x\\cf1\\ulnone y\\highlight12 z"
              "\\cf9 w\\u8364?\\'e4\\tab\\line\\uc0\\u-4064 \\'80\n\rq\\par}");
    EXPECT_EQ(doc.text,
              QString::fromUtf8("xyzw\xe2\x82\xac\xc3\xa4\t\n\xef\x80\xa0\xe2\x82\xac\rq\n"));
    EXPECT_EQ(ColorDigits(doc), "0110000000000") << "\\cf9 names no entry: default colour";
    EXPECT_EQ(doc.colors, (std::vector<QRgb>{qRgb(0, 0, 0), qRgb(255, 0, 0)}));
    EXPECT_EQ(doc.fontFace, QStringLiteral("Arial"));
    EXPECT_EQ(doc.fontSizeHalfPoints, 20);

    // Text ends where the outermost group closes; missing closing braces are tolerated.
    EXPECT_EQ(Parse("{\\rtf1 a}b}").text, QStringLiteral("a"));
    EXPECT_EQ(Parse("{\\rtf1 a{\\cf1 b").text, QStringLiteral("ab"));
    EXPECT_EQ(Parse("{\\rtf1 a\\").text, QStringLiteral("a"));
    EXPECT_EQ(Parse("{\\rtf1 a\\'4").text, QStringLiteral("a"));
    EXPECT_EQ(Parse("{\\rtf1 a\\'zz}").text, QStringLiteral("azz"));
    EXPECT_EQ(Parse("{\\rtf1 a\\bin999999 x").text, QStringLiteral("a"));
    EXPECT_EQ(Parse("{\\rtf1 a\\cf99999999999999999999 b}").text, QStringLiteral("ab"));
}

TEST(RtfReaderTest, BytesThatAreNotUtf8AreWindows1252) {
    EXPECT_EQ(Parse("{\\rtf1 \x80\xe4\xf6 \xc3\xa4 \xe2\x82 \xed\xa0\x80 \xc0\xaf}").text,
              QString::fromUtf8("\xe2\x82\xac\xc3\xa4\xc3\xb6 \xc3\xa4 \xc3\xa2\xe2\x80\x9a "
                                "\xc3\xad\xc2\xa0\xe2\x82\xac \xc3\x80\xc2\xaf"));
    EXPECT_EQ(Colored("caf\xe9 <b>").text, QString::fromUtf8("caf\xc3\xa9 <b>"));
}

TEST(RtfReaderTest, RejectsWhatIsNotRtf) {
    RtfDocument doc;
    doc.text = QStringLiteral("old");
    EXPECT_FALSE(ParseRtf("hello", 5, doc));
    EXPECT_TRUE(doc.text.isEmpty()) << "the result is cleared";
    EXPECT_FALSE(ParseRtf("{\\rt", 4, doc));
    EXPECT_FALSE(ParseRtf("{\\rtf1", 4, doc)) << "only the given bytes count";
    EXPECT_FALSE(ParseRtf(nullptr, 10, doc));
    EXPECT_FALSE(ParseRtf(" {\\rtf1}", 8, doc));
}

TEST(RtfReaderTest, GarbageNeverCrashes) {
    std::mt19937 random(11);
    const std::string pieces[] = {"{",     "}",    "\\",        "\\cf",       "\\par",
                                  "\\'",   "\\u",  "-",         "9",          "\\bin",
                                  " ",     ";",    "\\fonttbl", "\\colortbl", "\\*",
                                  "\\red", "\xc3", "\xa4",      "\x80",       "a",
                                  "\n",    "\r",   "\\f",       "\\uc",       std::string(1, '\0')};
    for (int i = 0; i < 2000; ++i) {
        std::string rtf = "{\\rtf";
        const size_t count = random() % 80;
        for (size_t k = 0; k < count; ++k)
            rtf += pieces[random() % std::size(pieces)];
        // A copy of exactly the right size, so that reading past the end is caught.
        std::vector<char> bytes(rtf.begin(), rtf.end());
        RtfDocument doc;
        EXPECT_TRUE(ParseRtf(bytes.data(), bytes.size(), doc));
        ExpectSaneRuns(doc);
    }
    std::string deep = "{\\rtf1 " + std::string(100000, '{') + "x";
    EXPECT_EQ(Parse(deep).text, QStringLiteral("x"));
}

TEST(RtfReaderTest, LargeRoundTrip) {
    const std::string page = "<TR><TD CLASS=\"x{#Cell,1}\">Gr\xc3\xbc\xc3\x9f"
                             "e \\ {x}</TD></TR>\n"
                             "<!-- a\n b -->\n<<c>\n";
    std::string text;
    while (text.size() < 3000000)
        text += page;
    const RtfDocument doc = Colored(text);
    EXPECT_EQ(doc.text, QString::fromUtf8(text));
    EXPECT_GT(doc.runs.size(), 100000u);
}

} // namespace
