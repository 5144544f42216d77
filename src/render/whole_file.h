// Writing a file whole or not at all.
#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to `path` through a temporary file renamed over it only
// when every byte is written, so a failed write leaves an existing file as
// it was. False with the system's reason in `error` when it fails.
bool write_whole_file(const QString& path, const QByteArray& bytes, QString& error);
