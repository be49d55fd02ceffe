// larkspan: the site editor. With the build switch it builds a project without a window.
#include "command_line.h"
#include "headless_build.h"
#include "places.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {
const char kUsage[] =
    "Usage: larkspan [FILE] [/build | -build]\n"
    "\n"
    "Larkspan PLUS, the site editor for multi-language web sites.\n"
    "\n"
    "  FILE            a template (.tpl), HTML file or project (.hpr) to open\n"
    "  /build, -build  build the project FILE for every language and exit,\n"
    "                  without a window; the exit status is 0 on success\n"
    "  --help          show this help and exit\n"
    "  --version       show the version and exit\n";
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
    if (cmd.build) {
        larkspan::HeadlessBuildOptions options;
        options.projectFile = cmd.file;
        options.settingsFile = larkspan::SettingsFilePath();
        options.showProgress = ::isatty(STDERR_FILENO) != 0;
        return larkspan::RunHeadlessBuild(options, std::cerr);
    }
    std::fputs("larkspan: the editor window is not available in this version yet; "
               "use /build to build a project (see --help)\n",
               stderr);
    return 1;
}
