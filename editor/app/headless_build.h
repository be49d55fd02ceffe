// The build switch: builds a project without any window and reports on a stream.
#pragma once

#include <ostream>
#include <string>

namespace larkspan {

struct HeadlessBuildOptions {
    std::string projectFile;  // the file argument ("" when none)
    std::string settingsFile; // the settings file with the COMPILER section
    bool showProgress = false; // a terminal: redraw a progress line
};

// Opens the project (when a .hpr file is given), builds every template for every language
// and writes the compiler messages, the pages written and a closing line to `out`.
// Returns the exit status: 0 on success, 1 when the project cannot be opened or the build
// fails (a line names the error and, where there is one, the file).
int RunHeadlessBuild(const HeadlessBuildOptions& options, std::ostream& out);

} // namespace larkspan
