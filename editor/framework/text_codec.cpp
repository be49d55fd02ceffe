#include "text_codec.h"

#include <text_bytes.h>

#include <QStringDecoder>

namespace codec {

bool IsValidUtf8(const QByteArray& bytes) {
    return brevic::IsUtf8(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

Encoding Detect(const QByteArray& bytes) {
    return IsValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Windows1252;
}

QString Decode(const QByteArray& bytes, Encoding encoding) {
    if (encoding == Encoding::Utf8) {
        // QString::fromUtf8 drops a byte-order mark at the start; kept as U+FEFF, it goes back
        // into the file with the rest.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(bytes);
    }
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        text.append(
            QChar(static_cast<char16_t>(brevic::Windows1252Code(static_cast<unsigned char>(c)))));
    }
    return text;
}

QByteArray Encode(const QString& text, Encoding encoding) {
    if (encoding == Encoding::Utf8) return text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar qc : text) {
        const int b = brevic::Windows1252Byte(qc.unicode());
        bytes.append(b >= 0 ? static_cast<char>(b) : '?');
    }
    return bytes;
}

bool CanEncode(const QString& text, Encoding encoding) {
    if (encoding == Encoding::Utf8) return true;
    for (QChar qc : text) {
        if (brevic::Windows1252Byte(qc.unicode()) < 0) return false;
    }
    return true;
}

QString SplitLines(const QString& text, std::vector<LineEnd>& ends) {
    ends.clear();
    QString out;
    out.reserve(text.size());
    const QChar* p = text.constData();
    const qsizetype n = text.size();
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        LineEnd end;
        qsizetype lineEnd = i;
        if (c == u'\n') {
            end = LineEnd::Lf;
        } else if (c == u'\r') {
            end = i + 1 < n && p[i + 1] == u'\n' ? LineEnd::CrLf : LineEnd::Cr;
            if (end == LineEnd::CrLf) ++i;
        } else if (c == 0x2029) {
            end = LineEnd::ParagraphSeparator;
        } else {
            continue;
        }
        out.append(p + lineStart, lineEnd - lineStart);
        out.append(u'\n');
        ends.push_back(end);
        lineStart = i + 1;
    }
    out.append(p + lineStart, n - lineStart);
    ends.push_back(LineEnd::None);
    return out;
}

QString EndText(LineEnd end) {
    switch (end) {
    case LineEnd::Lf:
        return QStringLiteral("\n");
    case LineEnd::CrLf:
        return QStringLiteral("\r\n");
    case LineEnd::Cr:
        return QStringLiteral("\r");
    case LineEnd::ParagraphSeparator:
        return QString(QChar::ParagraphSeparator);
    case LineEnd::None:
        break;
    }
    return {};
}

LineEnd FirstLineEnd(const QString& text, LineEnd none) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\n') return LineEnd::Lf;
        if (c == 0x2029) return LineEnd::ParagraphSeparator;
        if (c == u'\r')
            return i + 1 < text.size() && text[i + 1] == u'\n' ? LineEnd::CrLf : LineEnd::Cr;
    }
    return none;
}

QByteArray FromTextMode(const QByteArray& bytes) {
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        out.append(bytes[i]);
    }
    return out;
}

QByteArray ToTextMode(const QByteArray& bytes) {
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 16);
    for (char c : bytes) {
        if (c == '\n') out.append('\r');
        out.append(c);
    }
    return out;
}

} // namespace codec
