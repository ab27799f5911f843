// platform_info: answers questions about the platform and the program by
// keyword (platform name, device kind, device identifier, time, battery,
// build constants, user-interface language, special folders, screen density,
// OpenGL entry points). Unknown keys answer "NO_DATA".
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "base/rt_string.hpp"

namespace zrv {

RtString platform_info(const RtString& key);
// Where "GLEXT:name" gets its answer: the graphics layer installs whether
// the context offers an entry point (without it, none is offered).
void platform_info_gl_source_set(bool (*offered)(const char* name));

// The compiled program's build constants (build stamp "date-time", project
// id, version); the game hands them over at start-up.
void platform_info_set_build(const char* stamp, const char* project_id, const char* version);

// The game's own folder for saved files, ending with "/": the user's data
// folder + app_name, made on first use. "" when there is none (relative
// names then stay in the program's folder).
RtString save_folder();
// app_name as one folder name: no separators or characters Windows refuses,
// never "." or "..", never empty.
std::string folder_name_for(const char* name, size_t length);

// --- Parts of the answers (also used by the tests and the fuzzer) --------

// Where the platform answers come from. Tests point them at files of their
// own; the defaults are the system's.
struct PlatformSources {
  std::string machine_id_files[2] = {"/etc/machine-id", "/var/lib/dbus/machine-id"};
  std::string power_supply_root = "/sys/class/power_supply";
};
PlatformSources& platform_sources();

// The key the machine id is hashed with (HMAC-SHA-256, machine id bytes as
// the key, this as the message), and the mask of the 8-digit form.
extern const uint8_t kDeviceIdAppKey[16];
constexpr uint32_t kDeviceIdMask = 0x5A17C3E9u;

// The 16 bytes of a machine-id text (32 hex digits, white space around it
// ignored); false for anything else, and for the all-zero id.
bool machine_id_parse(const char* text, size_t length, uint8_t id[16]);
// The 32-bit device value of a machine id: the first four bytes of its
// application-specific hash, least significant first.
uint32_t device_value_from_machine_id(const uint8_t id[16]);
// The 8 upper-case hex digits of value ^ mask, bytes least significant first.
RtString device_id_text(uint32_t value);
// The ID answer: from the machine id, else from (or into) the identifier
// file in the given application-data folder ("" = none).
RtString device_id_answer(const std::string& appdata);

// "year-MM-DD hh:mm:ss" with every number below 10 given a leading "0".
RtString format_clock_time(const std::tm& t);

// A platform language id (e.g. 0x0409) to the two-letter answer.
RtString locale_from_language_id(uint32_t language_id);
// The language id of a POSIX locale name such as "de_AT.UTF-8" (0 when
// unknown: "C", "POSIX", unlisted languages).
uint32_t language_id_from_posix(const char* locale);

// At least 96.
int32_t dpi_answer(double reported_dpi);

// Remaining battery percentage from a power-supply folder (100 when no
// battery reports a level).
int32_t battery_percent(const std::string& root);

// The folder named by key (e.g. "XDG_DOCUMENTS_DIR") in the text of a
// user-dirs.dirs file, "$HOME" expanded. False when the key is absent or
// its value is malformed.
bool xdg_user_dir_parse(const char* text, size_t length, const char* key, const std::string& home,
                        std::string* folder);

}  // namespace zrv
