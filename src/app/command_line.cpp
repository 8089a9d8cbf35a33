// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include "board/usb/board_ports.h"
#include "board/usb/usb_board.h"

#include <charconv>
#include <set>
#include <stdexcept>

namespace zr {
namespace {

std::optional<int> usbTimeoutMs(const std::string& text)
{
    int ms = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), ms);
    if (ec != std::errc() || end != text.data() + text.size() || ms < kMinUsbTimeoutMs ||
        ms > kMaxUsbTimeoutMs)
        return std::nullopt;
    return ms;
}

// The Qt option `arg` names ("-style", "--style", "-style=Fusion": Qt reads one dash or two alike).
const QtOption* qtOption(const std::string& arg)
{
    const std::size_t dashes = arg.rfind("--", 0) == 0 ? 2 : arg.rfind('-', 0) == 0 ? 1 : 0;
    if (dashes == 0)
        return nullptr;
    const std::string name = arg.substr(dashes, arg.find('=') - dashes);
    for (const QtOption& o : kQtOptions)
        if (name == o.name && (o.valueName || arg.find('=') == std::string::npos))
            return &o;
    return nullptr;
}

} // namespace

const std::vector<QtOption> kQtOptions{
    {"style", "NAME", "the widget style, e.g. Fusion"},
    {"stylesheet", "FILE", "a Qt style sheet for every window"},
    {"platform", "NAME", "the window system plugin, e.g. xcb, wayland, offscreen"},
    {"platformtheme", "NAME", "the desktop theme plugin, e.g. gtk3, qt6ct"},
    {"platformpluginpath", "DIR", "where to look for window system plugins"},
    {"plugin", "NAME", "an extra input plugin to load"},
    {"qwindowgeometry", "WxH+X+Y", "the main window's size and place"},
    {"qwindowtitle", "TITLE", "the main window's title"},
    {"qwindowicon", "FILE", "the main window's icon"},
    {"reverse", nullptr, "lay the windows out right to left"},
    {"session", "ID", "restore the desktop session ID"},
    {"display", "HOST:N", "the X display to use"},
    {"geometry", "WxH+X+Y", "as -qwindowgeometry, on X11"},
    {"widgetcount", nullptr, "print how many widgets were left at the end"},
};

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args)
{
    ProgramOptions o;
    auto fail = [](const std::string& message) { return ParsedCommandLine{std::nullopt, message}; };
    // Every option once: "--board usb --board sim" holds a mistake that taking the last would hide.
    std::set<std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const std::string option = a.substr(0, a.find('='));
        if (option.rfind("-", 0) == 0 && !given.insert(option == "-h" ? "--help" : option).second)
            return fail(option + " is given twice");
        auto value = [&](const std::string& name) -> std::optional<std::string> {
            const std::string prefix = name + "=";
            if (a.rfind(prefix, 0) == 0)
                return a.substr(prefix.size());
            if (a == name && i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        if (const QtOption* qt = qtOption(a)) {
            if (qt->valueName && a.find('=') == std::string::npos && ++i >= args.size())
                return fail(a + " needs a value: " + qt->valueName);
            o.qtOptions.emplace_back(qt->name);
        } else if (a == "--help" || a == "-h") {
            o.showHelp = true;
        } else if (a == "--version") {
            o.showVersion = true;
        } else if (a == "--non-interactive") {
            o.nonInteractive = true;
        } else if (a == "--startup-probe") {
            o.startupProbe = true;
        } else if (a == "--board" || a.rfind("--board=", 0) == 0) {
            auto v = value("--board");
            if (!v)
                return fail("--board needs a value: sim or usb");
            if (*v != "sim" && *v != "usb")
                return fail("--board: unknown board '" + *v + "' (use sim or usb)");
            o.board = *v;
        } else if (a == "--scenario" || a.rfind("--scenario=", 0) == 0) {
            auto v = value("--scenario");
            if (!v || v->empty())
                return fail("--scenario needs a file name");
            o.scenarioFile = *v;
        } else if (a == "--alarms" || a.rfind("--alarms=", 0) == 0) {
            auto v = value("--alarms");
            if (!v || v->empty())
                return fail("--alarms needs a file name");
            o.alarmsFile = *v;
        } else if (a == "--view" || a.rfind("--view=", 0) == 0) {
            auto v = value("--view");
            if (!v || v->empty())
                return fail("--view needs a log file name, e.g. night.sav");
            o.viewFile = *v;
        } else if (a == "--usb-ids" || a.rfind("--usb-ids=", 0) == 0) {
            auto v = value("--usb-ids");
            if (!v)
                return fail("--usb-ids needs a value: UNPROGRAMMED,PROGRAMMED, e.g. "
                            "04b4:8613,04b4:1004");
            try {
                o.usbIds = usb::parseUsbIds(*v);
            } catch (const std::invalid_argument& refused) {
                return fail(std::string("--usb-ids: ") + refused.what());
            }
        } else if (a == "--usb-timeout" || a.rfind("--usb-timeout=", 0) == 0) {
            auto v = value("--usb-timeout");
            const std::optional<int> ms = v ? usbTimeoutMs(*v) : std::nullopt;
            if (!ms)
                return fail("--usb-timeout needs a whole number of milliseconds from " +
                            std::to_string(kMinUsbTimeoutMs) + " to " +
                            std::to_string(kMaxUsbTimeoutMs) + (v ? ", not '" + *v + "'" : ""));
            o.usbTimeoutMs = ms;
        } else if (a == "--device" || a.rfind("--device=", 0) == 0) {
            auto v = value("--device");
            if (!v)
                return fail("--device needs a USB port path, e.g. 1-4.2 (see zr410ab-cli boards)");
            if (!usb::isPortPath(*v))
                return fail("--device: '" + *v +
                            "' is not a USB port path: the bus, '-', then the ports joined by "
                            "'.', e.g. 1-4.2");
            o.devicePort = *v;
        } else {
            return fail("unknown argument '" + a + "' (see --help)");
        }
    }
    if (!o.scenarioFile.empty() && o.board != "sim")
        return fail("--scenario works only with --board sim");
    if (o.usbIds && o.board != "usb")
        return fail("--usb-ids works only with --board usb");
    if (o.usbTimeoutMs && o.board != "usb")
        return fail("--usb-timeout works only with --board usb");
    if (!o.devicePort.empty() && o.board != "usb")
        return fail("--device works only with --board usb");
    return {o, {}};
}

// The Qt options in the same two columns, wrapped at 80.
static std::string qtOptionsHelp()
{
    std::string text = "\nQt's standard options, as in any Qt program:\n";
    for (const QtOption& o : kQtOptions) {
        std::string left = std::string("  -") + o.name + (o.valueName ? " " : "") +
                           (o.valueName ? o.valueName : "");
        left += left.size() < 23 ? std::string(23 - left.size(), ' ') : "\n" + std::string(23, ' ');
        text += left + o.help + "\n";
    }
    return text;
}

std::string helpText(const std::string& programName)
{
    return "Usage: " + programName +
           " [options]\n"
           "Evaluation program for the ZR410A and ZR410B temperature-sensor chips.\n\n"
           "Options:\n"
           "  --board sim|usb      the evaluation board over USB (default) or the simulated\n"
           "                       board\n"
           "  --scenario FILE      fix the simulated board's chips and readings (JSON)\n"
           "  --alarms FILE        the alarm rules file; default\n"
           "                       ~/.config/zr410ab/alarms.json\n"
           "  --usb-ids U,P        USB ids (VID:PID, hexadecimal) of the board waiting for\n"
           "                       firmware and of the board running it; default\n"
           "                       " +
           usb::usbIdText(usb::UsbIds{}.unprogrammed) + "," +
           usb::usbIdText(usb::UsbIds{}.programmed) +
           "\n"
           "  --usb-timeout MS     how long one USB transfer may take before the board\n"
           "                       counts as not responding (" +
           std::to_string(kMinUsbTimeoutMs) + " to " + std::to_string(kMaxUsbTimeoutMs) +
           ", default " + std::to_string(usb::kDefaultTransferTimeout.count()) +
           ")\n"
           "  --device PORTPATH    the USB port path of the board to use (e.g. 1-4.2),\n"
           "                       needed when several boards are attached\n"
           "  --view FILE.sav      open a saved log in the viewer without bringing up a\n"
           "                       board (no board needs to be attached)\n"
           "  --non-interactive    write messages to standard error and answer every\n"
           "                       question with its default button\n"
           "  --startup-probe      print start-up timings, then quit once the window is\n"
           "                       painted (with --view: the log's chart)\n"
           "  --version            print the version and exit\n"
           "  -h, --help           print this help and exit\n" +
           qtOptionsHelp();
}

} // namespace zr
