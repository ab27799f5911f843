// Linux: the machine's answers come from files the files layer reads
// (machine-id, the power-supply class, the XDG folders) and the locale
// variables; nothing here asks the system.
#include "platform/device_info.hpp"

namespace zrv::platform {

const char* system_name() { return "LINUX"; }
std::optional<uint32_t> volume_serial() { return std::nullopt; }
std::optional<int32_t> battery_percent() { return std::nullopt; }
uint32_t ui_language_id() { return 0; }
std::optional<std::string> documents_folder() { return std::nullopt; }

}  // namespace zrv::platform
