#pragma once

#include "chordpro/export/WinChordProToPDF.h"
#include "controller/ControllerTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace pdfexporttest {

// A program started on a library folder of the given files (ChordPro songs
// titled after their names, two-page PDFs, notes), the first song current
// and a Tolvane window as key window; an export window beside it.
class ExportFixture : public controllertest::ControllerFixture {
protected:
    void startWithFiles(const QStringList &files)
    {
        for (const QString &name : files) {
            const QString path = songs.filePath(name);
            if (name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
                testsupport::writePdf(path, 2);
            else if (name.endsWith(QStringLiteral(".txt")))
                testsupport::writeFile(path, "TITLE=Noted\nA note\n");
            else
                testsupport::writeFile(path, QStringLiteral("{title:%1}\n[C]La [G]la [Am]la\n")
                                                 .arg(QFileInfo(name).completeBaseName().section(QStringLiteral("---"), 0, 0))
                                                 .toUtf8());
        }
        manualClock(); // batch turns are stepped
        storeSlot(0, songs.path());
        platform::UserDefaults::standard().setInteger(QStringLiteral("dirNo"), 0);
        platform::UserDefaults::standard().setInteger(QStringLiteral("NbrExec"), 3);
        start();
        controller->masquerToc();
        makeKey();
        Data::winIDs().clear();
    }

    void makeKey()
    {
        window()->show();
        QApplication::setActiveWindow(window());
    }

    void addWinID(const QString &id, qint64 defPDF = 0, qint64 defCHO = 0)
    {
        auto w = std::make_shared<WinID>(Data::winIDs().size());
        w->idWin = id;
        w->defPDF = defPDF;
        w->defCHO = defCHO;
        Data::winIDs().append(w);
    }

    void TearDown() override
    {
        win.reset(); // its file work ends first: no answer reaches a program torn down
        ControllerFixture::TearDown();
    }

    // Opens the export window for an operation (no modal loop).
    WinChordProToPDF &open(qint64 oper)
    {
        if (!win)
            win = std::make_unique<WinChordProToPDF>(nullptr, look);
        makeKey(); // the progress popup of an earlier export may have taken the focus
        EXPECT_TRUE(win->prepareShow(oper, songs.path()));
        return *win;
    }

    void chooseVersion(const QString &id)
    {
        win->comboWinID()->setCurrentIndex(id.isEmpty() ? 0 : win->comboWinID()->findText(id));
    }

    // Takes the answers of the export's file work, and its turns, until it is through.
    bool settle()
    {
        return testsupport::waitFor([this] {
            manualClock().advance(0);
            return !win->exporting();
        });
    }

    // Proceeds, and waits until the batch has begun or all is through.
    void proceed()
    {
        win->actionProceed();
        EXPECT_TRUE(testsupport::waitFor([this] { return win->batchRunning() || !win->exporting(); }));
    }

    // Proceeds with an export into out and runs the batch to its end.
    void exportTo(const QString &out)
    {
        dialogs.answerPath(out);
        dialogs.answerButton(QStringLiteral("Yes"));
        proceed();
        EXPECT_TRUE(settle());
    }

    // The alerts shown, without the folder choosers.
    QStringList alerts() const
    {
        QStringList list;
        for (const auto &r : dialogs.records())
            if (r.kind == QLatin1String("alert"))
                list << r.text;
        return list;
    }

    QStringList filesIn(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir songs;
    QTemporaryDir out;
    std::unique_ptr<WinChordProToPDF> win;
    WinChordProToPDF::FileLook look; // the share the songs' versions are looked for on

};

} // namespace pdfexporttest
