// SPDX-License-Identifier: MIT
#include "analysis/result_sections.h"

#include <algorithm>

namespace varnix::analysis {

std::string NameWords(std::string_view name, bool capital) {
  std::string w(name);
  std::replace(w.begin(), w.end(), '_', ' ');
  if (capital && !w.empty() && w[0] >= 'a' && w[0] <= 'z') w[0] = static_cast<char>(w[0] - 'a' + 'A');
  return w;
}

}  // namespace varnix::analysis
