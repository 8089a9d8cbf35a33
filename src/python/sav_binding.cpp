// SPDX-License-Identifier: MIT
// The log reader for the package's read_sav: the core's reader, with its errors as Python's
// (ValueError naming the line, OSError with the system's errno).

#include "python/sav_binding.h"

#include "logging/log_statistics.h"
#include "logging/sav_reader.h"

#include <cmath>
#include <pybind11/stl.h>

namespace py = pybind11;
namespace lg = zr::logging;

namespace zr::python {
namespace {

// A path in the system's encoding, shown as Python shows file names.
py::str shownPath(const std::string& path)
{
    return py::reinterpret_steal<py::str>(
        PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size())));
}

py::tuple readSav(const std::string& path, bool partial)
{
    const auto read = [&] {
        py::gil_scoped_release release;
        return lg::readLogWithEvents(path, partial ? lg::SavMode::Partial : lg::SavMode::Strict);
    }();
    const lg::SavLog& log = read.log;
    py::list columns;
    py::dict values, recordsOf;
    for (const lg::SavColumn& column : log.columns) {
        columns.append(column.name);
        values[py::str(column.name)] =
            column.whole ? py::list(py::cast(column.wholes)) : py::list(py::cast(column.reals));
        if (!column.records.empty() || (read.events && !read.events->shapes.empty()))
            recordsOf[py::str(column.name)] = py::list(py::cast(column.records));
    }
    const std::vector<double> times = read.events
                                          ? lg::anchoredRecordTimes(*read.events, log.records)
                                          : lg::nominalRecordTimes(log.records);
    py::list events;
    if (read.events)
        for (const lg::EventsMarker& m : read.events->markers)
            events.append(py::dict(py::arg("record") = m.record, py::arg("event") = m.event,
                                   py::arg("text") = m.text));
    py::object problem = py::none(), problemLine = py::none();
    if (log.problem) {
        problem = py::str(log.problem->reason);
        problemLine = py::int_(log.problem->line);
    }
    const auto latin1 = [](const std::string& text) {
        return py::reinterpret_steal<py::str>(
            PyUnicode_DecodeLatin1(text.data(), static_cast<Py_ssize_t>(text.size()), nullptr));
    };
    return py::make_tuple(chipName(log.chip), latin1(log.date), latin1(log.time), columns, values,
                          log.records, problemLine, problem, py::cast(times), events, recordsOf,
                          read.events.has_value());
}

// SavFile.stats: the columns' values go back through the core's statistics, so the figures are
// the tool's and the viewer's to the last digit.
py::dict logStats(const std::vector<std::string>& names, const py::dict& values,
                  const py::dict& recordsOf, const std::vector<double>& times,
                  std::optional<double> start, std::optional<double> end)
{
    lg::SavLog log;
    log.records = static_cast<std::int64_t>(times.size());
    for (const std::string& name : names) {
        lg::SavColumn column;
        column.name = name;
        column.reals = values[py::str(name)].cast<std::vector<double>>();
        if (recordsOf.contains(py::str(name)))
            column.records = recordsOf[py::str(name)].cast<std::vector<std::int64_t>>();
        log.columns.push_back(std::move(column));
    }
    const auto figures = lg::logStatistics(log, times, lg::recordSpan(times, start, end));
    py::dict result;
    for (const lg::ColumnStatistics& c : *figures) {
        py::dict f;
        f["count"] = c.count;
        for (const lg::FigureField& field : lg::kFigureFields)
            f[field.name] = py::cast(lg::figureOf(c, field));
        result[py::str(c.name)] = f;
    }
    return result;
}

} // namespace

void defineSavReader(py::module_& m)
{
    m.def("read_sav", &readSav, py::arg("path"), py::arg("partial"));
    m.def("log_stats", &logStats, py::arg("columns"), py::arg("values"), py::arg("records_of"),
          py::arg("times"), py::arg("start"), py::arg("end"));
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const lg::SavFormatError& x) {
            const py::str message =
                py::str("{}: line {}: {}")
                    .format(shownPath(x.path()), x.problem().line, x.problem().reason);
            py::object error = py::reinterpret_borrow<py::object>(PyExc_ValueError)(message);
            error.attr("line") = x.problem().line;
            PyErr_SetObject(PyExc_ValueError, error.ptr());
        } catch (const lg::SavFileError& x) {
            const py::object name = shownPath(x.path());
            if (x.error() == 0) {
                const py::str message = py::str("{}: {}").format(name, x.reason());
                PyErr_SetObject(PyExc_ValueError, message.ptr());
            } else {
                // OSError picks the subclass (FileNotFoundError, PermissionError) from errno.
                const py::object error =
                    py::reinterpret_borrow<py::object>(PyExc_OSError)(x.error(), x.reason(), name);
                PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
            }
        }
    });
}

} // namespace zr::python
