#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QtEndian>
#include <cmath>

#include <taglib/fileref.h>
#include <taglib/tag.h>

namespace audiotest {

// A mono 16-bit WAV of a quiet tone, seconds long.
inline bool writeWav(const QString &path, double seconds, int rate = 8000)
{
    const quint32 samples = quint32(seconds * rate);
    QByteArray pcm(int(samples * 2), '\0');
    for (quint32 i = 0; i < samples; ++i)
        qToLittleEndian<qint16>(qint16(2000 * std::sin(i * 0.05)), pcm.data() + 2 * i);
    QByteArray out;
    auto u32 = [&out](quint32 v) { char b[4]; qToLittleEndian(v, b); out.append(b, 4); };
    auto u16 = [&out](quint16 v) { char b[2]; qToLittleEndian(v, b); out.append(b, 2); };
    out.append("RIFF");
    u32(36 + quint32(pcm.size()));
    out.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(quint32(rate));
    u32(quint32(rate) * 2);
    u16(2);
    u16(16);
    out.append("data");
    u32(quint32(pcm.size()));
    out.append(pcm);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size();
}

// Runs an encoder; false when it is missing or fails.
inline bool encode(const QString &program, const QStringList &args)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return false;
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

inline bool tag(const QString &path, const QString &title, const QString &artist, const QString &genre,
                const QString &comment = {})
{
    TagLib::FileRef f(QFile::encodeName(path).constData());
    if (f.isNull() || !f.tag())
        return false;
    f.tag()->setTitle(TagLib::String(title.toStdString(), TagLib::String::UTF8));
    f.tag()->setArtist(TagLib::String(artist.toStdString(), TagLib::String::UTF8));
    f.tag()->setGenre(TagLib::String(genre.toStdString(), TagLib::String::UTF8));
    f.tag()->setComment(TagLib::String(comment.toStdString(), TagLib::String::UTF8));
    return f.save();
}

} // namespace audiotest
