// The file dialog of every save in the program: any name may be typed, the
// overwrite question is Qt's own, and the last name chosen is proposed again.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// One of the program's own files, which no save of a window may replace.
struct tOwnFile {
    std::string path;
    std::string what; // "the worksheet file, which keeps ..."
};

// The folder of the last file chosen in any save dialog of the program's
// windows, and the program's own files. The worksheet keeps it and lends it
// to the output window.
struct tSaveFolder {
    QString last;
    std::vector<tOwnFile> own_files;
};

// Whether a save may write `file`: false, after telling the user which of
// the program's own files it is, when it is one of them. They are compared
// as files, not names: another name of the same file (a link, a hard link,
// another spelling of its folder) counts, and so does the name of one that
// does not exist yet. Every save of the windows calls it on the file it is
// about to write, after every question about that file.
bool may_save_to(const QString& file, const tSaveFolder& folder);

// A save dialog with these name filters (the one given chosen, when it is)
// and this proposed name. A name without a folder (the first save of its
// kind) is proposed in `folder`, the folder of the last file saved of any
// kind, or before any save in the user's documents folder, never in whatever
// folder the program was started from.
void prepare_save_dialog(QFileDialog& dialog, const tSaveFolder& folder, const QStringList& filters,
                         const QString& proposed, const QString& selected_filter = QString());

// Runs the dialog; the chosen file (whose folder `folder` then keeps), or an
// empty string when the user cancelled or chose nothing.
QString chosen_save_file(QFileDialog& dialog, tSaveFolder& folder);

// Runs a dialog for files of one type (`suffix`, as "txt"): a name typed
// without an extension gets the type's. The dialog asks before it replaces
// the file so named; a name that gets its extension only afterwards (a
// system dialog that does not add it) is asked about here. The chosen file,
// or an empty string when the user cancelled.
QString chosen_save_file_of_type(QFileDialog& dialog, tSaveFolder& folder, const QString& suffix);
