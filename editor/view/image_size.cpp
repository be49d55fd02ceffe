#include "image_size.h"

#include <algorithm>
#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace image {

namespace {

// Both kinds are told by their first ten bytes.
constexpr std::size_t kSignatureBytes = 10;

std::uint8_t At(std::string_view bytes, std::size_t i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

// Start-of-frame markers: C0 to CF but DHT (C4), JPG (C8) and DAC (CC).
bool IsFrameMarker(std::uint8_t m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Markers without a length field: TEM and the restart markers.
bool IsStandalone(std::uint8_t m) {
    return m == 0x01 || (m >= 0xD0 && m <= 0xD7);
}

// The marker walk over the bytes read so far.
class JfifWalk {
public:
    JfifWalk(std::string_view bytes, bool wholeFile) : bytes_(bytes), wholeFile_(wholeFile) {}

    Measurement Run() {
        if (!Have(2) || At(bytes_, 0) != 0xFF || At(bytes_, 1) != 0xD8) return result_;
        std::size_t pos = 2;
        for (;;) {
            if (!Have(pos + 2) || At(bytes_, pos) != 0xFF) return result_;
            // Any number of FF fill bytes may stand before a marker.
            while (At(bytes_, pos + 1) == 0xFF) {
                ++pos;
                if (!Have(pos + 2)) return result_;
            }
            const std::uint8_t marker = At(bytes_, pos + 1);
            pos += 2;
            if (IsStandalone(marker)) continue;
            // Image data, the end of the image or a second start before any frame header:
            // there is none to find.
            if (marker == 0x00 || marker == 0xD8 || marker == 0xD9 || marker == 0xDA)
                return result_;
            if (!Have(pos + 2)) return result_;
            const std::size_t length = (std::size_t{At(bytes_, pos)} << 8) | At(bytes_, pos + 1);
            if (length < 2) return result_;
            if (IsFrameMarker(marker)) return Frame(pos, length);
            pos += length;
        }
    }

private:
    // Whether the bytes reach `end`; if not, and the file may go on, asks for them.
    bool Have(std::size_t end) {
        if (end <= bytes_.size()) return true;
        if (!wholeFile_ && end <= kWalkLimit) result_.needBytes = end;
        return false;
    }

    // A frame header: length (2), sample precision (1), height (2), width (2), ...
    Measurement Frame(std::size_t pos, std::size_t length) {
        if (length < 7 || !Have(pos + 7)) return result_;
        const std::uint16_t height =
            static_cast<std::uint16_t>((At(bytes_, pos + 3) << 8) | At(bytes_, pos + 4));
        const std::uint16_t width =
            static_cast<std::uint16_t>((At(bytes_, pos + 5) << 8) | At(bytes_, pos + 6));
        // A height of 0 is given later in the data (DNL); such a frame counts as unmeasured.
        if (width != 0 && height != 0) result_.size = Size{width, height};
        return result_;
    }

    std::string_view bytes_;
    bool wholeFile_;
    Measurement result_;
};

// Reads from `fd` until `buffer` holds `size` bytes or the file ends; false on a read error.
bool ReadUpTo(int fd, std::string& buffer, std::size_t size, bool& atEnd) {
    while (buffer.size() < size) {
        const std::size_t old = buffer.size();
        buffer.resize(size);
        const ssize_t got = ::read(fd, buffer.data() + old, size - old);
        if (got < 0 && errno == EINTR) {
            buffer.resize(old);
            continue;
        }
        buffer.resize(old + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got < 0) return false;
        if (got == 0) {
            atEnd = true;
            return true;
        }
    }
    return true;
}

} // namespace

Measurement MeasureBytes(std::string_view bytes, bool wholeFile) {
    Measurement result;
    if (bytes.size() < kSignatureBytes) {
        if (!wholeFile) result.needBytes = kSignatureBytes;
        return result;
    }
    if (bytes.substr(0, 3) == "GIF") {
        result.size.width = static_cast<std::uint16_t>(At(bytes, 6) | (At(bytes, 7) << 8));
        result.size.height = static_cast<std::uint16_t>(At(bytes, 8) | (At(bytes, 9) << 8));
        return result;
    }
    if (bytes.substr(6, 4) == "JFIF") return JfifWalk(bytes, wholeFile).Run();
    return result;
}

bool MeasureFile(const char* path, Size& size) {
    size = Size{};
    // Without blocking on a pipe or a device: only a regular file is read.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::string bytes;
    bool atEnd = false;
    std::size_t want = kHeadBytes;
    while (ok) {
        ok = ReadUpTo(fd, bytes, want, atEnd);
        if (!ok) break;
        const Measurement m = MeasureBytes(bytes, atEnd);
        if (m.needBytes == 0) {
            size = m.size;
            break;
        }
        // Reading on in growing steps keeps the number of walks from the start small.
        want = std::min(kWalkLimit, std::max(m.needBytes, bytes.size() * 2));
    }
    ::close(fd);
    return ok;
}

} // namespace image
