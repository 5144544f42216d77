#include "app/norms_dialog.h"
#include "app/window_fonts.h"

#include "app/matrix_dialog.h"
#include "app/push_button_keys.h"
#include "app/qt_messages.h"
#include "app/save_dialog.h"
#include "common/errors.h"
#include "common/user_messages.h"

#include <QFile>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <utility>

namespace {

const char* const score_captions[4] = {
    "Verbal Comprehension (VC):", "Perceptual Reasoning (PR):", "Working Memory (WM):",
    "Processing Speed (PS):"};

QString utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

std::string utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QPushButton* button(const QString& caption, QWidget* parent, const QRect& geometry,
                    const char* name)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    press_on_enter(b);
    return b;
}

QLabel* label(const QString& text, QWidget* parent, const QRect& geometry)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    return l;
}

// A file's error message names the file.
EInOutError file_error(const std::string& what, const std::string& path, const std::string& reason)
{
    return EInOutError("The file of normative data could not be " + what + ":\r" + path + "\r\r"
                       + reason);
}

} // namespace

// --- The user's sets -----------------------------------------------------------

void tNormsStore::load()
{
    sets_.clear();
    chosen_.clear();
    unreadable_.clear();
    prepared_.reset();
    QFile file(QString::fromStdString(path));
    if (!file.exists())
        return;
    std::string reason;
    QByteArray bytes;
    if (!file.open(QIODevice::ReadOnly))
        reason = utf8(file.errorString());
    else if (file.size() > static_cast<qint64>(norms_file_max_size))
        reason = "It is too large for a file of normative data.";
    else
        bytes = file.readAll();
    tNormsText read;
    if (reason.empty()) {
        read = parse_normative_sets_file(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
        if (!read.error.empty())
            reason = "Line " + std::to_string(read.error_line) + ": " + read.error;
    }
    for (size_t i = 0; reason.empty() && i < read.sets.size(); ++i) {
        const tNormsProblem problem = check_normative_set(read.sets[i]);
        if (!problem.message.empty())
            reason = "Line " + std::to_string(problem.line) + ": " + problem.message;
    }
    if (!reason.empty()) {
        unreadable_ = reason;
        throw file_error("read", path, reason);
    }
    sets_ = std::move(read.sets);
    if (find(read.chosen))
        chosen_ = read.chosen;
}

void tNormsStore::save() const
{
    try {
        if (before_save)
            before_save();
        save_normative_sets_file(path, sets_, chosen_);
    } catch (const EInOutError& error) {
        throw file_error("saved", path, error.what());
    }
}

QString tNormsStore::chosen_name() const
{
    return utf8(chosen_.empty() ? std::string(built_in_norms_name) : chosen_);
}

const tNormativeSet* tNormsStore::find(const std::string& name) const
{
    for (const tNormativeSet& set : sets_)
        if (set.name == name)
            return &set;
    return nullptr;
}

void tNormsStore::commit(std::vector<tNormativeSet> sets, std::string chosen)
{
    std::swap(sets, sets_);
    std::swap(chosen, chosen_);
    try {
        save();
    } catch (...) {
        std::swap(sets, sets_);
        std::swap(chosen, chosen_);
        throw;
    }
    prepared_.reset();
}

void tNormsStore::choose(const std::string& name)
{
    commit(sets_, find(name) ? name : std::string());
}

void tNormsStore::put(const tNormativeSet& set, const std::string& replacing)
{
    std::vector<tNormativeSet> sets = sets_;
    auto at = std::find_if(sets.begin(), sets.end(), [&](const tNormativeSet& s) {
        return s.name == (replacing.empty() ? set.name : replacing);
    });
    tNormativeSet kept = set;
    kept.name_line = kept.rels_line = 0;
    kept.corr_lines = {};
    if (at != sets.end())
        *at = kept;
    else
        sets.push_back(kept);
    // An edited set that was chosen stays chosen under its new name.
    commit(std::move(sets), !replacing.empty() && chosen_ == replacing ? set.name : chosen_);
}

void tNormsStore::remove(const std::string& name)
{
    std::vector<tNormativeSet> sets = sets_;
    sets.erase(std::remove_if(sets.begin(), sets.end(),
                              [&](const tNormativeSet& s) { return s.name == name; }),
               sets.end());
    commit(std::move(sets), chosen_ == name ? std::string() : chosen_);
}

std::shared_ptr<const tNormativeData> tNormsStore::chosen_data()
{
    const tNormativeSet* set = find(chosen_);
    if (!set)
        return nullptr; // the built-in set
    if (!prepared_) {
        auto norms = std::make_shared<tNormativeData>();
        SetUpNormativeData(*set, true, *norms);
        prepared_ = std::move(norms);
    }
    return prepared_;
}

// --- One set ---------------------------------------------------------------------

tNormsSetDialog::tNormsSetDialog(const tNormativeSet& start, std::vector<std::string> taken,
                                 QWidget* owner)
    : QDialog(owner), set_(start), taken_(std::move(taken))
{
    setObjectName(QStringLiteral("normsSetDialog"));
    setWindowTitle(QStringLiteral("Normative Data Set"));
    setFont(sans_font(false));
    setFixedSize(460, 390);

    label(QStringLiteral("Name:"), this, QRect(12, 16, 90, 20))->setFont(sans_font(true));
    txtName = new QLineEdit(utf8(start.name), this);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setGeometry(110, 12, 338, 26);
    txtName->setMaxLength(norms_name_max_length);

    label(QStringLiteral("Reliabilities (strictly between 0 and 1):"), this, QRect(12, 52, 400, 20))
        ->setFont(sans_font(true));
    for (int k = 0; k < 4; ++k) {
        label(QString::fromLatin1(score_captions[k]), this, QRect(24, 82 + 32 * k, 220, 20));
        QLineEdit* field = new QLineEdit(QString::fromStdString(norms_number_text(start.rels[k])), this);
        field->setObjectName(QStringLiteral("txtReliability%1").arg(k + 1));
        field->setGeometry(250, 79 + 32 * k, 80, 26);
        field->setMaxLength(12);
        field->setAccessibleName(QString::fromLatin1(score_captions[k]).chopped(1));
        txtReliability[k] = field;
    }

    label(QStringLiteral("Correlations (lower triangle; VC, PR, WM, PS):"), this,
          QRect(12, 216, 430, 20))
        ->setFont(sans_font(true));
    lblCorrelations = label(QString(), this, QRect(24, 242, 290, 84));
    lblCorrelations->setObjectName(QStringLiteral("lblCorrelations"));
    QFont mono(QStringLiteral("Liberation Mono"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPixelSize(13);
    lblCorrelations->setFont(mono);
    lblCorrelations->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdCorrelations = button(QStringLiteral("&Correlations..."), this, QRect(318, 240, 130, 32),
                             "cmdCorrelations");
    cmdOK = button(QStringLiteral("OK"), this, QRect(246, 344, 98, 34), "cmdOK");
    cmdCancel = button(QStringLiteral("Cancel"), this, QRect(350, 344, 98, 34), "cmdCancel");
    cmdOK->setDefault(true); // Enter in a field checks and keeps the set
    connect(cmdCorrelations, &QPushButton::clicked, this, &tNormsSetDialog::cmdCorrelationsClick);
    connect(cmdOK, &QPushButton::clicked, this, &tNormsSetDialog::cmdOKClick);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    show_correlations();
}

void tNormsSetDialog::show_correlations()
{
    QString text;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j <= i; ++j)
            text += QStringLiteral("%1").arg(
                QString::fromStdString(norms_number_text(set_.corr[i][j])), 7);
        text += QLatin1Char('\n');
    }
    lblCorrelations->setText(text);
}

// The matrix entry dialog on the set's correlations; Return to Worksheet
// keeps them as they were.
void tNormsSetDialog::cmdCorrelationsClick()
{
    auto matrix = std::make_unique<tEntryMatrix>();
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= i; ++j)
            (*matrix)[j][i] = (*matrix)[i][j] = static_cast<double>(set_.corr[i - 1][j - 1]);
    if (open_square_matrix_dialog(*matrix, 4, 4, QStringLiteral("Correlations of the Index scores"),
                                  true, this, QString()))
        return;
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j < i; ++j) {
            extended value = 0;
            if (!norms_value_of_double((*matrix)[j][i], value)) {
                user_messages().warning("The correlation in row " + std::to_string(i) + ", column "
                                        + std::to_string(j) + " has more than "
                                        + std::to_string(norms_max_decimals) + " decimals.");
                return;
            }
            set_.corr[i - 1][j - 1] = value;
        }
    show_correlations();
}

