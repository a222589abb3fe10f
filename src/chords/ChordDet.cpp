#include "chords/ChordDet.h"

namespace {

int wrap12(int n)
{
    return ((n % 12) + 12) % 12;
}

struct BlackKey {
    const char *sharp;
    const char *flat;
    // Keys (pitch class of the major) that spell this black key as a flat.
    std::initializer_list<int> flatKeys;
};

const BlackKey *blackKey(int pc)
{
    static const BlackKey keys[] = {
        {"C#", "Db", {3, 10}},
        {"D#", "Eb", {0, 3, 5, 10, 11}},
        {"F#", "Gb", {3, 8, 11}},
        {"G#", "Ab", {3, 5, 10, 11}},
        {"A#", "Bb", {0, 3, 5, 7, 10}},
    };
    switch (pc) {
    case 1: return &keys[0];
    case 3: return &keys[1];
    case 6: return &keys[2];
    case 8: return &keys[3];
    case 10: return &keys[4];
    default: return nullptr;
    }
}

} // namespace

ChordDet::ChordDet(const QString &chordSource)
    : m_chordSource(chordSource)
{
}

void ChordDet::transposeChord(int semiTones, const QString &fromKey, int prefBemolDiese)
{
    m_chordDest = transposeChordWithRoot(m_chordSource, semiTones, fromKey, prefBemolDiese);
}

int ChordDet::noChordFromBase(const QString &base, bool diese, bool bemol)
{
    if (base.isEmpty())
        return 0;
    int c = base.at(0).unicode();
    if (c >= 'H')
        c -= 32; // lower-case letters read as upper-case (and "H" falls below "A")
    if (c < 'A')
        return 0;
    int n = 9;
    switch (c) {
    case 'B': n = 11; break;
    case 'C': n = 0; break;
    case 'D': n = 2; break;
    case 'E': n = 4; break;
    case 'F': n = 5; break;
    case 'G': n = 7; break;
    default: break;
    }
    if (diese)
        ++n;
    else if (bemol)
        --n;
    return wrap12(n);
}

int ChordDet::noChordFromChord(const QString &chord)
{
    if (chord.isEmpty())
        return 0;
    if (chord.size() == 1)
        return noChordFromBase(chord, false, false);
    const QChar acc = chord.at(1);
    return noChordFromBase(chord.left(1), acc == QLatin1Char('#'), acc == QLatin1Char('b'));
}

int ChordDet::noKeyFromKeyName(const QString &key)
{
    if (key.isEmpty())
        return 0;
    const int k = noChordFromChord(key);
    if (key.contains(QLatin1Char('m')))
        return k < 9 ? k + 3 : k - 9;
    return k;
}

QString ChordDet::strChord(int root, int transpose, int fromNoKey, int prefBemolDiese)
{
    // Any count of semitones wraps fully: a root moved by two octaves is the
    // same note, never a C.
    const int m = wrap12(root + transpose);
    const int key = wrap12(fromNoKey + transpose);
    switch (m) {
    case 0: return QStringLiteral("C");
    case 2: return QStringLiteral("D");
    case 4: return QStringLiteral("E");
    case 5: return QStringLiteral("F");
    case 7: return QStringLiteral("G");
    case 9: return QStringLiteral("A");
    case 11: return QStringLiteral("B");
    default: break;
    }
    const BlackKey *bk = blackKey(m);
    bool flat = prefBemolDiese == 1;
    if (prefBemolDiese == 0)
        flat = std::find(bk->flatKeys.begin(), bk->flatKeys.end(), key) != bk->flatKeys.end();
    return QLatin1String(flat ? bk->flat : bk->sharp);
}

QString ChordDet::transposeSingleChord(const QString &chord, int semiTone, const QString &fromKey,
                                       int prefBemolDiese)
{
    if (chord.isEmpty())
        return {};
    const QString letter = chord.left(1);
    bool sharp = false;
    bool flat = false;
    QString rest;
    if (chord.size() >= 2) {
        const QChar acc = chord.at(1);
        sharp = acc == QLatin1Char('#');
        flat = acc == QLatin1Char('b');
        rest = chord.mid(sharp || flat ? 2 : 1);
    }
    const int n = noChordFromBase(letter, sharp, flat);
    return strChord(n, semiTone, noKeyFromKeyName(fromKey), prefBemolDiese) + rest;
}

QString ChordDet::transposeChordWithRoot(const QString &chord, int semiTone, const QString &fromKey,
                                         int prefBemolDiese)
{
    const qsizetype slash = chord.indexOf(QLatin1Char('/'));
    if (slash >= 0 && slash < chord.size() - 1)
        return QStringLiteral("%1/%2").arg(
            transposeSingleChord(chord.left(slash), semiTone, fromKey, prefBemolDiese),
            transposeSingleChord(chord.mid(slash + 1), semiTone, fromKey, prefBemolDiese));
    return transposeSingleChord(chord, semiTone, fromKey, prefBemolDiese);
}
