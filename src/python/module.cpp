// SPDX-License-Identifier: MIT
// The extension module behind the zr410ab package: the board handle with the interpreter lock
// released around every board call, and the program's errors turned into the package's
// exception classes (each carries the board's reason as `reason`).

#include "board/board_lost_error.h"
#include "board/chips.h"
#include "board/failed_read.h"
#include "board/rails.h"
#include "board/usb/usb_ids.h"
#include "logging/log_file.h"
#include "python/board_handle.h"
#include "python/sav_binding.h"
#include "version.h"

#include <cstring>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

namespace py = pybind11;
using zr::Chip;
using zr::python::BoardHandle;

namespace {

struct ErrorTypes {
    py::object base, boardNotFound, boardLost, chipNotFound, failedRead, logWrite;
};

ErrorTypes& errorTypes()
{
    static ErrorTypes types;
    return types;
}

// `bases`: one class, or a tuple of them.
py::object newErrorType(py::module_& m, const char* name, py::handle bases, const char* doc)
{
    const std::string qualified = std::string("zr410ab.") + name;
    py::object type = py::reinterpret_steal<py::object>(
        PyErr_NewExceptionWithDoc(qualified.c_str(), doc, bases.ptr(), nullptr));
    m.attr(name) = type;
    return type;
}

void raise(const py::object& type, const std::string& message)
{
    py::object error = type(message);
    error.attr("reason") = message;
    PyErr_SetObject(type.ptr(), error.ptr());
}

// The package passes a chip's letter ("A"), as the tool takes it.
Chip chipOf(const std::string& letter)
{
    for (const zr::ChipDescriptor& c : zr::kChips)
        if (letter == c.letter)
            return c.chip;
    throw py::value_error("unknown chip '" + letter + "'");
}

// Every call into the board handle goes through here. The handle's mutex is only ever taken
// without the interpreter lock: a thread that held the interpreter while it waited for the board
// would deadlock with a log, which takes the interpreter for its Ctrl-C check. Board I/O without
// the interpreter lock also keeps other Python threads live.
template <typename F> auto released(F&& call)
{
    py::gil_scoped_release release;
    return call();
}

py::dict dibDict(const zr::python::IdentifierBlock& d)
{
    py::dict o;
    o["device_capability"] = d.deviceCapability;
    o["version_revision"] = d.versionRevision;
    o["vendor_id"] = d.vendorId;
    o["device_id"] = d.deviceId;
    o["device_interface"] = d.deviceInterface;
    o["function_interface"] = d.functionInterface;
    o["client_address"] = d.clientAddress;
    o["silicon_revision"] = d.siliconRevision;
    return o;
}

} // namespace

