// larkspan: the site editor. With the build switch it builds a project without a window.
#include "command_line.h"
#include "editor_main.h"
#include "headless_build.h"
#include "places.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {
const char kUsage[] =
    "Usage: larkspan [FILE] [/build | -build] [--watch]\n"
    "       larkspan FILE.hpr /check\n"
    "       larkspan FILE.hpr /serve [--port N]\n"
    "       larkspan FILE.hpr /export-po FOLDER [--source-language NAME]\n"
    "       larkspan FILE.hpr /import-po FOLDER\n"
    "\n"
    "Larkspan PLUS, the site editor for multi-language web sites.\n"
    "\n"
    "  FILE            a template (.tpl), HTML file or project (.hpr) to open\n"
    "  /build, -build  build the project FILE for every language and exit,\n"
    "                  without a window; the exit status is 0 on success\n"
    "  --watch         with /build: then wait for changes of the project file,\n"
    "                  its templates and macro files and rebuild what is out of\n"
    "                  date, printing the pages written; Ctrl+C ends (status 0);\n"
    "                  not with /check\n"
    "  /check, -check  build the project FILE, then check every page for local\n"
    "                  links to missing files, fragments naming no anchor, and\n"
    "                  macros some languages lack; the status is 1 when anything\n"
    "                  was found\n"
    "  /serve, -serve  build the project FILE, then serve its folder on\n"
    "                  http://127.0.0.1:N/ (this machine only; an index of the\n"
    "                  pages at /) and rebuild on every change as --watch does;\n"
    "                  the browsers showing a page rebuilt reload it; Ctrl+C\n"
    "                  ends (status 0)\n"
    "  --port N        with /serve: the port to try first (default 8717; the next\n"
    "                  free one when it is taken)\n"
    "  /export-po FOLDER\n"
    "                  write FOLDER/LANGUAGE.po for every language of the project\n"
    "                  FILE: each macro an entry (its name the msgctxt), the\n"
    "                  source language's text the msgid, this language's the msgstr\n"
    "  --source-language NAME\n"
    "                  with /export-po: the language whose texts are the msgids\n"
    "                  (default: the first)\n"
    "  /import-po FOLDER\n"
    "                  store the changed translations of FOLDER/LANGUAGE.po into\n"
    "                  the macros; fuzzy entries, unknown macros and characters\n"
    "                  the macro file cannot hold are reported, not stored (status 1)\n"
    "  --help          show this help and exit\n"
    "  --version       show the version and exit\n";
// The editor lives in a module beside the program, loaded only when a window opens: a
// command-line build starts without the toolkit's fifty libraries.
int RunEditor(int argc, char** argv) {
    const std::string module = larkspan::ProgramDirectory() + "liblarkspan_gui.so";
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto entry =
        handle ? reinterpret_cast<tLarkspanEditorEntry>(::dlsym(handle, LARKSPAN_EDITOR_ENTRY))
               : nullptr;
    if (!entry) {
        std::fprintf(stderr, "larkspan: cannot start the editor: %s\n", ::dlerror());
        return 1;
    }
    // The module stays loaded until the process ends: its objects live until exit.
    return entry(argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    larkspan::CommandLine cmd = larkspan::ParseCommandLine(argc, argv);
    if (cmd.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (cmd.version) {
        std::puts("larkspan (Larkspan PLUS) " LARKSPAN_VERSION);
        return 0;
    }
    if (cmd.watch && cmd.check) {
        // A check after every build of a watch is not offered; leaving it out unsaid would
        // pass for a site checked clean.
        std::fputs("larkspan: /check does not go with --watch; check the site with: larkspan "
                   "site.hpr /check\n",
                   stderr);
        return 2;
    }
    if (cmd.exportPo || cmd.importPo) {
        if (cmd.poFolder.empty() || cmd.file.empty()) {
            std::fputs("larkspan: name the project and the folder, as in: larkspan site.hpr "
                       "/export-po po\n",
                       stderr);
            return 2;
        }
        const std::string settings = larkspan::SettingsFilePath();
        return cmd.exportPo ? larkspan::RunPoExport(cmd.file, settings, cmd.poFolder,
                                                    cmd.sourceLanguage, std::cerr)
                            : larkspan::RunPoImport(cmd.file, settings, cmd.poFolder, std::cerr);
    }
    if (cmd.serve && cmd.check) {
        std::fputs("larkspan: /check does not go with /serve; check the site with: larkspan "
                   "site.hpr /check\n",
                   stderr);
        return 2;
    }
    if (cmd.port < 0 || (cmd.port > 0 && !cmd.serve)) {
        std::fputs("larkspan: --port takes a port number from 1 to 65535 and goes with /serve, "
                   "as in: larkspan site.hpr /serve --port 8080\n",
                   stderr);
        return 2;
    }
    if (cmd.watch && !cmd.build && !cmd.serve) {
        std::fputs("larkspan: --watch goes with /build, as in: larkspan site.hpr /build --watch\n",
                   stderr);
        return 2;
    }
    if (cmd.build || cmd.check || cmd.serve) {
        larkspan::HeadlessBuildOptions options;
        options.watch = cmd.watch;
        options.serve = cmd.serve;
        options.port = cmd.port;
        options.check = cmd.check;
        options.projectFile = cmd.file;
        options.settingsFile = larkspan::SettingsFilePath();
        options.showProgress = ::isatty(STDERR_FILENO) != 0 && !cmd.watch && !cmd.serve;
        // A line per page: buffer the messages unless a person watches them.
        static char buffer[1 << 16];
        std::setvbuf(stderr, buffer, options.showProgress ? _IOLBF : _IOFBF, sizeof buffer);
        if (!options.showProgress) std::cerr.unsetf(std::ios::unitbuf);
        return larkspan::RunHeadlessBuild(options, std::cerr);
    }
    // Without a display Qt would abort; say what can be done instead.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM")) {
        std::fputs("larkspan: no display available. To build a project without a window use:\n"
                   "  larkspan site.hpr /build\n",
                   stderr);
        return 1;
    }
    return RunEditor(argc, argv);
}
