#pragma once

#include "platform/ThreadEnd.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <atomic>

#include <taglib/tfilestream.h>

namespace audio {

// TagLib reads the descriptor the scan opened and checked, under the file's
// own name so that its kind is still told by its extension. Once the scan is
// told to stop, every read finds the end of the file, answered outside a
// platform::BeforeTheEnd: held across TagLib's remaining calls, one held by
// the share would keep the exit waiting. The scan takes one once TagLib is done.
class CheckedStream : public TagLib::FileStream {
public:
    CheckedStream(int descriptor, const QString &path, const std::atomic<bool> &stop)
        : TagLib::FileStream(descriptor, true), name_(QFile::encodeName(path)), stop_(stop)
    {
    }
    TagLib::FileName name() const override { return name_.constData(); }
    TagLib::ByteVector readBlock(unsigned long length) override
    {
        if (stop_)
            return {};
        const TagLib::ByteVector block = TagLib::FileStream::readBlock(length);
        if (!stop_)
            return block;
        // Held past the stop, the read may answer after the program has ended: then TagLib goes no further.
        const platform::BeforeTheEnd stillRunning;
        return {};
    }

private:
    const QByteArray name_;
    const std::atomic<bool> &stop_;
};

} // namespace audio
