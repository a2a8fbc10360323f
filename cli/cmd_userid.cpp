// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli userid FILE.DAT: the user id of a dump, as GetUserID gives it.
#include <cstdio>

#include "commands.h"
#include "core/user_id.h"
#include "frontend/result_messages.h"

namespace varnix::cli {

void addUseridCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("userid", "Print the user id that a dump's first line carries (or BadData)");
  auto path = std::make_shared<std::string>();
  cmd->add_option("file", *path, "The .DAT dump")->required();
  cmd->callback([path, &exitCode] {
    std::string id;
    HeaderState header{};
    exitCode = ReadUserId(*path, id, header);
    printLine(id);
    reportMessage(frontend::messages::userIdMessage(exitCode, *path));
  });
}

}  // namespace varnix::cli
