// SPDX-License-Identifier: MIT
#pragma once

// frmSettingsA / frmSettingsB: the manual console of one chip. Every button points the shared
// state at this window's chip, runs one SST routine on the board worker and shows what it left
// in the shared state once the routine is done.

#include "board/chips.h"
#include "logging/program_event.h"
#include "platform/child_window.h"
#include "platform/prompts.h"
#include "worker/board_worker.h"

#include <QWidget>
#include <array>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zr {

class SstIoPanel;

class SettingsWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    SettingsWindow(Chip chip, BoardWorker& worker, Prompts& prompts, QWidget* parent = nullptr);

    static constexpr int kWidthTwips = 9945;
    static constexpr int kHeightTwips = 7830;

public slots:
    void Form_Load() override;
    void cmdGetDIB_Click();
    void cmdGetAllTemps_Click();
    void cmdGetOffset_Click();
    void cmdSetOffset_Click();
    void cmdPing_Click();

signals:
    // The window wrote to the chip: the external offset, or a raw transaction that carries data.
    void programEvent(const zr::ProgramEvent& event);

private:
    QGroupBox* buildDibFrame();
    QGroupBox* buildOffsetFrame();
    QGroupBox* buildPingFrame();
    QGroupBox* buildTemperatureFrame();
    // Runs `work` on the board worker, pointed at this window's chip; then `show` here with the
    // state it left, or the failure in a box.
    void run(BoardWorker::Routine work, std::function<void(const DeviceState&)> show = {});

    Chip chip_;
    BoardWorker& worker_;
    Prompts& prompts_;

    QPushButton* cmdGetDIB = nullptr;
    std::array<QLabel*, 8> Label2{};
    std::array<QLabel*, 8> lblDIB{};
    QPushButton* cmdGetAllTemps = nullptr;
    std::array<QLabel*, 2> Label3{};
    std::array<QLabel*, 2> lblTemp{};
    QPushButton* cmdGetOffset = nullptr;
    QLabel* lblOffset = nullptr;
    QPushButton* cmdSetOffset = nullptr;
    QLineEdit* txtOffset = nullptr;
    QPushButton* cmdPing = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtFCS = nullptr;
    SstIoPanel* Frame5 = nullptr;
};

} // namespace zr
