#include "base/Cp1252.h"

#include <array>

namespace base::Cp1252 {
namespace {

// Characters of the bytes 0x80-0x9F; the undefined ones keep their own code.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// The byte of a character, or -1.
int byteOf(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c) return int(0x80 + i);
    return -1;
}

}  // namespace

bool fits(QChar c) { return byteOf(c.unicode()) >= 0; }

bool fits(const QString& text) { return firstUnfit(text) < 0; }

qsizetype firstUnfit(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!fits(text[i])) return i;
    return -1;
}

QByteArray fromUnicode(const QString& text, bool* ok) {
    QByteArray bytes;
    bytes.reserve(text.size());
    bool all = true;
    for (QChar c : text) {
        const int b = byteOf(c.unicode());
        if (b < 0) all = false;
        bytes.append(b < 0 ? '?' : char(b));
    }
    if (ok) *ok = all;
    return bytes;
}

QString toUnicode(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(kHigh[b - 0x80]) : QChar(b));
    }
    return text;
}

}  // namespace base::Cp1252
