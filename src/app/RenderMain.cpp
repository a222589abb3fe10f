// tolvane-render: loads PDF documents and renders their pages for the
// program that started it, on the socket it was given, until that closes.
#include "platform/PdfProcess.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return platform::servePdfRequests(argc > 1 ? QByteArray(argv[1]).toInt() : 0);
}
