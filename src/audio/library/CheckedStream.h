#pragma once

#include "platform/ThreadEnd.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <atomic>
#include <optional>

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
        if (stopped())
            return {};
        const TagLib::ByteVector block = TagLib::FileStream::readBlock(length);
        return stopped() ? TagLib::ByteVector() : block;
    }

private:
    // A read held past the stop may answer after the program has ended: the
    // rest of TagLib's work runs inside `going_`, kept until the stream goes.
    bool stopped()
    {
        if (!stop_)
            return false;
        if (!going_)
            going_.emplace();
        return true;
    }

    const QByteArray name_;
    const std::atomic<bool> &stop_;
    std::optional<platform::BeforeTheEnd> going_;
};

} // namespace audio
