// The profile chart window.
#include "app/chart_window.h"

#include "app/help_window.h"
#include "app/qt_messages.h"
#include "common/user_messages.h"
#include "app/save_dialog.h"
#include "app/screen_fit.h"
#include "app/window_controls.h"
#include "render/documents.h"
#include "render/profile_chart.h"
#include "render/whole_file.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMimeData>
#include <QShortcut>
#include <QScreen>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

namespace {

const int ChartWidth = 800;
const int ChartHeight = 600;
const int ButtonRow = 56;

struct tChartFileType {
    const char* filter;
    const char* suffix;
    tChartFormat format;
};

const tChartFileType all_chart_file_types[] = {
    {"PNG image (*.png)", "png", tChartFormat::Png},
    {"SVG drawing (*.svg)", "svg", tChartFormat::Svg},
    {"PDF document (*.pdf)", "pdf", tChartFormat::Pdf},
};

// The types this build writes.
std::vector<tChartFileType> chart_file_types()
{
    std::vector<tChartFileType> types;
    for (const tChartFileType& type : all_chart_file_types)
        if (type.format != tChartFormat::Svg || chart_svg_available())
            types.push_back(type);
    return types;
}

QPushButton* chart_button(QWidget* parent, const QString& caption, int left, const char* name)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, ChartHeight + 10, 161, 37);
    button->setFont(sans_font(true));
    return button;
}

} // namespace

tChartSaveTarget chart_save_target(const QString& chosen, tChartFormat chosen_type)
{
    // Only the types this build writes.
    const std::vector<tChartFileType> types = chart_file_types();
    const QString typed = QFileInfo(chosen).suffix();
    for (const tChartFileType& type : types)
        if (typed.compare(QLatin1String(type.suffix), Qt::CaseInsensitive) == 0)
            return {chosen, type.format};
    for (const tChartFileType& type : types)
        if (type.format == chosen_type)
            return {chosen + QLatin1Char('.') + QLatin1String(type.suffix), type.format};
    return {chosen, chosen_type};
}

tChartView::tChartView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void tChartView::set_chart(const tChartData& data)
{
    data_ = data;
    // What a screen reader says of the chart: its figures as text.
    setAccessibleDescription(chart_text_alternative(data));
    update();
}

void tChartView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    draw_profile_chart(painter, QRectF(rect()), data_);
}

tChartWindow::tChartWindow(tSaveFolder& save_folder, QWidget* parent)
    : QDialog(parent), save_folder_(save_folder)
{
    setWindowTitle(QStringLiteral("Profile Chart"));
    setProperty(help_section_property, QStringLiteral("chart"));
    setFixedSize(ChartWidth, ChartHeight + ButtonRow);

    pnlChart = new tChartView(this);
    pnlChart->setObjectName(QStringLiteral("pnlChart"));
    pnlChart->setGeometry(0, 0, ChartWidth, ChartHeight);
    pnlChart->setAccessibleName(QStringLiteral("Profile chart"));

    cmdCopyChart = chart_button(this, QStringLiteral("Copy Chart"), ChartWidth - 3 * 161 - 40, "cmdCopyChart");
    cmdSaveChart = chart_button(this, QStringLiteral("Save Chart..."), ChartWidth - 2 * 161 - 28, "cmdSaveChart");
    cmdClose = chart_button(this, QStringLiteral("Close"), ChartWidth - 161 - 16, "cmdClose");
    cmdClose->setDefault(true);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        fit_chart_to(screen->availableGeometry(), window_frame_allowance());
    connect(cmdCopyChart, &QPushButton::clicked, this, &tChartWindow::cmdCopyChartClick);
    connect(new QShortcut(QKeySequence::Copy, this), &QShortcut::activated, this, &tChartWindow::cmdCopyChartClick);
    connect(cmdSaveChart, &QPushButton::clicked, this, &tChartWindow::cmdSaveChartClick);
    connect(cmdClose, &QPushButton::clicked, this, &tChartWindow::cmdCloseClick);
}

