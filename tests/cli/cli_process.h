// SPDX-License-Identifier: MIT
#pragma once

// Runs the built zr410ab-cli as a child process with no display, as a script or CI rig would.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace zr::test {

struct ToolRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

inline QString toolPath()
{
    return QStringLiteral(ZR_CLI_PATH);
}

inline QString scenarioPath(const QString& name)
{
    return QStringLiteral(ZR_CLI_SCENARIOS) + "/" + name + ".json";
}

// "--board sim --scenario <tests/cli/scenarios/NAME.json>"
inline QStringList onSimulatedBoard(const QString& scenario)
{
    return {"--board", "sim", "--scenario", scenarioPath(scenario)};
}

inline QProcessEnvironment headlessEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("LC_ALL", "C.UTF-8");
    return env;
}

inline void startTool(QProcess& process, const QStringList& args)
{
    process.setProcessEnvironment(headlessEnvironment());
    process.start(toolPath(), args);
}

inline ToolRun runTool(const QStringList& args, int timeoutMs = 30000)
{
    QProcess process;
    startTool(process, args);
    ToolRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.err = "timed out";
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace zr::test
