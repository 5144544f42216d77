// Normative data in the desktop program: the user's sets kept beside the
// worksheet file with the one chosen for the next Compute (tNormsStore), the
// Normative Data dialog that chooses, enters, edits, deletes, imports and
// exports them (tNormsDialog), and the dialog of one set: its name, its four
// reliabilities and, through the square matrix entry dialog in lower-triangle
// mode, its correlations (tNormsSetDialog). A set is checked before it is
// kept, each fault named by its field or cell.
#pragma once

#include "analysis/normative_data.h"
#include "app/save_dialog.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class tNormsStore {
public:
    // The user's file of sets; `before_save` makes its folder when needed.
    std::string path;
    std::function<void()> before_save;

    // Reads the file (none there: no user sets). A file that cannot be read
    // raises EInOutError naming it and its line, and the store then refuses
    // every change, so the sets in it are never overwritten.
    void load();
    // Replaces the file whole with the sets and the choice; raises
    // EInOutError naming the file.
    void save() const;
    // The message of a failed load, empty otherwise.
    const std::string& unreadable() const { return unreadable_; }

    const std::vector<tNormativeSet>& sets() const { return sets_; }
    // Empty: the built-in set.
    const std::string& chosen() const { return chosen_; }
    QString chosen_name() const;

    // Each change is saved at once; on failure nothing is changed.
    void choose(const std::string& name);
    void put(const tNormativeSet& set, const std::string& replacing = std::string());
    void remove(const std::string& name);

    const tNormativeSet* find(const std::string& name) const;
    // The chosen set prepared for Compute, made once per choice.
    std::shared_ptr<const tNormativeData> chosen_data();

private:
    void commit(std::vector<tNormativeSet> sets, std::string chosen);

    std::vector<tNormativeSet> sets_;
    std::string chosen_;
    std::string unreadable_;
    std::shared_ptr<const tNormativeData> prepared_;
};

// One set: the name, the four reliabilities and the correlations.
class tNormsSetDialog final : public QDialog {
public:
    // `taken` are the names of the other sets.
    tNormsSetDialog(const tNormativeSet& start, std::vector<std::string> taken, QWidget* owner);

    const tNormativeSet& set() const { return set_; }

    QLineEdit* txtName;
    std::array<QLineEdit*, 4> txtReliability{};
    QLabel* lblCorrelations;
    QPushButton* cmdCorrelations;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void cmdCorrelationsClick();
    void cmdOKClick();

private:
    void show_correlations();

    tNormativeSet set_;
    std::vector<std::string> taken_;
};

// The sets and the choice.
class tNormsDialog final : public QDialog {
public:
    // Export... starts in, and keeps, `save_folder`.
    tNormsDialog(tNormsStore& store, tSaveFolder& save_folder, QWidget* owner);

    QListWidget* lstSets;
    QLabel* lblChosen;
    QPushButton* cmdUse;
    QPushButton* cmdNew;
    QPushButton* cmdEdit;
    QPushButton* cmdDelete;
    QPushButton* cmdImport;
    QPushButton* cmdExport;
    QPushButton* cmdClose;

    void cmdUseClick();
    void cmdNewClick();
    void cmdEditClick();
    void cmdDeleteClick();
    void cmdImportClick();
    void cmdExportClick();

    // Reads and checks an exported set and keeps it (asking before it
    // replaces a set of the same name); false with a message when refused.
    bool import_file(const QString& file);
    // Writes the selected set to `file`.
    bool export_to(const QString& file);

private:
    // The selected set's name; empty for the built-in set.
    std::string selected() const;
    bool may_change();
    void fill();
    bool keep(const tNormativeSet& set, const std::string& replacing);

    tNormsStore& store_;
    tSaveFolder& save_folder_;
};
