// The batch tool's drawn outputs.
#include "render_outputs.h"

#include "cli_text.h"
#include "common/errors.h"
#include "common/output_path.h"
#include "common/process_setup.h"
#include "common/replacing_file.h"
#include "common/temporary_files.h"
#include "output_checks.h"
#include "render/bundled_fonts.h"
#include "render/data_spool.h"
#include "render/documents.h"
#include "render/results_document.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIODevice>

#include <clocale>
#include <cstdio>

#include <unistd.h>

namespace {

QString path_of(const std::string& path)
{
    return QString::fromLocal8Bit(path.data(), qsizetype(path.size()));
}

// A replacing file as a Qt device. A failed write is kept and reported
// after the painting or the document's writing, which cannot report it
// themselves. The PDF writer writes straight on (a device without
// positions); the document's zip writer asks where it stands and seeks
// there before each entry and its directory, so for it the device has
// positions, but only its end to seek to: every byte is written once, in
// order.
class tReplacingDevice final : public QIODevice {
public:
    enum tKind { Stream, Positioned };
    tReplacingDevice(tReplacingFile& file, tKind kind) : file_(file), kind_(kind) { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return kind_ == Stream; }
    bool seek(qint64 position) override
    {
        if (kind_ == Positioned && position != written_)
            return false;
        return QIODevice::seek(position);
    }
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
        written_ += size;
        return size;
    }

private:
    tReplacingFile& file_;
    const tKind kind_;
    qint64 written_ = 0;
    std::string error_;
};

// The chart pages' data, kept in a private temporary file without a name
// (common/temporary_files.h) as the cases are done and read back for the
// PDF's last pages: a batch of any size, whatever its notes, needs no more
// memory than one case. Every field of tChartData is written.
class tChartSpool {
public:
    int count() const { return count_; }
    void add(const tChartData& d)
    {
        ++count_;
        spool_.add([&](QDataStream& out) { each(d, [&](const auto& value) { out << value; }); });
    }
    void rewind() { spool_.rewind(); }
    bool read_chart(tChartData& d)
    {
        return spool_.read([&](QDataStream& in) { each(d, [&](auto& value) { in >> value; }); });
    }

private:
    template <typename tData, typename F>
    static void each(tData& d, F&& f)
    {
        for (int i = 0; i < chart_scores; ++i) {
            f(d.score[i]);
            f(d.lower[i]);
            f(d.upper[i]);
            f(d.is_low[i]);
            f(d.score_text[i]);
        }
        f(d.low_cut);
        f(d.criterion_item);
        f(d.norms_name);
        f(d.pairwise);
        f(d.bonferroni);
        f(d.diff_count);
        for (int i = 0; i < chart_pairs; ++i) {
            f(d.diff[i]);
            f(d.diff_cut[i]);
            f(d.diff_abnormal[i]);
            f(d.diff_text[i]);
        }
        f(d.notes);
    }

    tDataSpool<tOutputError> spool_{"the charts", "their"};
    int count_ = 0;
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
            pdf_hold_ = hold_output("the PDF file", *outputs_.pdf_path);
            step("cannot write '" + visible(*outputs_.pdf_path) + "'",
                 [&] { pdf_file_ = std::make_unique<tReplacingFile>(*outputs_.pdf_path); });
            device_ = std::make_unique<tReplacingDevice>(*pdf_file_, tReplacingDevice::Stream);
            pdf_ = std::make_unique<tResultsPdf>(*device_);
            charts_ = std::make_unique<tChartSpool>();
        }
        if (outputs_.odt_path) {
            odt_hold_ = hold_output("the document", *outputs_.odt_path);
            step("cannot write '" + visible(*outputs_.odt_path) + "'",
                 [&] { odt_file_ = std::make_unique<tReplacingFile>(*outputs_.odt_path); });
            odt_device_ = std::make_unique<tReplacingDevice>(*odt_file_, tReplacingDevice::Positioned);
            document_ = std::make_unique<tResultsDocument>();
        }
        if (outputs_.chart_dir) {
            const std::string folder = visible(*outputs_.chart_dir);
            step("cannot create the folder '" + folder + "'",
                 [&] { chart_folder_ = open_output_folder(*outputs_.chart_dir, true); });
            long long holder = 0;
            folder_hold_ = hold_folder(*chart_folder_, holder);
            if (!folder_hold_)
                throw tOutputError("the chart folder '" + folder + "' is in use by another run of brenlow-report"
                                   + (holder > 0 ? " (process " + std::to_string(holder) + ")" : std::string())
                                   + "; its charts would be mixed with this run's");
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
        }
        if (document_)
            document_->add_report(result.figures);
        const tChartData data = chart_data_of(result.figures);
        if (pdf_)
            charts_->add(data);
        if (chart_) {
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
        if (pdf_) {
            charts_->rewind();
            pdf_->finish([this](tChartData& chart) { return charts_->read_chart(chart); }, charts_->count());
            check_pdf();
            step("cannot write '" + visible(*outputs_.pdf_path) + "'", [&] { pdf_file_->commit(); });
        }
        if (document_) {
            const std::string what = "cannot write '" + visible(*outputs_.odt_path) + "'";
            const bool made = document_->write(*odt_device_);
            if (!odt_device_->error().empty())
                throw tOutputError(what + ": " + odt_device_->error());
            if (!made)
                throw tOutputError(what + ": the document could not be made");
            step(what, [&] { odt_file_->commit(); });
        }
    }

    std::vector<std::string> abandon() override
    {
        std::vector<std::string> left;
        for (tReplacingFile* file : {pdf_file_.get(), odt_file_.get(), chart_.get()})
            if (file)
                if (std::string one = file->abandon(); !one.empty())
                    left.push_back(std::move(one));
        return left;
    }