void tNormsSetDialog::cmdOKClick()
{
    set_.name = utf8(txtName->text());
    if (const std::string problem = norms_name_problem(set_.name); !problem.empty()) {
        user_messages().warning(problem);
        txtName->setFocus();
        return;
    }
    if (std::find(taken_.begin(), taken_.end(), set_.name) != taken_.end()) {
        user_messages().warning("Another set has this name already: choose another name.");
        txtName->setFocus();
        return;
    }
    for (int k = 0; k < 4; ++k) {
        const std::string text = utf8(txtReliability[k]->text().trimmed());
        if (!parse_norms_number(text, set_.rels[k])) {
            std::string caption = score_captions[k];
            caption.pop_back(); // its colon
            user_messages().warning("The reliability of " + caption + " is not a number (a plain decimal such as 0.85, at most "
                                    + std::to_string(norms_max_decimals) + " decimals).");
            txtReliability[k]->setFocus();
            txtReliability[k]->selectAll();
            return;
        }
    }
    const tNormsProblem problem = check_normative_set(set_);
    if (!problem.message.empty()) {
        user_messages().warning(problem.message);
        if (problem.field == tNormsProblem::name)
            txtName->setFocus();
        else if (problem.field == tNormsProblem::reliability && problem.row >= 1)
            txtReliability[problem.row - 1]->setFocus();
        else
            cmdCorrelations->setFocus();
        return;
    }
    accept();
}

