// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared/screen_user.h"

#include "app/shared/flow_helpers.h"
#include "app/shared/message_box.h"

namespace varnix::app {

namespace {

MsgIcon iconOf(frontend::MessageIcon icon) {
  switch (icon) {
    case frontend::MessageIcon::Exclamation:
      return MsgIcon::Exclamation;
    case frontend::MessageIcon::Information:
      return MsgIcon::Information;
    case frontend::MessageIcon::None:
      break;
  }
  return MsgIcon::None;
}

}  // namespace

void ScreenUser::tell(const frontend::Message& message) {
  MsgBox(fromLibraryText(message.text), fromLibraryText(message.title), iconOf(message.icon));
}

bool ScreenUser::ask(frontend::Question question, const frontend::Message& message) {
  if (question == frontend::Question::DeleteBackup) return true;
  return MsgBox(fromLibraryText(message.text), fromLibraryText(message.title), iconOf(message.icon),
                MsgButtons::YesNo) == MsgAnswer::Yes;
}

void ScreenUser::libraryProblem(const std::string& problem) {
  MsgBox(fromLibraryText(problem), kProgramTitle, MsgIcon::Exclamation);
}

void ScreenUser::expanded(const std::string&, int, const frontend::Message& message) {
  if (!message.text.empty()) tell(message);
}

}  // namespace varnix::app