private:
    static std::unique_ptr<QGuiApplication> start_qt(const char* argv0)
    {
        // Offscreen whatever the environment says: the drawing needs no
        // display, and a platform that cannot start would end the process.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // A private runtime folder where none is set (under cron): Qt
        // neither warns on standard error nor uses a name in /tmp.
        private_runtime_folder();
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
        for (const std::string& name : names_in_folder(*chart_folder_))
            if (is_chart_file_name(name) && !remove_in_folder(*chart_folder_, name))
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
    std::unique_ptr<tOutputHold> pdf_hold_;
    std::unique_ptr<tOutputHold> odt_hold_;
    std::unique_ptr<tOutputHold> folder_hold_;
    std::unique_ptr<tReplacingFile> pdf_file_;
    std::unique_ptr<tReplacingDevice> device_;
    std::unique_ptr<tResultsPdf> pdf_;
    std::unique_ptr<tChartSpool> charts_; // for the PDF's chart pages
    std::unique_ptr<tReplacingFile> odt_file_;
    std::unique_ptr<tReplacingDevice> odt_device_;
    std::unique_ptr<tResultsDocument> document_;
    std::shared_ptr<tOpenFolder> chart_folder_; // held by folder_hold_
    std::unique_ptr<tReplacingFile> chart_; // the next case's chart, made before it is computed
};

} // namespace

bool pdf_output_built()
{
    return true;
}

bool document_output_built()
{
    return results_document_available();
}

bool chart_output_built()
{
    return chart_svg_available();
}

namespace {

// A file an option names: a name, in a folder that exists.
std::string output_file_problem(const std::string& option, const std::string& path)
{
    const QFileInfo file(path_of(path));
    if (path.empty() || file.isDir())
        return option + " needs a file name, not '" + visible(path) + "'";
    if (!file.absoluteDir().exists())
        return "the folder of the " + option + " file '" + visible(path) + "' does not exist";
    return std::string();
}

} // namespace

std::string render_outputs_problem(const tRenderOutputs& outputs)
{
    if (outputs.pdf_path)
        if (std::string problem = output_file_problem("--pdf", *outputs.pdf_path); !problem.empty())
            return problem;
    if (outputs.odt_path) {
        if (!document_output_built())
            return "--odt needs Qt's OpenDocument writer, which this build of brenlow-report lacks "
                   "(--pdf FILE writes the same reports)";
        if (std::string problem = output_file_problem("--odt", *outputs.odt_path); !problem.empty())
            return problem;
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

std::string render_outputs_batch_problem(const tRenderOutputs& outputs, long long cases)
{
    if (outputs.odt_path && cases > document_case_limit)
        return "--odt writes at most " + std::to_string(document_case_limit)
               + " cases into one document (it is held in memory until the last case); this batch has "
               + std::to_string(cases) + ": split the case file, or use --pdf or --csv";
    return std::string();
}

std::unique_ptr<tCaseOutput> make_drawn_output(const tRenderOutputs& outputs, long long cases, const char* argv0)
{
    return std::make_unique<tDrawnOutput>(outputs, cases, argv0);
}
