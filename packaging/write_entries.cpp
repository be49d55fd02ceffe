// Writes the package's desktop entry and MIME package into the folder named by its
// argument, from the same composer the editor and setup use: the package starts the
// program found on the PATH and shows the icon of the desktop's icon theme.
#include "desktop_entry.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {
bool Write(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (out) return true;
    std::fprintf(stderr, "write_entries: cannot write %s\n", path.c_str());
    return false;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: write_entries FOLDER\n", stderr);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    bool ok =
        Write(dir + desktop::kProgramEntryFile, desktop::ProgramEntry("larkspan", "larkspan"));
    ok = Write(dir + "larkspan.xml", desktop::MimePackage()) && ok;
    return ok ? 0 : 1;
}
