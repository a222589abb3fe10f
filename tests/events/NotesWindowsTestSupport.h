#pragma once

#include "events/windows/WinNoteF.h"
#include "library/Data.h"
#include "library/NoteWriter.h"
#include "midi/Midi.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace notestest {

inline QString readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<none>");
}

// A temporary library of songs with notes, the windows' global state reset,
// scripted dialogs, a manual clock and a record of the commands posted.
class NotesFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data::songEvents().clear();
        Data::setSongEventsKey(QString());
        Data::setRecOn(false);
        Data::setCurrentScreensetG(0);
        Data::setCurrentGenreG(1);
        Data::setGtempo(0);
        Data::winIDs().clear();
        Data::tags().clear();
        Midi::MIDIdestinations().clear();
        Midi::MIDIfav().clear();
        observer = platform::NotificationCenter::defaultCenter().addObserver(
            QString(), [this](const platform::Notification &n) {
                if (n.name == vocab::ActionKey)
                    codes << n.intParam();
                else
                    named << n.name + QLatin1Char('=') + n.stringParam();
            });
    }

    void TearDown() override
    {
        platform::NotificationCenter::defaultCenter().removeObserver(observer);
        Data::songEvents().clear();
        Data::setSongEventsKey(QString());
        Data::setRecOn(false);
    }

    // A song file and its note; the entry the library would make of it.
    PiecesPtr song(const QString &name, const QString &note)
    {
        const QString path = testsupport::writeFile(dir.filePath(name + QStringLiteral(".pdf")), "x");
        if (!note.isNull())
            testsupport::writeFile(notefile::notePathForSong(path), note.toUtf8());
        return Pieces::initWithPDF(path, name + QStringLiteral(".pdf"), -1, 0, nullptr, true, 0, QString(), {},
                                   nullptr);
    }

    QString noteOnDisk(const PiecesPtr &p)
    {
        writer.waitForIdle();
        return readFile(notefile::notePathForSong(p->getPath()));
    }

    // What the controller's note timer does for the song now shown.
    static void loadEvents(const PiecesPtr &p)
    {
        Data::chargerSongEventsFromString(p->pieceDet->notetxt, false, Data::songEvents());
        Data::setSongEventsKey(p->getPath());
    }

    QTemporaryDir dir;
    testsupport::FreshDefaults defaults;
    platform::ScriptedDialogs dialogs;
    platform::ManualClock clock;
    platform::NotificationCenter::ObserverId observer = 0;
    QList<qint64> codes;
    QStringList named;
    NoteWriter writer;
};

} // namespace notestest
