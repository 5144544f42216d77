// Writing a file whole or not at all, by the same rules as every file the
// programs write (common/replacing_file.h): a temporary file beside the
// target renamed over it, links followed only where the link rule allows, a
// pipe or device written in place only when it is the user's own.
#include "render/whole_file.h"

#include "common/errors.h"
#include "common/replacing_file.h"

#include <QFile>

bool write_whole_file(const QString& path, const QByteArray& bytes, QString& error)
{
    try {
        tReplacingFile file(QFile::encodeName(path).toStdString());
        file.write(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        file.commit();
        return true;
    } catch (const EInOutError& failure) {
        error = QString::fromLocal8Bit(failure.what());
        return false;
    }
}
