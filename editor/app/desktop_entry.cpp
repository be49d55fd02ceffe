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
           "TryExec=" +
           StringValue(program) +
           "\n"
           "Exec=" +
           exec +
           " %f\n"
           "Icon=" +
           StringValue(icon) +
           "\n"
           "MimeType=" +
           kProjectMimeType + ";" + kTemplateMimeType +
           ";\n"
           "Categories=Development;WebDevelopment;\n"
           "Keywords=HTML;web site;template;macro;multilingual;\n"
           "Terminal=false\n"
           "Actions=print;\n"
           "\n"
           "[Desktop Action print]\n"
           "Name=Print\n"
           "Exec=" +
           exec + " /p %f\n";
}

std::string HelpEntry(const std::string& page, const std::string& icon) {
    // The page is handed to the desktop's opener, which picks the user's browser.
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Larkspan Help\n"
           "Comment=Help for the Larkspan PLUS site editor\n"
           "Exec=xdg-open " +
           ExecArgument(page) +
           "\n"
           "Icon=" +
           StringValue(icon) +
           "\n"
           "Categories=Development;WebDevelopment;Documentation;\n"
           "Terminal=false\n";
}

namespace {
// One type of the MIME package; the icon's name is the type's with "-" for "/".
std::string MimeType(std::string_view type, std::string_view parent, std::string_view comment,
                     std::string_view glob, std::string_view genericIcon) {
    std::string icon(type);
    icon[icon.find('/')] = '-';
    std::string text = "  <mime-type type=\"";
    text.append(type).append("\">\n    <comment>").append(comment).append("</comment>\n");
    text.append("    <sub-class-of type=\"").append(parent).append("\"/>\n");
    text.append("    <icon name=\"").append(icon).append("\"/>\n");
    text.append("    <generic-icon name=\"").append(genericIcon).append("\"/>\n");
    text.append("    <glob pattern=\"").append(glob).append("\"/>\n  </mime-type>\n");
    return text;
}
} // namespace

std::string MimePackage() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n" +
           MimeType(kProjectMimeType, "text/plain", "Larkspan PLUS project", "*.hpr",
                    "text-x-generic") +
           MimeType(kTemplateMimeType, "text/html", "Larkspan HTML Templates", "*.tpl",
                    "text-html") +
           "</mime-info>\n";
}

} // namespace desktop
