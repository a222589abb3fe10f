#pragma once

#include <QByteArray>
#include <QString>

// Song and note files come from many editors: read them as UTF-8 when the
// bytes are valid UTF-8, else as Windows-1252 (the old default of song
// editors). Qt has no Windows-1252 codec without ICU, hence our own table.
namespace textcodec {

enum class Encoding { Utf8, Windows1252 };

bool isValidUtf8(const QByteArray &bytes);
QString fromWindows1252(const QByteArray &bytes);
// Decodes bytes as described above; a UTF-8 byte-order mark is dropped.
QString decode(const QByteArray &bytes, Encoding *used = nullptr);

} // namespace textcodec
