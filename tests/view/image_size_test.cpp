// The image size reader: the JPEG marker walk, on files on disk and on cut-short bytes.
#include "image_size.h"

#include "test_util.h"

#include <gtest/gtest.h>

namespace {

std::string Be16(int v) {
    return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)};
}

// A marker segment of `content` bytes.
std::string Segment(int marker, size_t content) {
    return std::string{'\xFF', static_cast<char>(marker)} + Be16(static_cast<int>(content + 2)) +
           std::string(content, 'U');
}

// A JFIF file: start, the APP0 segment, `before`, a frame header of kind `frame` of 640 by
// 480, then the scan.
std::string Jfif(const std::string& before, int frame = 0xC0, int height = 480) {
    const std::string app0 = std::string("\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 18);
    const std::string sof = std::string{'\xFF', static_cast<char>(frame)} + Be16(11) + '\x08' +
                            Be16(height) + Be16(640) + std::string("\x01\x01\x11\0", 4);
    return "\xFF\xD8" + app0 + before + sof + "\xFF\xDA" + Be16(8) + std::string(20, '\x7A') +
           "\xFF\xD9";
}

image::Size Measure(const std::string& bytes) {
    testutil::TempDir dir;
    testutil::WriteBytes(dir / "a.jpg", bytes);
    image::Size size;
    EXPECT_TRUE(image::MeasureFile((dir / "a.jpg").c_str(), size));
    return size;
}

TEST(ImageSize, MarkersBeforeTheFrameHeader) {
    struct Case {
        const char* name;
        std::string before;
        bool measured;
    } cases[] = {
        {"nothing", "", true},
        {"the restart markers", "\xFF\xD0\xFF\xD1\xFF\xD2\xFF\xD3\xFF\xD4\xFF\xD5\xFF\xD6\xFF\xD7",
         true},
        {"TEM", "\xFF\x01", true},
        {"fill bytes before a segment", "\xFF\xFF\xFF" + Segment(0xDB, 5), true},
        {"fill bytes before the frame header", "\xFF\xFF\xFF\xFF", true},
        {"tables and DAC", Segment(0xC4, 9) + Segment(0xC8, 9) + Segment(0xCC, 9), true},
        {"a second start of image", "\xFF\xD8" + Be16(4) + "UU", false},
        {"an end of image", "\xFF\xD9" + Be16(4) + "UU", false},
        {"a scan", "\xFF\xDA" + Be16(4) + "UU", false},
        {"a length below 2", "\xFF\xFE" + Be16(1), false},
        {"no marker after a segment", Segment(0xFE, 3) + "U", false},
    };
    for (const Case& c : cases) {
        const image::Size size = Measure(Jfif(c.before));
        EXPECT_EQ(size.Measured() ? size.width * 10000 + size.height : 0, c.measured ? 6400480 : 0)
            << c.name;
    }
    EXPECT_FALSE(Measure(Jfif("", 0xC0, 0)).Measured()) << "a height given later";
}

TEST(ImageSize, EveryKindOfFrameHeaderAndNoOther) {
    for (int marker = 0xC0; marker <= 0xCF; ++marker) {
        const bool frame = marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        EXPECT_EQ(Measure(Jfif("", marker)).Measured(), frame) << std::hex << marker;
    }
}

TEST(ImageSize, CutShortFilesAreNotMeasuredOrAskForMore) {
    const std::string whole = Jfif("\xFF\xD0\xFF\xFF" + Segment(0xDB, 3));
    const size_t frameEnd = whole.find("\xFF\xC0") + 9;
    ASSERT_TRUE(image::MeasureBytes(whole.substr(0, frameEnd), true).size.Measured());
    for (size_t n = 0; n < frameEnd; ++n) {
        const image::Measurement cut = image::MeasureBytes(whole.substr(0, n), true);
        EXPECT_FALSE(cut.size.Measured()) << n;
        EXPECT_EQ(cut.needBytes, 0u) << n;
        const image::Measurement head = image::MeasureBytes(whole.substr(0, n), false);
        EXPECT_GT(head.needBytes, n) << n;
    }
}

} // namespace
