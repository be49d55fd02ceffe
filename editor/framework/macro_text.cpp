#include "macro_text.h"

#include <brevic/ls_macrobase.h>

#include <cstring>

namespace macrotext {

codec::Encoding EncodingOf(tLS_macrobase* base) {
    if (!base) return codec::Encoding::Utf8;
    // The file is its names and texts between ASCII header bytes: it is valid UTF-8 exactly
    // when each of them is.
    for (int i = 0; i <= base->GetLastIndex(); ++i) {
        tBaseMember* member = nullptr;
        if (base->GetMacroContent(i, member) != LS_OK) continue; // deleted: not in the file
        const std::string& text = member->content;
        const QByteArray content = QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size()));
        const QByteArray name = QByteArray::fromRawData(member->name, static_cast<qsizetype>(std::strlen(member->name)));
        if (!codec::IsValidUtf8(name) || !codec::IsValidUtf8(content)) return codec::Encoding::Windows1252;
    }
    return codec::Encoding::Utf8;
}

QString Decode(const QByteArray& bytes, codec::Encoding encoding) { return codec::Decode(bytes, encoding); }

bool Encode(const QString& text, codec::Encoding encoding, QByteArray& bytes) {
    QByteArray encoded = codec::Encode(text, encoding);
    // Characters the encoding lacks come out as "?" (or replacement characters): the text
    // would not come back.
    if (codec::Decode(encoded, encoding) != text) return false;
    bytes = encoded;
    return true;
}

QString EncodingName(codec::Encoding encoding) {
    return encoding == codec::Encoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Windows-1252");
}

} // namespace macrotext
