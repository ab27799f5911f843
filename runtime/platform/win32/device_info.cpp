// Windows: the machine's answers from Windows' own sources (the system
// volume's serial number, the power status, the user-interface language,
// the shell's special folders).
#include "platform/device_info.hpp"

#include <shlobj.h>
#include <windows.h>

#include "platform/win32/text.hpp"

namespace zrv::platform {

const char* system_name() { return "WIN32"; }

std::optional<uint32_t> volume_serial() {
  DWORD serial = 0;
  if (!::GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
    return 0u;
  return static_cast<uint32_t>(serial);
}

std::optional<int32_t> battery_percent() {
  SYSTEM_POWER_STATUS status{};
  // 255: the level is unknown (no battery, or it cannot tell).
  if (!::GetSystemPowerStatus(&status) || status.BatteryLifePercent > 100) return 100;
  return static_cast<int32_t>(status.BatteryLifePercent);
}

uint32_t ui_language_id() { return ::GetUserDefaultUILanguage(); }

std::optional<std::string> documents_folder() { return win32::shell_folder(CSIDL_PERSONAL); }

}  // namespace zrv::platform
