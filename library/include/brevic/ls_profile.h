// Private-profile (INI file) functions, used for the project file, the settings file and
// the styles file.
//
// Sections and keys match without regard to letter case and the first match wins. Values
// are trimmed of surrounding blanks. Writing keeps every other line, comment and the order
// of the file, creates a missing file or section, writes lines with CR LF and replaces the
// file atomically (the old file stays intact when the write fails).
#pragma once

#include "brevic/ls_types.h"

#include <string>

// The value of `key` in `section` read as a leading decimal number (optional sign); `def`
// when the file, section or key is missing or the value does not start with a number.
BREVIC_API int GetPrivateProfileInt(const char* section, const char* key, int def,
                                    const char* file);

// Copies the value (or `def` when missing; null `def` counts as "") into `out`, truncated
// to size - 1 characters and NUL-terminated. Returns the number of characters copied.
// A null `key` copies the section's key names instead, each NUL-terminated, with a second
// NUL at the end (a null `section` likewise lists the section names).
BREVIC_API unsigned long GetPrivateProfileString(const char* section, const char* key,
                                                 const char* def, char* out, unsigned long size,
                                                 const char* file);

// Sets `key` in `section` to `value`. A null `value` deletes the key; a null `key` deletes
// the whole section. Returns non-zero on success, 0 when the file cannot be written (it is
// then unchanged).
BREVIC_API int WritePrivateProfileString(const char* section, const char* key, const char* value,
                                         const char* file);

namespace brevic {

// The untruncated value of `key` in `section`; false (and `value` emptied) when missing.
BREVIC_API bool ReadProfileValue(const char* section, const char* key, std::string& value,
                                 const char* file);

// The same operations on INI text held in memory ("\n" line ends). The file functions
// above are thin wrappers around these.
BREVIC_API bool FindProfileValue(const std::string& text, const char* section, const char* key,
                                 std::string& value);
BREVIC_API void SetProfileValue(std::string& text, const char* section, const char* key,
                                const char* value);
// GetPrivateProfileInt on INI text held in memory.
BREVIC_API int ProfileInt(const std::string& text, const char* section, const char* key, int def);

} // namespace brevic
