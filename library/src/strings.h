// Small string helpers shared by the library's sources (not exported).
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace brevic {

inline bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// The part behind the last "/" or "\" (the whole text when there is none).
inline const char* AfterLastSeparator(const char* path) {
    const char* file = path;
    for (const char* p = path; *p; ++p) {
        if (IsSeparator(*p)) file = p + 1;
    }
    return file;
}

// Position of the last "/" or "\" in `s`, or npos.
inline size_t LastSeparator(const std::string& s) {
    return s.find_last_of("/\\");
}

// Copies at most size - 1 of the n characters and terminates.
inline void CopyTruncated(char* out, size_t size, const char* src, size_t n) {
    if (size == 0) return;
    if (n > size - 1) n = size - 1;
    std::memcpy(out, src, n);
    out[n] = '\0';
}

// Copies `src` when it fits (with its NUL) into `size` bytes; false and `out` untouched
// otherwise.
inline bool CopyChecked(char* out, size_t size, const char* src) {
    size_t n = std::strlen(src);
    if (n + 1 > size) return false;
    std::memcpy(out, src, n + 1);
    return true;
}
inline bool CopyChecked(char* out, size_t size, const std::string& src) {
    if (src.size() + 1 > size || src.find('\0') != std::string::npos) return false;
    std::memcpy(out, src.c_str(), src.size() + 1);
    return true;
}

} // namespace brevic
