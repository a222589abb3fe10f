#include "controller/SearchText.h"

#include "library/Data.h"
#include "platform/Vocabulary.h"

namespace controller {

namespace {

const QColor kGrey = QColor::fromRgbF(0.5725490196078431f, 0.5725490196078431f, 0.5725490196078431f, 1.0f);
const QColor kWhite = QColor(Qt::white);
const QColor kBlue = QColor::fromRgbF(0.0f, 0.47843137254901963f, 1.0f, 1.0f);

// Walks the key as the search does; answers the taken text and the
// characters consumed.
QPair<QString, qint64> walk(const QString &key, qint64 n)
{
    QString taken;
    qint64 consumed = 0;
    if (n <= 0)
        return {taken, 0};
    for (const QChar c : key) {
        ++consumed;
        const QString plain = Data::stripAccents(QString(c));
        if (!plain.isEmpty() && keyn(plain) > 0) {
            taken += plain.left(1).toLower();
            if (taken.size() >= n)
                break;
        }
    }
    return {taken, consumed};
}

} // namespace

const QString &typedCharacters()
{
    return vocab::kTypedChars;
}

qint64 keyn(const QString &text)
{
    if (text.isEmpty())
        return 0;
    return Data::keyn(text);
}

QString carn(qint64 index)
{
    if (index < 1 || index > typedCharacters().size())
        return QString();
    return typedCharacters().mid(int(index - 1), 1);
}

QString obtenirCar(const QString &key, qint64 n)
{
    return walk(key, n).first;
}

qint64 obtenirNbCarReq(const QString &key, qint64 n)
{
    return walk(key, n).second + 1;
}

SearchEcho searchEcho(const QString &title, const QString &artist, qint64 sort, const QString &rech,
                      qint64 songNoToc)
{
    SearchEcho echo;
    const QString first = sort == 0 ? title : artist;
    const QString second = sort == 0 ? artist : title;
    echo.text = QStringLiteral("%1 • %2").arg(first, second);
    const qint64 n = rech.size();
    qint64 m = 0;
    if (n > 0 && obtenirCar(echo.text, n) == rech)
        m = obtenirNbCarReq(echo.text, n) - 1;
    if (m == 0 && songNoToc < 0)
        echo.clearSearch = true;
    m = qBound<qint64>(0, m, echo.text.size());
    const int len = int(echo.text.size());
    if (sort == 0) {
        if (m > 0)
            echo.runs.append({0, int(m), kWhite});
        echo.runs.append({int(m), len - int(m), kGrey});
        return echo;
    }
    const int a = int(artist.size());
    if (m <= a) {
        if (m > 0)
            echo.runs.append({0, int(m), kBlue});
        echo.runs.append({int(m), len - int(m), kGrey});
        return echo;
    }
    echo.runs.append({0, a, kBlue});
    const int afterBullet = int(m) - a - 3;  // title characters matched after " • "
    echo.runs.append({a, 3, kGrey});
    if (int(m) - a >= 4 && afterBullet > 0)
        echo.runs.append({a + 3, afterBullet, kWhite});
    echo.runs.append({a + 3 + qMax(0, afterBullet), len - (a + 3 + qMax(0, afterBullet)), kGrey});
    return echo;
}

QString SearchEcho::toHtml() const
{
    QString html;
    for (const EchoRun &run : runs) {
        if (run.length <= 0)
            continue;
        html += QStringLiteral("<span style=\"color:%1\">%2</span>")
                    .arg(run.color.name(), text.mid(run.start, run.length).toHtmlEscaped());
    }
    return html;
}

} // namespace controller
