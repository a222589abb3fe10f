#pragma once

#include <QString>
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
