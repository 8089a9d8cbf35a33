#include "cli/command_table.h"
#include "cli/exit_status.h"

namespace zr::cli {

int runLog(CommandContext&)
{
    throw CliError(kExitIoError, "log is not available yet");
}

} // namespace zr::cli
