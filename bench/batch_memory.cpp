// Not a timing benchmark: the memory of brenlow-report's outputs over a
// large batch, to be measured from outside (/usr/bin/time -v, heaptrack).
// Computing 100,000 cases takes hours, but nothing of the computation is
// kept from one case to the next: what grows with the batch is what the
// outputs keep. So one case is computed and then handed N times to the
// same outputs as --csv, --pdf and --chart-dir make them (the report goes
// to /dev/null).
//
//   bench_batch_memory N FOLDER    writes FOLDER/out.csv, out.pdf, charts/
#include "analysis/analysis_run.h"
#include "batch_run.h"
#include "case_checks.h"
#include "common/program_title.h"
#include "render_outputs.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

class tKeptLines final : public tReportSink {
public:
    std::vector<std::string> lines;
    void append(const std::string& line) override { lines.push_back(line); }
    bool has_lines() const override { return !lines.empty(); }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CASES FOLDER\n", argv[0]);
        return 2;
    }
    const long long cases = std::atoll(argv[1]);
    const std::string folder = argv[2];
    try {
        tAnalysisInputs inputs;
        for (size_t k = 0; k < field_captions.size(); ++k)
            inputs.label_captions[k] = field_captions[k];
        inputs.score_texts = {"100", "95", "110.5", "87"};
        // The largest notes there can be: 250 characters of four bytes each.
        std::string line;
        for (int k = 0; k < 50; ++k)
            line += "\xF0\x9F\x98\x80";
        inputs.note_lines = {line, line, line, line, line};
        inputs.notes_caption = "User's Notes:";
        inputs.app_title = AppTitle;
        tKeptLines sink;
        const tAnalysisOutcome outcome = run_analysis(inputs, sink, tAnalysisHooks());
        if (!outcome.figures)
            throw std::runtime_error("the case did not complete");

        std::FILE* null = std::fopen("/dev/null", "w");
        tReportOutput report(null);
        tCsvOutput csv(folder + "/out.csv");
        tRenderOutputs drawn;
        drawn.pdf_path = folder + "/out.pdf";
        drawn.chart_dir = folder + "/charts";
        const std::unique_ptr<tCaseOutput> pictures = make_drawn_output(drawn, cases, argv[0]);
        for (long long number = 1; number <= cases; ++number) {
            const tCaseResult result{number, cases, std::string(), sink.lines, *outcome.figures};
            report.write_case(result);
            csv.write_case(result);
            pictures->write_case(result);
        }
        csv.finish();
        pictures->finish();
        std::fclose(null);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