// --- The sets and the choice ---------------------------------------------------------

tNormsDialog::tNormsDialog(tNormsStore& store, tSaveFolder& save_folder, QWidget* owner)
    : QDialog(owner), store_(store), save_folder_(save_folder)
{
    setObjectName(QStringLiteral("normsDialog"));
    setWindowTitle(QStringLiteral("Normative Data"));
    setFont(sans_font(false));
    setFixedSize(540, 340);

    label(QStringLiteral("Sets of normative data (means 100, SDs 15):"), this, QRect(12, 10, 320, 20))
        ->setFont(sans_font(true));
    lstSets = new QListWidget(this);
    lstSets->setObjectName(QStringLiteral("lstSets"));
    lstSets->setGeometry(12, 34, 320, 250);
    lblChosen = label(QString(), this, QRect(12, 292, 516, 56));
    lblChosen->setObjectName(QStringLiteral("lblChosen"));
    lblChosen->setWordWrap(true);
    lblChosen->setTextFormat(Qt::PlainText); // a name is never markup
    lblChosen->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const int left = 344, width = 184, height = 30;
    cmdUse = button(QStringLiteral("&Use for Compute"), this, QRect(left, 34, width, height), "cmdUse");
    cmdNew = button(QStringLiteral("&New..."), this, QRect(left, 74, width, height), "cmdNew");
    cmdEdit = button(QStringLiteral("&Edit..."), this, QRect(left, 108, width, height), "cmdEdit");
    cmdDelete = button(QStringLiteral("&Delete"), this, QRect(left, 142, width, height), "cmdDelete");
    cmdImport = button(QStringLiteral("&Import..."), this, QRect(left, 182, width, height), "cmdImport");
    cmdExport = button(QStringLiteral("E&xport..."), this, QRect(left, 216, width, height), "cmdExport");
    cmdClose = button(QStringLiteral("Close"), this, QRect(left, 254, width, height), "cmdClose");
    connect(cmdUse, &QPushButton::clicked, this, &tNormsDialog::cmdUseClick);
    connect(cmdNew, &QPushButton::clicked, this, &tNormsDialog::cmdNewClick);
    connect(cmdEdit, &QPushButton::clicked, this, &tNormsDialog::cmdEditClick);
    connect(cmdDelete, &QPushButton::clicked, this, &tNormsDialog::cmdDeleteClick);
    connect(cmdImport, &QPushButton::clicked, this, &tNormsDialog::cmdImportClick);
    connect(cmdExport, &QPushButton::clicked, this, &tNormsDialog::cmdExportClick);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(lstSets, &QListWidget::currentRowChanged, this, [this](int row) {
        cmdEdit->setEnabled(row > 0);
        cmdDelete->setEnabled(row > 0);
    });
    connect(lstSets, &QListWidget::itemDoubleClicked, this, [this] { cmdUseClick(); });
    fill();
}

