// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/select_port/windows_ports.h"

#include <cwctype>

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
// clang-format on
#endif

namespace varnix::app {

namespace {

std::wstring trimmed(std::wstring text) {
  while (!text.empty() && std::iswspace(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && std::iswspace(text[start])) ++start;
  return text.substr(start);
}

bool sameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

#ifdef _WIN32
std::wstring registryProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t buffer[512] = {};
  DWORD type = 0;
  if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer),
                                           sizeof buffer - sizeof(wchar_t), nullptr) ||
      type != REG_SZ)
    return {};
  return buffer;
}

std::wstring portName(HDEVINFO set, SP_DEVINFO_DATA& device) {
  HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return {};
  wchar_t buffer[64] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t), type = 0;
  const LONG read = ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  ::RegCloseKey(key);
  return read == ERROR_SUCCESS && type == REG_SZ ? std::wstring(buffer) : std::wstring();
}
#endif

}  // namespace

std::vector<WindowsPort> windowsPorts() {
  std::vector<WindowsPort> ports;
#ifdef _WIN32
  HDEVINFO set = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return ports;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    WindowsPort port{portName(set, device), registryProperty(set, device, SPDRP_FRIENDLYNAME),
                     registryProperty(set, device, SPDRP_MFG)};
    // The ports class holds the printer ports (LPT1) too.
    if (port.name.size() < 4 || !sameIgnoringCase(port.name.substr(0, 3), L"COM")) continue;
    ports.push_back(std::move(port));
  }
  ::SetupDiDestroyDeviceInfoList(set);
#endif
  return ports;
}

std::wstring describeWindowsPort(const WindowsPort& port) {
  std::wstring friendly = trimmed(port.friendlyName);
  const std::wstring suffix = L"(" + port.name + L")";
  if (friendly.size() >= suffix.size() &&
      sameIgnoringCase(friendly.substr(friendly.size() - suffix.size()), suffix))
    friendly = trimmed(friendly.substr(0, friendly.size() - suffix.size()));
  // Windows' generic maker words say nothing an owner could use.
  std::wstring maker = trimmed(port.maker);
  if (maker.size() > 2 && maker.front() == L'(' && maker.back() == L')') maker.clear();
  std::wstring text;
  for (const std::wstring& part : {maker, friendly}) {
    if (part.empty() || sameIgnoringCase(part, text)) continue;
    if (!text.empty()) text += L", ";
    text += part;
  }
  return text;
}

}  // namespace varnix::app
