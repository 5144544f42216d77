#include "app/save_dialog.h"

void prepare_save_dialog(QFileDialog& dialog, const QStringList& filters, const QString& proposed,
                         const QString& selected_filter)
{
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    if (!selected_filter.isEmpty())
        dialog.selectNameFilter(selected_filter);
    dialog.setSizeGripEnabled(true);
    // After the filter: choosing a filter may rewrite the name's extension.
    dialog.selectFile(proposed);
}

QString chosen_save_file(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}
