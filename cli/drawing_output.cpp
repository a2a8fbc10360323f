// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing_output.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>

#include "commands.h"
#include "flight_json.h"
#include "platform/output_file.h"

namespace varnix::cli {

namespace {

void dropRuntimeFolderNotice(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
  std::fflush(stderr);
}

}  // namespace

void prepareQtWithoutDisplay() {
#ifndef _WIN32
  // Windows has no DISPLAY and needs none; its Qt carries only the windows plugin.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  qInstallMessageHandler(dropRuntimeFolderNotice);
}

int checkOutputName(const std::string& flight, const std::string& out, bool force) {
  if (platform::sameFile(flight, out)) {
    reportMessage(terminalText(out + " is the flight file itself; the output needs a file of its own"));
    return kOutputIsFlight;
  }
  // The name is judged again when the file is complete (it may be taken
  // meanwhile); this spares the drawing when it is taken already.
  if (!force && platform::nameTaken(out)) {
    reportMessage(terminalText(out + " exists; give --force to replace it"));
    return kChartCannotWrite;
  }
  return 0;
}

}  // namespace varnix::cli
