#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// Completions offered while a note is typed: the note's directives and MIDI
// instructions completed with destination and group names. Pure: the names
// are handed in.
namespace midicompletion {

struct Names {
    QStringList winIds;
    QStringList tags;
    qint64 tempo = 0;
    QStringList groupIds; // the event library's groups, the first ("DEFAULT") included
    QStringList destIds;
};

// The partial word before the position: from after the last blank or line
// end ("CC7.64@" is one word). Its start is returned in *start.
QString partialWord(const QString &text, qsizetype position, qsizetype *start);

// The completions of a partial word, the word itself first; empty for none.
// next is the character right after the word (a null QChar at the end).
QStringList complete(const QString &word, QChar next, bool midiOnly, const Names &names);

} // namespace midicompletion
