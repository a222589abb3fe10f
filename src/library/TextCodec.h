#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Song and note files come from many editors: UTF-16 when they start with its
// byte-order mark (Windows Notepad's "Unicode"), UTF-8 when the bytes are
// valid UTF-8, else Windows-1252 (the old default of song editors). Bytes
// that are none of these (NUL bytes outside UTF-16) are binary: shown as
// Windows-1252 but never written back. Qt has no Windows-1252 codec without
// ICU, hence our own table.
namespace textcodec {

enum class Encoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1252, Binary };

bool isValidUtf8(const QByteArray &bytes);
QString fromWindows1252(const QByteArray &bytes);
// Decodes bytes as described above; the byte-order mark is dropped.
QString decode(const QByteArray &bytes, Encoding *used = nullptr);
// The text's bytes in an encoding, byte-order mark included. nullopt for
// Binary, and for Windows-1252 when a character has no byte there.
std::optional<QByteArray> encode(const QString &text, Encoding encoding);

} // namespace textcodec
