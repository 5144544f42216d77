// Windows has no Liberation fonts: the installer puts Liberation Mono and
// Sans (SIL Open Font Licence, the licence beside them) in the fonts folder
// beside the program, and they are loaded for this process only, so nothing
// is installed into the system's fonts.
#include "render/bundled_fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QtGlobal>

void load_bundled_fonts()
{
    const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    for (const QString& name : folder.entryList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name))
        if (QFontDatabase::addApplicationFont(folder.filePath(name)) < 0)
            qWarning("brenlow: the font %s could not be loaded", qPrintable(folder.filePath(name)));
}
