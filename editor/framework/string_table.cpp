#include "string_table.h"

#include <QRegularExpression>
#include <utility>

#include <algorithm>
#include <iterator>

namespace fw {

namespace {
struct Entry {
    int id;
    const char* text;
};
constexpr Entry kStrings[] = {
#define LS_STRING(name, id, text) {id, text},
#include "strings.inc"
#undef LS_STRING
};

const Entry* Find(int id) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const Entry& e, int wanted) { return e.id < wanted; });
    return it != std::end(kStrings) && it->id == id ? it : nullptr;
}
} // namespace

QString LoadString(int id) {
    const Entry* e = Find(id);
    return e ? QString::fromUtf8(e->text) : QString();
}

QString CountsRead(QString text) {
    static const std::pair<const char*, const char*> kSingular[] = {
        {"replacements were", "replacement was"},
        {"files", "file"},
        {"problems", "problem"},
        {"pages", "page"},
        {"errors", "error"},
        {"warnings", "warning"},
    };
    for (const auto& [plural, singular] : kSingular) {
        const QRegularExpression one(
            QStringLiteral("(^|[^0-9.,])1 %1\\b").arg(QLatin1String(plural)));
        text.replace(one, QStringLiteral("\\11 ") + QLatin1String(singular));
    }
    return text;
}

} // namespace fw
