#include "app/norms_dialog.h"

#include "app/norms_controls.h"
#include "app/norms_set_dialog.h"
#include "app/qt_messages.h"
#include "app/window_controls.h"
#include "common/errors.h"
#include "common/small_file.h"
#include "common/user_messages.h"

#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

namespace {

constexpr int kListWidth = 340;
// The list's own margins and frame, inside which a name is wrapped.
constexpr int kListTextMargin = 16;

QString built_in_name()
{
    return QString::fromLatin1(built_in_norms_name);
}

// What the next Compute uses, as the worksheet and the dialog say it.
QString chosen_words(const tNormsStore& store, bool& marked)
{
    marked = store.chosen_lost() || !store.unreadable().empty();
    if (store.chosen_lost())
        return store.built_in_agreed()
                   ? built_in_name() + QStringLiteral(", as the chosen set could not be read")
                   : QStringLiteral("the chosen set could not be read; Compute asks before using ") + built_in_name();
    if (!store.unreadable().empty())
        return built_in_name() + QStringLiteral("; the file of sets could not be read");
    return store.chosen().empty() ? built_in_name() : utf8(store.chosen()) + QStringLiteral(", entered by the user");
}

} // namespace

void show_norms_line(QLabel* line, const tNormsStore& store)
{
    bool marked = false;
    line->setText(QStringLiteral("Normative data: ") + chosen_words(store, marked));
    QFont font = line->font();
    font.setBold(marked);
    line->setFont(font);
    line->setStyleSheet(marked ? QStringLiteral("color: #b00000;") : QString());
}

bool norms_may_compute(tNormsStore& store, QLabel* line)
{
    const bool may = store.may_compute();
    show_norms_line(line, store);
    return may;
}

tNormsDialog::tNormsDialog(tNormsStore& store, tSaveFolder& save_folder, QWidget* owner)
    : QDialog(owner), store_(store), save_folder_(save_folder)
{
    prepare_norms_dialog(this, "normsDialog", QStringLiteral("Normative Data"));
    setFixedSize(560, 380);
    try {
        store_.load();
    } catch (const EInOutError&) {
        // Said at start-up; may_change() says it again before any change.
    }

    QLabel* caption = norms_label(QStringLiteral("&Sets of normative data (means 100, SDs 15):"), this,
                                  QRect(12, 10, kListWidth, 20));
    caption->setFont(sans_font(true));
    lstSets = new QListWidget(this);
    caption->setBuddy(lstSets);
    lstSets->setObjectName(QStringLiteral("lstSets"));
    lstSets->setGeometry(12, 34, kListWidth, 270);
    lstSets->setAccessibleName(QStringLiteral("Sets of normative data"));
    lstSets->setWordWrap(true);
    lstSets->setSpacing(2); // a wrapped name stays apart from the next
    lstSets->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstSets->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn); // its width is always taken
    lblChosen = norms_label(QString(), this, QRect(12, 312, 536, 60));
    lblChosen->setObjectName(QStringLiteral("lblChosen"));
    lblChosen->setTextFormat(Qt::PlainText); // a set's name is never markup
    lblChosen->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    build_buttons();
    connect(lstSets, &QListWidget::currentRowChanged, this, [this](int row) {
        cmdEdit->setEnabled(row > 0);
        cmdDelete->setEnabled(row > 0);
    });
    connect(lstSets, &QListWidget::itemDoubleClicked, this, [this] { cmdUseClick(); });
    fill_list();
}

