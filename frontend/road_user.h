// SPDX-License-Identifier: GPL-3.0-or-later
// Whoever travels a road (download, Palm, archive): the roads ask their
// questions, show their messages and report their steps through this
// interface. The desktop program answers with dialogs, the command line
// with its flags and its output streams.
#pragma once

#include <string>

namespace varnix::frontend {

enum class MessageIcon { None, Exclamation, Information };

// A message as the desktop program shows it: text, window title and icon.
// The command line prints the text alone.
struct Message {
  std::string text;
  std::string title;
  MessageIcon icon = MessageIcon::None;
};

enum class Question {
  MoveIntoUserFolder,  // archive: file the chosen dump in its user folder?
  OverwriteDump,       // a dump of that name lies in the user folder already: replace it?
  DeleteBackup,        // Palm: the expansion succeeded; delete the backup?
  RecoverLaterFlights, // the dump has a damaged flight: write the flights after it?
  ExpandAgain,         // archive: the dump's flights are in their folder already: expand again?
};

enum class Step {
  DumpReceived,  // a download ended; `path` is the kept dump (may be empty)
  DumpConverted, // Palm: the backup was converted into the dump `path`
  DumpFiled,     // the dump `path` lies in its user folder
};

class RoadUser {
 public:
  virtual ~RoadUser() = default;

  virtual void tell(const Message& message) = 0;
  // The question's text as the desktop program asks it; true for yes.
  virtual bool ask(Question question, const Message& message) = 0;
  // The library could not run; `problem` says why.
  virtual void libraryProblem(const std::string& problem) = 0;
  virtual void step(Step step, const std::string& path) = 0;
  // An expansion ran with result `code`; `message` (empty text for none)
  // is its result message. The receiver decides what comes first: the
  // message or the flights.
  virtual void expanded(const std::string& dump, int code, const Message& message) = 0;
};

}  // namespace varnix::frontend
