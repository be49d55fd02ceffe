#include "styles_file.h"

#include <brevic/ls_files.h>
#include <brevic/ls_profile.h>

#include <QFile>

namespace styles {

namespace {

constexpr const char* kKeys[kFieldCount] = {
    "font-family", "font-style",   "font-weight",       "text-decoration", "text-align",
    "font-size",   "font-size-units", "margin-right",   "margin-right-units",
    "margin-left", "margin-left-units", "text-indent",  "text-indent-units",
    "line-height", "line-height-units", "background",   "color",
};

std::string Section(int n) { return "STYLE_" + std::to_string(n); }

QString Value(const std::string& text, const std::string& section, const char* key,
              const QString& def, int limit) {
    std::string value;
    if (!brevic::FindProfileValue(text, section.c_str(), key, value)) return def;
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())).left(limit);
}

// A value as the file can hold it: a line break would end the line.
QByteArray Storable(QString value) {
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value.toUtf8();
}

bool IsLive(const std::string& text, int n) {
    return n >= 0 && brevic::ProfileInt(text, Section(n).c_str(), "Del", 0) == 0;
}

void LoadFrom(const std::string& text, int n, Style& style) {
    const std::string section = Section(n);
    for (int f = 0; f < kFieldCount; ++f) {
        style.values[f] = Value(text, section, kKeys[f], IsUnit(f) ? QStringLiteral("pt") : QString(),
                                kValueMax);
    }
    style.name = Value(text, section, "Name", QString(), kValueMax);
}

void SaveInto(std::string& text, int n, const Style& style) {
    const std::string section = Section(n);
    brevic::SetProfileValue(text, section.c_str(), "Name", Storable(style.name).constData());
    brevic::SetProfileValue(text, section.c_str(), "Del", "0");
    for (int f = 0; f < kFieldCount; ++f) {
        brevic::SetProfileValue(text, section.c_str(), kKeys[f], Storable(style.values[f]).constData());
    }
}

} // namespace

const char* FieldKey(int field) { return field >= 0 && field < kFieldCount ? kKeys[field] : ""; }

bool IsUnit(int field) {
    return field == FontSizeUnit || field == MarginRightUnit || field == MarginLeftUnit ||
           field == TextIndentUnit || field == LineHeightUnit;
}

Style::Style() {
    for (int f = 0; f < kFieldCount; ++f) {
        if (IsUnit(f)) values[f] = QStringLiteral("pt");
    }
}

QString BuildDeclarations(const Style& style) {
    QString out;
    for (int f = 0; f < kFieldCount; ++f) {
        // A unit belongs to the value before it; an empty value goes without its unit.
        if (IsUnit(f) || style.values[f].isEmpty()) continue;
        out += QLatin1String(kKeys[f]) + QLatin1String(": ") + style.values[f];
        if (f + 1 < kFieldCount && IsUnit(f + 1)) out += style.values[f + 1];
        out += QLatin1String("; ");
    }
    return out;
}

Insertion MakeInsertion(Form form, const Style& style) {
    const QString d = BuildDeclarations(style);
    switch (form) {
    case Form::Declarations: return {d, {}};
    case Form::Block: return {QLatin1String("{ ") + d + QLatin1Char('}'), {}};
    case Form::Span: return {QLatin1String("<SPAN STYLE=\"") + d + QLatin1String("\">"), QStringLiteral("</SPAN>")};
    case Form::Div: return {QLatin1String("<DIV STYLE=\"") + d + QLatin1String("\">"), QStringLiteral("</DIV>")};
    case Form::StyleSheet:
        return {QLatin1String("<STYLE TYPE=\"text/css\">\n<!--\n\t{ ") + d + QLatin1String("}\n-->\n</STYLE>"), {}};
    }
    return {};
}

unsigned ColorValue(const QString& text) {
    if (text.size() != 7 || text[0] != QLatin1Char('#')) return 0;
    bool ok = false;
    const unsigned rgb = text.mid(1).toUInt(&ok, 16);
    if (!ok) return 0;
    // The pairs reordered: blue, green, red.
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

bool StylesFile::Read(std::string& text) const {
    text.clear();
    const QByteArray path = QFile::encodeName(path_);
    if (path.isEmpty()) return false;
    // A missing file holds no styles (the first save makes it). A file that cannot be read
    // must not be replaced by a write of the styles read from nothing.
    if (!brevic::FileExists(path.constData())) return !brevic::IsDirectory(path.constData());
    return brevic::ReadTextFile(path.constData(), text);
}

bool StylesFile::Write(const std::string& before, const std::string& after) const {
    if (after == before) return true;
    return brevic::WriteTextFileAtomic(QFile::encodeName(path_).constData(), after);
}

QStringList StylesFile::Names() const {
    QStringList names;
    std::string text;
    if (!Read(text)) return names;
    for (int n = 0;; ++n) {
        const QString name = Value(text, Section(n), "Name", QString(), kNameMax);
        if (name.isEmpty() || !IsLive(text, n)) break;
        names << name;
    }
    return names;
}

bool StylesFile::Load(int n, Style& style) const {
    std::string text;
    if (n < 0 || !Read(text) || !IsLive(text, n)) return false;
    LoadFrom(text, n, style);
    return true;
}

bool StylesFile::Save(int n, const Style& style) const {
    if (n < 0) return true;
    std::string text;
    if (!Read(text)) return false;
    std::string updated = text;
    SaveInto(updated, n, style);
    return Write(text, updated);
}

bool StylesFile::Delete(int selected, int count) const {
    std::string text;
    if (count <= 0 || !Read(text) || !IsLive(text, count - 1)) return false;
    std::string updated = text;
    Style last;
    LoadFrom(text, count - 1, last);
    if (selected >= 0) SaveInto(updated, selected, last);
    brevic::SetProfileValue(updated, Section(count - 1).c_str(), "Del", "1");
    return Write(text, updated);
}

} // namespace styles
