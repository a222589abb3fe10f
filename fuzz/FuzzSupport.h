#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

// Each fuzz target defines LLVMFuzzerTestOneInput; FuzzSupport.cpp gives
// them a headless application with the bundled resources and fonts and an
// in-memory user-defaults store, made once before the first input.
namespace fuzzsupport {

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

} // namespace fuzzsupport
