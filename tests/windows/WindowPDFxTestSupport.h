#pragma once

#include "windows/WindowPDFx.h"

#include "SongFileSupport.h"
#include "library/Data.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

// The PDF window's fixture, and looks at its panes and reader processes, shared by its test files.
namespace windowstest {

using Kind = PDFViewRedef::Kind;

// What a pane shows: "A:3 3/5", "B:1 1/3" (next song), "-" (empty).
inline std::string shown(const PDFViewRedef *pane)
{
    const auto &c = pane->content();
    if (c.kind == Kind::Empty)
        return "-";
    std::string s = QFileInfo(c.path).completeBaseName().toStdString() + ":" + std::to_string(c.page);
    if (!pane->label().isEmpty())
        s += " " + pane->label().toStdString();
    return s;
}

// The PDF reader processes of this program, with the processor time each has used (in ticks).
inline QHash<int, qint64> readers()
{
    QHash<int, qint64> found;
    for (const int pid : testsupport::readerChildren()) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
        // After "pid (name) " the 12th field is the user time.
        if (!line.isEmpty())
            found.insert(pid, line.mid(line.lastIndexOf(')') + 2).split(' ').value(11).toLongLong());
    }
    return found;
}

class TolvaneWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data::setCurrentGenreG(1);
        Data::setTocOn(false);
        const QString root = dir.path();
        a = song(testsupport::writePdf(root + QStringLiteral("/A.pdf"), 5));
        b = song(testsupport::writePdf(root + QStringLiteral("/B.pdf"), 3));
        c = song(testsupport::writePdf(root + QStringLiteral("/C.pdf"), 2));
        broken = song(testsupport::writeFile(root + QStringLiteral("/Broken.pdf"), "%PDF-1.4 this is not a pdf"));
        missing = song(root + QStringLiteral("/Missing.pdf"));
        chordPro = song(testsupport::writeFile(root + QStringLiteral("/Song.cho"),
                                               "{title: Song}\n{subtitle: Band}\n[C]Hello [G]world\n[Am]Line two\n"));
    }
    void TearDown() override
    {
        Data::setCurrentGenreG(0);
        Data::setOptZoomRedLine(0);
        Data::setOptHalfPageMarker(0);
        Data::nsMutaryOfWindows().clear();
    }

    std::unique_ptr<WindowPDFx> makeWindow(qint64 mode, int w = 1200, int h = 800)
    {
        auto win = std::make_unique<WindowPDFx>();
        win->windowDidLoad();
        win->resize(w, h);
        win->show();
        testsupport::processEvents();
        win->iniModeAffichage(mode, false);
        return win;
    }

    void push(WindowPDFx &w, const PiecesPtr &s, qint64 page, const PiecesPtr &next = nullptr)
    {
        w.setPDF(s, page, true, false, 0, next, false);
        ASSERT_TRUE(w.renderer().waitForIdle());
    }

    // Stands still unless a test moves it: the end of a resize, a quarter of a
    // second later on a real clock, would otherwise turn a wide window's single
    // page back to two pages whenever a loaded machine lets it come first.
    platform::ManualClock clock_;
    testsupport::FreshDefaults defaults;
    QTemporaryDir dir;
    PiecesPtr a, b, c, broken, missing, chordPro;
};

} // namespace windowstest
