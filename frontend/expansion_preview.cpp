// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/expansion_preview.h"

namespace varnix::frontend {

ExpansionPreview previewExpansion(FlightLibrary& library, const std::string& dump, const std::string& dataFolder) {
  ExpansionPreview preview;
  ExpandPreview found;
  if (!library.previewExpandDataFile(dump, dataFolder, true, found).ok()) return preview;
  preview.recoverable = found.recoverable;
  for (const std::uint16_t number : found.alreadyThere) preview.alreadyThere.push_back("Flt#" + std::to_string(number));
  return preview;
}

}  // namespace varnix::frontend
