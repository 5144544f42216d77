// Normative data in the desktop program: the Normative Data dialog, which
// lists the sets (the built-in one first), chooses the one for the next
// Compute, and enters, edits, deletes, imports and exports the user's sets
// (kept by tNormsStore, entered through tNormsSetDialog); and the
// worksheet's line naming the set the next Compute uses.
#pragma once

#include "app/norms_store.h"
#include "app/save_dialog.h"

#include <QDialog>
#include <QString>

#include <string>

class QLabel;
class QListWidget;
class QPushButton;

// The worksheet's "Normative data: ..." line for the store as it is, marked
// (bold, in the warning colour) while the chosen set could not be had.
void show_norms_line(QLabel* line, const tNormsStore& store);
// Before a Compute: false when the set chosen could not be had and the user
// does not agree to the built-in set instead (asked once); the line then
// says what Compute uses.
bool norms_may_compute(tNormsStore& store, QLabel* line);

class tNormsDialog final : public QDialog {
public:
    // Reads the file of sets again, so that it shows what the file holds
    // now. Export... starts in, and keeps, `save_folder`.
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
    void build_buttons();
    // The selected set's name; empty for the built-in set.
    std::string selected() const;
    bool may_change();
    void fill_list();
    bool keep(const tNormativeSet& set, const std::string& replacing);

    tNormsStore& store_;
    tSaveFolder& save_folder_;
};
