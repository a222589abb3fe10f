#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <atomic>

#include <taglib/tfilestream.h>

namespace audio {

// TagLib reads the descriptor the scan opened and checked, under the file's
// own name so that its kind is still told by its extension. Once the scan is
// told to stop, every read finds the end of the file.
class CheckedStream : public TagLib::FileStream {
public:
    CheckedStream(int descriptor, const QString &path, const std::atomic<bool> &stop)
        : TagLib::FileStream(descriptor, true), name_(QFile::encodeName(path)), stop_(stop)
    {
    }
    TagLib::FileName name() const override { return name_.constData(); }
    TagLib::ByteVector readBlock(unsigned long length) override
    {
        return stop_ ? TagLib::ByteVector() : TagLib::FileStream::readBlock(length);
    }

private:
    const QByteArray name_;
    const std::atomic<bool> &stop_;
};

} // namespace audio
