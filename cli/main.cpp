// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli: the library's work from the command line. Every subcommand
// exits with the library's result code and prints the desktop program's
// message for it on stderr.
#include <cstdio>
#include <exception>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/wide_text.h"
#endif

#include "commands.h"
#include "flight_json.h"
#include "frontend/result_messages.h"
#include "varnix/varnix.h"

namespace varnix::cli {

void reportMessage(const std::string& message) {
  if (message.empty()) return;
  std::string shown;
  for (std::size_t start = 0;;) {
    const std::size_t end = message.find('\n', start);
    shown += terminalText(std::string_view(message).substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    shown += '\n';
    start = end + 1;
  }
  std::fprintf(stderr, "%s\n", shown.c_str());
}

void printLine(std::string_view text) { std::printf("%s\n", terminalText(text).c_str()); }

}  // namespace varnix::cli

#ifdef _WIN32
namespace {

// Windows passes the arguments as UTF-16; the narrow argv is the ANSI code
// page, which cannot hold every name. Inside the program every path is UTF-8.
std::vector<std::string> wideArguments() {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!wide) return arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(varnix::platform::utf8FromWide(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

bool isConsole(DWORD stream) {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(stream), &mode) != 0;
}

// A console shows the UTF-8 text the program writes while it runs, and has
// its own code page back afterwards; redirected output gets the bytes as
// they are.
class Utf8Console {
 public:
  Utf8Console() {
    if (!isConsole(STD_OUTPUT_HANDLE) && !isConsole(STD_ERROR_HANDLE)) return;
    before_ = ::GetConsoleOutputCP();
    if (before_ != 0 && !::SetConsoleOutputCP(CP_UTF8)) before_ = 0;
  }
  ~Utf8Console() {
    std::fflush(stdout);
    std::fflush(stderr);
    if (before_ != 0) ::SetConsoleOutputCP(before_);
  }
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  UINT before_ = 0;
};

}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  const Utf8Console console;
  std::vector<std::string> arguments = wideArguments();
  std::vector<char*> pointers;
  for (std::string& a : arguments) pointers.push_back(a.data());
  if (!arguments.empty()) {
    argc = static_cast<int>(arguments.size());
    pointers.push_back(nullptr);
    argv = pointers.data();
  }
#endif
  CLI::App app{"Varnix: downloads, expands and files QTM engine monitor dumps."};
  app.set_version_flag("--version", "varnix-cli " VARNIX_VERSION);
  app.require_subcommand(1);
  int exitCode = 0;
  varnix::cli::addUseridCommand(app, exitCode);
  varnix::cli::addDownloadCommand(app, exitCode);
  varnix::cli::addPalmCommand(app, exitCode);
  varnix::cli::addExpandCommand(app, exitCode);
  varnix::cli::addInfoCommand(app, exitCode);
  varnix::cli::addImportCommand(app, exitCode);
  varnix::cli::addMaintenanceCommand(app, exitCode);
#ifdef VARNIX_CLI_LOGBOOK
  varnix::cli::addLogbookCommand(app, exitCode);
#endif
  varnix::cli::addFindingsCommand(app, exitCode);
  varnix::cli::addAnalyzeCommand(app, exitCode);
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
    varnix::cli::reportMessage(varnix::frontend::messages::libraryFaultMessage(VARNIX_INTERNAL_ERROR) + " (" + e.what() + ")");
    return VARNIX_INTERNAL_ERROR;
  } catch (...) {
    std::fflush(stdout);
    varnix::cli::reportMessage(varnix::frontend::messages::libraryFaultMessage(VARNIX_INTERNAL_ERROR));
    return VARNIX_INTERNAL_ERROR;
  }
  return exitCode;
}
