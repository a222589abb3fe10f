#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// What could not be written where it belongs (an edited note or song, settings
// the settings file refused) is kept as a dated copy in a folder the program
// can write, and a quit that kept or lost something tells the next start, which
// says it once. Nothing kept is ever taken back by itself.
namespace platform::kept {

// A kept copy or its folder as a notice names it: the whole path, the home
// folder as "~", unquoted, since a window shows a quoted absolute path by its
// last name alone, which does not say where.
QString named(const QString &path);

// "<base> (<label> <date>).<suffix>", with a number added when that is taken.
QString datedFreePath(const QString &base, const QString &label, const QString &suffix);

// Writes a copy named "<name> (edit not saved <date>).<suffix>" through write,
// in the first folder that takes it: "Kept notes" of the data folder, then of
// the cache folder, then of the runtime folder (which a logout clears, so it
// comes last). Answers its path, or "" with why the
// first folder refused it in *error. A copy of a text not the performer's
// (another program's, which an edit went over) is labelled "changed elsewhere".
enum class Label { EditNotSaved, ChangedElsewhere };
QString keep(const QString &name, const QString &suffix,
             const std::function<bool(const QString &path, QString *error)> &write, QString *error = nullptr,
             Label label = Label::EditNotSaved);

// ChangedElsewhere: another program's text an edit went over, said only while its copy is there (it
// goes when the edit is not written after all).
enum class What { Note, Song, Settings, ChangedElsewhere };

// While quitting: logs what was kept (keptPath) or lost (keptPath empty,
// `what` saying which edit, e.g. "the edited note of Ballad"), and records it
// for the next start, in a few bytes, in the first folder that takes them.
void tellNextStart(What kind, const QString &keptPath, const QString &what = QString());

// While the program runs, for a copy of an edit (of a note or a song) that
// waits on a file that does not answer: recorded for the next start, which
// says it only if the copy is still there (the program ended before the edit
// was written and the copy removed).
void tellNextStartUnlessRemoved(What kind, const QString &keptPath, const QString &what);

// At a quit, once it has kept what it could not write: a record of a copy
// removed since, its edit written after all, is dropped, so that the next
// start is told only of copies still there (and, after an end without a quit,
// passes over those no longer there itself).
void forgetRemovedCopies();

// What the start after such a quit says; "" when nothing was kept or lost.
// Said once: the records are removed, or where that fails (the folder
// read-only) remembered as said, and the notice says the folder cannot be written.
QString takeNotice();

} // namespace platform::kept
