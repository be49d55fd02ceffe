// The [COMPILER] section of the settings file: the one place that knows its eight keys.
#include "brevic/ls_compiler.h"

#include "brevic/ls_files.h"
#include "brevic/ls_profile.h"

#include <new>

namespace {

struct Key {
    const char* name;
    int32_t tCompilerSettings::*field;
};
// In the fixed order of the options.
constexpr Key kKeys[] = {
    {"RemoveAttr", &tCompilerSettings::RemoveAttr},
    {"RemoveNewLineOnTags", &tCompilerSettings::RemoveNewLineOnTags},
    {"ScrambleCode", &tCompilerSettings::ScrambleCode},
    {"CaseSensitive", &tCompilerSettings::CaseSensitive},
    {"ScrambleBlockSize", &tCompilerSettings::ScrambleBlockSize},
    {"ConvertISO", &tCompilerSettings::ConvertISO},
    {"RemoveTab", &tCompilerSettings::RemoveTab},
    {"SyntaxCheck", &tCompilerSettings::SyntaxCheck},
};

} // namespace

namespace brevic {

tCompilerSettings CompilerSettingsFromText(const std::string& text) {
    tCompilerSettings settings;
    for (const Key& key : kKeys)
        settings.*key.field = ProfileInt(text, "COMPILER", key.name, settings.*key.field);
    return settings;
}

const char* CompilerSettingKey(int32_t tCompilerSettings::*option) {
    for (const Key& key : kKeys) {
        if (key.field == option) return key.name;
    }
    return nullptr;
}

tCompilerSettings ReadCompilerSettings(const char* path) {
    std::string text;
    try {
        if (!path || !FileExists(path) || !ReadTextFile(path, text)) text.clear();
        return CompilerSettingsFromText(text);
    } catch (const std::bad_alloc&) {
        return tCompilerSettings{};
    }
}

} // namespace brevic
