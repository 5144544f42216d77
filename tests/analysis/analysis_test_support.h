// Shared set-up of the analysis tests: the program-wide strings and the
// worksheet configuration as the desktop program sets them, and inputs with
// the worksheet's captions.
#pragma once

#include "analysis/analysis_run.h"
#include "analysis/normative_data.h"
#include "common/program_title.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

inline const std::array<std::string, 4> kCaptions = {
    "Verbal Comprehension Index score:",
    "Perceptual Reasoning Index score:",
    "Working Memory Index score:",
    "Processing Speed Index score:",
};

inline tAnalysisInputs make_inputs(const std::array<std::string, 4>& texts, int mode = 1,
                                   int correction = 0, int criterion_item = 4,
                                   std::vector<std::string> notes = {})
{
    tAnalysisInputs inputs;
    inputs.score_texts = texts;
    inputs.label_captions = kCaptions;
    inputs.mode = mode;
    inputs.correction = correction;
    inputs.criterion_item = criterion_item;
    inputs.note_lines = std::move(notes);
    inputs.app_title = AppTitle;
    return inputs;
}

// The index of the first line equal to `text`, or -1.
inline int find_line(const std::vector<std::string>& lines, const std::string& text, int from = 0)
{
    for (int i = from; i < static_cast<int>(lines.size()); ++i)
        if (lines[static_cast<size_t>(i)] == text)
            return i;
    return -1;
}

// A set of the user's, "Clinic set": the built-in correlations with other
// reliabilities.
inline std::shared_ptr<const tNormativeData> clinic_set()
{
    tNormativeSet set = built_in_normative_set();
    set.name = "Clinic set";
    set.rels = {0.90L, 0.85L, 0.88L, 0.80L};
    auto norms = std::make_shared<tNormativeData>();
    SetUpNormativeData(set, true, *norms);
    return norms;
}
