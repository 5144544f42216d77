// The profile chart window: the chart of the most recent report, drawn by
// the render layer, with Copy Chart (Ctrl+C too: the chart on the clipboard
// as an image at print resolution and as an SVG drawing), Save Chart...
// (PNG, SVG or PDF by the chosen file type) and Close. Opened modally from
// the output window's Chart menu.
#pragma once

#include "app/save_dialog.h"
#include "render/chart_data.h"
#include "render/documents.h"

#include <QDialog>
#include <QString>
#include <QWidget>

class QPushButton;

// Paints the chart over its whole area.
class tChartView final : public QWidget {
public:
    explicit tChartView(QWidget* parent = nullptr);
    void set_chart(const tChartData& data);
    const tChartData& chart() const { return data_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    tChartData data_;
};

// Where Save Chart... writes and in which format. An extension typed with
// the name decides when it is .png, .svg or .pdf (in any case); otherwise the
// chosen file type does, and its extension is added to the name.
struct tChartSaveTarget {
    QString file;
    tChartFormat format;
};
tChartSaveTarget chart_save_target(const QString& chosen, tChartFormat chosen_type);

class tChartWindow : public QDialog {
    Q_OBJECT

public:
    // Its Save Chart... starts in, and keeps, `save_folder`.
    explicit tChartWindow(tSaveFolder& save_folder, QWidget* parent = nullptr);

    tChartView* pnlChart;
    QPushButton* cmdCopyChart;
    QPushButton* cmdSaveChart;
    QPushButton* cmdClose;

    void set_chart(const tChartData& data) { pnlChart->set_chart(data); }

    // On a screen whose available area (less the window frame) is smaller
    // than the designed window, the chart is drawn smaller, whole, legend
    // included, with the buttons under it; otherwise the designed size.
    void fit_chart_to(const QRect& available, const QSize& frame);

public slots:
    void cmdCopyChartClick();
    void cmdSaveChartClick();
    void cmdCloseClick();

private:
    QString last_saved_file_; // proposed by the next Save Chart...
    tSaveFolder& save_folder_;
};
