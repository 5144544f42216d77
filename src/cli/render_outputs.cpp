// The batch tool's drawn outputs.
#include "render_outputs.h"

#include "cli_text.h"
#include "common/errors.h"
#include "common/output_path.h"
#include "common/replacing_file.h"
#include "output_checks.h"
#include "render/bundled_fonts.h"
#include "render/documents.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIODevice>

#include <clocale>
#include <deque>
#include <cstdio>

namespace {

QString path_of(const std::string& path)
{
    return QString::fromLocal8Bit(path.data(), qsizetype(path.size()));
}

// The PDF writer's device: a replacing file. A failed write is kept and
// reported after the painting, which cannot report it itself.
class tReplacingDevice final : public QIODevice {
public:
    explicit tReplacingDevice(tReplacingFile& file) : file_(file) { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }
    const std::string& error() const { return error_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (!error_.empty())
            return -1;
        try {
            file_.write(std::string(data, static_cast<size_t>(size)));
        } catch (const EInOutError& error) {
            error_ = error.what();
            return -1;
        }
        return size;
    }

private:
    tReplacingFile& file_;
    std::string error_;
};

class tDrawnOutput final : public tCaseOutput {
public:
    tDrawnOutput(const tRenderOutputs& outputs, long long cases, const char* argv0)
        : outputs_(outputs), cases_(cases), app_(start_qt(argv0))
    {
        // QGuiApplication adopts the user's locale; numbers keep a full stop.
        std::setlocale(LC_NUMERIC, "C");
        load_bundled_fonts();
        if (outputs_.pdf_path) {
            step("cannot write '" + visible(*outputs_.pdf_path) + "'",
                 [&] { pdf_file_ = std::make_unique<tReplacingFile>(*outputs_.pdf_path); });
            device_ = std::make_unique<tReplacingDevice>(*pdf_file_);
            pdf_ = std::make_unique<tResultsPdf>(*device_);
        }
        if (outputs_.chart_dir) {
            if (!QDir().mkpath(path_of(*outputs_.chart_dir)))
                throw tOutputError("cannot create the folder '" + visible(*outputs_.chart_dir) + "'");
            open_chart(1);
            if (outputs_.overwrite_charts)
                remove_earlier_charts();
        }
    }

    void write_case(const tCaseResult& result) override
    {
        if (pdf_) {
            pdf_->add_lines(result.report_lines);
            check_pdf();
            charts_.push_back(chart_data_of(result.figures));
        }
        if (chart_) {
            const tChartData data = pdf_ ? charts_.back() : chart_data_of(result.figures);
            const QByteArray svg = chart_svg(data);
            step("cannot write '" + chart_path(result.number) + "'", [&] {
                chart_->write(std::string(svg.constData(), static_cast<size_t>(svg.size())));
                chart_->commit();
            });
            chart_.reset();
            if (result.number < cases_)
                open_chart(result.number + 1);
        }
    }

    void finish() override
    {
        if (!pdf_)
            return;
        pdf_->finish(charts_);
        check_pdf();
        step("cannot write '" + visible(*outputs_.pdf_path) + "'", [&] { pdf_file_->commit(); });
    }

private:
    static std::unique_ptr<QGuiApplication> start_qt(const char* argv0)
    {
        // Offscreen whatever the environment says: the drawing needs no
        // display, and a platform that cannot start would end the process.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int qt_argc = 1;
        static char* qt_argv[] = {const_cast<char*>(argv0), nullptr};
        return std::make_unique<QGuiApplication>(qt_argc, qt_argv);
    }

    template <typename F>
    static void step(const std::string& what, F&& action)
    {
        try {
            action();
        } catch (const EInOutError& error) {
            throw tOutputError(what + ": " + error.what());
        }
    }

    std::string chart_path(long long number) const { return *outputs_.chart_dir + "/" + chart_file_name(number); }

    void open_chart(long long number)
    {
        const std::string path = chart_path(number);
        step("cannot write '" + visible(path) + "'", [&] { chart_ = std::make_unique<tReplacingFile>(path); });
    }

    void remove_earlier_charts()
    {
        for (const std::string& name : chart_files_in(*outputs_.chart_dir))
            if (!QFile::remove(QDir(path_of(*outputs_.chart_dir)).filePath(path_of(name))))
                throw tOutputError("cannot remove the earlier chart '" + visible(*outputs_.chart_dir + "/" + name)
                                   + "'");
    }

    void check_pdf()
    {
        if (!device_->error().empty())
            throw tOutputError("cannot write '" + visible(*outputs_.pdf_path) + "': " + device_->error());
    }

    tRenderOutputs outputs_;
    long long cases_;
    std::unique_ptr<QGuiApplication> app_;
    std::unique_ptr<tReplacingFile> pdf_file_;
    std::unique_ptr<tReplacingDevice> device_;
    std::unique_ptr<tResultsPdf> pdf_;
    // For the PDF's chart pages: a few hundred bytes a case, in blocks, so
    // that a large batch never needs them twice over while they move.
    std::deque<tChartData> charts_;
    std::unique_ptr<tReplacingFile> chart_; // the next case's chart, made before it is computed
};

} // namespace

bool pdf_output_built()
{
    return true;
}

bool chart_output_built()
{
    return chart_svg_available();
}

std::string render_outputs_problem(const tRenderOutputs& outputs)
{
    if (outputs.pdf_path) {
        const QFileInfo pdf(path_of(*outputs.pdf_path));
        if (outputs.pdf_path->empty() || pdf.isDir())
            return "--pdf needs a file name, not '" + visible(*outputs.pdf_path) + "'";
        if (!pdf.absoluteDir().exists())
            return "the folder of the --pdf file '" + visible(*outputs.pdf_path) + "' does not exist";
    }
    if (outputs.chart_dir) {
        if (!chart_svg_available())
            return "--chart-dir needs SVG support, which this build of brenlow-report lacks "
                   "(--pdf FILE draws the same charts)";
        const QFileInfo dir(path_of(*outputs.chart_dir));
        if (outputs.chart_dir->empty() || (dir.exists() && !dir.isDir()))
            return "--chart-dir needs a folder, not '" + visible(*outputs.chart_dir) + "'";
        const std::vector<std::string> earlier = chart_files_in(*outputs.chart_dir);
        if (!earlier.empty() && !outputs.overwrite_charts)
            return "--chart-dir " + visible(*outputs.chart_dir) + " already holds the charts of an earlier run ("
                   + earlier.front() + (earlier.size() > 1 ? ", ..." : "")
                   + "); use an empty folder, or --overwrite to remove them first";
    }
    return std::string();
}

std::unique_ptr<tCaseOutput> make_drawn_output(const tRenderOutputs& outputs, long long cases, const char* argv0)
{
    return std::make_unique<tDrawnOutput>(outputs, cases, argv0);
}
