// The research data of brenlow-report: every figure of a case in one CSV
// record. The columns are one table below, so the header and the records
// cannot fall out of step.
#include "analysis/figures_csv.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <vector>

namespace {

const char* const record_end = "\r\n";

// Significance without the correction: the p value itself below .05.
constexpr extended uncorrected_alpha = 0.05L;

const std::array<const char*, index_count> slot_names = {"vc", "pr", "wm", "ps"};

// The six pairs in report order; the difference is score_a - score_b.
struct tPairColumn {
    int a;
    int b;
    const char* name;
};
const std::array<tPairColumn, 6> pair_columns = {{
    {1, 2, "vc_pr_diff"},
    {1, 3, "vc_wm_diff"},
    {1, 4, "vc_ps_diff"},
    {2, 3, "pr_wm_diff"},
    {2, 4, "pr_ps_diff"},
    {3, 4, "wm_ps_diff"},
}};

using tGetText = std::function<std::string(const tCaseFigures&)>;
using tGetReal = std::function<extended(const tCaseFigures&)>;
using tGetInteger = std::function<long(const tCaseFigures&)>;

struct tColumn {
    std::string name;
    tGetText value;
};

// The figures of one deviation or pair that its columns give.
struct tDifference {
    extended value, lower, upper, p_one, p_two;
    bool bonf_one, bonf_two;
    extended pct_same, pct_either;
    bool abnormal;
};
using tGetDifference = std::function<tDifference(const tCaseFigures&)>;

class tColumnList {
public:
    std::vector<tColumn> columns;