void tNormsDialog::fill()
{
    const std::string keep = lstSets->currentRow() >= 0 ? selected() : store_.chosen();
    lstSets->clear();
    lstSets->addItem(QString::fromLatin1(built_in_norms_name));
    for (const tNormativeSet& set : store_.sets())
        lstSets->addItem(utf8(set.name));
    int row = 0;
    for (int i = 0; i < lstSets->count(); ++i) {
        const std::string name = i == 0 ? std::string() : store_.sets()[static_cast<size_t>(i - 1)].name;
        QFont font = lstSets->font();
        font.setBold(name == store_.chosen());
        lstSets->item(i)->setFont(font);
        if (name == keep)
            row = i;
    }
    lstSets->setCurrentRow(row);
    lblChosen->setText(QStringLiteral("The next Compute uses: ") + store_.chosen_name()
                       + (store_.chosen().empty() ? QString()
                                                  : QStringLiteral(" (entered by the user)")));
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
    user_messages().warning("The file of normative data could not be read, so it is left as it is:\r"
                            + store_.path + "\r\r" + store_.unreadable());
    return false;
}

bool tNormsDialog::keep(const tNormativeSet& set, const std::string& replacing)
{
    try {
        store_.put(set, replacing);
    } catch (const std::exception& error) {
        show_general_error(error);
        return false;
    }
    fill();
    lstSets->setCurrentRow(static_cast<int>(
        std::find_if(store_.sets().begin(), store_.sets().end(),
                     [&](const tNormativeSet& s) { return s.name == set.name; })
        - store_.sets().begin()) + 1);
    return true;
}

void tNormsDialog::cmdUseClick()
{
    if (!may_change())
        return;
    try {
        store_.choose(selected());
    } catch (const std::exception& error) {
        show_general_error(error);
    }
    fill();
}

void tNormsDialog::cmdNewClick()
{
    if (!may_change())
        return;
    // A new set starts from the figures of the selected one.
    const tNormativeSet* from = store_.find(selected());
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
    const tNormativeSet* set = store_.find(name);
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
    if (!user_messages().confirm("Delete the selected set of normative data?"))
        return;
    try {
        store_.remove(name);
    } catch (const std::exception& error) {
        show_general_error(error);
    }
    fill();
}

bool tNormsDialog::import_file(const QString& path)
{
    const std::string shown = utf8(QDir::toNativeSeparators(path));
    QFile file(path);
    std::string reason;
    QByteArray bytes;
    if (!file.open(QIODevice::ReadOnly))
        reason = utf8(file.errorString());
    else if (file.size() > static_cast<qint64>(norms_file_max_size))
        reason = "It is too large for a set of normative data.";
    else
        bytes = file.readAll();
    tNormativeSet set;
    if (reason.empty()) {
        const tNormsProblem problem = normative_set_from_text(
            std::string(bytes.constData(), static_cast<size_t>(bytes.size())), set);
        if (!problem.message.empty())
            reason = (problem.line > 0 ? "Line " + std::to_string(problem.line) + ": " : std::string())
                     + problem.message;
    }
    if (!reason.empty()) {
        user_messages().warning("The normative data were not imported from\r" + shown + "\r\r" + reason);
        return false;
    }
    if (store_.find(set.name)
        && !user_messages().confirm("A set of this name exists already. Replace it with the imported one?"))
        return false;
    return keep(set, store_.find(set.name) ? set.name : std::string());
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
    const tNormativeSet* user = store_.find(selected());
    const tNormativeSet set = user ? *user : built_in_normative_set();
    try {
        export_normative_set(file.toStdString(), set);
    } catch (const std::exception& error) {
        show_general_error(file_error("exported", utf8(QDir::toNativeSeparators(file)), error.what()));
        return false;
    }
    return true;
}

void tNormsDialog::cmdExportClick()
{
    QFileDialog dialog(this, QStringLiteral("Export Normative Data"));
    prepare_save_dialog(dialog, save_folder_, {QStringLiteral("Normative data (*.txt)")},
                        QStringLiteral("normative_data.txt"));
    const QString file = chosen_save_file(dialog, save_folder_);
    if (!file.isEmpty())
        export_to(file);
}
