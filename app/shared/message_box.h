// SPDX-License-Identifier: GPL-3.0-or-later
// Every message box, question and input box of the program goes through
// these two functions, so that the texts stay in one form and tests can
// answer them.
#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace varnix::app {

inline const QString kProgramTitle = QStringLiteral("Varnix");

enum class MsgIcon { None, Exclamation, Information, Question, Critical };
enum class MsgButtons { OK, YesNo };
enum class MsgAnswer { OK, Yes, No, Cancel };

// A message box (text, title, icon, buttons); returns the button pressed.
MsgAnswer MsgBox(const QString& text, const QString& title = kProgramTitle, MsgIcon icon = MsgIcon::None,
                 MsgButtons buttons = MsgButtons::OK);

// An input box; empty when the user cancels it.
std::optional<QString> InputBox(const QString& prompt, const QString& title, const QString& defaultText = {});

// What a box asked, as a responder sees it.
struct Prompt {
  bool input = false;  // an input box rather than a message box
  QString text;        // the message or the input box's prompt
  QString title;
  MsgIcon icon = MsgIcon::None;
  MsgButtons buttons = MsgButtons::OK;
  QString defaultText;
};

struct Reply {
  MsgAnswer answer = MsgAnswer::OK;  // Cancel leaves an input box unanswered
  QString text;                      // an input box's answer
};

// Replaces the boxes on screen by `responder` (tests); an empty function
// brings the boxes back.
void SetPromptResponder(std::function<Reply(const Prompt&)> responder);

}  // namespace varnix::app
