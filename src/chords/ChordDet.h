#pragma once

#include <QString>

// Chord names as text: the root of a name read as a pitch class (0 C ... 11 B)
// and names transposed by semitones. Sharps or flats are chosen by a preference
// (`prefBemolDiese`): 0 by the key the song is transposed into, 1 flats, any
// other value sharps.
//
// A record pairs one source chord with its transposed text, for callers that
// transpose a list of chords and mark which ones they have used.
class ChordDet
{
public:
    explicit ChordDet(const QString &chordSource = QString());

    const QString &chordSource() const { return m_chordSource; }
    void setChordSource(const QString &s) { m_chordSource = s; }
    const QString &chordDest() const { return m_chordDest; }
    void setChordDest(const QString &s) { m_chordDest = s; }
    bool traite() const { return m_traite; }
    void setTraite(bool done) { m_traite = done; }

    // chordDest becomes chordSource transposed (slash chords included).
    void transposeChord(int semiTones, const QString &fromKey, int prefBemolDiese);

    // --- Names ---
    // The whole name transposed; both sides of a slash chord are transposed.
    static QString transposeChordWithRoot(const QString &chord, int semiTone, const QString &fromKey,
                                          int prefBemolDiese);
    // The root transposed and the rest of the name kept.
    static QString transposeSingleChord(const QString &chord, int semiTone, const QString &fromKey,
                                        int prefBemolDiese);
    // The spelling of root pitch class `root` moved by `transpose`, in the key
    // (pitch class of its major) `fromNoKey` moved the same way.
    static QString strChord(int root, int transpose, int fromNoKey, int prefBemolDiese);

    // --- Pitch classes ---
    static int noChordFromChord(const QString &chord);
    static int noChordFromBase(const QString &base, bool diese, bool bemol);
    // The major key a key name stands for: "Am" reads as C.
    static int noKeyFromKeyName(const QString &key);

private:
    QString m_chordSource;
    QString m_chordDest;
    bool m_traite = false;
};
