#pragma once
// Windows-1252, the character set of the text in the tables. The 27 printable characters of
// 0x80-0x9F ("€", "Š", curly quotes, ...) differ from Latin-1; the five bytes the set leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same number, so
// every byte a file holds reads back and writes out unchanged.
#include <QByteArray>
#include <QChar>
#include <QString>

namespace base::Cp1252 {

// Whether one character has a Windows-1252 byte.
bool fits(QChar c);
// Whether every character of the text has one.
bool fits(const QString& text);
// The first character that has none, or -1.
qsizetype firstUnfit(const QString& text);

// The bytes of the text. Callers check fits() first: a character without a byte becomes "?" and
// *ok (when given) is set to false.
QByteArray fromUnicode(const QString& text, bool* ok = nullptr);
// The text of the bytes; every byte has a character.
QString toUnicode(const QByteArray& bytes);

}  // namespace base::Cp1252
