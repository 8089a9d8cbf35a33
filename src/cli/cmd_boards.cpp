// SPDX-License-Identifier: MIT
#include "board/usb/board_ports.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/exit_status.h"
#include "cli/output.h"

#include <QJsonArray>
#include <ostream>

namespace zr::cli {
namespace {

constexpr std::size_t kPortWidth = 10;
constexpr std::size_t kIdWidth = 11;
constexpr std::size_t kStateWidth = 22;

const char* stateText(const usb::BoardListing& board)
{
    return board.programmed ? "running firmware" : "waiting for firmware";
}

} // namespace

int runBoards(CommandContext& ctx)
{
    const ProgramOptions options = programOptions(ctx.invocation);
    if (options.board != "usb")
        throw usageError("'boards' lists the boards on USB; the simulated board has no port");
    const usb::UsbIds ids = options.usbIds.value_or(usb::UsbIds{});
    std::vector<usb::BoardListing> boards;
    try {
        boards = usb::listEvaluationBoards(ids);
    } catch (const std::exception& e) {
        throw CliError(kExitBoardMissing, e.what());
    }
    if (ctx.invocation.json) {
        QJsonArray list;
        for (const usb::BoardListing& board : boards) {
            QJsonObject entry{{"port", QString::fromStdString(board.portPath)},
                              {"usbId", QString::fromStdString(usb::usbIdText(board.id))},
                              {"state", board.programmed ? "running" : "waiting"}};
            if (!board.serial.empty())
                entry["serial"] = QString::fromStdString(board.serial);
            list.append(entry);
        }
        printJson(ctx.out, QJsonObject{{"boards", list}});
    } else if (!boards.empty()) {
        ctx.out << padRight("Port", kPortWidth) << padRight("USB id", kIdWidth)
                << padRight("State", kStateWidth) << "Serial\n";
        for (const usb::BoardListing& board : boards)
            ctx.out << trimRight(padRight(board.portPath, kPortWidth) +
                                 padRight(usb::usbIdText(board.id), kIdWidth) +
                                 padRight(stateText(board), kStateWidth) + board.serial)
                    << "\n";
    }
    if (boards.empty())
        throw CliError(kExitBoardMissing,
                       "No evaluation board is attached: there is no USB device " +
                           usb::usbIdText(ids.unprogrammed) + " (waiting for firmware) or " +
                           usb::usbIdText(ids.programmed) + " (running it).");
    return kExitOk;
}

} // namespace zr::cli
