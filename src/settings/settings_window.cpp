// SPDX-License-Identifier: MIT
#include "settings/settings_window.h"

#include "board/sst_stuff.h"
#include "console/entry_rules.h"
#include "console/reading_captions.h"
#include "platform/child_window.h"
#include "settings/sst_io_panel.h"
#include "text/text_rules.h"
#include "widgets/frame_style.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zr {

namespace {

using captions::kDibFields;
using captions::kDibScreenOrder;

QString hexCaption(std::uint32_t value)
{
    return QString::fromStdString(captions::hex(value));
}

QString temperatureCaption(float value)
{
    return QString::fromStdString(captions::temperature(value));
}

} // namespace

SettingsWindow::SettingsWindow(Chip chip, BoardWorker& worker, Prompts& prompts, QWidget* parent)
    : QWidget(parent), chip_(chip), worker_(worker), prompts_(prompts)
{
    setObjectName(QStringLiteral("frmSettings") + chipInfo(chip).letter);
    setWindowTitle(QString::fromLatin1(chipName(chip)) + " Settings");

    // Built in reading order (the identifier block, then the right-hand frames top to bottom,
    // then the panel across the bottom), which gives the keyboard the same order.
    QGroupBox* dib = buildDibFrame();
    QGroupBox* offset = buildOffsetFrame();
    QGroupBox* ping = buildPingFrame();
    QGroupBox* temperatures = buildTemperatureFrame();
    Frame5 = new SstIoPanel(chip, worker, prompts, this);
    connect(Frame5, &SstIoPanel::programEvent, this, &SettingsWindow::programEvent);

    auto* right = new QGridLayout;
    right->addWidget(offset, 0, 0);
    right->addWidget(ping, 0, 1);
    right->addWidget(temperatures, 1, 0);
    right->setRowStretch(2, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(dib);
    top->addLayout(right, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Frame5, 1);
}

QGroupBox* SettingsWindow::buildDibFrame()
{
    QGroupBox* frame = makeFrame("Frame1", "Device Identifier Block", this);
    cmdGetDIB = makeButton("cmdGetDIB", "Get DIB", frame);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(cmdGetDIB, 0, 0, 1, 2, Qt::AlignLeft);
    int row = 1;
    for (int i : kDibScreenOrder) {
        const QString caption = kDibFields[i].caption;
        Label2[i] = makeCaption(QString("Label2_%1").arg(i), caption, frame);
        lblDIB[i] = makeValueLabel(QString("lblDIB_%1").arg(i), caption, frame);
        Label2[i]->setBuddy(lblDIB[i]);
        grid->addWidget(Label2[i], row, 0);
        grid->addWidget(lblDIB[i], row, 1);
        ++row;
    }
    grid->setRowStretch(row, 1);
    boldTitleOnly(frame);
    connect(cmdGetDIB, &QPushButton::clicked, this, &SettingsWindow::cmdGetDIB_Click);
    return frame;
}

QGroupBox* SettingsWindow::buildOffsetFrame()
{
    QGroupBox* frame = makeFrame("Frame2", "External Offset", this);
    cmdGetOffset = makeButton("cmdGetOffset", "Get Ext Offset", frame);
    lblOffset = makeValueLabel("lblOffset", "External offset", frame);
    cmdSetOffset = makeButton("cmdSetOffset", "Set Ext Offset", frame);
    txtOffset = new QLineEdit("0", frame);
    txtOffset->setObjectName("txtOffset");
    txtOffset->setAccessibleName("Ext Offset to set");
    txtOffset->setAccessibleDescription("Whole degrees, written by Set Ext Offset");
    auto* grid = new QGridLayout(frame);
    grid->addWidget(cmdGetOffset, 0, 0);
    grid->addWidget(lblOffset, 0, 1);
    grid->addWidget(cmdSetOffset, 1, 0);
    grid->addWidget(txtOffset, 1, 1);
    boldTitleOnly(frame);
    connect(cmdGetOffset, &QPushButton::clicked, this, &SettingsWindow::cmdGetOffset_Click);
    connect(cmdSetOffset, &QPushButton::clicked, this, &SettingsWindow::cmdSetOffset_Click);
    return frame;
}

QGroupBox* SettingsWindow::buildPingFrame()
{
    QGroupBox* frame = makeFrame("Frame4", "Ping", this);
    cmdPing = makeButton("cmdPing", "Generate Ping", frame);
    Label1 = makeCaption("Label1", "FCS", frame);
    txtFCS = new QLineEdit(frame);
    txtFCS->setObjectName("txtFCS");
    txtFCS->setAccessibleName(Label1->text());
    txtFCS->setAccessibleDescription("The first byte of the ping's reply");
    Label1->setBuddy(txtFCS);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(cmdPing, 0, 0, 1, 2);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(txtFCS, 1, 1);
    boldTitleOnly(frame);
    connect(cmdPing, &QPushButton::clicked, this, &SettingsWindow::cmdPing_Click);
    return frame;
}

QGroupBox* SettingsWindow::buildTemperatureFrame()
{
    QGroupBox* frame = makeFrame("Frame3", "Temperatures", this);
    cmdGetAllTemps = makeButton("cmdGetAllTemps", "Get All Temps", frame);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(cmdGetAllTemps, 0, 0, 1, 2, Qt::AlignLeft);
    const std::array<QString, 2> captions{"Internal", "External"};
    for (int i = 0; i < 2; ++i) {
        Label3[i] = makeCaption(QString("Label3_%1").arg(i), captions[i], frame);
        grid->addWidget(Label3[i], 1, i);
    }
    for (int i = 0; i < 2; ++i) {
        lblTemp[i] =
            makeValueLabel(QString("lblTemp_%1").arg(i), captions[i] + " temperature", frame);
        Label3[i]->setBuddy(lblTemp[i]);
        grid->addWidget(lblTemp[i], 2, i);
    }
    boldTitleOnly(frame);
    connect(cmdGetAllTemps, &QPushButton::clicked, this, &SettingsWindow::cmdGetAllTemps_Click);
    return frame;
}

void SettingsWindow::Form_Load()
{
    setOuterSizeTwips(this, kWidthTwips, kHeightTwips);
}

void SettingsWindow::run(BoardWorker::Routine work, std::function<void(const DeviceState&)> show)
{
    worker_.run(
        this,
        [chip = chip_, work = std::move(work)](DeviceState& state, BoardLibrary& board) {
            selectChip(state, chip);
            work(state, board);
        },
        [this, show = std::move(show)](const RoutineResult& result) {
            runReportingFailure(prompts_, this, [&] {
                if (result.failure)
                    std::rethrow_exception(result.failure);
                if (show)
                    show(result.after);
            });
        });
}

void SettingsWindow::cmdGetDIB_Click()
{
    run([](DeviceState& state, BoardLibrary& board) { SSTStuff::SSTGetDIB(state, board); },
        [this](const DeviceState& after) {
            for (std::size_t i = 0; i < kDibFields.size(); ++i)
                lblDIB[i]->setText(hexCaption(kDibFields[i].value(after)));
        });
}

void SettingsWindow::cmdGetAllTemps_Click()
{
    run([](DeviceState& state, BoardLibrary& board) { SSTStuff::SSTGetTemperatures(state, board); },
        [this](const DeviceState& after) {
            lblTemp[0]->setText(temperatureCaption(after.IntTemp));
            lblTemp[1]->setText(temperatureCaption(after.ExtTemp));
        });
}

void SettingsWindow::cmdGetOffset_Click()
{
    run([](DeviceState& state, BoardLibrary& board) { SSTStuff::SSTGetExtOffset(state, board); },
        [this](const DeviceState& after) {
            lblOffset->setText(
                QString::fromStdString(text::decimalText(std::int64_t{after.ExtOffset})));
        });
}

void SettingsWindow::cmdSetOffset_Click()
{
    // An entry that does not fit the register is refused before CurrentAddress or the board is
    // touched.
    const entry::Checked<std::int32_t> offset = entry::offsetEntry(txtOffset->text().toStdString());
    if (const auto* refusal = std::get_if<entry::Refusal>(&offset)) {
        prompts_.showMessage(this, MessageIcon::Critical, QString::fromStdString(refusal->message));
        return;
    }
    const std::int32_t value = std::get<std::int32_t>(offset);
    run([value](DeviceState& state,
                BoardLibrary& board) { SSTStuff::SSTSetExtOffset(state, board, value); },
        [this, value](const DeviceState&) { emit programEvent(offsetWritten(chip_, value)); });
}

void SettingsWindow::cmdPing_Click()
{
    run([](DeviceState& state, BoardLibrary& board) { SSTStuff::SSTPing(state, board); },
        [this](const DeviceState& after) { txtFCS->setText(hexCaption(after.ResponseStatus)); });
}

} // namespace zr
