// Values kept in a private temporary file without a name
// (common/temporary_files.h: it goes with its descriptor however the program
// ends) and read back in order, so that what a run keeps for the last pages
// of its PDF needs the memory of one value at a time, whatever the batch.
// Every failure raises tError; messages name the values by `what` ("the
// charts") and their file by `whose` ("their temporary file").
#pragma once

#include "common/temporary_files.h"

#include <QDataStream>
#include <QFile>

#include <string>

#include <unistd.h>

template <class tError>
class tDataSpool {
public:
    tDataSpool(const char* what, const char* whose) : what_(what), whose_(whose)
    {
        std::string error;
        fd_ = private_temporary_file(error);
        if (fd_ >= 0 && file_.open(fd_, QIODevice::ReadWrite, QFileDevice::DontCloseHandle)) {
            stream_.setDevice(&file_);
            return;
        }
        if (fd_ >= 0)
            ::close(fd_);
        throw tError(error.empty() ? "cannot keep " + what_ + " in a temporary file" : error);
    }
    ~tDataSpool()
    {
        file_.close();
        ::close(fd_);
    }
    tDataSpool(const tDataSpool&) = delete;
    tDataSpool& operator=(const tDataSpool&) = delete;

    // One value, written by `write(stream)`.
    template <class tWrite>
    void add(tWrite&& write)
    {
        write(stream_);
        if (stream_.status() != QDataStream::Ok)
            keep_failed();
    }
    // Back to the first value, everything written on the disk.
    void rewind()
    {
        if (!file_.flush() || !file_.seek(0))
            keep_failed();
        stream_.resetStatus();
    }
    // The next value, read by `read(stream)`; false after the last.
    template <class tRead>
    bool read(tRead&& read)
    {
        if (stream_.atEnd())
            return false;
        read(stream_);
        if (stream_.status() != QDataStream::Ok)
            throw tError("cannot read " + what_ + " back from " + whose_ + " temporary file");
        return true;
    }

private:
    [[noreturn]] void keep_failed()
    {
        throw tError("cannot keep " + what_ + " in a temporary file: " + file_.errorString().toStdString());
    }

    std::string what_;
    std::string whose_;
    int fd_ = -1;
    QFile file_;
    QDataStream stream_;
};
