#pragma once

#include <QColor>
#include <QList>
#include <QString>

namespace controller {

// The type-ahead alphabet: codes 0-35 of "ActionKey" are its characters.
const QString &typedCharacters();
// 1-based position of the lower-cased first character in the alphabet, 0 when absent.
qint64 keyn(const QString &text);
// The alphabet's character at a 1-based index; "" outside 1-36.
QString carn(qint64 index);
// The first n characters of key that the alphabet knows, accents stripped,
// lower-cased (the text a type-ahead search compares).
QString obtenirCar(const QString &key, qint64 n);
// Key characters consumed to take n of them, plus 1 (1 for n = 0).
qint64 obtenirNbCarReq(const QString &key, qint64 n);

// The search echo: the current song's line with the matched part in colour.
struct EchoRun {
    int start = 0;
    int length = 0;
    QColor color;
};
struct SearchEcho {
    QString text;
    QList<EchoRun> runs;
    bool clearSearch = false;  // no match: the search text is dropped
    QString toHtml() const;
};
// sort 0: "title • artist"; 1: "artist • title". songNoToc below 0 means no
// table-of-contents pick is pending.
SearchEcho searchEcho(const QString &title, const QString &artist, qint64 sort, const QString &rech,
                      qint64 songNoToc);

} // namespace controller
