#pragma once

#include "platform/UserDefaults.h"

// How keys and values are stored in the user-defaults database.
namespace platform::defaultscodec {

// UTF-16 bytes keep every character of a key, NUL included.
QByteArray keyBytes(const QString &key);
QString keyFromBytes(const void *bytes, int size);
QByteArray encode(UserDefaults::Type type, const QVariant &value);
// Damaged bytes read as some value of the type, never a crash.
QVariant decode(UserDefaults::Type type, const QByteArray &bytes);

} // namespace platform::defaultscodec
