// Writing a file whole or not at all.
#include "render/whole_file.h"

#include <QSaveFile>

namespace {

// Unbuffered, and a write that stops short is repeated for the rest, so that
// the failing call reports the system's reason: a short write inside a
// buffered flush can go unreported and let QSaveFile commit a cut-off file.
bool write_all(QSaveFile& file, const QByteArray& bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

bool write_whole_file(const QString& path, const QByteArray& bytes, QString& error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && write_all(file, bytes)
        && file.commit())
        return true;
    error = file.errorString();
    file.cancelWriting();
    return false;
}
