// SPDX-License-Identifier: MIT
#include "logging/save_window.h"

#include "board/board_lost_error.h"
#include "logging/regional_time.h"
#include "logging/take_readings.h"
#include "platform/child_window.h"
#include "widgets/frame_style.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zr {
namespace {

// A window with the rails' frame is twice as wide.
constexpr int kWidthTwipsWithoutRails = 3660;
constexpr int kWidthTwipsWithRails = 7005;
constexpr int kHeightTwips = 4155;
constexpr double kFrameCaptionPoints = 8.25;
// Tighter than the style's default: the windows have the small sizes they always had.
constexpr int kMargin = 6;

QGroupBox* addFrame(QWidget* window, const char* name, const QString& caption)
{
    QGroupBox* frame = makeFrame(name, caption, window);
    auto* options = new QVBoxLayout(frame);
    options->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    return frame;
}

// A log column's name without the ',' that ends it in the header.
std::string_view columnName(std::string_view logColumn)
{
    return logColumn.substr(0, logColumn.size() - 1);
}

QString systemText(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

SaveWindow::SaveWindow(Chip chip, SaveWindowServices services, QWidget* parent)
    : QWidget(parent), chip_(chip), services_(std::move(services))
{
    setObjectName(QStringLiteral("frmSave") + chipInfo(chip).letter);
    setWindowTitle("Save Data");
    buildControls();
    setTabOrderAndFocus();
}

// Closing a window that is still logging (the main window going away) keeps what was written.
SaveWindow::~SaveWindow() = default;

void SaveWindow::buildControls()
{
    const logging::LogOptions initial;

    QGroupBox* frame1 = addFrame(this, "Frame1", "Temperature Readings");
    chkInternal =
        addCheckBox(frame1, "chkInternal", "Save Internal Temperature Readings", initial.internal);
    chkExternal =
        addCheckBox(frame1, "chkExternal", "Save External Temperature Readings", initial.external);
    chkExternalOffset = addCheckBox(frame1, "chkExternalOffset", "Save External Temperature Offset",
                                    initial.externalOffset);
    boldTitleOnly(frame1, kFrameCaptionPoints);
    const std::array<QCheckBox*, kChipReadings.size()> readingBoxes{chkInternal, chkExternal,
                                                                    chkExternalOffset};
    for (const ChipReadingDescriptor& reading : kChipReadings)
        connect(
            readingBoxes[static_cast<std::size_t>(reading.reading)], &QCheckBox::toggled, this,
            [this, column = columnName(reading.logColumn)](bool on) { optionToggled(column, on); });

    cmdSave = new QPushButton(kStopWritingToFile, this);
    cmdSave->setObjectName("cmdSave");
    // Wide enough for both captions from the start: while logging, the longer one must not
    // squeeze the frames beside it.
    cmdSave->setMinimumWidth(cmdSave->sizeHint().width());
    cmdSave->setText(kSaveToFile);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    connect(cmdSave, &QPushButton::clicked, this, &SaveWindow::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &SaveWindow::cmdCancel_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);

    lblLogStatus = new QLabel(this);
    lblLogStatus->setObjectName("lblLogStatus");
    lblLogStatus->setWordWrap(true);
    lblLogStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblLogStatus->hide();

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    grid->addWidget(frame1, 0, 0, Qt::AlignTop);
    if (hasRails(chip_)) {
        QGroupBox* frame3 = addFrame(this, "Frame3", "Voltage Readings");
        for (int i = 0; i < kRailCount; ++i) {
            chkRails[i] = addCheckBox(frame3, kRails[i].saveBoxName, kRails[i].saveCaption,
                                      initial.voltages[i]);
            connect(chkRails[i], &QCheckBox::toggled, this,
                    [this, column = columnName(kRails[i].logColumn)](bool on) {
                        optionToggled(column, on);
                    });
        }
        boldTitleOnly(frame3, kFrameCaptionPoints);
        grid->addWidget(frame3, 0, 1, Qt::AlignTop);
        grid->addLayout(buttons, 1, 1);
    } else {
        grid->addLayout(buttons, 1, 0);
    }
    progress_ = new LogProgress(this);
    progress_->setObjectName("logProgress");
    grid->addWidget(progress_, 2, 0, 1, grid->columnCount());
    grid->addWidget(lblLogStatus, 3, 0, 1, grid->columnCount());
    grid->setRowStretch(4, 1);
}

void SaveWindow::setTabOrderAndFocus()
{
    QList<QWidget*> order;
    // The window with rails has always tabbed from its buttons backwards.
    if (!hasRails(chip_)) {
        order = {chkInternal, chkExternal, chkExternalOffset, cmdCancel, cmdSave};
    } else {
        order = {cmdSave, cmdCancel, chkExternalOffset, chkExternal, chkInternal};
        for (QCheckBox* rail : chkRails)
            order.append(rail);
    }
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    order.constFirst()->setFocus();
}

Flag& SaveWindow::loggingFlag()
{
    return services_.state.*chipInfo(chip_).logging;
}

QString SaveWindow::logPath() const
{
    return log_ ? QFile::decodeName(QByteArray::fromStdString(log_->file().path())) : QString();
}

void SaveWindow::Form_Load()
{
    loggingFlag() = True;
    setOuterSizeTwips(this, hasRails(chip_) ? kWidthTwipsWithRails : kWidthTwipsWithoutRails,
                      kHeightTwips);
    // Those sizes were made for a narrow bitmap font; with a wider desktop font the window grows
    // rather than cutting off its options' captions.
    QWidget* frame = childFrame(this);
    frame->resize(frame->size().expandedTo(frame->minimumSizeHint()));
    (hasRails(chip_) ? static_cast<QWidget*>(cmdSave) : chkInternal)->setFocus();
}

logging::LogOptions SaveWindow::options() const
{
    logging::LogOptions o;
    o.internal = chkInternal->isChecked();
    o.external = chkExternal->isChecked();
    o.externalOffset = chkExternalOffset->isChecked();
    for (int i = 0; i < kRailCount; ++i)
        o.voltages[i] = chkRails[i] && chkRails[i]->isChecked();
    return o;
}

void SaveWindow::SaveCurrentData(const logging::TakenReadings& taken)
{
    // The reads ran whether or not a log is open; a failed one keeps its stale bytes out of the
    // file (the log goes on with the next tick).
    if (!log_)
        return;
    logging::requireSuccessfulReads(taken, chip_, "no record was written");
    try {
        log_->writeRecord(options(), taken.values, services_.clock.steadyNow(),
                          services_.clock.now());
        progress_->update(++records_, services_.clock.steadyNow());
    } catch (const logging::LogError& failed) {
        if (failed.fileGone())
            endLogAfterFailure(QString("%1.").arg(systemText(failed.reason())), false);
        else
            endLogAfterFailure(QString("Writing failed: %1.").arg(systemText(failed.reason())));
    }
}

void SaveWindow::boardLost(const QString& reason)
{
    if (log_)
        endLogAfterFailure(reason);
}

void SaveWindow::cmdSave_Click()
{
    if (cmdSave->text() != kSaveToFile) {
        cmdSave->setText(kSaveToFile);
        stopLog();
        return;
    }
    if (refusedOnLostBoard())
        return;
    cmdSave->setText(kStopWritingToFile);
    QString path;
    choosingFile_ = true;
    try {
        path = services_.files.chooseFile(this, startFolder(), kSaveFileFilter,
                                          {kSaveLogTitle, ChooserMode::Save});
    } catch (const std::exception& failed) {
        notStarted(QString("Logging not started: %1").arg(QString::fromUtf8(failed.what())));
    }
    choosingFile_ = false;
    // The board may have gone while the dialog was open.
    if (path.isEmpty() || refusedOnLostBoard()) {
        cmdSave->setText(kSaveToFile);
        return;
    }
    startLog(path);
}

// A log on a lost board would get its header and never a record.
bool SaveWindow::refusedOnLostBoard()
{
    const std::optional<BoardLostError> lost = services_.worker.lostFault();
    if (!lost)
        return false;
    notStarted(QString("Logging not started. %1").arg(QString::fromUtf8(lost->what())));
    return true;
}

// Where the program lies when the user may write there (as the program has always done), else
// where the last log went, else home: never a folder where every start would fail.
QString SaveWindow::startFolder() const
{
    const QFileInfo program(services_.programFolder);
    if (program.isDir() && program.isWritable())
        return services_.programFolder;
    if (services_.lastFolder && !services_.lastFolder->isEmpty() &&
        QFileInfo(*services_.lastFolder).isDir())
        return *services_.lastFolder;
    return QDir::homePath();
}

void SaveWindow::notStarted(const QString& text)
{
    lblLogStatus->setText(text);
    lblLogStatus->show();
    status(text);
}

void SaveWindow::status(const QString& text)
{
    if (services_.showStatus)
        services_.showStatus(text);
}

void SaveWindow::startLog(const QString& path)
{
    logging::LogSource source =
        services_.boardSource ? services_.boardSource() : logging::LogSource{};
    source.address = chipAddress(services_.state, chip_);
    // Told once, and the log goes on: the events file is the log's companion, not its condition.
    const auto eventsFailed = [this](const std::string& events, const std::string& reason) {
        status(QString("The events file %1 is not written: %2. The log goes on without it.")
                   .arg(systemText(events), systemText(reason)));
    };
    try {
        log_ = std::make_unique<logging::LogSession>(
            QFile::encodeName(path).toStdString(), chip_, options(), services_.clock.now(),
            std::chrono::milliseconds(kTickIntervalMs), source, eventsFailed);
        lblLogStatus->clear();
        lblLogStatus->hide();
        records_ = 0;
        progress_->started(path, services_.clock.steadyNow());
    } catch (const logging::LogError& failed) {
        cmdSave->setText(kSaveToFile);
        notStarted(QString("Logging not started: %1: %2").arg(path, systemText(failed.reason())));
        return;
    }
    if (services_.lastFolder)
        *services_.lastFolder = QFileInfo(path).absolutePath();
    announce(chipEvent(chip_, EventKind::LogStarted));
}

void SaveWindow::stopLog()
{
    if (!log_)
        return;
    announce(chipEvent(chip_, EventKind::LogStopped));
    const QString path = logPath();
    const std::unique_ptr<logging::LogSession> log = std::move(log_);
    progress_->stopped(records_, services_.clock.steadyNow());
    try {
        log->close(services_.clock.now());
    } catch (const logging::LogError& failed) {
        const QString text = QString("Closing %1 failed: %2. The last records may be lost.")
                                 .arg(path, systemText(failed.reason()));
        lblLogStatus->setText(text);
        lblLogStatus->show();
        status(text);
    }
}

void SaveWindow::endLogAfterFailure(QString why, bool fileKept)
{
    if (!why.endsWith(QLatin1Char('.')))
        why += QLatin1Char('.');
    QString text = QString("Logging to %1 stopped. %2").arg(logPath(), why);
    if (fileKept)
        text += QStringLiteral(" The file keeps every record written before.");
    announce(chipEvent(chip_, EventKind::LogStopped));
    log_->abandon(services_.clock.now());
    log_.reset();
    progress_->stopped(records_, services_.clock.steadyNow());
    cmdSave->setText(kSaveToFile);
    // Told once, without a box: the tick that met the failure must not wait for the user.
    lblLogStatus->setText(text);
    lblLogStatus->show();
    status(text);
}

void SaveWindow::noteEvent(const ProgramEvent& event)
{
    if (log_ && event.concerns(chip_))
        log_->note(event);
}

void SaveWindow::announce(const ProgramEvent& event)
{
    if (services_.announce)
        services_.announce(event);
    else
        noteEvent(event);
}

void SaveWindow::optionToggled(std::string_view column, bool ticked)
{
    if (log_)
        announce(optionChanged(chip_, column, ticked));
}

void SaveWindow::cmdCancel_Click()
{
    closeChildWindow(this);
}

bool SaveWindow::isWriting() const
{
    return cmdSave->text() == kStopWritingToFile;
}

bool SaveWindow::askBeforeClose()
{
    // The file dialog of a start is still open over this window: it has to return first.
    if (choosingFile_)
        return false;
    if (!isWriting() || services_.prompts.askYesNo(this, kCloseWhileLoggingQuestion))
        return true;
    saveOnceNow();
    return false;
}

void SaveWindow::closeWithoutAsking()
{
    closeAgreed_ = true;
    closeChildWindow(this);
    closeAgreed_ = false;
}

bool SaveWindow::Form_QueryUnload()
{
    if (!closeAgreed_ && !askBeforeClose())
        return false;
    loggingFlag() = False;
    stopLog();
    return true;
}

void SaveWindow::saveOnceNow()
{
    // Queued behind the ticks already asked for, so the record lands in tick order. Outside a
    // tick nobody else catches what the reads throw.
    auto taken = std::make_shared<logging::TakenReadings>();
    services_.worker.run(
        this,
        [taken, chip = chip_](DeviceState& state, BoardLibrary& board) {
            *taken = logging::takeReadings(state, board, chip);
        },
        [this, taken](const RoutineResult& result) {
            try {
                if (result.failure)
                    std::rethrow_exception(result.failure);
                SaveCurrentData(*taken);
            } catch (const BoardLostError& lost) {
                boardLost(QString::fromUtf8(lost.what()));
            } catch (const std::exception& failed) {
                status(QString::fromUtf8(failed.what()));
            }
        });
}

void SaveWindow::closeEvent(QCloseEvent* event)
{
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace zr
