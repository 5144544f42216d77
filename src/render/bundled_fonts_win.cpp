// Windows has no Liberation fonts: the installer puts Liberation Mono and
// Sans (SIL Open Font Licence, the licence beside them) in the fonts folder
// beside the program, and they are loaded for this process only, so nothing
// is installed into the system's fonts.
#include "render/bundled_fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QtGlobal>

void choose_font_engine()
{
    // Windows' own font engine (GDI) tells Qt a face by the name that
    // identifies the font's release, which the four Liberation Sans faces
    // share ("Ascender - Liberation Sans"): a PDF would then take the first
    // face it meets (the chart's bold title) for all of them, its regular
    // and italic text set in bold glyphs at regular widths. Qt's FreeType
    // engine tells a face by its file, as on Linux and as the batch tool's
    // offscreen drawing does. A platform the user names is left alone.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
}

void load_bundled_fonts()
{
    const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    for (const QString& name : folder.entryList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name))
        if (QFontDatabase::addApplicationFont(folder.filePath(name)) < 0)
            qWarning("brenlow: the font %s could not be loaded", qPrintable(folder.filePath(name)));
}
