// SPDX-License-Identifier: MIT
#pragma once

// Frame5, "General SST IO": one SST transaction of the user's own making on the window's chip.
// The bytes to write are typed as hexadecimal tokens, the lengths as decimal numbers; the reply's
// first read length + 2 bytes are appended to the received box in hex or decimal.

#include "board/chips.h"
#include "console/sst_io.h"
#include "logging/program_event.h"
#include "platform/prompts.h"
#include "worker/board_worker.h"

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace zr {

class SstIoPanel : public QGroupBox {
    Q_OBJECT
public:
    SstIoPanel(Chip chip, BoardWorker& worker, Prompts& prompts, QWidget* parent = nullptr);

public slots:
    void cmdReqSST_Click();
    void cmdClear_Click();

signals:
    // A transaction that carried data to the chip (write length over 1) has been sent.
    void programEvent(const zr::ProgramEvent& event);

private:
    // The form (hex or decimal) is the one chosen when the request was sent.
    void appendReply(const DeviceState& after, std::uint8_t readLength, sstio::ByteForm form);
    void updateUnsentNote();

    Chip chip_;
    BoardWorker& worker_;
    Prompts& prompts_;

    QLabel* Label5 = nullptr;
    QLineEdit* txtWriteLength = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtReadLength = nullptr;
    QPushButton* cmdReqSST = nullptr;
    QLabel* Label8 = nullptr;
    QPlainTextEdit* txtToSend = nullptr;
    QLabel* lblNotSent = nullptr;
    QLabel* Label7 = nullptr;
    QScrollArea* receivedBox_ = nullptr;
    QLabel* lblReceived = nullptr;
    QRadioButton* optHex = nullptr;
    QRadioButton* optDec = nullptr;
    QPushButton* cmdClear = nullptr;
};

} // namespace zr
