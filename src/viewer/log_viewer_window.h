// SPDX-License-Identifier: MIT
#pragma once

// frmLogViewer: a saved log in the strip chart, not live. One chart per unit (degrees, and volts
// for a log with rails) with the whole run in view, zoom, scroll, cursors, statistics, markers
// and the chart's copies; a status line says how the file was read. A second run can be laid
// over it, aligned at its start and dashed in the same colours, with the difference of one
// column in a chart of its own.

#include "platform/child_window.h"
#include "viewer/column_look.h"
#include "viewer/loaded_log.h"

#include <QWidget>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QVBoxLayout;

namespace zr {
class FileChooser;
class Prompts;
} // namespace zr

namespace zr::chart {
class StripChart;
}

namespace zr::viewer {

class LogViewerWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    LogViewerWindow(std::shared_ptr<LoadedLog> log, FileChooser& files, Prompts& prompts,
                    QWidget* parent = nullptr);

    void Form_Load() override;
    bool talksToBoard() const override { return false; }

    const QString& path() const { return path_; }
    // The chart of a unit; null when the log has no column of it.
    chart::StripChart* chart(ValueFamily family) const;
    // What the status line says.
    QString notesText() const;

    // Lays `second` over this run; once only (LogViewers opens another viewer for another run).
    void compareWith(std::shared_ptr<LoadedLog> second);
    bool comparing() const { return !secondPath_.isEmpty(); }
    QComboBox* differenceChooser() const { return cboDifference; }
    // The difference of the chosen column, run 2 - run 1; null before a comparison.
    chart::StripChart* differenceChart() const { return difference_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Column {
        std::string name;
        chart::StripChart* chart;
        int trace;       // run 1's
        int secondTrace; // run 2's, -1 without
    };
    chart::StripChart* addChart(ValueFamily family);
    void showDifference(int column);
    void fitWholeRuns();
    void updateLegends();

    FileChooser& files_;
    Prompts& prompts_;
    QString path_;
    QString secondPath_;
    std::int64_t startMs_;
    std::vector<chart::Marker> markers_;
    std::vector<std::pair<ValueFamily, chart::StripChart*>> charts_;
    std::vector<Column> columns_;
    QVBoxLayout* layout_;
    QWidget* comparison_;
    QComboBox* cboDifference;
    chart::StripChart* difference_ = nullptr;
    QLabel* lblNotes;
    bool fitted_ = false;
};

} // namespace zr::viewer
