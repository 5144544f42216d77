#include "output_checks.h"

#include "cli_text.h"
#include "common/errors.h"
#include "common/output_path.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

// What lies at an output's path, a refusal naming the output.
tFileId output_id(const char* option, const std::string& path)
{
    try {
        return inspect_output_path(path).id;
    } catch (const EInOutError& error) {
        throw EInOutError(std::string(option) + " '" + visible(path) + "': " + error.what());
    }
}

// One of the files a run reads or writes, and how messages name it.
struct tEnd {
    std::string option; // how it is given: "--csv out.csv"
    std::string what;   // what it would destroy: "the --csv file"
    tFileId id;
    bool chart_folder = false; // id is the folder; every chart name in it counts
    std::vector<tFileId> charts;
};

bool lies_among_charts(const tFileId& file, const tEnd& charts)
{
    if (!file.name.empty())
        return file.device == charts.id.device && file.inode == charts.id.inode && is_chart_file_name(file.name);
    return std::find(charts.charts.begin(), charts.charts.end(), file) != charts.charts.end();
}

bool same(const tEnd& a, const tEnd& b)
{
    if (a.chart_folder)
        return lies_among_charts(b.id, a);
    if (b.chart_folder)
        return lies_among_charts(a.id, b);
    return a.id == b.id;
}

} // namespace

std::string chart_file_name(long long number)
{
    char name[32];
    std::snprintf(name, sizeof name, "case-%04lld.svg", number);
    return name;
}

bool is_chart_file_name(const std::string& name)
{
    const std::string head = "case-";
    const std::string tail = ".svg";
    if (name.size() < head.size() + 4 + tail.size() || name.compare(0, head.size(), head) != 0
        || name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    const auto digits_begin = name.begin() + static_cast<std::ptrdiff_t>(head.size());
    const auto digits_end = name.end() - static_cast<std::ptrdiff_t>(tail.size());
    return std::all_of(digits_begin, digits_end, [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> chart_files_in(const std::string& folder)
{
    std::vector<std::string> names;
    const std::shared_ptr<tOpenFolder> open = open_output_folder(folder, false);
    if (open)
        for (const std::string& name : names_in_folder(*open))
            if (is_chart_file_name(name))
                names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

std::string output_collision(const tOptions& options, bool report_on_stdout)
{
    std::vector<tEnd> ends;
    tEnd end;
    if (options.cases_path && file_id_of(*options.cases_path, end.id)) {
        end.option = "--cases " + visible(*options.cases_path);
        end.what = "the case file";
        ends.push_back(end);
    }
    if (options.norms_path && file_id_of(*options.norms_path, end.id)) {
        end.option = "--norms " + visible(*options.norms_path);
        end.what = "the normative data file";
        ends.push_back(end);
    }
    if (report_on_stdout && file_id_of_descriptor(STDOUT_FILENO, end.id)) {
        end.option = "standard output";
        end.what = "standard output";
        ends.push_back(end);
    }
    for (const auto& [option, path] : {std::pair{"--csv", &options.csv_path}, std::pair{"--pdf", &options.pdf_path},
                                       std::pair{"--odt", &options.odt_path}})
        if (*path) {
            end.id = output_id(option, **path);
            end.option = option + (" " + visible(**path));
            end.what = "the " + std::string(option) + " file";
            ends.push_back(end);
        }
    if (options.chart_dir && inspect_output_folder(*options.chart_dir, end.id)) {
        end.option = "--chart-dir " + visible(*options.chart_dir);
        end.what = "a chart file of --chart-dir";
        end.chart_folder = true;
        for (const std::string& name : chart_files_in(*options.chart_dir)) {
            tFileId chart;
            if (file_id_of(*options.chart_dir + "/" + name, chart))
                end.charts.push_back(chart);
        }
        ends.push_back(end);
    }
    for (size_t later = 1; later < ends.size(); ++later)
        for (size_t earlier = 0; earlier < later; ++earlier)
            if (same(ends[earlier], ends[later]))
                return ends[later].option + " would replace " + ends[earlier].what;
    return std::string();
}
