// Windows has no Liberation fonts: the installer puts Liberation Mono and
// Sans (SIL Open Font Licence, the licence beside them) in the fonts folder
// beside the program, and they are loaded for this process only, so nothing
// is installed into the system's fonts.
#include "render/bundled_fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QtGlobal>

void load_bundled_fonts()
{
    const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    for (const QString& name : folder.entryList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name))
        if (QFontDatabase::addApplicationFont(folder.filePath(name)) < 0)
            qWarning("brenlow: the font %s could not be loaded", qPrintable(folder.filePath(name)));
}

// Windows' own font engine (GDI) gives every face of a family the same
// identity, the font's unique name, which Liberation Sans shares between its
// regular, bold and italic files; a PDF then embeds one face for all of them,
// and regular and italic text come out bold. Fonts that ask for no hinting
// are drawn with DirectWrite, which tells the faces apart by their files. The
// batch tool draws off screen with FreeType, which needs nothing of this and
// must keep the Linux tool's hinting, byte for byte.
QFont::HintingPreference document_font_hinting()
{
    return QGuiApplication::platformName() == QLatin1String("windows") ? QFont::PreferNoHinting
                                                                        : QFont::PreferDefaultHinting;
}
