// SPDX-License-Identifier: MIT
#include "graphs/limits_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

namespace zr {
namespace {

// Beyond any reading of either chip, so that any sensible limit fits.
constexpr double kWidestLimit = 1000;
constexpr double kLongestHoldOffSeconds = 366.0 * 24 * 60 * 60;
constexpr int kLargestCount = 1000000000;

// Each field is named for assistive technology as "External high limit" and the like, and
// enabled only while its box is ticked.
QCheckBox* tick(QWidget* field, const QString& caption, bool on)
{
    auto* box = new QCheckBox(caption);
    box->setChecked(on);
    field->setEnabled(on);
    QObject::connect(box, &QCheckBox::toggled, field, &QWidget::setEnabled);
    return box;
}

QDoubleSpinBox* number(const QString& name, double value, double lowest, double highest,
                       const QString& suffix)
{
    auto* spin = new QDoubleSpinBox;
    spin->setObjectName(name);
    spin->setRange(lowest, highest);
    spin->setDecimals(2);
    spin->setSuffix(suffix);
    spin->setValue(value);
    return spin;
}

QSpinBox* count(const QString& name, std::int64_t value, int lowest)
{
    auto* spin = new QSpinBox;
    spin->setObjectName(name);
    spin->setRange(lowest, kLargestCount);
    spin->setValue(static_cast<int>(std::min<std::int64_t>(value, kLargestCount)));
    return spin;
}

} // namespace

LimitsDialog::LimitsDialog(const std::vector<LimitsTrace>& traces,
                           const alarms::ChartLimits& current, QWidget* parent)
    : QDialog(parent), chip_(current.chip)
{
    setObjectName("dlgLimits");
    setWindowTitle("Limits");
    auto* grid = new QGridLayout;
    const QStringList headings = {"",           "High",     "",       "Low", "",
                                  "Hysteresis", "Hold-off", "Frozen", ""};
    for (int c = 0; c < headings.size(); ++c)
        grid->addWidget(new QLabel(headings[c]), 0, c);
    for (std::size_t i = 0; i < traces.size(); ++i) {
        const LimitsTrace& t = traces[i];
        const alarms::ChannelLimits given =
            i < current.channels.size() ? current.channels[i] : alarms::ChannelLimits{};
        const QString key = QString::fromLatin1(alarms::channelName(t.channel));
        Row row;
        row.channel = t.channel;
        row.high =
            number("spnHigh_" + key, given.high.value_or(0), -kWidestLimit, kWidestLimit, t.unit);
        row.low =
            number("spnLow_" + key, given.low.value_or(0), -kWidestLimit, kWidestLimit, t.unit);
        row.hysteresis = number("spnHysteresis_" + key, given.hysteresis, 0, kWidestLimit, t.unit);
        row.holdOff =
            number("spnHoldOff_" + key, static_cast<double>(given.holdOff.count()) / 1000.0, 0,
                   kLongestHoldOffSeconds, " s");
        row.frozen = count("spnFrozen_" + key, given.frozenCount.value_or(240), 2);
        row.highOn = tick(row.high, t.name + " high limit", given.high.has_value());
        row.lowOn = tick(row.low, t.name + " low limit", given.low.has_value());
        row.frozenOn =
            tick(row.frozen, t.name + " frozen after readings", given.frozenCount.has_value());
        row.high->setAccessibleName(t.name + " high limit");
        row.low->setAccessibleName(t.name + " low limit");
        row.hysteresis->setAccessibleName(t.name + " hysteresis");
        row.holdOff->setAccessibleName(t.name + " hold-off in seconds");
        row.frozen->setAccessibleName(t.name + " frozen after readings");
        // The box's own caption is for assistive technology; the row shows the trace's name.
        for (QCheckBox* box : {row.highOn, row.lowOn, row.frozenOn}) {
            box->setAccessibleName(box->text());
            box->setText(QString());
        }
        row.highOn->setObjectName("chkHigh_" + key);
        row.lowOn->setObjectName("chkLow_" + key);
        row.frozenOn->setObjectName("chkFrozen_" + key);
        const int r = static_cast<int>(i) + 1;
        int c = 0;
        for (QWidget* w : std::initializer_list<QWidget*>{row.highOn, row.high, row.lowOn, row.low})
            grid->addWidget(w, r, ++c);
        grid->addWidget(new QLabel(t.name), r, 0);
        grid->addWidget(row.hysteresis, r, 5);
        grid->addWidget(row.holdOff, r, 6);
        grid->addWidget(row.frozenOn, r, 7);
        grid->addWidget(row.frozen, r, 8);
        rows_.push_back(row);
    }
    failing_ = count("spnFailing", current.failingCount.value_or(3), 1);
    failingOn_ = tick(failing_, QStringLiteral("Failing after this many failed reads in a row"),
                      current.failingCount.has_value());
    failingOn_->setObjectName("chkFailing");
    failing_->setAccessibleName(failingOn_->text());
    auto* failingRow = new QHBoxLayout;
    failingRow->addWidget(failingOn_);
    failingRow->addWidget(failing_);
    failingRow->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(failingRow);
    layout->addWidget(
        new QLabel("Saved in the alarm rules file, which the command-line tool and the "
                   "exporter read as well."));
    layout->addWidget(buttons);
}

alarms::ChartLimits LimitsDialog::limits() const
{
    alarms::ChartLimits limits;
    limits.chip = chip_;
    for (const Row& row : rows_) {
        alarms::ChannelLimits c;
        c.channel = row.channel;
        if (row.highOn->isChecked())
            c.high = row.high->value();
        if (row.lowOn->isChecked())
            c.low = row.low->value();
        c.hysteresis = row.hysteresis->value();
        c.holdOff = std::chrono::milliseconds(std::llround(row.holdOff->value() * 1000.0));
        if (row.frozenOn->isChecked())
            c.frozenCount = row.frozen->value();
        limits.channels.push_back(c);
    }
    if (failingOn_->isChecked())
        limits.failingCount = failing_->value();
    return limits;
}

} // namespace zr
