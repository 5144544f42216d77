// The batch tool's drawn outputs.
#include "render_outputs.h"

#include "render/bundled_fonts.h"
#include "render/chart_data.h"
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

const char* render_outputs_note()
{
    return "";
}

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

namespace {

// Writes the PDF (the report lines as the output window holds them, then one
// chart page per case) and the SVG charts case-0001.svg, ... False with the
// reason in `error`.
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

// The drawn outputs need every case: the chart data of each (a few hundred
// bytes) and, for the PDF, the report lines; they are written after the
// last case.
class tDrawnOutput final : public tCaseOutput {
public:
    tDrawnOutput(tRenderOutputs outputs, const char* argv0) : outputs_(std::move(outputs)), argv0_(argv0) {}
    void write_case(const tCaseResult& result) override
    {
        charts_.push_back(chart_data_of(result.figures));
        if (outputs_.pdf_path)
            lines_.insert(lines_.end(), result.report_lines.begin(), result.report_lines.end());
    }
    void finish() override
    {
        std::string error;
        if (!write_render_outputs(outputs_, lines_, charts_, argv0_, error))
            throw tOutputError(error);
    }

private:
    tRenderOutputs outputs_;
    const char* argv0_;
    std::vector<tChartData> charts_;
    std::vector<std::string> lines_;
};

} // namespace

std::unique_ptr<tCaseOutput> make_drawn_output(const tRenderOutputs& outputs, const char* argv0)
{
    return std::make_unique<tDrawnOutput>(outputs, argv0);
}
