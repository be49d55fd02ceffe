#include "macro_text.h"

#include "ids.h"
#include "message_box.h"
#include "string_table.h"

#include <brevic/ls_macrobase.h>

#include <QFile>

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
        const QByteArray content =
            QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size()));
        const QByteArray name = QByteArray::fromRawData(
            member->name, static_cast<qsizetype>(std::strlen(member->name)));
        if (!codec::IsValidUtf8(name) || !codec::IsValidUtf8(content))
            return codec::Encoding::Windows1252;
    }
    return codec::Encoding::Utf8;
}

QString Decode(const QByteArray& bytes, codec::Encoding encoding) {
    return codec::Decode(bytes, encoding);
}

bool Encode(const QString& text, codec::Encoding encoding, QByteArray& bytes) {
    if (!codec::CanEncode(text, encoding)) return false;
    bytes = codec::Encode(text, encoding);
    return true;
}

void ReportNotWritten(QWidget* parent, tLS_macrobase* base, const QString& what) {
    QString text = fw::LoadString(str::MacroNotSaved);
    if (!what.isEmpty()) text += QLatin1Char('\n') + what;
    if (base) text += QLatin1Char('\n') + QFile::decodeName(base->GetFilePath());
    fw::ShowMessageText(parent, text, fw::MessageKind::Error);
}

bool WriteBase(QWidget* parent, tLS_macrobase* base, const QString& what) {
    if (!base || !base->IsModified() || base->SaveMacroBase() == LS_OK) return true;
    ReportNotWritten(parent, base, what);
    return false;
}

} // namespace macrotext
