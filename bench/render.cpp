// Drawing the profile chart into an image at the chart window's size (it
// must take well under one screen frame, 16 ms), and writing the PDF of an
// output window holding ten reports with their ten chart pages.

#include "analysis/analysis_run.h"
#include "common/program_title.h"
#include "render/documents.h"
#include "render/profile_chart.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

struct tTenReports {
    std::vector<std::string> lines;
    std::vector<tChartData> charts;
};

// Ten successive Computes, as the output window would hold them.
const tTenReports& ten_reports()
{
    static const tTenReports reports = [] {
        tTenReports out;
        tLineSink sink;
        for (int i = 0; i < 10; ++i) {
            tAnalysisInputs inputs;
            inputs.score_texts = {std::to_string(70 + 5 * i), "100", "110.5", std::to_string(120 - 4 * i)};
            inputs.label_captions = {"Verbal Comprehension Index score:", "Perceptual Reasoning Index score:",
                                     "Working Memory Index score:", "Processing Speed Index score:"};
            inputs.mode = i % 2;
            inputs.note_lines = {"benchmark case " + std::to_string(i + 1)};
            inputs.app_title = AppTitle;
            const tAnalysisOutcome outcome = run_analysis(inputs, sink, {});
            out.charts.push_back(chart_data_of(*outcome.figures));
        }
        out.lines = sink.lines;
        return out;
    }();
    return reports;
}

void BM_chart_into_window_sized_image(benchmark::State& state)
{
    const tChartData& chart = ten_reports().charts.front();
    QImage image(800, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        draw_profile_chart(painter, QRectF(0, 0, 800, 600), chart);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_chart_into_window_sized_image)->Unit(benchmark::kMillisecond);

void BM_pdf_of_ten_reports_with_charts(benchmark::State& state)
{
    const tTenReports& reports = ten_reports();
    const QString text = results_text_of(reports.lines);
    size_t bytes = 0;
    for (auto _ : state) {
        const QByteArray pdf = results_pdf(text, reports.charts);
        bytes = size_t(pdf.size());
        benchmark::DoNotOptimize(pdf.constData());
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_pdf_of_ten_reports_with_charts)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qt_argc = 1;
    QGuiApplication app(qt_argc, argv);
    benchmark::Initialize(&argc, argv);
    ten_reports(); // the ten analyses are set-up, not measured
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
