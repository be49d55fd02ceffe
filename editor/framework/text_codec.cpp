#include "text_codec.h"

#include <QStringDecoder>

namespace codec {

namespace {
// Windows-1252 code points of the bytes 0x80..0x9F (0 where the byte is unassigned and
// maps to the C1 control of the same value).
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 byte of a character, or -1 when it has none.
int Windows1252Byte(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == u || (kHigh[i] == 0 && u == 0x80 + i)) return 0x80 + i;
    }
    return -1;
}
} // namespace

bool IsValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned min;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (n - i <= extra) return false; // the sequence is cut off
        unsigned code = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            code = (code << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += extra + 1;
    }
    return true;
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
        auto b = static_cast<unsigned char>(c);
        char16_t u = (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80]) ? kHigh[b - 0x80] : char16_t(b);
        text.append(QChar(u));
    }
    return text;
}

QByteArray Encode(const QString& text, Encoding encoding) {
    if (encoding == Encoding::Utf8) return text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar qc : text) {
        const int b = Windows1252Byte(qc.unicode());
        bytes.append(b >= 0 ? static_cast<char>(b) : '?');
    }
    return bytes;
}

bool CanEncode(const QString& text, Encoding encoding) {
    if (encoding == Encoding::Utf8) return true;
    for (QChar qc : text) {
        if (Windows1252Byte(qc.unicode()) < 0) return false;
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
