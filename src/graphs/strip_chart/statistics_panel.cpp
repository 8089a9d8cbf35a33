// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/statistics_panel.h"

#include "graphs/strip_chart/strip_chart.h"
#include "platform/value_label_accessible.h"
#include "text/text_rules.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zr::chart {
namespace {

const char* const kFigureNames[] = {"Count", "Min", "Max",     "Mean",
                                    "SD",    "PP",  "MinTime", "MaxTime"};
const char* const kFigureCaptions[] = {
    "count",        "min",         "max",        "mean", "standard deviation",
    "peak-to-peak", "time of min", "time of max"};

QString fixed(double value, int decimals)
{
    return QString::fromStdString(text::fixedDecimals(value, decimals));
}

} // namespace

QString StatisticsPanel::figureObjectName(Figure figure, int trace)
{
    return QStringLiteral("lbl%1%2").arg(QLatin1String(kFigureNames[figure])).arg(trace);
}

StatisticsPanel::StatisticsPanel(StripChart& chart) : QWidget(&chart, Qt::Tool), chart_(chart)
{
    setObjectName("frmStatistics");
    auto* layout = new QVBoxLayout(this);
    span_ = new QLabel(this);
    span_->setObjectName("lblSpan");
    span_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    nameValueLabel(span_, tr("Span"));
    layout->addWidget(span_);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    for (int f = 0; f < FigureCount; ++f)
        grid->addWidget(new QLabel(headerText(Figure(f)), this), 0, f + 1, Qt::AlignRight);
    for (int t = 0; t < chart.traceCount(); ++t) {
        auto* name = new QLabel(chart.traceName(t), this);
        grid->addWidget(name, t + 1, 0);
        std::vector<QLabel*>& row = figures_.emplace_back();
        for (int f = 0; f < FigureCount; ++f) {
            auto* value = new QLabel(this);
            value->setObjectName(figureObjectName(Figure(f), t));
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            nameValueLabel(value, chart.traceName(t) + ' ' + kFigureCaptions[f]);
            grid->addWidget(value, t + 1, f + 1, Qt::AlignRight);
            row.push_back(value);
        }
    }
    layout->addLayout(grid);

    copyButton_ = new QPushButton(tr("Copy"), this);
    copyButton_->setObjectName("cmdCopy");
    connect(copyButton_, &QPushButton::clicked, this, &StatisticsPanel::copy);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(copyButton_);
    layout->addLayout(buttons);

    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(0);
    connect(&refreshTimer_, &QTimer::timeout, this, &StatisticsPanel::refresh);
}

QString StatisticsPanel::headerText(Figure figure) const
{
    static const char* const headers[] = {"Count", "Min", "Max",         "Mean",
                                          "SD",    "p-p", "Time of min", "Time of max"};
    const QString unit = chart_.valueUnit();
    const bool hasUnit = !unit.isEmpty() && figure >= Min && figure <= PeakToPeak;
    return tr(headers[figure]) + (hasUnit ? QStringLiteral(" (%1)").arg(unit) : QString());
}

void StatisticsPanel::showEvent(QShowEvent* event)
{
    QWidget* owner = chart_.parentWidget();
    QString name = owner ? owner->windowTitle() : QString();
    if (!name.contains(chart_.title()))
        name = chart_.title() + ' ' + name;
    setWindowTitle(tr("%1 Statistics").arg(name.trimmed()));
    QWidget::showEvent(event);
}

void StatisticsPanel::scheduleRefresh()
{
    if (isVisible() && !refreshTimer_.isActive())
        refreshTimer_.start();
}

void StatisticsPanel::refresh()
{
    refreshTimer_.stop();
    ++refreshCount_;
    const auto [from, to] = chart_.statisticsSpan();
    const QString range =
        tr("%1 to %2").arg(chart_.wallTimeText(from, true), chart_.wallTimeText(to - 1, true));
    span_->setText(chart_.hasSelection() ? tr("Between the cursors: %1").arg(range)
                                         : tr("Visible: %1").arg(range));
    for (int t = 0; t < chart_.traceCount(); ++t) {
        const TraceStore& store = chart_.traceStore(t);
        const SpanStatistics s = store.statistics(store.lowerBound(from), store.lowerBound(to));
        QStringList texts;
        texts << QString::number(s.count);
        if (s.count == 0) {
            for (int f = Min; f < FigureCount; ++f)
                texts << QStringLiteral("—");
        } else {
            texts << fixed(s.min, 2) << fixed(s.max, 2) << fixed(s.mean, 2)
                  << (s.count < 2 ? QStringLiteral("—") : fixed(s.standardDeviation(), 3))
                  << fixed(s.peakToPeak(), 2) << chart_.wallTimeText(store.time(s.minIndex))
                  << chart_.wallTimeText(store.time(s.maxIndex));
        }
        for (int f = 0; f < FigureCount; ++f)
            figures_[static_cast<std::size_t>(t)][static_cast<std::size_t>(f)]->setText(texts[f]);
    }
}

QString StatisticsPanel::text() const
{
    QStringList lines{chart_.title() + ": " + span_->text()};
    QStringList header{tr("Trace")};
    for (int f = 0; f < FigureCount; ++f)
        header << headerText(Figure(f));
    lines << header.join('\t');
    for (int t = 0; t < chart_.traceCount(); ++t) {
        QStringList row{chart_.traceName(t)};
        for (const QLabel* figure : figures_[static_cast<std::size_t>(t)])
            row << figure->text();
        lines << row.join('\t');
    }
    return lines.join('\n') + '\n';
}

void StatisticsPanel::copy() const
{
    QGuiApplication::clipboard()->setText(text());
}

} // namespace zr::chart
