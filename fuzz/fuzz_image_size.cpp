// Fuzz target: the image size reader of the Image command.
//
// Input: the bytes of an image file. Checked: reading never leaves the bytes it is given; a
// walk given the whole file always decides; a walk given only the first part either decides
// as on the whole file or asks for more than it was given; the file reader, which reads in
// steps, measures a file of these bytes exactly as the whole bytes are measured; a measured
// JFIF size is never 0 by 0, and a GIF's is its header's.
#include "fuzz_util.h"

#include "image_size.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool Same(const image::Size& a, const image::Size& b) {
    return a.width == b.width && a.height == b.height;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A heap copy of exactly `size` bytes, so that reading one byte too far is an ASan report.
    const std::string copy(reinterpret_cast<const char*>(data), size);
    const std::string_view bytes(copy);
    const image::Measurement whole = image::MeasureBytes(bytes, true);
    FUZZ_CHECK(whole.needBytes == 0, "a walk over the whole file asked for more");
    if (size >= 10 && bytes.substr(0, 3) == "GIF") {
        FUZZ_CHECK(whole.size.width == (data[6] | data[7] << 8) &&
                       whole.size.height == (data[8] | data[9] << 8),
                   "a GIF's size is not its header's");
    } else if (whole.size.Measured()) {
        FUZZ_CHECK(size >= 10 && bytes.substr(6, 4) == "JFIF", "measured neither GIF nor JFIF");
        FUZZ_CHECK(whole.size.height != 0, "a JFIF measured with height 0");
    }

    // Every part of the file, as a reader that has not reached its end sees it.
    for (size_t cut = 0; cut <= size; cut += 1 + cut / 4) {
        const image::Measurement part = image::MeasureBytes(bytes.substr(0, cut), false);
        if (part.needBytes == 0) {
            FUZZ_CHECK(Same(part.size, whole.size), "a part decided otherwise than the whole file");
        } else {
            FUZZ_CHECK(part.needBytes > cut, "a walk asked for bytes it already had");
        }
    }

    const std::string file = fuzzutil::ScratchDir() + "image";
    fuzzutil::WriteBytes(file, bytes);
    image::Size fromFile;
    FUZZ_CHECK(image::MeasureFile(file.c_str(), fromFile), "a readable file could not be measured");
    FUZZ_CHECK(Same(fromFile, whole.size), "the file reader measured otherwise than the bytes");
    return 0;
}
