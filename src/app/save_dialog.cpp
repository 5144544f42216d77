#include "app/save_dialog.h"

#include "common/errors.h"
#include "common/output_path.h"
#include "common/user_messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The file a write to `path` would replace (or, for a file not there yet,
// its folder and name), its links followed as the write follows them;
// false when the path cannot be written at all (the save says why).
bool written_file_of(const std::string& path, tFileId& id)
{
    try {
        id = inspect_output_path(path).id;
        return true;
    } catch (const EInOutError&) {
        return false;
    }
}

QString first_save_folder(const tSaveFolder& folder)
{
    if (!folder.last.isEmpty() && QFileInfo(folder.last).isDir())
        return folder.last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

} // namespace

void prepare_save_dialog(QFileDialog& dialog, const tSaveFolder& folder, const QStringList& filters,
                         const QString& proposed, const QString& selected_filter)
{
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    if (!selected_filter.isEmpty())
        dialog.selectNameFilter(selected_filter);
    dialog.setSizeGripEnabled(true);
    // After the filter: choosing a filter may rewrite the name's extension.
    const bool bare = !proposed.contains(QLatin1Char('/')) && !proposed.contains(QDir::separator());
    const QString file = bare ? QDir(first_save_folder(folder)).filePath(proposed) : proposed;
    // The system's own dialog (Windows') takes the name only from selectFile
    // and would open in the current folder, and save there: the folder is
    // given by itself.
    dialog.setDirectory(QFileInfo(file).absolutePath());
    dialog.selectFile(file);
}

QString chosen_save_file(QFileDialog& dialog, tSaveFolder& folder)
{
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return QString();
    folder.last = QFileInfo(chosen.front()).absolutePath();
    return chosen.front();
}

QString chosen_save_file_of_type(QFileDialog& dialog, tSaveFolder& folder, const QString& suffix)
{
    dialog.setDefaultSuffix(suffix);
    const QString chosen = chosen_save_file(dialog, folder);
    if (chosen.isEmpty() || !QFileInfo(chosen).suffix().isEmpty())
        return chosen;
    const QString file = chosen + QLatin1Char('.') + suffix;
    if (QFileInfo::exists(file)
        && !user_messages().confirm(QFileInfo(file).fileName().toStdString()
                                    + " already exists.\rDo you want to replace it?"))
        return QString();
    return file;
}

bool may_save_to(const QString& file, const tSaveFolder& folder)
{
    tFileId target;
    if (!written_file_of(QFile::encodeName(file).toStdString(), target))
        return true;
    for (const tOwnFile& own : folder.own_files) {
        tFileId id;
        if (written_file_of(own.path, id) && id == target) {
            user_messages().warning(QDir::toNativeSeparators(file).toStdString() + "\r\ris " + own.what
                                    + ".\rIt is not replaced; choose another name.");
            return false;
        }
    }
    return true;
}
