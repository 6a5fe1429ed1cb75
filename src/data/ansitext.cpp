#include "data/ansitext.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {
// Windows-1252 0x80..0x9F; the five undefined positions map to the C1 control of the same value.
constexpr std::array<char16_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The byte that holds `c`; -1 when the code page has none.
int AnsiByte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (std::size_t i = 0; i < High.size(); ++i)
        if (High[i] == c)
            return static_cast<int>(0x80 + i);
    return -1;
}

char EncodeChar(char16_t c) {
    const int b = AnsiByte(c);
    return b < 0 ? '?' : static_cast<char>(b);
}
} // namespace

QByteArray ToAnsi(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A surrogate pair is one character the code page cannot hold: one '?'.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        out.append(EncodeChar(c.unicode()));
    }
    return out;
}

QString FirstUnstorable(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            return text.mid(i, 2).toString();
        if (AnsiByte(text[i].unicode()) < 0)
            return text.mid(i, 1).toString();
    }
    return {};
}

QString CharacterName(QStringView c) {
    const char32_t u = c.size() == 2 ? QChar::surrogateToUcs4(c[0], c[1]) : c[0].unicode();
    const QString code =
        QStringLiteral("U+") + QString::number(quint32(u), 16).toUpper().rightJustified(4, u'0');
    // A control character or half a surrogate pair has no face to show, and would act on a
    // terminal or be lost on the way: its code point alone.
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || (c.size() == 1 && c[0].isSurrogate()))
        return QStringLiteral("the character ") + code;
    return QStringLiteral("the character '") + c.toString() + QStringLiteral("' (") + code +
           QStringLiteral(")");
}

QString FromAnsi(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* p = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        p[i] = QChar((b >= 0x80 && b < 0xA0) ? High[b - 0x80] : char16_t(b));
    }
    return out;
}

QString TrimSpaces(QStringView text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    return text.mid(start, end - start).toString();
}

QByteArrayView TrimSpaces(QByteArrayView bytes) {
    qsizetype start = 0;
    qsizetype end = bytes.size();
    // A field is mostly its padding (the notepad's 4,519 bytes hold a few lines as a rule, or none):
    // the end first, 32 and then eight spaces at a time.
    constexpr quint64 Spaces = 0x2020202020202020ULL;
    for (quint64 words[4]; end >= 32; end -= 32) {
        std::memcpy(words, bytes.data() + end - 32, 32);
        if ((words[0] ^ Spaces) | (words[1] ^ Spaces) | (words[2] ^ Spaces) | (words[3] ^ Spaces))
            break;
    }
    for (quint64 word = Spaces; end >= 8; end -= 8) {
        std::memcpy(&word, bytes.data() + end - 8, 8);
        if (word != Spaces)
            break;
    }
    while (end > start && bytes[end - 1] == ' ')
        --end;
    while (start < end && bytes[start] == ' ')
        ++start;
    return bytes.sliced(start, end - start);
}

void StoreAnsiField(char* field, int width, QStringView value) {
    const QByteArray encoded = ToAnsi(TrimSpaces(value));
    const int n = static_cast<int>(std::min<qsizetype>(encoded.size(), width));
    std::copy_n(encoded.constData(), n, field);
    std::fill(field + n, field + width, ' ');
}

QString ReadAnsiField(const char* field, int width) {
    return FromAnsi(TrimSpaces(QByteArrayView(field, width)));
}
