// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program on a road: messages and questions as message boxes,
// the library's problems as the binding reports them. A screen that needs
// more (hiding itself when the dump has arrived) derives from it.
#pragma once

#include "frontend/road_user.h"

namespace varnix::app {

class ScreenUser : public frontend::RoadUser {
 public:
  void tell(const frontend::Message& message) override;
  // Dialogs with Yes and No; the Palm screen deletes a backup whose dump
  // expanded without asking.
  bool ask(frontend::Question question, const frontend::Message& message) override;
  void libraryProblem(const std::string& problem) override;
  void step(frontend::Step, const std::string&) override {}
  // Shows the result message, when there is one; the screen lists the
  // flights after the road.
  void expanded(const std::string& dump, int code, const frontend::Message& message) override;
};

}  // namespace varnix::app
