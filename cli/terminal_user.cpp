// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal_user.h"

#include <cstdio>

#include "commands.h"
#include "core/expand.h"

namespace varnix::cli {

void TerminalUser::tell(const frontend::Message& message) { reportMessage(message.text); }

bool TerminalUser::ask(frontend::Question question, const frontend::Message&) {
  switch (question) {
    case frontend::Question::OverwriteDump:
      return overwriteDump;
    case frontend::Question::DeleteBackup:
      return deleteBackup;
    case frontend::Question::RecoverLaterFlights:
      return recoverLaterFlights;
    case frontend::Question::MoveIntoUserFolder:
    case frontend::Question::ExpandAgain:
      return true;
  }
  return false;
}

void TerminalUser::libraryProblem(const std::string& problem) { reportMessage(problem); }

void TerminalUser::step(frontend::Step, const std::string& path) {
  if (!path.empty()) printLine(path);
  std::fflush(stdout);
}

void TerminalUser::expanded(const std::string& dump, int code, const frontend::Message& message) {
  // Without a usable index path there is no index to print.
  if (listFlights && code != kExpandNoDot && code != kExpandCannotOpenIndex) {
    if (writtenLines) {
      for (const std::string& line : *writtenLines) printLine(line);
    } else {
      printIndexLines(dump);
    }
  }
  std::fflush(stdout);
  reportMessage(message.text);
}

}  // namespace varnix::cli
