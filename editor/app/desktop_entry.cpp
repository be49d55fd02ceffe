#include "desktop_entry.h"

namespace desktop {

bool HasControlCharacter(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) return true;
    }
    return false;
}

std::string StringValue(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string ExecArgument(std::string_view path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return StringValue(quoted + '"');
}

std::string ProgramEntry(const std::string& program, const std::string& icon) {
    const std::string exec = ExecArgument(program);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Larkspan PLUS\n"
           "Comment=Site editor for multi-language web sites\n"
           "TryExec=" + StringValue(program) + "\n"
           "Exec=" + exec + " %f\n"
           "Icon=" + StringValue(icon) + "\n"
           "MimeType=" + kMimeType + ";\n"
           "Categories=Development;WebDevelopment;\n"
           "Terminal=false\n"
           "Actions=print;\n"
           "\n"
           "[Desktop Action print]\n"
           "Name=Print\n"
           "Exec=" + exec + " /p %f\n";
}

std::string HelpEntry(const std::string& page, const std::string& icon) {
    // The page is handed to the desktop's opener, which picks the user's browser.
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Larkspan Help\n"
           "Comment=Help for the Larkspan PLUS site editor\n"
           "Exec=xdg-open " + ExecArgument(page) + "\n"
           "Icon=" + StringValue(icon) + "\n"
           "Categories=Development;WebDevelopment;Documentation;\n"
           "Terminal=false\n";
}

std::string MimePackage() {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                       "  <mime-type type=\"") + kMimeType + "\">\n"
           "    <comment>Larkspan HTML Templates</comment>\n"
           "    <glob pattern=\"*.tpl\"/>\n"
           "    <glob pattern=\"*.hpr\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

} // namespace desktop
