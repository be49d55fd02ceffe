#include "color_stream.h"
#include "rtf_reader.h"

#include <QString>
#include <QStringList>
#include <cstdlib>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

using view::ColorStream;
using view::ColorToRtf;

namespace {

const std::string kHeader = ColorStream::kHeader;

// The RTF of a whole stream whose converted text is `body`.
std::string Rtf(const std::string& body) {
    return kHeader + body + "}";
}

// All chunks of one stream, as the control would receive them.
std::vector<std::string> Chunks(ColorStream& stream, long capacity) {
    std::vector<std::string> chunks;
    std::vector<char> buffer(static_cast<size_t>(capacity) + 64, '\x7f');
    for (int calls = 0; calls < 10000000; ++calls) {
        long written = -1;
        const int stop = stream.Callback(buffer.data(), capacity, written);
        EXPECT_GE(written, 0);
        EXPECT_LE(written, capacity);
        EXPECT_EQ(buffer[static_cast<size_t>(capacity)], '\x7f') << "wrote past the capacity";
        if (stop) {
            EXPECT_EQ(written, 0);
            return chunks;
        }
        if (written <= 0) {
            ADD_FAILURE() << "no progress at capacity " << capacity;
            return chunks;
        }
        chunks.emplace_back(buffer.data(), static_cast<size_t>(written));
    }
    ADD_FAILURE() << "stream does not end";
    return chunks;
}

// The text chunks (after the header) that converting one character per step makes: the
// straightforward form of the colouring, to hold the run-copying converter against.
std::vector<std::string> ReferenceTextChunks(const std::string& text, long capacity) {
    static const char* const codes[8] = {"\\cf0 ", "\\cf1 ", "\\cf2 ", "\\cf3 ",
                                         "\\cf4 ", "\\cf5 ", "\\cf6 ", "\\cf6 "};
    const char* src = text.c_str();
    std::vector<std::string> chunks;
    size_t pos = 0;
    int s = 0, brace = 0, angle = 0, quote = 0;
    for (;;) {
        std::string out;
        auto sw = [&](int k) {
            s = k;
            out += codes[k];
        };
        do {
            const char c = src[pos];
            if (c == '\0') {
                chunks.push_back(out + "}");
                return chunks;
            }
            if (c == '\n') {
                if (s != 7) sw(0);
                out += "\\par ";
            } else if (c == ' ') {
                if (s == 4 || s == 5) sw(1);
                out += c;
            } else if (c == '"') {
                if (s >= 6) {
                    out += c;
                } else if (s == 2) {
                    out += c;
                    sw(quote);
                } else {
                    quote = s;
                    if (s == 1 || s == 4) sw(2);
                    out += c;
                }
            } else if (c == ',') {
                if (s == 3) out += codes[2];
                out += c;
            } else if (c == '<') {
                if (s >= 6) {
                    out += c;
                } else if (src[pos + 1] == '<') {
                    sw(6);
                    out += c;
                } else if (std::strncmp(src + pos, "<!--", 4) == 0) {
                    sw(7);
                    out += c;
                } else {
                    angle = s;
                    out += c;
                    sw(5);
                }
            } else if (c == '=') {
                if (s == 1) sw(4);
                out += c;
            } else if (c == '>') {
                if (pos >= 2 && src[pos - 2] == '-' && src[pos - 1] == '-') {
                    out += c;
                    sw(0);
                } else if (s >= 6) {
                    out += c;
                } else {
                    sw(angle);
                    out += c;
                }
            } else if (c == '\\') {
                out += "\\\\";
            } else if (c == '{') {
                out += "\\{";
                brace = s;
                if (s < 6 && src[pos + 1] == '#') sw(3);
            } else if (c == '}') {
                if (s < 6) sw(brace);
                out += "\\}";
            } else {
                out += c;
            }
            ++pos;
        } while (static_cast<long>(out.size()) < capacity - 20);
        chunks.push_back(out);
    }
}

// A page that uses every rule, with UTF-8 and line ends of both kinds.
const std::string kPage = "<HTML>\r\n<HEAD><TITLE>{#Title}</TITLE></HEAD>\n"
                          "<BODY BGCOLOR=white TEXT=\"#000000\">\n"
                          "<!-- navigation\n  <A HREF=\"x\">old</A>\n-->\n"
                          "<A HREF=\"{#Link,index}\" NAME=top>Grüße äöü €</A> a > b, c = d\n"
                          "<<raw> \"text\" {#Not}\n"
                          "<IMG\n SRC=\"a.gif\" ALT=\"1>2\">{#Macro,1,\"two\",3}\\path\\{x}\n"
                          "--> tail \"quoted\" text, with = and <\n";

TEST(ColorStreamTest, HeaderIsTheFontAndColourTable) {
    EXPECT_EQ(std::strlen(ColorStream::kHeader), 245u);
    EXPECT_EQ(kHeader.substr(0, 5), "{\\rtf");
    EXPECT_EQ(kHeader.back(), ' ');
    EXPECT_NE(kHeader.find("\\red224\\green78\\blue41;\\red128\\green128\\blue128;}"),
              std::string::npos);
    EXPECT_EQ(ColorToRtf(""), Rtf(""));
    EXPECT_EQ(ColorToRtf(nullptr), Rtf("")) << "a null text is the empty text";
}

TEST(ColorStreamTest, TagWithQuotedAndUnquotedValues) {
    EXPECT_EQ(ColorToRtf("<A HREF=\"x\" NAME=y>"),
              Rtf(R"(<\cf5 A\cf1  HREF\cf4 =\cf2 "x"\cf4 \cf1  NAME\cf4 =y\cf0 >)"));
    // Quotes outside attribute values only remember the class.
    EXPECT_EQ(ColorToRtf("say \"hi\" <a\"b\">"), Rtf(R"(say "hi" <\cf5 a"b"\cf0 >)"));
    // After a quoted value the value class comes back.
    EXPECT_EQ(ColorToRtf("<p a=\"1\"b>"), Rtf(R"(<\cf5 p\cf1  a\cf4 =\cf2 "1"\cf4 b\cf0 >)"));
}

TEST(ColorStreamTest, CommentOverSeveralLinesStaysGreyUpToItsEnd) {
    EXPECT_EQ(ColorToRtf("a<!-- b\nc>d -->e\nf"),
              Rtf(R"(a\cf6 <!-- b\par c>d -->\cf0 e\cf0 \par f)"));
    EXPECT_EQ(ColorToRtf("<!-- <b x=\"1\"> {#M} -->x"),
              Rtf(R"(\cf6 <!-- <b x="1"> \{#M\} -->\cf0 x)"))
        << "tags, quotes and placeholders inside a comment change nothing";
    EXPECT_EQ(ColorToRtf("<!-->x"), Rtf(R"(\cf6 <!-->\cf0 x)"));
}

TEST(ColorStreamTest, DoubleAngleRunEndsOnlyAtTheLineEnd) {
    EXPECT_EQ(ColorToRtf("x<<a>b\"c\n<b>"), Rtf(R"(x\cf6 <<a>b"c\cf0 \par <\cf5 b\cf0 >)"));
    EXPECT_EQ(ColorToRtf("<<{#x}<!--"), Rtf(R"(\cf6 <<\{#x\}<!--)"));
    EXPECT_EQ(ColorToRtf("<<a-->b"), Rtf(R"(\cf6 <<a-->\cf0 b)")) << "but a comment end ends it";
}

TEST(ColorStreamTest, AngleInsideAQuotedValueEndsTheTag) {
    EXPECT_EQ(ColorToRtf("<a title=\"1>2\">x"),
              Rtf(R"(<\cf5 a\cf1  title\cf4 =\cf2 "1\cf0 >2"\cf0 >x)"));
}

TEST(ColorStreamTest, Placeholders) {
    EXPECT_EQ(ColorToRtf("<a href=\"{#Link}\">"),
              Rtf(R"(<\cf5 a\cf1  href\cf4 =\cf2 "\{\cf3 #Link\cf2 \}"\cf4 \cf0 >)"));
    EXPECT_EQ(ColorToRtf("{#Title,2}"), Rtf(R"(\{\cf3 #Title\cf2 ,2\cf0 \})"));
    EXPECT_EQ(ColorToRtf("{#A,1,2}"), Rtf(R"(\{\cf3 #A\cf2 ,1\cf2 ,2\cf0 \})"));
    EXPECT_EQ(ColorToRtf("{#A\nb}"), Rtf(R"(\{\cf3 #A\cf0 \par b\cf0 \})"))
        << "a line end ends a placeholder";
}

TEST(ColorStreamTest, BackslashesAndBracesAreEscaped) {
    EXPECT_EQ(ColorToRtf("a\\b{c}d"), Rtf(R"(a\\b\{c\cf0 \}d)"));
    EXPECT_EQ(ColorToRtf("\\par\\{}"), Rtf(R"(\\par\\\{\cf0 \})"));
    EXPECT_EQ(ColorToRtf("<a x}>"), Rtf(R"(<\cf5 a\cf1  x\cf0 \}\cf0 >)"))
        << "a closing brace restores the class saved at the last opening one";
}

TEST(ColorStreamTest, CommentEndNeedsTwoCharactersBeforeIt) {
    EXPECT_EQ(ColorToRtf(">"), Rtf(R"(\cf0 >)"));
    EXPECT_EQ(ColorToRtf("->x"), Rtf(R"(-\cf0 >x)"));
    EXPECT_EQ(ColorToRtf("-->x"), Rtf(R"(-->\cf0 x)"));
    EXPECT_EQ(ColorToRtf("<a-->b"), Rtf(R"(<\cf5 a-->\cf0 b)"))
        << "a comment end in a tag goes to plain text, not to the class saved at <";
}

TEST(ColorStreamTest, LineEndInsideATagGoesBackToPlainText) {
    EXPECT_EQ(ColorToRtf("<a b\n c=\"d\">t"), Rtf(R"(<\cf5 a\cf1  b\cf0 \par  c="d"\cf0 >t)"));
    EXPECT_EQ(ColorToRtf("<a\r\nb>"), Rtf("<\\cf5 a\r\\cf0 \\par b\\cf0 >"))
        << "carriage returns are copied";
    EXPECT_EQ(ColorToRtf("\xc3\xa4\xe2\x82\xac\t\x01\xff"), Rtf("\xc3\xa4\xe2\x82\xac\t\x01\xff"));
}

TEST(ColorStreamTest, ChunksMatchOneCharacterAtATime) {
    std::mt19937 random(7);
    const std::string alphabet = "<<>>!--\"\"=,,{}#\\ \n\r\tab\xc3\xa4";
    std::vector<std::string> texts = {kPage, "", "x", std::string(5000, 'a'), kPage + kPage};
    for (int i = 0; i < 40; ++i) {
        std::string t;
        const size_t length = random() % 600;
        for (size_t k = 0; k < length; ++k)
            t += alphabet[random() % alphabet.size()];
        texts.push_back(t);
    }
    const std::string big = ColorToRtf(kPage.c_str(), 1 << 20);
    EXPECT_EQ(ColorToRtf(kPage.c_str(), 21), big);
    for (const std::string& text : texts) {
        for (long capacity : {21L, 22L, 25L, 30L, 31L, 64L, 100L, 244L, 245L, 246L, 4096L}) {
            SCOPED_TRACE("capacity " + std::to_string(capacity));
            ColorStream stream;
            stream.Start(text.c_str());
            std::vector<std::string> chunks = Chunks(stream, capacity);
            // The header first, whole or in pieces of the capacity.
            std::string header;
            size_t i = 0;
            while (i < chunks.size() && header.size() < kHeader.size()) {
                EXPECT_EQ(chunks[i].size(),
                          std::min<size_t>(capacity, kHeader.size() - header.size()));
                header += chunks[i++];
            }
            EXPECT_EQ(header, kHeader);
            const std::vector<std::string> textChunks(chunks.begin() + long(i), chunks.end());
            EXPECT_EQ(textChunks, ReferenceTextChunks(text, capacity));
            std::string all;
            for (const std::string& chunk : chunks)
                all += chunk;
            EXPECT_EQ(all, ColorToRtf(text.c_str(), capacity));
        }
    }
}

TEST(ColorStreamTest, SmallBuffersNeverOverrunAndNeverLoop) {
    // Too small for any text: the header still goes out in pieces, then nothing moves.
    EXPECT_EQ(ColorToRtf(kPage.c_str(), 20), kHeader);
    EXPECT_EQ(ColorToRtf(kPage.c_str(), 1), kHeader);
    EXPECT_EQ(ColorToRtf(kPage.c_str(), 0), "");
    EXPECT_EQ(ColorToRtf(kPage.c_str(), -5), "");

    // A stalled stream goes on where it stopped once the buffer is large enough.
    ColorStream stream;
    stream.Start("<a>{#b}");
    char buffer[4096];
    long written = -1;
    EXPECT_EQ(stream.Callback(buffer, 4096, written), 0);
    EXPECT_EQ(written, 245);
    EXPECT_EQ(stream.Callback(buffer, 20, written), 0);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(stream.Callback(buffer, 4096, written), 0);
    EXPECT_EQ(std::string(buffer, size_t(written)), R"(<\cf5 a\cf0 >\{\cf3 #b\cf0 \}})");
    EXPECT_EQ(stream.Callback(buffer, 4096, written), 1);
    EXPECT_EQ(written, 0);
}

TEST(ColorStreamTest, EveryStreamStartsInPlainText) {
    ColorStream& stream = view::SharedColorStream();
    EXPECT_EQ(&stream, &view::SharedColorStream());
    char buffer[4096];
    long written = 0;

    // A stream that ends inside a quoted value leaves nothing behind for the next one.
    stream.Start("<a x=\"y");
    std::string first;
    while (stream.Callback(buffer, sizeof buffer, written) == 0)
        first.append(buffer, size_t(written));
    EXPECT_EQ(first, Rtf(R"(<\cf5 a\cf1  x\cf4 =\cf2 "y)"));
    // After the stopping call the state is reset: calling on starts the same text again.
    EXPECT_EQ(stream.Callback(buffer, sizeof buffer, written), 0);
    EXPECT_EQ(written, 245);

    stream.Start("\"z\">");
    std::string second;
    while (stream.Callback(buffer, sizeof buffer, written) == 0)
        second.append(buffer, size_t(written));
    EXPECT_EQ(second, Rtf(R"("z"\cf0 >)"));
}

TEST(ColorStreamTest, LargeTextInOnePass) {
    std::string text;
    while (text.size() < 2000000)
        text += kPage;
    const std::string rtf = ColorToRtf(text.c_str());
    EXPECT_EQ(rtf, ColorToRtf(text.c_str(), 1000));
    EXPECT_EQ(rtf.compare(0, kHeader.size(), kHeader), 0);
    EXPECT_EQ(rtf.back(), '}');
}

} // namespace

namespace {

// The colour of every character of `text` as the stream gives it.
std::vector<QRgb> StreamColours(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const std::string rtf = view::ColorToRtf(utf8.constData());
    view::RtfDocument parsed;
    EXPECT_TRUE(view::ParseRtf(rtf.data(), rtf.size(), parsed));
    std::vector<QRgb> colours(static_cast<size_t>(parsed.text.size()), 0xFF000000);
    for (const view::ColorRun& r : parsed.runs)
        for (int i = r.start; i < r.start + r.length; ++i)
            colours[static_cast<size_t>(i)] =
                parsed.colors[static_cast<size_t>(r.color)] | 0xFF000000;
    return colours;
}

// The same, a line at a time with the state carried from line to line (line breaks black).
std::vector<QRgb> LineColours(const QString& text) {
    std::vector<QRgb> colours;
    view::ColorState state;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        std::vector<view::LineRun> runs;
        view::ColorLine(line, state, runs);
        for (const view::LineRun& r : runs)
            colours.insert(colours.end(), static_cast<size_t>(r.length), r.color);
        colours.push_back(0); // the line break, compared apart
    }
    colours.pop_back();
    return colours;
}

} // namespace

// The view colours line by line what the stream colours whole: hand-picked edges (a
// comment over lines, a tag over lines, placeholders with parameters, quotes, braces,
// backslashes, "<<" runs, characters outside ASCII) and random texts of the characters
// that change the state.
TEST(ColorLine, GivesTheStreamsColoursLineByLine) {
    std::vector<QString> texts = {
        "<p class=\"a\" id=x>text</p>",
        "a <!-- one\n<b>two</b>\nthree --> <i>after</i>",
        "<a\nhref=\"x.htm\"\n>link</a>",
        "{#Macro(a,b)} <b title=\"{#T}\">{#X}</b> \\{ \\\\ }",
        "<< line comment\n<p>\"quoted\" and <<more</p>",
        QString::fromUtf8("<p title=\"\xC3\xA9t\xC3\xA9\">\xE2\x82\xAC {#N\xC3\xBC}</p>"),
    };
    std::srand(7);
    const char alphabet[] = "<>!-\"= ,{}#\\\nab";
    for (int t = 0; t < 300; ++t) {
        QString text;
        for (int i = 0; i < 60; ++i)
            text += QLatin1Char(alphabet[std::rand() % (sizeof alphabet - 1)]);
        texts.push_back(text);
    }
    for (const QString& text : texts) {
        const std::vector<QRgb> stream = StreamColours(text);
        const std::vector<QRgb> lines = LineColours(text);
        ASSERT_EQ(stream.size(), lines.size()) << text.toStdString();
        for (size_t i = 0; i < stream.size(); ++i) {
            if (text[static_cast<qsizetype>(i)] == QLatin1Char('\n')) continue;
            ASSERT_EQ(stream[i], lines[i]) << "at " << i << " of " << text.toStdString();
        }
    }
}
