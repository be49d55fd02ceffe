#include "command_line.h"

#include <cstdlib>
#include <sys/stat.h>

namespace larkspan {

bool HasBuildSwitch(const std::string& commandLine) {
    constexpr size_t kWordBuffer = 256;
    char word[kWordBuffer];
    size_t length = 0;
    bool inWord = false;
    bool abandoned = false;
    bool found = false;
    const char* p = commandLine.c_str();
    // Up to and including the terminating NUL, which ends the last word.
    for (;; ++p) {
        char c = *p;
        if (inWord) {
            if (c == ' ' || c == '\0') {
                word[length] = '\0';
                if (!abandoned && std::string_view(word, length) == "build") found = true;
                inWord = false;
            } else if (!abandoned) {
                if (length == kWordBuffer - 1) {
                    abandoned = true; // too long: skip the rest, never a match
                } else {
                    word[length++] = c;
                }
            }
        } else if (c == '-' || c == '/') {
            inWord = true;
            abandoned = false;
            length = 0;
        }
        if (c == '\0') break;
    }
    return found;
}

namespace {
bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
} // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i] ? argv[i] : "";
        if (arg == "--help" || arg == "-h") {
            result.help = true;
            continue;
        }
        if (arg == "--watch") {
            result.watch = true;
            continue;
        }
        if (arg == "--port" || arg.compare(0, 7, "--port=") == 0) {
            std::string number = arg.size() > 7                ? arg.substr(7)
                                 : i + 1 < argc && argv[i + 1] ? argv[++i]
                                                               : "";
            char* end = nullptr;
            const long port = number.empty() ? -1 : std::strtol(number.c_str(), &end, 10);
            result.port =
                end && *end == '\0' && port >= 1 && port <= 65535 ? static_cast<int>(port) : -1;
            continue;
        }
        if (arg == "--source-language" && i + 1 < argc && argv[i + 1]) {
            result.sourceLanguage = argv[++i];
            continue;
        }
        if (arg == "/export-po" || arg == "-export-po" || arg == "/import-po" ||
            arg == "-import-po") {
            (arg[1] == 'e' ? result.exportPo : result.importPo) = true;
            if (i + 1 < argc && argv[i + 1]) result.poFolder = argv[++i];
            continue;
        }
        if (arg == "--version") {
            result.version = true;
            continue;
        }
        bool isSwitch = !arg.empty() && arg[0] == '-';
        // "/build" is a switch unless it names a file at the root that can be opened; a
        // folder such as /check on some machines cannot, so it never hides the switch.
        if (!arg.empty() && arg[0] == '/')
            isSwitch = arg.find('/', 1) == std::string::npos && !IsRegularFile(arg);
        if (isSwitch && (arg == "/p" || arg == "-p")) {
            result.print = true;
        } else if (isSwitch && (arg.substr(1) == "unregister" || arg.substr(1) == "unregserver")) {
            result.unregister = true;
        } else if (isSwitch && (arg == "/build" || arg == "-build")) {
            // A whole argument only: a path such as "my -build dir/site.hpr" is a file.
            result.build = true;
        } else if (isSwitch && (arg == "/check" || arg == "-check")) {
            result.check = true;
        } else if (isSwitch && (arg == "/serve" || arg == "-serve")) {
            result.serve = true;
        } else if (isSwitch) {
            result.ignored.push_back(arg);
        } else if (result.file.empty() && !arg.empty()) {
            result.file = arg;
        }
    }
    return result;
}

bool IsProjectFile(const std::string& path) {
    size_t dot = path.rfind('.');
    return dot != std::string::npos && path.compare(dot, std::string::npos, ".hpr") == 0;
}

} // namespace larkspan
