// The two encodings of the system's text files, byte by byte, header only: the editor's
// codecs, the live server and the PO files all decide and convert with these. A file is
// UTF-8 when it is valid UTF-8, else Windows-1252.
#pragma once

#include <cstddef>
#include <string_view>

namespace brevic {

// The code points of the Windows-1252 bytes 0x80..0x9F; 0 where the byte is unassigned and
// stands for the C1 control of the same value.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The code point of a Windows-1252 byte.
constexpr unsigned Windows1252Code(unsigned char b) {
    return b >= 0x80 && b < 0xA0 && kWindows1252High[b - 0x80] ? kWindows1252High[b - 0x80] : b;
}

// The Windows-1252 byte of a code point, or -1 when it has none.
constexpr int Windows1252Byte(unsigned code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
    for (int i = 0; i < 32; ++i)
        if (kWindows1252High[i] == code || (kWindows1252High[i] == 0 && code == 0x80u + i))
            return 0x80 + i;
    return -1;
}

// Whether `bytes` are UTF-8: no overlong form, surrogate or value past U+10FFFF. With
// `cutEnd`, a sequence cut off by the end counts as valid (the bytes are a sample's start).
inline bool IsUtf8(std::string_view bytes, bool cutEnd = false) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t extra;
        unsigned min;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (n - i <= extra) { // the sequence is cut off
            for (size_t k = i + 1; k < n; ++k)
                if ((p[k] & 0xC0) != 0x80) return false;
            return cutEnd;
        }
        unsigned code = c & (0x3Fu >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            code = (code << 6) | (p[i + k] & 0x3Fu);
        }
        if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += extra + 1;
    }
    return true;
}

} // namespace brevic
