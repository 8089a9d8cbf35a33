// SPDX-License-Identifier: MIT
#pragma once

// frmSettingsA / frmSettingsB: the manual console of one chip. Every button points the shared
// state at this window's chip, runs one SST routine and shows what it left in the shared state.

#include "board/board_library.h"
#include "board/chips.h"
#include "platform/child_window.h"
#include "platform/prompts.h"

#include <QWidget>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zr {

class SstIoPanel;

class SettingsWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    SettingsWindow(Chip chip, DeviceState& state, BoardLibrary& board, Prompts& prompts,
                   QWidget* parent = nullptr);

    static constexpr int kWidthTwips = 9945;
    static constexpr int kHeightTwips = 7830;

public slots:
    void Form_Load() override;
    void cmdGetDIB_Click();
    void cmdGetAllTemps_Click();
    void cmdGetOffset_Click();
    void cmdSetOffset_Click();
    void cmdPing_Click();

private:
    QGroupBox* buildDibFrame();
    QGroupBox* buildOffsetFrame();
    QGroupBox* buildPingFrame();
    QGroupBox* buildTemperatureFrame();
    template <typename Work> void run(Work&& work);

    Chip chip_;
    DeviceState& state_;
    BoardLibrary& board_;
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