    void text_column(const std::string& name, tGetText get) { columns.push_back({name, std::move(get)}); }
    void real(const std::string& name, tGetReal get)
    {
        text_column(name, [get](const tCaseFigures& f) { return csv_number(get(f)); });
    }
    void integer(const std::string& name, tGetInteger get)
    {
        text_column(name, [get](const tCaseFigures& f) { return std::to_string(get(f)); });
    }
    void flag(const std::string& name, std::function<bool(const tCaseFigures&)> get)
    {
        text_column(name, [get](const tCaseFigures& f) { return std::string(get(f) ? "1" : "0"); });
    }
    // A count with its Monte Carlo base rate, standard error and trials.
    void count_columns(const std::string& name, std::function<int(const tCaseFigures&)> get_count,
               tGetReal get_pct)
    {
        integer(name, get_count);
        real(name + "_base_rate",
             [=](const tCaseFigures& f) { return count_base_rate(get_count(f), get_pct(f)); });
        real(name + "_base_rate_se", [=](const tCaseFigures& f) {
            return base_rate_SE(count_base_rate(get_count(f), get_pct(f)), f.mc_trials);
        });
        integer(name + "_trials", [](const tCaseFigures& f) { return f.mc_trials; });
    }
    // The twelve columns of one deviation or pair, named from `d`.
    void difference(const std::string& d, const tGetDifference& get)
    {
        const auto real_of = [&](const std::string& name, extended tDifference::*figure) {
            real(name, [get, figure](const tCaseFigures& f) { return get(f).*figure; });
        };
        const auto flag_of = [&](const std::string& name, bool tDifference::*figure) {
            flag(name, [get, figure](const tCaseFigures& f) { return get(f).*figure; });
        };
        real_of(d, &tDifference::value);
        real_of(d + "_lower", &tDifference::lower);
        real_of(d + "_upper", &tDifference::upper);
        real_of(d + "_p_one", &tDifference::p_one);
        real_of(d + "_p_two", &tDifference::p_two);
        flag(d + "_sig_one", [get](const tCaseFigures& f) { return get(f).p_one < uncorrected_alpha; });
        flag(d + "_sig_two", [get](const tCaseFigures& f) { return get(f).p_two < uncorrected_alpha; });
        flag_of(d + "_bonf_one", &tDifference::bonf_one);
        flag_of(d + "_bonf_two", &tDifference::bonf_two);
        real_of(d + "_pct_same", &tDifference::pct_same);
        real_of(d + "_pct_either", &tDifference::pct_either);
        flag_of(d + "_abnormal", &tDifference::abnormal);
    }
};

// What was analysed.
void add_case_columns(tColumnList& c)
{
    for (int k = 0; k < index_count; ++k)
        c.text_column(slot_names[k], [k](const tCaseFigures& f) { return csv_field(f.score_texts[k]); });
    c.text_column("mode", [](const tCaseFigures& f) {
        return std::string(f.mode == 0 ? "pairwise" : "deviations");
    });
    c.integer("bonferroni", [](const tCaseFigures& f) { return f.correction; });
    c.text_column("criterion", [](const tCaseFigures& f) {
        std::string label = f.crit_label();
        label.pop_back(); // the per cent sign
        return label;
    });
    c.real("crit_low_z", [](const tCaseFigures& f) { return f.zLow; });
    c.real("crit_abs_z", [](const tCaseFigures& f) { return f.zAbs; });
}

void add_index_columns(tColumnList& c)
{
    for (int i = 1; i <= index_count; ++i) {
        const std::string s = slot_names[i - 1];
        c.real(s + "_score", [i](const tCaseFigures& f) { return f.index.scores[i]; });
        c.real(s + "_z", [i](const tCaseFigures& f) { return f.index.z_scores_vec[i]; });
        c.real(s + "_lower", [i](const tCaseFigures& f) { return f.index.lower[i]; });
        c.real(s + "_upper", [i](const tCaseFigures& f) { return f.index.upper[i]; });
        c.real(s + "_percentile", [i](const tCaseFigures& f) { return f.index.pr_score[i]; });
        c.real(s + "_percentile_lower", [i](const tCaseFigures& f) { return f.index.pr_lower[i]; });
        c.real(s + "_percentile_upper", [i](const tCaseFigures& f) { return f.index.pr_upper[i]; });
        c.flag(s + "_low", [i](const tCaseFigures& f) { return f.index.is_low[i] != 0; });
    }
    c.count_columns("n_low", [](const tCaseFigures& f) { return f.index.n_low; },
            [](const tCaseFigures& f) { return f.rates.mc_pct_low; });
}

// Deviations from the case's mean.
void add_deviation_columns(tColumnList& c)
{
    c.real("case_mean", [](const tCaseFigures& f) { return f.dev.case_mean; });
    for (int i = 1; i <= index_count; ++i)
        c.difference(std::string(slot_names[i - 1]) + "_dev", [i](const tCaseFigures& f) {
            const tDeviationSection& d = f.dev;
            return tDifference{d.deviation[i], d.lower[i], d.upper[i], d.p_one[i], d.p_two[i],
                               d.bonf_dev_one[i] != 0, d.bonf_dev_two[i] != 0, d.pct_same[i], d.pct_either[i],
                               d.abnormal[i] != 0};
        });
    c.count_columns("n_dev_abnormal", [](const tCaseFigures& f) { return f.dev.n_dev_abnormal; },
            [](const tCaseFigures& f) { return f.rates.mc_pct_dev; });
}

// Pairwise differences: values below the diagonal at [b][a], companions
// above it at [a][b].
void add_pair_columns(tColumnList& c)
{
    for (const tPairColumn& column : pair_columns)
        c.difference(column.name, [a = column.a, b = column.b](const tCaseFigures& f) {
            const tPairwiseSection& p = f.pair;
            return tDifference{p.pair_reliability_mat[b][a], p.pair_limits_mat[b][a], p.pair_limits_mat[a][b],
                               p.pair_reliability_mat[a][b], pair_p_two(p, a, b), p.bonf_pair_one[a][b] != 0,
                               p.bonf_pair_two[a][b] != 0, p.pair_abnormality_mat[a][b], pair_pct_either(p, a, b),
                               p.pair_abnormal[a][b] != 0};
        });
    c.count_columns("n_pair_abnormal", [](const tCaseFigures& f) { return f.pair.n_pair_abnormal; },
            [](const tCaseFigures& f) { return f.rates.mc_pct_pair; });
}

// The profile, the notes and the normative data.
void add_profile_columns(tColumnList& c)
{
    c.real("chi_square", [](const tCaseFigures& f) { return f.profile.maha_chi2; });
    c.integer("chi_square_df", [](const tCaseFigures& f) { return f.N; });
    c.real("chi_square_p", [](const tCaseFigures& f) { return f.profile.maha_p; });
    c.real("pct_more_unusual", [](const tCaseFigures& f) { return 100.0L * f.profile.maha_p; });

    // Last, as the longest text.
    c.text_column("notes", [](const tCaseFigures& f) {
        std::string joined;
        for (size_t k = 0; k < f.note_lines.size(); ++k)
            joined += (k == 0 ? "" : "\n") + f.note_lines[k];
        return csv_field(joined);
    });
    // After every earlier column, so that those keep their places: the
    // normative data the figures came from.
    c.text_column("norms", [](const tCaseFigures& f) {
        return csv_field(f.norms ? f.norms->set_name : std::string(built_in_norms_name));
    });
}

std::vector<tColumn> build_columns()
{
    tColumnList c;
    for (auto add : {add_case_columns, add_index_columns, add_deviation_columns, add_pair_columns,
                     add_profile_columns})
        add(c);
    return c.columns;
}

const std::vector<tColumn>& columns()
{
    static const std::vector<tColumn> list = build_columns();
    return list;
}

} // namespace

std::string csv_field(const std::string& given)
{
    // A spreadsheet reads a cell that begins with one of these as a formula
    // (or as the start of one); a leading apostrophe keeps it text.
    const bool formula_like = !given.empty() && std::string("=+-@\t\r").find(given.front()) != std::string::npos;
    const std::string text = formula_like ? "'" + given : given;
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char ch : text) {
        if (ch == '"')
            quoted += '"';
        quoted += ch;
    }
    return quoted + "\"";
}

std::string csv_number(extended value)
{
    // Shortest round trip of the double; 32 characters hold any of them.
    char text[32];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, static_cast<double>(value));
    return std::string(text, r.ptr);
}

std::string figures_csv_header()
{
    std::string line;
    for (const tColumn& column : columns())
        line += (line.empty() ? "" : ",") + column.name;
    return line + record_end;
}

