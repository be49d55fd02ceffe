#include "indent.h"

namespace view {

QString Indented(const QString& text, int& tabs) {
    QString out(QLatin1Char('\t'));
    tabs = 1;
    out.reserve(text.size() + text.size() / 16 + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == QLatin1Char('\n') && i + 1 < text.size()) {
            out += QLatin1Char('\t');
            ++tabs;
        }
    }
    return out;
}

QString Unindented(const QString& text, int& dropped) {
    QString out;
    out.reserve(text.size());
    dropped = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool lineStart = i == 0 || text[i - 1] == QLatin1Char('\n');
        if (lineStart && text[i] == QLatin1Char('\t')) {
            ++dropped;
            continue;
        }
        out += text[i];
    }
    return out;
}

} // namespace view
