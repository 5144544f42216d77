// The batch tool's drawn outputs.
#include "render_outputs.h"

#include "render/bundled_fonts.h"
#include "render/documents.h"
#include "render/whole_file.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <clocale>

namespace {

QString path_of(const std::string& path)
{
    return QString::fromLocal8Bit(path.data(), qsizetype(path.size()));
}

bool write(const QString& path, const QByteArray& bytes, std::string& error)
{
    QString reason;
    if (write_whole_file(path, bytes, reason))
        return true;
    error = "cannot write '" + path.toLocal8Bit().toStdString() + "': " + reason.toLocal8Bit().toStdString();
    return false;
}

} // namespace

std::string render_outputs_problem(const tRenderOutputs& outputs)
{
    if (outputs.pdf_path) {
        const QFileInfo pdf(path_of(*outputs.pdf_path));
        if (outputs.pdf_path->empty() || pdf.isDir())
            return "--pdf needs a file name, not '" + *outputs.pdf_path + "'";
        if (!pdf.absoluteDir().exists())
            return "the folder of the --pdf file '" + *outputs.pdf_path + "' does not exist";
    }
    if (outputs.chart_dir) {
        if (!chart_svg_available())
            return "--chart-dir needs SVG support, which this build of brenlow-report lacks "
                   "(--pdf FILE draws the same charts)";
        const QFileInfo dir(path_of(*outputs.chart_dir));
        if (outputs.chart_dir->empty() || (dir.exists() && !dir.isDir()))
            return "--chart-dir needs a folder, not '" + *outputs.chart_dir + "'";
    }
    return std::string();
}

bool write_render_outputs(const tRenderOutputs& outputs, const std::vector<std::string>& report_lines,
                          const std::vector<tChartData>& charts, const char* argv0, std::string& error)
{
    if (!outputs.wanted())
        return true;
    // Drawing needs no display: offscreen unless the user chose a platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qt_argc = 1;
    char* qt_argv[] = {const_cast<char*>(argv0), nullptr};
    QGuiApplication app(qt_argc, qt_argv);
    // QGuiApplication adopts the user's locale; numbers keep a full stop.
    std::setlocale(LC_NUMERIC, "C");
    load_bundled_fonts();

    if (outputs.pdf_path
        && !write(path_of(*outputs.pdf_path), results_pdf(results_text_of(report_lines), charts), error))
        return false;
    if (outputs.chart_dir) {
        const QString dir = path_of(*outputs.chart_dir);
        if (!QDir().mkpath(dir)) {
            error = "cannot create the folder '" + *outputs.chart_dir + "'";
            return false;
        }
        for (size_t i = 0; i < charts.size(); ++i) {
            const QString name = QStringLiteral("case-%1.svg").arg(i + 1, 4, 10, QLatin1Char('0'));
            if (!write(QDir(dir).filePath(name), chart_svg(charts[i]), error))
                return false;
        }
    }
    return true;
}
