// The profile chart window: the chart of the most recent report, drawn by
// the render layer, with Save Chart... (PNG, SVG or PDF by the chosen file
// type) and Close. Opened modally from the output window's Chart menu.
#pragma once

#include "render/chart_data.h"

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

class TfrmProfileChart : public QDialog {
    Q_OBJECT

public:
    explicit TfrmProfileChart(QWidget* parent = nullptr);

    tChartView* pnlChart;
    QPushButton* cmdSaveChart;
    QPushButton* cmdClose;

    void set_chart(const tChartData& data) { pnlChart->set_chart(data); }

public slots:
    void cmdSaveChartClick();
    void cmdCloseClick();

private:
    QString last_saved_file_; // proposed by the next Save Chart...
};
