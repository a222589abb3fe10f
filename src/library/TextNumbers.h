#pragma once

#include <QString>

// Numbers read from the start of a text the way typed parameters, scripts and
// stored identifiers have always been read: what follows the number is ignored.
namespace textnum {

// The leading integer: blanks skipped, an optional sign, then digits up to the
// first other character; 0 when no digit leads. Clamped to the 32-bit range.
qint32 intValue(const QString &text);

// The first character read as a digit 0-9; -1 when the text is empty or does
// not begin with a digit.
qint32 firstDigit(const QString &text);

// The text read as an unsigned 64-bit hexadecimal number: blanks and a "0x"
// prefix accepted, stops at the first other character, 0 when there is none,
// and saturates at the largest value.
quint64 longlongValue(const QString &text);

} // namespace textnum
