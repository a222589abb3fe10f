#pragma once

#include <QString>

#include <chrono>
#include <cstring>

// What the reader's two halves share: its start and watch (PdfProcess.cpp),
// and its calls on a document (PdfProcessCalls.cpp); the clock and the error
// words its launcher (PdfChildren.cpp) and its memory (PdfMemory.cpp) use too.
namespace platform::pdfprocess {

// The child's own start, Qt's included, under the slowest build.
constexpr int kStartMs = 10000;
// No page image is larger: a print at its finest fits in a tenth of it.
constexpr qint64 kMaxPageBytes = 512ll * 1024 * 1024;

inline qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline QString lastError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace platform::pdfprocess