PYBIND11_MODULE(_core, m)
{
    m.doc() = "The ZR410A/B board link, SST routines and log writer (see the zr410ab package).";

    // The chip and rail tables, so that the package repeats neither.
    py::list chips, rails;
    for (const zr::ChipDescriptor& c : zr::kChips)
        chips.append(py::make_tuple(c.letter, c.name, c.hasRails));
    for (const zr::RailDescriptor& r : zr::kRails)
        rails.append(
            py::make_tuple(r.name, std::string(r.logColumn, std::strlen(r.logColumn) - 1)));
    m.attr("CHIPS") = py::tuple(chips);
    m.attr("VERSION") = zr::version::text;
    m.attr("RAILS") = py::tuple(rails);

    ErrorTypes& e = errorTypes();
    e.base = newErrorType(m, "Zr410abError", PyExc_Exception,
                          "Base of every error the board, a chip or a log reports.");
    e.boardNotFound = newErrorType(m, "BoardNotFoundError", e.base,
                                   "The evaluation board could not be brought up.");
    e.boardLost = newErrorType(m, "BoardLostError", e.base,
                               "The board was lost (cable pulled, reset); reopen it.");
    e.chipNotFound =
        newErrorType(m, "ChipNotFoundError", e.base,
                     "No chip of that kind answered the scan, or the board is closed.");
    e.failedRead = newErrorType(m, "FailedReadError", e.base,
                                "The board reported a failed read; no value was returned.");

    // An OSError too, so that code catching file errors catches it; errno stays unset, because
    // the writer reports its reasons in words.
    e.logWrite = newErrorType(m, "LogWriteError", py::make_tuple(e.base, py::handle(PyExc_OSError)),
                              "The log file could not be created or written; every record "
                              "written before stays in it.");

    py::register_exception_translator([](std::exception_ptr p) {
        const ErrorTypes& t = errorTypes();
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const zr::python::BoardNotFoundError& x) {
            raise(t.boardNotFound, x.what());
        } catch (const zr::BoardLostError& x) {
            raise(t.boardLost, x.what());
        } catch (const zr::python::ChipNotFoundError& x) {
            raise(t.chipNotFound, x.what());
        } catch (const zr::FailedReadError& x) {
            raise(t.failedRead, x.what());
        } catch (const zr::logging::LogError& x) {
            const py::object path =
                py::reinterpret_steal<py::object>(PyUnicode_DecodeFSDefaultAndSize(
                    x.path().data(), static_cast<Py_ssize_t>(x.path().size())));
            py::object error =
                t.logWrite(py::str("cannot write the log {}: {}").format(path, x.reason()));
            error.attr("reason") = x.reason();
            error.attr("filename") = path;
            PyErr_SetObject(t.logWrite.ptr(), error.ptr());
        } catch (const std::out_of_range& x) {
            PyErr_SetString(PyExc_ValueError, x.what());
        } catch (const std::invalid_argument& x) {
            PyErr_SetString(PyExc_ValueError, x.what());
        }
    });

    zr::python::defineSavReader(m);

    m.def(
        "list_boards",
        [](const std::string& usbIds) {
            const auto boards = released([&] { return zr::python::listBoards(usbIds); });
            py::list listed;
            for (const zr::usb::BoardListing& board : boards) {
                py::dict entry;
                entry["port"] = board.portPath;
                entry["usbId"] = zr::usb::usbIdText(board.id);
                entry["state"] = board.programmed ? "running" : "waiting";
                if (!board.serial.empty())
                    entry["serial"] = board.serial;
                listed.append(entry);
            }
            return listed;
        },
        py::arg("usb_ids"));

    py::class_<BoardHandle>(m, "BoardHandle")
        .def(py::init([](std::string kind, std::string scenario, std::string usbIds,
                         std::string devicePort, std::string firmwareFolder) {
                 zr::python::OpenOptions o{std::move(kind), std::move(scenario), std::move(usbIds),
                                           std::move(devicePort), std::move(firmwareFolder)};
                 return released([&] { return std::make_unique<BoardHandle>(o); });
             }),
             py::arg("kind"), py::arg("scenario"), py::arg("usb_ids"), py::arg("device"),
             py::arg("firmware_folder"))
        .def("scan",
             [](BoardHandle& b) {
                 const auto addresses = released([&] {
                     b.scan();
                     std::vector<std::pair<const char*, int>> found;
                     for (const zr::ChipDescriptor& c : zr::kChips)
                         if (const auto address = b.address(c.chip))
                             found.emplace_back(c.name, *address);
                     return found;
                 });
                 py::dict found;
                 for (const auto& [name, address] : addresses)
                     found[name] = address;
                 return found;
             })
        .def("address",
             [](BoardHandle& b, const std::string& chip) {
                 const Chip c = chipOf(chip);
                 return released([&] { return b.address(c); });
             })
        .def("dib",
             [](BoardHandle& b, const std::string& chip) {
                 return dibDict(released([&] { return b.dib(chipOf(chip)); }));
             })
        .def("temperatures",
             [](BoardHandle& b, const std::string& chip) {
                 return released([&] { return b.temperatures(chipOf(chip)); });
             })
        .def("voltages",
             [](BoardHandle& b, const std::string& chip) {
                 return released([&] { return b.voltages(chipOf(chip)); });
             })
        .def("external_offset",
             [](BoardHandle& b, const std::string& chip) {
                 return released([&] { return b.externalOffset(chipOf(chip)); });
             })
        .def("set_external_offset",
             [](BoardHandle& b, const std::string& chip, int offset) {
                 released([&] { b.setExternalOffset(chipOf(chip), offset); });
             })
        .def("ping",
             [](BoardHandle& b, const std::string& chip) {
                 return released([&] { return b.ping(chipOf(chip)); });
             })
        .def("transaction",
             [](BoardHandle& b, const std::string& chip, const py::bytes& write, int readLength,
                int writeLength) {
                 const std::string text = write;
                 const std::vector<std::uint8_t> data(text.begin(), text.end());
                 const auto reply = released(
                     [&] { return b.transaction(chipOf(chip), data, readLength, writeLength); });
                 return py::bytes(reinterpret_cast<const char*>(reply.data()), reply.size());
             })
        .def("log",
             [](BoardHandle& b, const std::string& path, const std::string& chip,
                const std::vector<std::string>& columns, double interval,
                std::optional<std::int64_t> count, std::optional<double> duration) {
                 const Chip c = chipOf(chip);
                 zr::python::LogSchedule schedule;
                 schedule.interval =
                     std::chrono::milliseconds(static_cast<long long>(interval * 1000));
                 schedule.count = count;
                 if (duration)
                     schedule.duration =
                         std::chrono::milliseconds(static_cast<long long>(*duration * 1000));
                 const zr::logging::LogOptions options = zr::python::logColumns(c, columns);
                 const auto summary = released([&] {
                     return b.log(path, c, options, schedule, [] {
                         // Ctrl-C: Python's handler runs here and leaves KeyboardInterrupt set.
                         py::gil_scoped_acquire acquire;
                         return PyErr_CheckSignals() != 0;
                     });
                 });
                 if (summary.interrupted)
                     throw py::error_already_set();
                 // Told once, as a warning: the log itself is whole.
                 if (!summary.eventsProblem.empty() &&
                     PyErr_WarnEx(PyExc_RuntimeWarning,
                                  ("the events file " + summary.eventsProblem +
                                   "; the log went on without it")
                                      .c_str(),
                                  1) != 0)
                     throw py::error_already_set();
                 py::dict o;
                 o["records"] = summary.records;
                 o["failed_readings"] = summary.failedReadings;
                 return o;
             })
        .def("close", [](BoardHandle& b) { released([&] { b.close(); }); })
        .def_property_readonly("closed",
                               [](BoardHandle& b) { return released([&] { return b.closed(); }); });
}