void tChartWindow::fit_chart_to(const QRect& available, const QSize& frame)
{
    const QSize room = available.size() - frame;
    const double scale = std::min({1.0, double(room.width()) / ChartWidth,
                                   double(room.height() - ButtonRow) / ChartHeight});
    const int width = int(ChartWidth * scale);
    const int height = int(ChartHeight * scale);
    const int buttons = 3 * 161 + 40 + 16;
    if (width < buttons || height < ButtonRow) {
        fit_window_to(this, available, frame); // a screen too small even for that: it scrolls
        return;
    }
    pnlChart->setGeometry(0, 0, width, height);
    cmdCopyChart->move(width - 3 * 161 - 40, height + 10);
    cmdSaveChart->move(width - 2 * 161 - 28, height + 10);
    cmdClose->move(width - 161 - 16, height + 10);
    setFixedSize(width, height + ButtonRow);
    if (scale < 1.0)
        move(available.left() + (available.width() - this->width() - frame.width()) / 2,
             available.top() + (available.height() - this->height() - frame.height()) / 2);
}

// The chart as an image the size of a saved PNG (twice the window's, sharp
// when printed) and, where the build writes SVG, as a drawing, which
// word processors that read it scale without loss.
void tChartWindow::cmdCopyChartClick()
{
    try {
        auto data = std::make_unique<QMimeData>();
        data->setImageData(QImage::fromData(chart_png(pnlChart->chart())));
        if (chart_svg_available())
            data->setData(QStringLiteral("image/svg+xml"), chart_svg(pnlChart->chart()));
        QGuiApplication::clipboard()->setMimeData(data.release());
    } catch (const std::exception& error) {
        show_general_error(error);
    }
}

// Saves the chart in the format that chart_save_target gives for the name
// and the file type chosen.
void tChartWindow::cmdSaveChartClick()
{
    QFileDialog dialog(this);
    const std::vector<tChartFileType> types = chart_file_types();
    QStringList filters;
    QString proposed_filter;
    const QString proposed = last_saved_file_.isEmpty() ? QStringLiteral("chart.png") : last_saved_file_;
    for (const tChartFileType& type : types) {
        filters << QString::fromLatin1(type.filter);
        if (proposed.endsWith(QLatin1Char('.') + QLatin1String(type.suffix), Qt::CaseInsensitive))
            proposed_filter = filters.back();
    }
    prepare_save_dialog(dialog, save_folder_, filters, proposed, proposed_filter);
    const auto suffix_of = [types](const QString& filter) {
        for (const tChartFileType& type : types)
            if (filter == QLatin1String(type.filter))
                return QString::fromLatin1(type.suffix);
        return QString();
    };
    dialog.setDefaultSuffix(suffix_of(dialog.selectedNameFilter()));
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog, suffix_of](const QString& filter) { dialog.setDefaultSuffix(suffix_of(filter)); });
    const QString file_name = chosen_save_file(dialog, save_folder_);
    if (file_name.isEmpty())
        return;
    last_saved_file_ = file_name;

    tChartFormat chosen_type = tChartFormat::Png;
    for (const tChartFileType& type : types)
        if (dialog.selectedNameFilter() == QLatin1String(type.filter))
            chosen_type = type.format;
    const tChartSaveTarget target = chart_save_target(file_name, chosen_type);
    // The dialog asked about the name as typed; a name that got an extension
    // here is asked about now.
    if (target.file != file_name && QFileInfo::exists(target.file)
        && !user_messages().confirm(QFileInfo(target.file).fileName().toStdString()
                                    + " already exists.\rDo you want to replace it?"))
        return;
    if (!may_save_to(target.file, save_folder_))
        return;
    try {
        QString reason;
        if (!write_whole_file(target.file, chart_file(target.format, pnlChart->chart()), reason))
            show_general_error(reason);
    } catch (const std::exception& error) {
        show_general_error(error);
    }
}

void tChartWindow::cmdCloseClick()
{
    accept();
}
