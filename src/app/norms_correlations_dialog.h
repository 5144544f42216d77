// The correlations of one set of normative data, entered as a test manual
// prints them: the lower triangle of a table whose rows and columns are VC,
// PR, WM and PS, each cell named for what it holds ("correlation of PR with
// VC") on screen, to a screen reader and in every message. Keep These
// Correlations checks each cell and keeps them; Discard Changes (or Escape)
// leaves the set's correlations as they were.
#pragma once

#include "storage/normative_sets.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;

class tNormsCorrelationsDialog final : public QDialog {
public:
    using tCorrelations = std::array<std::array<extended, norms_scores>, norms_scores>;
    tNormsCorrelationsDialog(const tCorrelations& start, QWidget* owner);

    // After Keep: the correlations (lower triangle and diagonal).
    const tCorrelations& correlations() const { return correlations_; }

    // [row][column] from 0; the diagonal cells are read-only, the upper
    // triangle has none.
    std::array<std::array<QLineEdit*, norms_scores>, norms_scores> cells{};
    QPushButton* cmdKeep;
    QPushButton* cmdDiscard;

    void cmdKeepClick();

private:
    tCorrelations correlations_;
};
