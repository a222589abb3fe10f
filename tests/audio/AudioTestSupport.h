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

// A mono WAV of a quiet tone, seconds long, of 16, 24 or 32-bit samples.
inline bool writeWav(const QString &path, double seconds, int rate = 8000, int bits = 16)
{
    const quint32 samples = quint32(seconds * rate);
    const int bytes = bits / 8;
    QByteArray pcm;
    pcm.reserve(int(samples) * bytes);
    for (quint32 i = 0; i < samples; ++i) {
        const qint32 v = qint32(2000 * std::sin(i * 0.05)) * (1 << (bits - 16));
        char b[4];
        qToLittleEndian<qint32>(v, b);
        pcm.append(b, bytes);
    }
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
    u32(quint32(rate * bytes));
    u16(quint16(bytes));
    u16(quint16(bits));
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