std::string figures_csv_row(const tCaseFigures& figures)
{
    std::string line;
    bool first = true;
    for (const tColumn& column : columns()) {
        if (!first)
            line += ',';
        line += column.value(figures);
        first = false;
    }
    return line + record_end;
}

extended pair_p_two(const tPairwiseSection& pair, int a, int b)
{
    return 2.0L * pair.pair_reliability_mat[a][b];
}

extended pair_pct_either(const tPairwiseSection& pair, int a, int b)
{
    return 2.0L * pair.pair_abnormality_mat[a][b];
}

extended count_base_rate(int count, extended mc_pct)
{
    return count == 0 ? 100.0L : mc_pct;
}

extended base_rate_SE(extended pct, long trials)
{
    const extended p = pct / 100.0L;
    return 100.0L * std::sqrt(p * (1.0L - p) / static_cast<extended>(trials));
}

const char* const figures_csv_columns_help =
    "CSV columns (--csv), in this order; S stands for each Index (vc, pr, wm,\n"
    "ps) and D for each deviation from the case's mean (vc_dev, pr_dev, wm_dev,\n"
    "ps_dev: the score minus the mean) and then each pair (vc_pr_diff,\n"
    "vc_wm_diff, vc_ps_diff, pr_wm_diff, pr_ps_diff, wm_ps_diff: the first score\n"
    "minus the second):\n"
    "  vc, pr, wm, ps         the four scores as given\n"
    "  mode                   deviations or pairwise\n"
    "  bonferroni             1 with the sequential Bonferroni correction, else 0\n"
    "  criterion              the abnormality criterion in per cent (25 .. 1)\n"
    "  crit_low_z, crit_abs_z a score is abnormally low when its z score lies\n"
    "                         below crit_low_z; a deviation or difference is\n"
    "                         abnormal when its |z| exceeds crit_abs_z\n"
    "  S_score, S_z           the score and its z score\n"
    "  S_lower, S_upper       the score's 95% limits\n"
    "  S_percentile, S_percentile_lower, S_percentile_upper\n"
    "                         percentile ranks of the score and of its limits\n"
    "  S_low                  1 when the score is abnormally low\n"
    "  n_low, n_low_base_rate, n_low_base_rate_se, n_low_trials\n"
    "                         the number of abnormally low scores; the per cent\n"
    "                         of the normative population with that many or more;\n"
    "                         its Monte Carlo standard error in percentage points,\n"
    "                         100*sqrt(p(1-p)/trials) for the proportion p; trials\n"
    "  case_mean              the mean of the four scores\n"
    "  D, D_lower, D_upper    the deviation or difference and its 95% limits\n"
    "  D_p_one, D_p_two       one- and two-tailed p\n"
    "  D_sig_one, D_sig_two   1 when that p is below .05 (no correction)\n"
    "  D_bonf_one, D_bonf_two 1 when significant with the sequential Bonferroni\n"
    "                         correction\n"
    "  D_pct_same             per cent of the population with a larger deviation\n"
    "                         or difference in the same direction\n"
    "  D_pct_either           the same regardless of sign\n"
    "  D_abnormal             1 when abnormally large\n"
    "  n_dev_abnormal, n_dev_abnormal_base_rate, ..._se, ..._trials (after the\n"
    "  deviations) and n_pair_abnormal, n_pair_abnormal_base_rate, ..._se,\n"
    "  ..._trials (after the pairs): the counts, as for n_low\n"
    "  chi_square, chi_square_df, chi_square_p\n"
    "                         the Mahalanobis distance of the profile\n"
    "  pct_more_unusual       per cent of the population with a more unusual profile\n"
    "  notes                  the notes; a line feed separates note lines\n"
    "  norms                  the normative data: \"Built-in (Orvane)\" or the name of\n"
    "                         the set given with --norms\n"
    "\n"
    "Every column is written whatever the options. The report shows case_mean,\n"
    "the deviation columns and n_dev_abnormal... only without --pairwise, the pair\n"
    "columns and n_pair_abnormal... only with --pairwise; D_p_one and D_p_two\n"
    "only without --bonferroni, D_bonf_one and D_bonf_two only with it, and the\n"
    "deviations' D_lower and D_upper only without it. It never shows crit_low_z,\n"
    "crit_abs_z, S_z, S_low, D_sig_..., D_abnormal, ..._se or ..._trials. A count\n"
    "of 0 has the base rate 100 with standard error 0 (every profile shows zero\n"
    "or more; the report prints 100%).\n"
    "\n"
    "Numbers are the nearest double to each figure, with the fewest digits that\n"
    "read back to it and a full stop as decimal mark; flags are 0 or 1. Records\n"
    "end in CR LF; a field with a comma, double quote or line break is quoted\n"
    "(RFC 4180). A text cell that a spreadsheet would read as a formula (its\n"
    "first character =, +, -, @, tab or carriage return, as in notes such as\n"
    "=HYPERLINK(...)) begins with an apostrophe (') that keeps it inert; numbers\n"
    "are written as they are.\n";
