// SPDX-License-Identifier: MIT
#include "settings/sst_io_panel.h"

#include "console/sst_io.h"
#include "widgets/frame_style.h"

#include <QAbstractScrollArea>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace zr {

namespace {

QLineEdit* makeLengthField(const QString& objectName, QLabel* caption, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setAccessibleName(caption->text());
    caption->setBuddy(field);
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    return field;
}

} // namespace

SstIoPanel::SstIoPanel(Chip chip, BoardWorker& worker, Prompts& prompts, QWidget* parent)
    : QGroupBox(QStringLiteral("General SST IO"), parent), chip_(chip), worker_(worker),
      prompts_(prompts)
{
    setObjectName("Frame5");

    // Created in reading order, left to right, which is also the keyboard order.
    Label5 = makeCaption("Label5", "Write Length", this);
    txtWriteLength = makeLengthField("txtWriteLength", Label5, this);
    Label6 = makeCaption("Label6", "Read Length", this);
    txtReadLength = makeLengthField("txtReadLength", Label6, this);
    cmdReqSST = new QPushButton("Send", this);
    cmdReqSST->setObjectName("cmdReqSST");

    Label8 = makeCaption("Label8", "Data To Send", this);
    txtToSend = new QPlainTextEdit(this);
    txtToSend->setObjectName("txtToSend");
    txtToSend->setAccessibleName(Label8->text());
    txtToSend->setTabChangesFocus(true);
    Label8->setBuddy(txtToSend);

    Label7 = makeCaption("Label7", "Data Recieved", this);
    lblReceived = makeValueLabel("lblReceived", Label7->text(), this);
    lblReceived->setWordWrap(true);
    lblReceived->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblReceived->setFrameStyle(QFrame::NoFrame);
    lblReceived->setMinimumWidth(0);
    // The box keeps the size of the "Data To Send" box and scrolls, so no received byte is ever
    // cut off from view however many sends accumulate.
    receivedBox_ = new QScrollArea(this);
    receivedBox_->setObjectName("receivedBox");
    receivedBox_->setAccessibleName(Label7->text());
    receivedBox_->setFocusPolicy(Qt::NoFocus);
    receivedBox_->setWidgetResizable(true);
    receivedBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    receivedBox_->setWidget(lblReceived);
    // Both boxes scroll: three lines of each are enough, which lets the whole window fit a small
    // client area (scale 2 on a 1080p screen) without cutting anything else.
    for (QAbstractScrollArea* box : {static_cast<QAbstractScrollArea*>(txtToSend),
                                     static_cast<QAbstractScrollArea*>(receivedBox_)})
        box->setMinimumHeight(3 * fontMetrics().lineSpacing() + 2 * box->frameWidth());
    Label7->setBuddy(lblReceived);

    optHex = new QRadioButton("Hex", this);
    optHex->setObjectName("optHex");
    optHex->setChecked(true);
    optDec = new QRadioButton("Decimal", this);
    optDec->setObjectName("optDec");
    cmdClear = new QPushButton("Clear", this);
    cmdClear->setObjectName("cmdClear");

    lblNotSent = new QLabel(this);
    lblNotSent->setObjectName("lblNotSent");
    lblNotSent->setAccessibleDescription("Which typed bytes are not sent");
    lblNotSent->setWordWrap(true);

    auto* lengths = new QGridLayout;
    lengths->addWidget(Label5, 0, 0);
    lengths->addWidget(txtWriteLength, 0, 1);
    lengths->addWidget(Label6, 1, 0);
    lengths->addWidget(txtReadLength, 1, 1);
    lengths->addWidget(cmdReqSST, 2, 0, 1, 2);
    lengths->setRowStretch(3, 1);

    auto* choice = new QVBoxLayout;
    choice->addWidget(optHex);
    choice->addWidget(optDec);
    choice->addWidget(cmdClear);
    choice->addStretch(1);

    auto* grid = new QGridLayout(this);
    grid->addLayout(lengths, 0, 0, 3, 1);
    grid->addWidget(Label8, 0, 1);
    grid->addWidget(txtToSend, 1, 1);
    grid->addWidget(Label7, 0, 2);
    grid->addWidget(receivedBox_, 1, 2);
    grid->addWidget(lblNotSent, 2, 1, 1, 2);
    grid->addLayout(choice, 0, 3, 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    boldTitleOnly(this);

    connect(cmdReqSST, &QPushButton::clicked, this, &SstIoPanel::cmdReqSST_Click);
    connect(cmdClear, &QPushButton::clicked, this, &SstIoPanel::cmdClear_Click);
    connect(txtToSend, &QPlainTextEdit::textChanged, this, &SstIoPanel::updateUnsentNote);
}

void SstIoPanel::cmdReqSST_Click()
{
    // Everything is checked before CurrentAddress is touched, so a refused entry leaves the
    // shared state, the board and the received box exactly as they were.
    const entry::Checked<sstio::Request> checked =
        sstio::request(txtToSend->toPlainText().toStdString(), txtWriteLength->text().toStdString(),
                       txtReadLength->text().toStdString());
    if (const auto* refusal = std::get_if<entry::Refusal>(&checked)) {
        prompts_.showMessage(this, MessageIcon::Critical, QString::fromStdString(refusal->message));
        return;
    }
    const sstio::Request& request = std::get<sstio::Request>(checked);
    worker_.run(
        this,
        [chip = chip_, request](DeviceState& state, BoardLibrary& board) {
            sstio::send(state, board, chip, request);
        },
        [this, request,
         form = optHex->isChecked() ? sstio::ByteForm::Hex
                                    : sstio::ByteForm::Decimal](const RoutineResult& result) {
            runReportingFailure(prompts_, this, [&] {
                if (result.failure)
                    std::rethrow_exception(result.failure);
                if (const auto written = sstio::writtenBytes(request); written.size() > 1)
                    emit programEvent(rawWrite(chip_, written));
                appendReply(result.after, request.readLength, form);
            });
        });
}

void SstIoPanel::appendReply(const DeviceState& after, std::uint8_t readLength,
                             sstio::ByteForm form)
{
    QString received = lblReceived->text();
    for (std::uint8_t byte : sstio::shownReply(after, readLength)) {
        received += QString::fromStdString(sstio::receivedByteText(byte, form));
    }
    lblReceived->setText(received);
    QTimer::singleShot(0, receivedBox_, [box = receivedBox_] {
        box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
    });
}

void SstIoPanel::cmdClear_Click()
{
    txtToSend->setPlainText(QString());
    lblReceived->setText(QString());
}

void SstIoPanel::updateUnsentNote()
{
    const std::string text = txtToSend->toPlainText().toStdString();
    const int unsent = sstio::unsentByteCount(sstio::splitTokens(text).size());
    if (unsent == 0) {
        lblNotSent->clear();
        return;
    }
    const int first = sstio::kDataBytesInFrame + 1;
    const int last = sstio::kDataBytesInFrame + unsent;
    QString which;
    if (unsent == 1)
        which = QString("byte %1 is").arg(first);
    else if (unsent == 2)
        which = QString("bytes %1 and %2 are").arg(first).arg(last);
    else
        which = QString("bytes %1 to %2 are").arg(first).arg(last);
    lblNotSent->setText(QString("Only the first %1 bytes are sent; %2 not sent.")
                            .arg(sstio::kDataBytesInFrame)
                            .arg(which));
}

} // namespace zr
