#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// Empties the standard user defaults (in memory) for one test and again after it.
class FreshDefaults {
public:
    FreshDefaults();
    ~FreshDefaults();
};

// Writes a file (creating its folders); answers its absolute path.
QString writeFile(const QString &path, const QByteArray &bytes);
// Writes a PDF of n pages, each page showing its number in large type.
QString writePdf(const QString &path, int pages);
// Runs the event loop until nothing is left to do right now.
void processEvents();

} // namespace testsupport
