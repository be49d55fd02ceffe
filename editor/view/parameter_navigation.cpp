#include "parameter_navigation.h"

namespace magic {

namespace {

constexpr int kMaxValues = 50;

// The last `c` in text[0, limit); -1 when none or the range is empty.
int LastBefore(const QString& text, QChar c, int limit) {
    if (limit <= 0) return -1;
    return static_cast<int>(
        text.lastIndexOf(c, std::min(limit, static_cast<int>(text.size())) - 1));
}

// The characters that end the value after a stop, and where the value starts.
struct Stop {
    int at;       // position the value follows
    QString ends; // its terminators
};

Stop StopAt(const QString& text, int p) {
    const QChar c = text[p];
    if (c == ':') return {p, QStringLiteral(";}\"")};
    if (c == '=') {
        if (p + 1 < text.size() && text[p + 1] == '"') return {p + 1, QStringLiteral("\">")};
        return {p, QStringLiteral("> \"}")};
    }
    return {p, QStringLiteral("<")}; // '>'
}

// Offset of the first terminator after `at` (0 when there is none).
int ValueLength(const QString& text, const Stop& stop) {
    for (int i = stop.at + 1; i < text.size(); ++i) {
        if (stop.ends.contains(text[i])) return i - (stop.at + 1);
    }
    return 0;
}

} // namespace

std::pair<int, int> JumpLeft(const QString& text, int pos) {
    const bool afterQuote = pos > 0 && pos <= text.size() && text[pos - 1] == '"';
    const int a = LastBefore(text, '=', afterQuote ? pos - 2 : pos - 1);
    const int b = LastBefore(text, ':', pos - 2);
    const int c = LastBefore(text, '>', pos - 2);
    const int p = std::max({a, b, c});
    if (p < 0) return {pos, pos};
    Stop stop = StopAt(text, p);
    const int n = ValueLength(text, stop);
    return {stop.at + 1, stop.at + 1 + n};
}

std::pair<int, int> JumpRight(const QString& text, int pos) {
    int p = -1;
    for (int i = std::max(0, pos); i < text.size(); ++i) {
        if (text[i] == '=' || text[i] == '>' || text[i] == ':') {
            p = i;
            break;
        }
    }
    if (p < 0) return {pos, pos};
    Stop stop = StopAt(text, p);
    const int n = ValueLength(text, stop);
    return {stop.at + 1, stop.at + 1 + n};
}

QString AttributeNameBefore(const QString& text, int start) {
    int i = std::clamp(start, 0, static_cast<int>(text.size()));
    while (i > 0 && QStringLiteral("\"= :").contains(text[i - 1]))
        --i;
    int j = i;
    while (j > 0 && !QStringLiteral("\" ;").contains(text[j - 1]))
        --j;
    // The name counts only behind a stop character that is not the text's first.
    if (j - 1 < 1) return {};
    return text.mid(j, i - j).toUpper();
}

bool FindEnclosing(const QString& text, int pos, QChar open, QChar close, int& from, int& to) {
    pos = std::clamp(pos, 0, static_cast<int>(text.size()));
    int left = pos - 1;
    while (left >= 0 && text[left] != open && text[left] != close)
        --left;
    if (left < 0 || text[left] != open) return false;
    int right = pos;
    while (right < text.size() && text[right] != open && text[right] != close)
        ++right;
    if (right >= text.size() || text[right] != close) return false;
    from = left + 1;
    to = right;
    return true;
}

QStringList SplitValues(const QString& content) {
    QStringList values = content.split(',');
    while (values.size() > kMaxValues)
        values.removeLast();
    return values;
}

} // namespace magic
