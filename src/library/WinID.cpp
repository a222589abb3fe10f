#include "library/WinID.h"

#include "library/Data.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"

#include <algorithm>

namespace {
QString rowKey(const char *field, qint64 index)
{
    return QStringLiteral("WinID_%1_%2").arg(QLatin1String(field), QString::number(index));
}
} // namespace

WinID::WinID(qint64 index) : index(index) {}

void WinID::save() const
{
    auto &d = platform::UserDefaults::standard();
    d.setString(rowKey("idWin", index), idWin);
    d.setInteger(rowKey("defNote", index), defNote);
    d.setInteger(rowKey("defPDF", index), defPDF);
    d.setInteger(rowKey("defCHO", index), defCHO);
    d.setInteger(rowKey("defMsg", index), defMsg);
}

void WinID::load()
{
    auto &d = platform::UserDefaults::standard();
    if (d.contains(rowKey("idWin", index)))
        idWin = d.stringForKey(rowKey("idWin", index));
    defNote = d.integerForKey(rowKey("defNote", index));
    defPDF = d.integerForKey(rowKey("defPDF", index));
    defCHO = d.integerForKey(rowKey("defCHO", index));
    defMsg = d.integerForKey(rowKey("defMsg", index));
}

void Data::chargerWinIDs()
{
    auto &d = platform::UserDefaults::standard();
    // A damaged count must not stall the start with millions of rows.
    constexpr qint64 kMaxWinIDs = 256;
    const qint64 stored = std::min(d.integerForKey(QStringLiteral("WinID_nbWinID")), kMaxWinIDs);
    setNbWinID(stored > 0 ? stored : 2);
    QList<WinIDPtr> &list = winIDs();
    list.clear();
    for (qint64 i = 0; i < nbWinID(); ++i) {
        auto id = std::make_shared<WinID>(i);
        if (stored > 0)
            id->load();
        else
            id->idWin = i == 0 ? QStringLiteral("Lead") : QStringLiteral("Drum");
        list.append(id);
    }
}

void Data::creerWinIDs()
{
    const qint64 n = winIDs().size();
    auto id = std::make_shared<WinID>(n);
    id->idWin = QStringLiteral("id%1").arg(n);
    winIDs().append(id);
}

void Data::supprimerWinIDsForIndex(qint64 index)
{
    if (index >= 0 && index < winIDs().size())
        winIDs().removeAt(index);
}

WinIDPtr Data::obtenirNextWinID(qint64 mode, const QString &currentAltDir)
{
    const QList<WinIDPtr> &list = winIDs();
    if (mode == 0)
        return list.isEmpty() ? nullptr : list.first();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i]->idWin == currentAltDir)
            return i + 1 < list.size() ? list[i + 1] : nullptr;
    }
    return nullptr;
}

bool Data::isValidWinID(const QString &id)
{
    for (const WinIDPtr &w : winIDs()) {
        if (w->idWin.compare(id, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

namespace winid {

bool isSafeForFileName(const QString &id)
{
    return !id.isEmpty() && !id.contains(QLatin1Char('/')) && !id.contains(QLatin1Char('\\'))
        && !id.contains(QLatin1String("..")) && !id.contains(QChar(0));
}

QString versionPath(const QString &path, const QString &altDir, qint64 defPDF, qint64 defCHO,
                    const std::function<bool(const QString &)> &exists)
{
    const bool pdfSong = platform::suffix(path).toUpper() == QLatin1String("PDF");
    const qint64 policy = pdfSong ? defPDF : defCHO;
    if (policy == 1)
        return path;
    const QString alt = isSafeForFileName(altDir) ? Data::obtenirPathPourAltDir(path, altDir, exists) : QString();
    if (!alt.isEmpty())
        return alt;
    return policy == 2 ? QString() : path;
}

} // namespace winid
