#pragma once

#include <QString>
#include <memory>

// One of the ten tabs of a library folder slot. Tab 0 ("All") lists every
// song; tabs 1-9 are setlists (file names, one per line) or collections (a
// word filter). Stored in the user defaults under keys carrying the slot and
// the tab number; tab 0 and the help folder (negative slot) are never stored.
class TabDet {
public:
    enum OptSel { AnyWord = 0, AllWords = 1, NoneOfTheWords = 2, Setlist = 3 };
    enum LookInto { TitleArtistTags = 0, Title = 1, Artist = 2, Tags = 3, FileName = 4 };
    enum Sort { ListOrder = 0, ByTitle = 1, ByArtist = 2, ByTagPrefix = 3, Random = 4, LastPlayed = 5 };

    TabDet(qint64 dirNo, qint64 tabNo);

    qint64 dirNo = 0;
    qint64 tabNo = 0;
    QString tabName;
    QString list;       // lines, each followed by "\n"
    qint64 optSel = 0;
    qint64 tabSort = 0;
    qint64 tabSortAlt = 0;
    qint64 lookInto = 0;
    QString tabPrefix;
    QString tabPrefixAlt;

    QString tabNameForDisplay() const { return tabName; }
    void load();
    void save(bool nameOnly) const;

    // "%1TabName%2" and its siblings: the key of a field for a slot and tab.
    static QString key(const char *field, qint64 dirNo, qint64 tabNo);
};

using TabDetPtr = std::shared_ptr<TabDet>;
