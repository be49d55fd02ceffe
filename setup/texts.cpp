#include "texts.h"

namespace setup {

namespace {
const char* const kTexts[] = {
#define SETUP_STRING(name, text) text,
#include "strings.inc"
#undef SETUP_STRING
};
} // namespace

QString LoadText(Text id, const QString& argument) {
    QString text = QString::fromLatin1(kTexts[static_cast<int>(id)]);
    if (!argument.isNull()) text.replace(QLatin1String("%s"), argument);
    return text;
}

} // namespace setup
