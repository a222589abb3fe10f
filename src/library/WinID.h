#pragma once

#include <QString>
#include <functional>
#include <memory>

// A window identifier ("Lead", "Drum"...) that document windows can be bound
// to, with its four policies. Stored as the user-defaults table "WinID_...".
class WinID {
public:
    explicit WinID(qint64 index);

    qint64 index = 0;
    QString idWin;
    qint64 defNote = 0; // note policy handed to Pieces::notetxtForDir
    qint64 defPDF = 0;  // 1 own file, 2 alternate version only, other: alternate when it exists
    qint64 defCHO = 0;  // the same for ChordPro songs
    qint64 defMsg = 0;  // message policy

    void save() const;
    void load();
};

using WinIDPtr = std::shared_ptr<WinID>;

namespace winid {

// An identifier is pasted into a file name beside the song: one that could
// climb out of the song's folder or name another folder is never used.
bool isSafeForFileName(const QString &id);
// The file a window bound to altDir shows for the song at path, under the
// song kind's policy (defPDF for a PDF song, else defCHO): policy 1 the song
// itself; otherwise its alternate version when one exists; without one, ""
// for policy 2 and the song itself for any other. `exists` is the file
// system's word (platform::pathExists when none is given).
QString versionPath(const QString &path, const QString &altDir, qint64 defPDF, qint64 defCHO,
                    const std::function<bool(const QString &)> &exists = {});

} // namespace winid
