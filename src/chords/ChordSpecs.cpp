#include "chords/ChordSpecs.h"

#include "chords/ChordDet.h"
#include "library/SortKeys.h"

namespace {

int letterRank(const QString &name)
{
    switch (name.at(0).unicode()) {
    case 'C': return 1;
    case 'D': return 2;
    case 'E': return 3;
    case 'F': return 4;
    case 'G': return 5;
    case 'A': return 6;
    case 'B': return 7;
    default: return 8;
    }
}

QString two(int n)
{
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

bool naturalRoot(int pc)
{
    switch (pc) {
    case 0: case 2: case 4: case 5: case 7: case 9: case 11: return true;
    default: return false;
    }
}

} // namespace

QString ChordSpecs::sortString1() const
{
    if (chordName_.isEmpty())
        return {};
    QString padded = chordName_.contains(QLatin1Char('/')) ? chordName_ : chordName_ + QLatin1Char('/');
    padded = padded.leftJustified(16, QLatin1Char(' '), true);
    return two(letterRank(chordName_)) + two(ChordDet::noChordFromChord(chordName_)) + padded
           + sortkeys::number8(index_);
}

QString ChordSpecs::sortString2() const
{
    if (chordName_.isEmpty())
        return {};
    const int p = ChordDet::noChordFromChord(chordName_);
    const bool slash = chordName_.contains(QLatin1Char('/'));
    const qsizetype firstSlash = chordName_.indexOf(QLatin1Char('/'));
    int kind = 0;
    if (naturalRoot(p)) {
        const int s = slash ? 3 : 0;
        if (chordName_.size() == 1 || firstSlash == 1)
            kind = s;
        else if (chordName_.at(1) == QLatin1Char('m'))
            kind = s + 1;
        else
            kind = s + 2;
    } else {
        if (chordName_.size() == 2 || firstSlash == 2)
            kind = slash ? 7 : 6;
        else if (chordName_.size() > 2 && chordName_.at(2) == QLatin1Char('m'))
            kind = slash ? 9 : 8;
        else
            kind = slash ? 11 : 10;
    }
    QString key = two(letterRank(chordName_)) + two(p) + two(kind) + chordName_;
    key += QString::number(chordX_.fretPos);
    for (int k = 1; k <= 6; ++k)
        key += QString::number(chordX_.value(k));
    return key;
}
