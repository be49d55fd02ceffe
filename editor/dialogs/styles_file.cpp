#include "styles_file.h"

#include "text_codec.h"

#include <brevic/ls_files.h>
#include <brevic/ls_profile.h>

#include <QFile>

#include <string_view>
#include <unordered_map>

namespace styles {

namespace {

constexpr const char* kKeys[kFieldCount] = {
    "font-family",
    "font-style",
    "font-weight",
    "text-decoration",
    "text-align",
    "font-size",
    "font-size-units",
    "margin-right",
    "margin-right-units",
    "margin-left",
    "margin-left-units",
    "text-indent",
    "text-indent-units",
    "line-height",
    "line-height-units",
    "background",
    "color",
};

std::string Section(int n) {
    return "STYLE_" + std::to_string(n);
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimBlanks(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The style sections of a file's text, found in one pass, each kept as a text of its own
// (its header line first) in which the profile functions find a key as they would in the
// whole file. Listing a library of a thousand styles then reads its text once, not once
// per key. Headers are recognised as the profile functions do: "[name]" after optional
// blanks, the name up to the last ']' and trimmed; the first of two equal names counts.
class SectionIndex {
public:
    explicit SectionIndex(const std::string& text) {
        std::string current;
        size_t currentStart = 0;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string_view line(text.data() + start, end - start);
            if (start == 0 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
            line = TrimBlanks(line);
            const size_t close = line.rfind(']');
            if (!line.empty() && line.front() == '[' && close != std::string_view::npos) {
                Close(text, current, currentStart, start);
                current.clear();
                for (char c : TrimBlanks(line.substr(1, close - 1)))
                    current += Lower(c);
                currentStart = start;
            }
            start = end + 1;
        }
        Close(text, current, currentStart, text.size());
    }
    // The first section named STYLE_<n> (letter case aside); empty when there is none.
    std::string Of(int n) const {
        auto found = sections_.find("style_" + std::to_string(n));
        return found == sections_.end() ? std::string() : std::string(found->second);
    }

private:
    void Close(const std::string& text, const std::string& name, size_t from, size_t to) {
        if (name.compare(0, 6, "style_") == 0)
            sections_.emplace(name, std::string_view(text).substr(from, to - from));
    }
    std::unordered_map<std::string, std::string_view> sections_;
};

QByteArray Bytes(const std::string& s) {
    return QByteArray::fromRawData(s.data(), static_cast<qsizetype>(s.size()));
}

codec::Encoding EncodingOf(const std::string& text) {
    return codec::Detect(Bytes(text));
}

QString Value(const std::string& section, int n, const char* key, const QString& def, int limit,
              codec::Encoding encoding) {
    std::string value;
    if (!brevic::FindProfileValue(section, Section(n).c_str(), key, value)) return def;
    return codec::Decode(Bytes(value), encoding).left(limit);
}

// A value as the file can hold it: a line break would end the line.
QString OneLine(QString value) {
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

QByteArray Storable(const QString& value, codec::Encoding encoding) {
    return codec::Encode(OneLine(value), encoding);
}

// The encoding `style` is written in: the file's own, unless a Windows-1252 file cannot
// hold one of its characters; the whole text then becomes UTF-8, so nothing turns into "?".
codec::Encoding EncodingFor(std::string& text, const Style& style) {
    const codec::Encoding encoding = EncodingOf(text);
    if (encoding == codec::Encoding::Utf8) return encoding;
    bool fits = codec::CanEncode(style.name, encoding);
    for (const QString& value : style.values)
        fits = fits && codec::CanEncode(value, encoding);
    if (fits) return encoding;
    const QByteArray utf8 = codec::Decode(Bytes(text), encoding).toUtf8();
    text.assign(utf8.constData(), static_cast<size_t>(utf8.size()));
    return codec::Encoding::Utf8;
}

bool IsLive(const SectionIndex& index, int n) {
    return n >= 0 && brevic::ProfileInt(index.Of(n), Section(n).c_str(), "Del", 0) == 0;
}

void LoadFrom(const SectionIndex& index, int n, Style& style, codec::Encoding encoding) {
    const std::string section = index.Of(n);
    for (int f = 0; f < kFieldCount; ++f) {
        style.values[f] = Value(section, n, kKeys[f], IsUnit(f) ? QStringLiteral("pt") : QString(),
                                kValueMax, encoding);
    }
    style.name = Value(section, n, "Name", QString(), kValueMax, encoding);
}

void SaveInto(std::string& text, int n, const Style& style) {
    const codec::Encoding encoding = EncodingFor(text, style);
    const std::string section = Section(n);
    brevic::SetProfileValue(text, section.c_str(), "Name",
                            Storable(style.name, encoding).constData());
    brevic::SetProfileValue(text, section.c_str(), "Del", "0");
    for (int f = 0; f < kFieldCount; ++f) {
        brevic::SetProfileValue(text, section.c_str(), kKeys[f],
                                Storable(style.values[f], encoding).constData());
    }
}

} // namespace

const char* FieldKey(int field) {
    return field >= 0 && field < kFieldCount ? kKeys[field] : "";
}

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
    case Form::Declarations:
        return {d, {}};
    case Form::Block:
        return {QLatin1String("{ ") + d + QLatin1Char('}'), {}};
    case Form::Span:
        return {QLatin1String("<SPAN STYLE=\"") + d + QLatin1String("\">"),
                QStringLiteral("</SPAN>")};
    case Form::Div:
        return {QLatin1String("<DIV STYLE=\"") + d + QLatin1String("\">"),
                QStringLiteral("</DIV>")};
    case Form::StyleSheet:
        return {QLatin1String("<STYLE TYPE=\"text/css\">\n<!--\n\t{ ") + d +
                    QLatin1String("}\n-->\n</STYLE>"),
                {}};
    }
    return {};
}

unsigned ColorValue(const QString& text) {
    if (text.size() != 7 || text[0] != QLatin1Char('#')) return 0;
    // Digits only: the number parser would also take a sign, blanks or a "0x" prefix.
    unsigned rgb = 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        unsigned digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return 0;
        rgb = rgb << 4 | digit;
    }
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
    const SectionIndex index(text);
    const codec::Encoding encoding = EncodingOf(text);
    for (int n = 0;; ++n) {
        const QString name = Value(index.Of(n), n, "Name", QString(), kNameMax, encoding);
        if (name.isEmpty() || !IsLive(index, n)) break;
        names << name;
    }
    return names;
}

bool StylesFile::Load(int n, Style& style) const {
    std::string text;
    if (n < 0 || !Read(text)) return false;
    const SectionIndex index(text);
    if (!IsLive(index, n)) return false;
    LoadFrom(index, n, style, EncodingOf(text));
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
    if (count <= 0 || !Read(text)) return false;
    const SectionIndex index(text);
    if (!IsLive(index, count - 1)) return false;
    std::string updated = text;
    Style last;
    LoadFrom(index, count - 1, last, EncodingOf(text));
    if (selected >= 0) SaveInto(updated, selected, last);
    brevic::SetProfileValue(updated, Section(count - 1).c_str(), "Del", "1");
    return Write(text, updated);
}

} // namespace styles
