// SPDX-License-Identifier: GPL-3.0-or-later
// The subcommands of varnix-cli. Each adds itself to the parser and, when
// chosen, stores the library's result code for what it did in `exitCode`.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <string_view>

namespace varnix::cli {

void addUseridCommand(CLI::App& app, int& exitCode);
void addDownloadCommand(CLI::App& app, int& exitCode);
void addPalmCommand(CLI::App& app, int& exitCode);
void addExpandCommand(CLI::App& app, int& exitCode);
void addInfoCommand(CLI::App& app, int& exitCode);
void addChartCommand(CLI::App& app, int& exitCode);
void addLogbookCommand(CLI::App& app, int& exitCode);
void addFindingsCommand(CLI::App& app, int& exitCode);
void addReportCommand(CLI::App& app, int& exitCode);
void addImportCommand(CLI::App& app, int& exitCode);
void addAnalyzeCommand(CLI::App& app, int& exitCode);
void addMaintenanceCommand(CLI::App& app, int& exitCode);

// Exit codes of the flight commands (info, chart, report).
inline constexpr int kFlightCannotOpen = 1;   // the file cannot be opened or read
inline constexpr int kFlightUnreadable = 2;   // not a flight file, or damaged: the reader names the line
inline constexpr int kChartCannotWrite = 3;   // the picture cannot be written
inline constexpr int kChartNoChannels = 4;    // --channels names nothing the flight has
inline constexpr int kOutputIsFlight = 5;     // the output names the flight file itself

// Prints the lines of a dump's flight index (.TXT) on stdout.
void printIndexLines(const std::string& datPath);

// Prints a result message on stderr, when there is one. The message's own
// line breaks stay; every other control character is shown as '?'
// (terminalText), so that no text from a file or a name reaches the
// terminal as a command. A one-line message with a name in it goes through
// terminalText first, so that a line break in the name cannot split it.
void reportMessage(const std::string& message);

// Prints `text` on stdout as one line, every control character in it a '?'.
void printLine(std::string_view text);

}  // namespace varnix::cli
