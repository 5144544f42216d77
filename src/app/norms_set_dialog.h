// One set of normative data: its name, its four reliabilities and, through
// the correlation entry, its correlations. OK checks the whole set first and
// names the field or cell of the first fault.
#pragma once

#include "storage/normative_sets.h"

#include <QDialog>

#include <array>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

class tNormsSetDialog final : public QDialog {
public:
    // `taken` are the names of the other sets.
    tNormsSetDialog(const tNormativeSet& start, std::vector<std::string> taken, QWidget* owner);

    const tNormativeSet& set() const { return set_; }

    QLineEdit* txtName;
    std::array<QLineEdit*, norms_scores> txtReliability{};
    QLabel* lblCorrelations;
    QPushButton* cmdCorrelations;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void cmdCorrelationsClick();
    void cmdOKClick();

private:
    void show_correlations();
    bool read_fields();

    tNormativeSet set_;
    std::vector<std::string> taken_;
};
