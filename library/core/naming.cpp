// SPDX-License-Identifier: MIT
#include "core/naming.h"

#include <array>
#include <cctype>
#include <cstdio>

#include "platform/output_file.h"

namespace varnix {

namespace {

constexpr std::array<std::string_view, kNameSuffixCount> kSuffixes = {
    "",   "A",  "B",  "C",  "D",  "E",  "F",  "G",  "H",  "I",  "J",  "K",  "L",  "M",
    "N",  "O",  "P",  "Q",  "R",  "S",  "T",  "U",  "V",  "W",  "X",  "Y",  "Z",  "AA",
    "AB", "AC", "AD", "AE", "AF", "AG", "AH", "AI", "AJ", "AK", "AL", "AM", "AN", "AO",
    "AP", "AQ", "AR", "AS", "AT", "AU", "AV", "AW", "AX", "AY", "AZ"};

}  // namespace

std::string_view NameSuffix(int index) {
  if (index < 0 || index >= kNameSuffixCount) return {};
  return kSuffixes[static_cast<std::size_t>(index)];
}

std::string DataFolderOf(std::string_view folderArgument) {
  const std::size_t cut = platform::lastSeparator(folderArgument);
  if (cut == std::string_view::npos) return {};
  return std::string(folderArgument.substr(0, cut));
}

bool IsUsableFolderName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
        c == '>' || c == '|')
      return false;
  }
  if (name.back() == ' ' || name.back() == '.') return false;
  // Device names that Windows will not give to a folder, with or without an
  // extension ("CON", "nul.txt", "COM1").
  std::string stem(name.substr(0, name.find('.')));
  for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
  for (auto d : kDevices)
    if (stem == d) return false;
  if (stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem[3] >= '1' &&
      stem[3] <= '9')
    return false;
  return true;
}

std::string SubfolderOf(std::string_view subfolder, std::string_view folderArgument) {
  std::string folder = DataFolderOf(folderArgument);
  if (platform::lastSeparator(folderArgument) != std::string_view::npos) folder += platform::kPathSeparator;
  folder += subfolder;
  return folder;
}

std::string SubfolderPath(std::string_view subfolder, std::string_view fileName, std::string_view folderArgument) {
  std::string folder = SubfolderOf(subfolder, folderArgument);
  platform::makeFolder(folder);
  folder += platform::kPathSeparator;
  folder += fileName;
  return folder;
}

std::optional<std::string> SafeSubfolderPath(std::string_view subfolder, std::string_view fileName,
                                             std::string_view folderArgument) {
  std::string path = SubfolderPath(subfolder, fileName, folderArgument);
  const std::string folder = path.substr(0, platform::lastSeparator(path));
  if (platform::isLink(folder) || !platform::folderExists(folder)) return std::nullopt;
  return path;
}

std::string FolderForUserId(std::string_view id) {
  while (!id.empty() && id.front() == ' ') id.remove_prefix(1);
  return IsUsableFolderName(id) ? std::string(id) : std::string(kBadDataFolder);
}

std::string DatedBase(const platform::LocalDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "R%02d%02d%02d", ((date.year % 100) + 100) % 100, date.month % 100,
                date.day % 100);
  return text;
}

namespace {

std::optional<std::string> claim(std::string_view base, const std::string_view* subfolder,
                                 std::string_view folderArgument) {
  for (int i = 0; i < kNameSuffixCount; ++i) {
    std::string name(base);
    name += NameSuffix(i);
    name += ".DAT";
    std::string candidate = name;
    if (subfolder) {
      const auto safe = SafeSubfolderPath(*subfolder, name, folderArgument);
      if (!safe) return std::nullopt;
      candidate = *safe;
    }
    if (platform::createExclusive(candidate)) return candidate;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ClaimDatedName(std::string_view base) { return claim(base, nullptr, {}); }

std::optional<std::string> ClaimDatedName(std::string_view base, std::string_view subfolder,
                                          std::string_view folderArgument) {
  return claim(base, &subfolder, folderArgument);
}

std::optional<std::string> IndexFilePath(std::string_view datPath) {
  const std::size_t dot = datPath.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  std::string name(datPath.substr(0, dot + 1));
  name += "TXT";
  if (datPath.size() > dot + 4) name += datPath.substr(dot + 4);
  return name;
}

}  // namespace varnix
