#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Text fields of the data files are Windows-1252 ("ANSI"), left-aligned, padded with spaces.

// Encodes to Windows-1252; characters it cannot hold become '?'. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to and from U+0081 etc., so that any byte
// string survives a decode/encode round trip unchanged.
QByteArray ToAnsi(QStringView text);
QString FromAnsi(QByteArrayView bytes);

// The first character of `text` that Windows-1252 cannot hold (a surrogate pair whole), which
// ToAnsi would turn into '?'; empty when every character can be stored.
QString FirstUnstorable(QStringView text);
// "the character 'ả' (U+1EA3)": the character `c` (one QChar or a surrogate pair) as messages name
// it, with its code point for the characters a font cannot show; a control character or half a
// surrogate pair by its code point alone ("the character U+001B").
QString CharacterName(QStringView c);

// Removes leading and trailing spaces (only the space character, as the file format does).
QString TrimSpaces(QStringView text);
QByteArrayView TrimSpaces(QByteArrayView bytes);

// Stores `value` into a field of `width` bytes: surrounding spaces removed, encoded, cut to the
// width, padded with spaces.
void StoreAnsiField(char* field, int width, QStringView value);

// The field's text with surrounding spaces removed.
QString ReadAnsiField(const char* field, int width);

// The line end of every text the program shows, stores and prints, as Windows writes it.
inline const QString CrLf = QStringLiteral("\r\n");