void tNormsDialog::build_buttons()
{
    const int left = 364, width = 184, height = 30;
    cmdUse = norms_button(QStringLiteral("&Use for Compute"), this, QRect(left, 34, width, height), "cmdUse");
    cmdNew = norms_button(QStringLiteral("&New..."), this, QRect(left, 74, width, height), "cmdNew");
    cmdEdit = norms_button(QStringLiteral("&Edit..."), this, QRect(left, 108, width, height), "cmdEdit");
    cmdDelete = norms_button(QStringLiteral("&Delete"), this, QRect(left, 142, width, height), "cmdDelete");
    cmdImport = norms_button(QStringLiteral("&Import..."), this, QRect(left, 182, width, height), "cmdImport");
    cmdExport = norms_button(QStringLiteral("E&xport..."), this, QRect(left, 216, width, height), "cmdExport");
    cmdClose = norms_button(QStringLiteral("Close"), this, QRect(left, 274, width, height), "cmdClose");
    connect(cmdUse, &QPushButton::clicked, this, &tNormsDialog::cmdUseClick);
    connect(cmdNew, &QPushButton::clicked, this, &tNormsDialog::cmdNewClick);
    connect(cmdEdit, &QPushButton::clicked, this, &tNormsDialog::cmdEditClick);
    connect(cmdDelete, &QPushButton::clicked, this, &tNormsDialog::cmdDeleteClick);
    connect(cmdImport, &QPushButton::clicked, this, &tNormsDialog::cmdImportClick);
    connect(cmdExport, &QPushButton::clicked, this, &tNormsDialog::cmdExportClick);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

// Every name shown whole: wrapped to the list's width (the chosen one in
// bold), and spoken as it is, without the breaks.
void tNormsDialog::fill_list()
{
    const std::string keep = lstSets->currentRow() >= 0 ? selected() : store_.chosen();
    lstSets->clear();
    const int text_width = lstSets->width() - 2 * lstSets->frameWidth()
                           - lstSets->verticalScrollBar()->sizeHint().width() - kListTextMargin;
    int row = 0;
    for (int i = 0; i <= static_cast<int>(store_.sets().size()); ++i) {
        const std::string name = i == 0 ? std::string() : store_.sets()[static_cast<size_t>(i - 1)].name;
        const QString shown = i == 0 ? built_in_name() : utf8(name);
        QFont font = lstSets->font();
        font.setBold(name == store_.chosen());
        auto* item = new QListWidgetItem(wrapped_to_width(shown, QFontMetrics(font), text_width), lstSets);
        item->setFont(font);
        item->setData(Qt::AccessibleTextRole, shown);
        if (name == keep)
            row = i;
    }
    lstSets->setCurrentRow(row);
    bool marked = false;
    const QString words = chosen_words(store_, marked);
    lblChosen->setText(wrapped_to_width(QStringLiteral("The next Compute uses: ") + words,
                               QFontMetrics(lblChosen->font()), lblChosen->width()));
    lblChosen->setAccessibleName(QStringLiteral("The next Compute uses: ") + words);
}

std::string tNormsDialog::selected() const
{
    const int row = lstSets->currentRow();
    return row <= 0 ? std::string() : store_.sets()[static_cast<size_t>(row - 1)].name;
}

bool tNormsDialog::may_change()
{
    if (store_.unreadable().empty())
        return true;
    user_messages().warning("The file of normative data could not be read, so it is left as it is "
                            "and no set can be added or changed:\r\r"
                            + store_.unreadable());
    return false;
}

bool tNormsDialog::keep(const tNormativeSet& set, const std::string& replacing)
{
    bool kept = false;
    try {
        kept = store_.put(set, replacing);
    } catch (const std::exception& error) {
        show_general_error(error);
    }
    fill_list();
    if (!kept)
        return false;
    const auto at = std::find_if(store_.sets().begin(), store_.sets().end(),
                                 [&](const tNormativeSet& s) { return s.name == set.name; });
    lstSets->setCurrentRow(static_cast<int>(at - store_.sets().begin()) + 1);
    return true;
}

void tNormsDialog::cmdUseClick()
{
    if (!may_change())
        return;
    const std::string name = selected();
    try {
        if (!store_.choose(name) && store_.chosen() != name)
            user_messages().warning("The set \"" + name + "\" is no longer in the file of normative data.");
    } catch (const std::exception& error) {
        show_general_error(error);
    }
    fill_list();
}

void tNormsDialog::cmdNewClick()
{
    if (!may_change())
        return;
    // A new set starts from the figures of the selected one.
    const tNormativeSet* from = store_.set_named(selected());
    tNormativeSet start = from ? *from : built_in_normative_set();
    start.name.clear();
    std::vector<std::string> taken;
    for (const tNormativeSet& set : store_.sets())
        taken.push_back(set.name);
    tNormsSetDialog dialog(start, taken, this);
    if (dialog.exec() == QDialog::Accepted)
        keep(dialog.set(), std::string());
}

void tNormsDialog::cmdEditClick()
{
    const std::string name = selected();
    const tNormativeSet* set = store_.set_named(name);
    if (!set || !may_change())
        return;
    std::vector<std::string> taken;
    for (const tNormativeSet& other : store_.sets())
        if (other.name != name)
            taken.push_back(other.name);
    tNormsSetDialog dialog(*set, taken, this);
    if (dialog.exec() == QDialog::Accepted)
        keep(dialog.set(), name);
}

void tNormsDialog::cmdDeleteClick()
{
    const std::string name = selected();
    if (name.empty() || !may_change())
        return;
    if (!user_messages().confirm("Delete the set of normative data \"" + name + "\"?"))
        return;
    try {
        store_.remove(name);
    } catch (const std::exception& error) {
        show_general_error(error);
    }
    fill_list();
}

bool tNormsDialog::import_file(const QString& path)
{
    const std::string shown = utf8(QDir::toNativeSeparators(path));
    std::string text, reason;
    tNormativeSet set;
    try {
        if (!read_small_file(utf8(path), norms_file_max_size, tFileOwners::any, text))
            reason = "'" + shown + "' does not exist.";
    } catch (const EInOutError& error) {
        reason = error.what();
    }
    if (reason.empty()) {
        const tNormsProblem problem = normative_set_from_text(text, set);
        if (!problem.message.empty())
            reason = "'" + shown + "'" + (problem.line > 0 ? ", line " + std::to_string(problem.line) : std::string())
                     + ": " + problem.message;
    }
    if (!reason.empty()) {
        user_messages().warning("The normative data were not imported:\r\r" + reason);
        return false;
    }
    const bool exists = store_.set_named(set.name) != nullptr;
    if (exists
        && !user_messages().confirm("A set named \"" + set.name
                                    + "\" exists already. Replace it with the imported one?"))
        return false;
    return keep(set, exists ? set.name : std::string());
}

void tNormsDialog::cmdImportClick()
{
    if (!may_change())
        return;
    QFileDialog dialog(this, QStringLiteral("Import Normative Data"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Normative data (*.txt)"), QStringLiteral("All files (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    import_file(dialog.selectedFiles().front());
}

bool tNormsDialog::export_to(const QString& file)
{
    const tNormativeSet* user = store_.set_named(selected());
    const tNormativeSet set = user ? *user : built_in_normative_set();
    try {
        export_normative_set(utf8(file), set);
    } catch (const std::exception& error) {
        show_general_error(EInOutError("The normative data could not be exported:\r"
                                       + utf8(QDir::toNativeSeparators(file)) + "\r\r" + error.what()));
        return false;
    }
    return true;
}

void tNormsDialog::cmdExportClick()
{
    QFileDialog dialog(this, QStringLiteral("Export Normative Data"));
    prepare_save_dialog(dialog, save_folder_, {QStringLiteral("Normative data (*.txt)")},
                        QStringLiteral("normative_data.txt"));
    const QString file = chosen_save_file_of_type(dialog, save_folder_, QStringLiteral("txt"));
    if (!file.isEmpty())
        export_to(file);
}
