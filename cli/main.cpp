// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli: the library's work from the command line. Every subcommand
// exits with the library's result code and prints the desktop program's
// message for it on stderr.
#include <cstdio>
#include <exception>

#include "commands.h"
#include "frontend/result_messages.h"
#include "varnix/varnix.h"

namespace varnix::cli {

void reportMessage(const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
}

}  // namespace varnix::cli

int main(int argc, char** argv) {
  CLI::App app{"Varnix: downloads, expands and files QTM engine monitor dumps."};
  app.set_version_flag("--version", "varnix-cli " VARNIX_VERSION);
  app.require_subcommand(1);
  int exitCode = 0;
  varnix::cli::addUseridCommand(app, exitCode);
  varnix::cli::addDownloadCommand(app, exitCode);
  varnix::cli::addPalmCommand(app, exitCode);
  varnix::cli::addExpandCommand(app, exitCode);
  varnix::cli::addInfoCommand(app, exitCode);
#ifdef VARNIX_CLI_LOGBOOK
  varnix::cli::addLogbookCommand(app, exitCode);
#endif
  varnix::cli::addFindingsCommand(app, exitCode);
#ifdef VARNIX_CLI_CHART
  varnix::cli::addChartCommand(app, exitCode);
  varnix::cli::addReportCommand(app, exitCode);
#endif
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const std::exception& e) {
    // Nothing ends the program unreported (a dump too large for memory, a
    // broken stream): the library's internal-error code and its message.
    std::fflush(stdout);
    varnix::cli::reportMessage(varnix::messages::libraryFaultMessage(VARNIX_INTERNAL_ERROR) + " (" + e.what() + ")");
    return VARNIX_INTERNAL_ERROR;
  } catch (...) {
    std::fflush(stdout);
    varnix::cli::reportMessage(varnix::messages::libraryFaultMessage(VARNIX_INTERNAL_ERROR));
    return VARNIX_INTERNAL_ERROR;
  }
  return exitCode;
}
