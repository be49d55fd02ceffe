// The pixel size of an image file, read from its first bytes for the Image command's WIDTH
// and HEIGHT. Plain C++ (no Qt), so that the fuzz target links it alone.
//
// Two kinds are measured:
//   GIF   the file begins with "GIF": the logical screen size, bytes 6-7 (width) and 8-9
//         (height), little-endian.
//   JFIF  bytes 6 to 9 are "JFIF": the markers are walked from the start-of-image marker to
//         the first start-of-frame marker of any kind (baseline, extended, progressive,
//         lossless, arithmetic), whose header holds height and width, big-endian.
// Anything else (PNG, BMP, a JPEG without the JFIF mark), a file cut short and a malformed
// marker sequence are not measured.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace image {

// Width 0 means not measured.
struct Size {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    bool Measured() const { return width != 0; }
};

// How many bytes of a file are read first.
constexpr std::size_t kHeadBytes = 700;
// How far into a file the JFIF marker walk reads at most (markers may hold large
// thumbnails and profiles); a frame header farther in is not measured.
constexpr std::size_t kWalkLimit = 16u << 20;

struct Measurement {
    Size size;
    // Non-zero when `bytes` ended before the walk could decide and the file may hold more:
    // the number of bytes from the file's start the walk needs to go on.
    std::size_t needBytes = 0;
};

// Measures from the first bytes of a file. `wholeFile` tells that `bytes` is all of it;
// otherwise a JFIF walk that runs past the end asks for more (needBytes) instead of giving
// up. Never reads outside `bytes`.
Measurement MeasureBytes(std::string_view bytes, bool wholeFile);

// Measures the file at `path`: reads kHeadBytes, then on as far as the walk needs, up to
// kWalkLimit and never past the end of the file. False when the file cannot be opened or
// read (size then not measured).
bool MeasureFile(const char* path, Size& size);

} // namespace image
