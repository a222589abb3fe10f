// tolvane-render: loads PDF documents and renders their pages for the
// program that started it, on the socket it was given, until that closes.
#include "platform/PdfProcess.h"

#include <QCoreApplication>

#if defined(__SANITIZE_ADDRESS__)
#define TOLVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOLVANE_ASAN 1
#endif
#endif

#ifdef TOLVANE_ASAN
// Under its memory ceiling a refused allocation must fail as it does in the
// release build, not end the reader with a report.
extern "C" const char *__asan_default_options()
{
    return "allocator_may_return_null=1";
}
#endif

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 ceiling = argc > 2 ? QByteArray(argv[2]).toLongLong() : 0;
    return platform::servePdfRequests(argc > 1 ? QByteArray(argv[1]).toInt() : 0,
                                      ceiling > 0 ? ceiling : platform::PdfProcess::kMemoryCeiling);
}
