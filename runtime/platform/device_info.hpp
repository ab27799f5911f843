// The machine's own answers behind platform_info. Where each comes from is
// the platform's; the answers' formats (and the Linux readers of machine-id
// files, the power-supply class and the XDG folders, used where a query
// here has no answer) are the files layer's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zrv::platform {

// The operating system's name as platform_info gives it: "WIN32", "LINUX".
const char* system_name();

// The serial number of the system volume (0 when it has none); nothing
// where the platform identifies a machine otherwise (machine-id files).
std::optional<uint32_t> volume_serial();

// The battery's remaining percentage, 100 when the platform cannot tell;
// nothing where it is read from the power-supply class instead.
std::optional<int32_t> battery_percent();

// The user-interface language id (0x0409: English, United States); 0 where
// the locale variables name the language instead.
uint32_t ui_language_id();

// The user's documents folder, with "/" between names ("" when the query
// fails); nothing where the XDG rules apply. The application-data folder is
// folders.hpp's user_data_folder.
std::optional<std::string> documents_folder();

}  // namespace zrv::platform
