#pragma once

#include <QString>
#include <QStringList>

// The help pages: page n (1-18) and the full manual (0, and any other
// number). Plain Qt Core, so that the build's PDF maker shares this table.
namespace helppages {

inline constexpr int kPageCount = 18;

// The help window's title for page n.
QString title(qint64 n);
// The document's name without ".pdf"; the manual and the three MIDI
// settings pages end in "---", which keeps them out of the song list of the
// help folder.
QString resourceName(qint64 n);
QString fileName(qint64 n); // resourceName + ".pdf"
// Names under which earlier versions copied help documents into the user's
// help folder; those copies are removed so that no stale one sits beside the
// current one.
QStringList formerFileNames();
// Every page's number, the manual (0) last.
QList<int> allPages();
// The Markdown source of page n in the resources folder ("help/page-07.md";
// "help/manual.md" for the manual's opening page).
QString sourceName(qint64 n);

} // namespace helppages
