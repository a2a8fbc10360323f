// SPDX-License-Identifier: GPL-3.0-or-later
// The subcommands of varnix-cli. Each adds itself to the parser and, when
// chosen, stores the library's result code for what it did in `exitCode`.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace varnix::cli {

void addUseridCommand(CLI::App& app, int& exitCode);
void addDownloadCommand(CLI::App& app, int& exitCode);
void addPalmCommand(CLI::App& app, int& exitCode);
void addExpandCommand(CLI::App& app, int& exitCode);

// Prints the lines of a dump's flight index (.TXT) on stdout.
void printIndexLines(const std::string& datPath);

// Prints a result message on stderr, when there is one.
void reportMessage(const std::string& message);

}  // namespace varnix::cli
