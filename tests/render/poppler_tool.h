// A poppler tool (poppler-utils: pdftotext, pdfinfo, pdffonts) run on a PDF
// held in memory.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryFile>

// Runs `program` on `pdf` (written to a temporary file): its standard
// output, blanks simplified; "<program failed>" when it did not run.
inline QString poppler(const QString& program, QStringList arguments, const QByteArray& pdf)
{
    QTemporaryFile file;
    if (!file.open() || file.write(pdf) != pdf.size() || !file.flush())
        return QStringLiteral("<no file>");
    arguments << file.fileName();
    if (program == QLatin1String("pdftotext"))
        arguments << QStringLiteral("-");
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}
