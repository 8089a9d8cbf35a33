// SPDX-License-Identifier: MIT
#include "bench_charts.h"

#include "graphs/strip_chart/strip_chart.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>
#include <qcustomplot.h>

namespace {

const QColor kColours[kTraces] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 0, 128),
                                  QColor(0, 255, 0), QColor(0, 0, 0)};

class OurChart : public BenchChart {
public:
    OurChart()
    {
        for (int k = 0; k < kTraces; ++k)
            chart_.addTrace(kColours[k], QString::number(k));
        chart_.setAxisMin(kAxisMin);
        chart_.setAxisMax(kAxisMax);
    }
    QString name() const override { return "ours"; }
    QWidget* widget() override { return &chart_; }
    void load(const BenchData& data, std::size_t count, std::int64_t spanMs) override
    {
        for (std::size_t i = 0; i < count; ++i)
            for (int k = 0; k < kTraces; ++k)
                chart_.addSample(k, data.timeOf(i), data.values[k][i]);
        chart_.setVisibleSpan(spanMs);
        chart_.followNewest();
    }
    void tick(const BenchData& data, std::size_t i) override
    {
        for (int k = 0; k < kTraces; ++k)
            chart_.addSample(k, data.timeOf(i), data.values[k][i]);
        // Following the newest sample is the scroll.
        chart_.repaint();
    }
    void fullRedraw() override
    {
        wider_ = !wider_;
        chart_.setAxisMax(wider_ ? kAxisMax + 1 : kAxisMax);
        chart_.repaint();
    }

private:
    zr::chart::StripChart chart_;
};

// Keys in seconds from the first sample: doubles keep millisecond steps exact at this size.
double seconds(const BenchData& data, std::size_t i)
{
    return static_cast<double>(data.timeOf(i) - data.t0) / 1000.0;
}

class CustomPlotChart : public BenchChart {
public:
    CustomPlotChart()
    {
        // Like ours, lines without antialiasing; adaptive sampling is on by default.
        plot_.setNotAntialiasedElements(QCP::aeAll);
        for (int k = 0; k < kTraces; ++k) {
            QCPGraph* g = plot_.addGraph();
            g->setPen(QPen(kColours[k]));
            g->setAdaptiveSampling(true);
        }
        plot_.yAxis->setRange(kAxisMin, kAxisMax);
    }
    QString name() const override { return "qcustomplot"; }
    QWidget* widget() override { return &plot_; }
    void load(const BenchData& data, std::size_t count, std::int64_t spanMs) override
    {
        span_ = spanMs / 1000.0;
        QVector<double> keys(static_cast<qsizetype>(count));
        for (std::size_t i = 0; i < count; ++i)
            keys[static_cast<qsizetype>(i)] = seconds(data, i);
        for (int k = 0; k < kTraces; ++k) {
            QVector<double> values(static_cast<qsizetype>(count));
            for (std::size_t i = 0; i < count; ++i)
                values[static_cast<qsizetype>(i)] = data.values[k][i];
            plot_.graph(k)->setData(keys, values, true);
        }
        const double newest = seconds(data, count - 1);
        plot_.xAxis->setRange(newest - span_, newest);
        plot_.replot();
    }
    void tick(const BenchData& data, std::size_t i) override
    {
        const double key = seconds(data, i);
        for (int k = 0; k < kTraces; ++k)
            plot_.graph(k)->addData(key, data.values[k][i]);
        plot_.xAxis->setRange(key - span_, key);
        plot_.replot(QCustomPlot::rpImmediateRefresh);
    }
    void fullRedraw() override
    {
        wider_ = !wider_;
        plot_.yAxis->setRange(kAxisMin, wider_ ? kAxisMax + 1 : kAxisMax);
        plot_.replot(QCustomPlot::rpImmediateRefresh);
    }

private:
    QCustomPlot plot_;
    double span_ = 0;
};

class QtChartsChart : public BenchChart {
public:
    QtChartsChart() : view_(new QChart)
    {
        QChart* chart = view_.chart();
        chart->legend()->hide();
        chart->addAxis(axisX_, Qt::AlignBottom); // the chart owns its axes and series
        chart->addAxis(axisY_, Qt::AlignLeft);
        axisY_->setRange(kAxisMin, kAxisMax);
        for (int k = 0; k < kTraces; ++k) {
            auto* s = new QLineSeries;
            s->setPen(QPen(kColours[k]));
            chart->addSeries(s);
            s->attachAxis(axisX_);
            s->attachAxis(axisY_);
            series_.push_back(s);
        }
        view_.setRenderHint(QPainter::Antialiasing, false);
    }
    QString name() const override { return "qtcharts"; }
    QWidget* widget() override { return &view_; }
    void load(const BenchData& data, std::size_t count, std::int64_t spanMs) override
    {
        span_ = spanMs / 1000.0;
        for (int k = 0; k < kTraces; ++k) {
            QList<QPointF> points;
            points.reserve(static_cast<qsizetype>(count));
            for (std::size_t i = 0; i < count; ++i)
                points.append({seconds(data, i), data.values[k][i]});
            series_[k]->replace(points);
        }
        const double newest = seconds(data, count - 1);
        axisX_->setRange(newest - span_, newest);
    }
    void tick(const BenchData& data, std::size_t i) override
    {
        const double key = seconds(data, i);
        for (int k = 0; k < kTraces; ++k)
            series_[k]->append(key, data.values[k][i]);
        axisX_->setRange(key - span_, key);
        view_.viewport()->repaint();
    }
    void fullRedraw() override
    {
        wider_ = !wider_;
        axisY_->setRange(kAxisMin, wider_ ? kAxisMax + 1 : kAxisMax);
        view_.viewport()->repaint();
    }

private:
    QChartView view_;
    QValueAxis* axisX_ = new QValueAxis;
    QValueAxis* axisY_ = new QValueAxis;
    std::vector<QLineSeries*> series_;
    double span_ = 0;
};

} // namespace

std::unique_ptr<BenchChart> makeOurChart()
{
    return std::make_unique<OurChart>();
}

std::unique_ptr<BenchChart> makeQCustomPlot()
{
    return std::make_unique<CustomPlotChart>();
}

std::unique_ptr<BenchChart> makeQtCharts()
{
    return std::make_unique<QtChartsChart>();
}
