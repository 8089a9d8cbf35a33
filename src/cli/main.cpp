// SPDX-License-Identifier: MIT
// zr410ab-cli: the command-line companion of the evaluation program, for scripts and test rigs.

#include "cli/cli_app.h"

#include <QCoreApplication>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    // QtCore only: the firmware lies beside the executable, found as the program finds it.
    QCoreApplication app(argc, argv);
    zr::cli::CliEnvironment environment;
    environment.programFolder = QCoreApplication::applicationDirPath().toStdString();
    environment.outputIsTerminal = isatty(STDOUT_FILENO) != 0;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = zr::cli::runCli(args, std::cout, std::cerr, environment);
    std::cout.flush();
    return status;
}
