// The editor's command line: one optional file argument, the build switch and the
// standard --help and --version.
#pragma once

#include <string>
#include <vector>

namespace larkspan {

// True when the command line (the part after the program name) holds the switch word
// "build" after "/" or "-". The scan is character by character: "/" or "-" starts a word
// that runs to the next space or the end; the word must equal "build" exactly (case
// matters); a word longer than 255 characters never matches.
bool HasBuildSwitch(const std::string& commandLine);

struct CommandLine {
    std::string file; // the first argument that is not a switch, "" when none
    bool build = false;
    bool watch = false;         // "--watch": with the build switch, rebuild on every change
    bool check = false;         // "/check" or "-check": build, then check the site's links
    bool serve = false;         // "/serve" or "-serve": build, then serve the site and watch
    int port = 0;               // "--port N" (or "--port=N"); -1 when N is no port number
    bool exportPo = false;      // "/export-po FOLDER": write a PO file per language
    bool importPo = false;      // "/import-po FOLDER": read them back into the macros
    std::string poFolder;       // the FOLDER of either ("" when it is missing)
    std::string sourceLanguage; // "--source-language NAME" for /export-po
    bool help = false;
    bool version = false;
    bool print = false;               // "/p" or "-p": print the file and exit
    bool unregister = false;          // "/unregister" or "/unregserver" (or with "-"): remove the
                                      // file-type registration and exit
    std::vector<std::string> ignored; // switches accepted and ignored
};

// Parses argv. An argument starting with "-" is a switch; one starting with "/" is a switch
// word unless it looks like a path (holds a further "/" or names an existing file). The
// build switch is an argument "/build" or "-build" as a whole; the words of a file argument
// are never scanned for it.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// True when the path's extension (from its last ".") is exactly ".hpr"; "SITE.HPR" is an
// unknown file type, as in the editor's routing by extension.
bool IsProjectFile(const std::string& path);

} // namespace larkspan
