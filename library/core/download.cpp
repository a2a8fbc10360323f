// SPDX-License-Identifier: MIT
// DataDownload's steps in order: working file, port, reception, storing and
// filing. Whatever the outcome, the port is closed before the call returns
// and no file is left behind that holds nothing.
#include "core/download.h"

#include <cstdio>

#include "core/naming.h"
#include "platform/console_key.h"
#include "platform/platform.h"

namespace varnix {

namespace {

int codeOf(Filing filing) {
  switch (filing) {
    case Filing::UserFolder:
      return kDownloadFiled;
    case Filing::BadData:
    case Filing::NotReopened:
      return kDownloadBadData;
    case Filing::CannotOpen:
      return kDownloadCannotWrite;
    case Filing::NamesTaken:
      return kDownloadNamesTaken;
    case Filing::CopyFailed:
      return kDownloadCopyFailed;
  }
  return kDownloadBadData;
}

// Writes the received bytes and closes the file; false when either fails.
bool writeAndClose(std::FILE* file, const std::vector<std::uint8_t>& bytes) {
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

}  // namespace

DownloadResult DownloadDump(platform::SerialPort& port, const PortSettings& settings, const DumpTimeouts& timeouts,
                            std::string_view folderArgument, HeaderState& header, const DownloadOptions& options) {
  // The working file, claimed under the first free dated name.
  std::string base = DatedBase(platform::localDate());
  if (!options.workingFolder.empty()) base = options.workingFolder + platform::kPathSeparator + base;
  const auto claimed = ClaimDatedName(base);
  if (!claimed) return {kDownloadNamesTaken, {}};
  const std::string working = *claimed;
  std::FILE* file = platform::openFile(working, "r+b");
  if (!file) {
    platform::removeFile(working);
    return {kDownloadCannotWrite, {}};
  }

  const platform::PortSetup setup = port.open(settings.portName, settings.baudRate, kReceiveBufferBytes);
  if (setup != platform::PortSetup::Ready) {
    port.close();
    std::fclose(file);
    platform::removeFile(working);
    return {static_cast<int>(setup), {}};
  }

  const Reception reception = ReceiveDump(port, timeouts, options);
  port.close();
  if (reception.end == ReceptionEnd::KeyPressed) platform::consumeConsoleKey();
  const bool written = writeAndClose(file, reception.bytes);
  if (reception.end == ReceptionEnd::TimedOut) platform::pauseMilliseconds(options.silencePause);

  // A failed read keeps what had arrived.
  if (reception.end == ReceptionEnd::ReadFailed) {
    if (reception.received == 0) {
      platform::removeFile(working);
      return {kDownloadReadFailed, {}};
    }
    return {written ? kDownloadReadFailed : kDownloadCannotWrite, working};
  }
  // Too short to be a dump: nothing is stored, even when the working file
  // cannot be deleted.
  if (reception.received < kMinDumpBytes) {
    platform::removeFile(working);
    return {kDownloadNothing, {}};
  }
  if (!written) return {kDownloadCannotWrite, working};

  std::string path = working;
  const int code = codeOf(FileDownloadedDump(path, folderArgument, header));
  return {code, path};
}

}  // namespace varnix
