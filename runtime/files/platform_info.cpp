// platform_info: the answers' formats are fixed; their sources are the
// platform's (platform/device_info.hpp) or, on Linux, the machine id, the
// power-supply class, the locale variables and the XDG folders; the display
// and the GL context.
#include "files/platform_info.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "base/activation.hpp"
#include "base/clock.hpp"
#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/file_replace.hpp"
#include "files/paths.hpp"
#include "files/rt_file.hpp"
#include "files/sha256.hpp"
#include "platform/device_info.hpp"
#include "platform/environment.hpp"
#include "platform/files.hpp"
#include "platform/folders.hpp"
#include "platform/path_names.hpp"
#include "platform/platform.hpp"
#include "platform/time_of_day.hpp"
#include "types/rt_math.hpp"

namespace zrv {

const uint8_t kDeviceIdAppKey[16] = {0x7a, 0x6f, 0x72, 0x76, 0x2e, 0xd1, 0x4b, 0x93,
                                     0x5e, 0x08, 0xc2, 0x3f, 0xa6, 0x71, 0x1d, 0xe4};

namespace {

struct LanguageAnswer {
  uint32_t id;
  const char* answer;
};

// Platform language ids and their answers, sorted by id. Ids not listed
// answer "us".
constexpr LanguageAnswer kLanguageAnswers[] = {
    {0x0401, "ar"}, {0x0402, "bg"}, {0x0403, "ca"}, {0x0404, "ch"}, {0x0405, "cs"}, {0x0406, "da"},
    {0x0407, "de"}, {0x0408, "gr"}, {0x0409, "uk"}, {0x040A, "es"}, {0x040B, "fi"}, {0x040C, "fr"},
    {0x040D, "he"}, {0x040E, "hu"}, {0x040F, "is"}, {0x0410, "it"}, {0x0411, "jp"}, {0x0412, "ko"},
    {0x0413, "nl"}, {0x0414, "no"}, {0x0415, "pl"}, {0x0416, "pt"}, {0x0418, "ro"}, {0x0419, "ru"},
    {0x041A, "hr"}, {0x041B, "sk"}, {0x041C, "sq"}, {0x041D, "sv"}, {0x041E, "th"}, {0x041F, "tr"},
    {0x0420, "ur"}, {0x0421, "in"}, {0x0422, "uk"}, {0x0423, "be"}, {0x0424, "sl"}, {0x0425, "et"},
    {0x0426, "lv"}, {0x0427, "lt"}, {0x0429, "fa"}, {0x042A, "vi"}, {0x042B, "hy"}, {0x042C, "az"},
    {0x042D, "eu"}, {0x042F, "mk"}, {0x0436, "af"}, {0x0437, "ka"}, {0x0438, "fo"}, {0x0439, "hi"},
    {0x043E, "ms"}, {0x043F, "kk"}, {0x0440, "ky"}, {0x0441, "sw"}, {0x0443, "uz"}, {0x0444, "tt"},
    {0x0445, "be"}, {0x0446, "pa"}, {0x0447, "gu"}, {0x0448, "or"}, {0x0449, "ta"}, {0x044A, "te"},
    {0x044B, "ka"}, {0x044C, "ma"}, {0x044D, "as"}, {0x044E, "ma"}, {0x044F, "sa"}, {0x0450, "mo"},
    {0x0456, "gl"}, {0x0457, "kn"}, {0x045A, "sy"}, {0x0465, "di"}, {0x0801, "ar"}, {0x0804, "ch"},
    {0x0807, "de"}, {0x0809, "us"}, {0x080A, "es"}, {0x080C, "fr"}, {0x0810, "it"}, {0x0813, "nl"},
    {0x0814, "no"}, {0x0816, "pt"}, {0x081A, "sr"}, {0x081D, "sv"}, {0x0820, "ur"}, {0x0827, "lt"},
    {0x082C, "az"}, {0x083E, "ms"}, {0x0843, "uz"}, {0x0C01, "ar"}, {0x0C04, "zh"}, {0x0C07, "de"},
    {0x0C09, "us"}, {0x0C0A, "es"}, {0x0C0C, "fr"}, {0x0C1A, "sr"}, {0x1001, "ar"}, {0x1004, "zh"},
    {0x1007, "de"}, {0x1009, "us"}, {0x100A, "es"}, {0x100C, "fr"}, {0x1401, "ar"}, {0x1404, "zh"},
    {0x1407, "de"}, {0x1409, "us"}, {0x140A, "es"}, {0x140C, "fr"}, {0x1801, "ar"}, {0x1809, "us"},
    {0x180A, "es"}, {0x180C, "fr"}, {0x1C01, "ar"}, {0x1C09, "us"}, {0x1C0A, "es"}, {0x2001, "ar"},
    {0x2009, "us"}, {0x200A, "es"}, {0x2401, "ar"}, {0x2409, "us"}, {0x240A, "es"}, {0x2801, "ar"},
    {0x2809, "us"}, {0x280A, "es"}, {0x2C01, "ar"}, {0x2C09, "us"}, {0x2C0A, "es"}, {0x3001, "ar"},
    {0x3009, "us"}, {0x300A, "es"}, {0x3401, "ar"}, {0x3409, "us"}, {0x340A, "es"}, {0x3801, "ar"},
    {0x380A, "es"}, {0x3C01, "ar"}, {0x3C0A, "es"}, {0x4001, "ar"}, {0x400A, "es"}, {0x440A, "es"},
    {0x480A, "es"}, {0x4C0A, "es"}, {0x500A, "es"}};

struct PosixLanguage {
  const char* name;  // "ll" or "ll_TT"
  uint32_t id;
};

// POSIX language (and territory) names to platform language ids, sorted by
// name. A language alone stands for its main territory.
constexpr PosixLanguage kPosixLanguages[] = {
    {"af", 0x0436},    {"ar", 0x0401},    {"ar_AE", 0x3801}, {"ar_BH", 0x3C01}, {"ar_DZ", 0x1401},
    {"ar_EG", 0x0C01}, {"ar_IQ", 0x0801}, {"ar_JO", 0x2C01}, {"ar_KW", 0x3401}, {"ar_LB", 0x3001},
    {"ar_LY", 0x1001}, {"ar_MA", 0x1801}, {"ar_OM", 0x2001}, {"ar_QA", 0x4001}, {"ar_SA", 0x0401},
    {"ar_SY", 0x2801}, {"ar_TN", 0x1C01}, {"ar_YE", 0x2401}, {"as", 0x044D},    {"az", 0x042C},
    {"be", 0x0423},    {"bg", 0x0402},    {"bn", 0x0445},    {"ca", 0x0403},    {"cs", 0x0405},
    {"da", 0x0406},    {"de", 0x0407},    {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"de_DE", 0x0407},
    {"de_LI", 0x1407}, {"de_LU", 0x1007}, {"dv", 0x0465},    {"el", 0x0408},    {"en", 0x0409},
    {"en_AU", 0x0C09}, {"en_BZ", 0x2809}, {"en_CA", 0x1009}, {"en_GB", 0x0809}, {"en_IE", 0x1809},
    {"en_JM", 0x2009}, {"en_NZ", 0x1409}, {"en_PH", 0x3409}, {"en_TT", 0x2C09}, {"en_US", 0x0409},
    {"en_ZA", 0x1C09}, {"en_ZW", 0x3009}, {"es", 0x0C0A},    {"es_AR", 0x2C0A}, {"es_BO", 0x400A},
    {"es_CL", 0x340A}, {"es_CO", 0x240A}, {"es_CR", 0x140A}, {"es_DO", 0x1C0A}, {"es_EC", 0x300A},
    {"es_ES", 0x0C0A}, {"es_GT", 0x100A}, {"es_HN", 0x480A}, {"es_MX", 0x080A}, {"es_NI", 0x4C0A},
    {"es_PA", 0x180A}, {"es_PE", 0x280A}, {"es_PR", 0x500A}, {"es_PY", 0x3C0A}, {"es_SV", 0x440A},
    {"es_UY", 0x380A}, {"es_VE", 0x200A}, {"et", 0x0425},    {"eu", 0x042D},    {"fa", 0x0429},
    {"fi", 0x040B},    {"fo", 0x0438},    {"fr", 0x040C},    {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C},
    {"fr_CH", 0x100C}, {"fr_FR", 0x040C}, {"fr_LU", 0x140C}, {"fr_MC", 0x180C}, {"gl", 0x0456},
    {"gu", 0x0447},    {"he", 0x040D},    {"hi", 0x0439},    {"hr", 0x041A},    {"hu", 0x040E},
    {"hy", 0x042B},    {"id", 0x0421},    {"in", 0x0421},    {"is", 0x040F},    {"it", 0x0410},
    {"it_CH", 0x0810}, {"it_IT", 0x0410}, {"iw", 0x040D},    {"ja", 0x0411},    {"ka", 0x0437},
    {"kk", 0x043F},    {"kn", 0x044B},    {"ko", 0x0412},    {"kok", 0x0457},   {"ky", 0x0440},
    {"lt", 0x0427},    {"lv", 0x0426},    {"mk", 0x042F},    {"ml", 0x044C},    {"mn", 0x0450},
    {"mr", 0x044E},    {"ms", 0x043E},    {"ms_BN", 0x083E}, {"ms_MY", 0x043E}, {"nb", 0x0414},
    {"nl", 0x0413},    {"nl_BE", 0x0813}, {"nl_NL", 0x0413}, {"nn", 0x0814},    {"no", 0x0414},
    {"or", 0x0448},    {"pa", 0x0446},    {"pl", 0x0415},    {"pt", 0x0816},    {"pt_BR", 0x0416},
    {"pt_PT", 0x0816}, {"ro", 0x0418},    {"ru", 0x0419},    {"sa", 0x044F},    {"sk", 0x041B},
    {"sl", 0x0424},    {"sq", 0x041C},    {"sr", 0x0C1A},    {"sv", 0x041D},    {"sv_FI", 0x081D},
    {"sv_SE", 0x041D}, {"sw", 0x0441},    {"syr", 0x045A},   {"ta", 0x0449},    {"te", 0x044A},
    {"th", 0x041E},    {"tr", 0x041F},    {"tt", 0x0444},    {"uk", 0x0422},    {"ur", 0x0420},
    {"ur_IN", 0x0820}, {"ur_PK", 0x0420}, {"uz", 0x0443},    {"vi", 0x042A},    {"zh", 0x0804},
    {"zh_CN", 0x0804}, {"zh_HK", 0x0C04}, {"zh_MO", 0x1404}, {"zh_SG", 0x1004}, {"zh_TW", 0x0404}};

// Build constants of the compiled program.
struct BuildConstants {
  bool set = false;
  std::string stamp;
  std::string project_id;
  std::string version;
};

BuildConstants& build_constants() {
  static BuildConstants constants;
  return constants;
}

const char* const kNoData = "NO_DATA";

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Reads at most limit bytes of a file (sysfs attributes, small text files).
bool read_small_file(const std::string& path, size_t limit, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text->assign(limit, '\0');
  in.read(text->data(), static_cast<std::streamsize>(limit));
  text->resize(static_cast<size_t>(in.gcount()));
  return !in.bad();
}

std::string trimmed(const std::string& s) {
  size_t begin = 0;
  size_t end = s.size();
  while (begin < end && is_space(s[begin])) ++begin;
  while (end > begin && is_space(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

// A whole decimal number (white space around it allowed).
bool parse_integer(const std::string& text, long long* value) {
  const std::string t = trimmed(text);
  if (t.empty() || t.size() > 18) return false;
  size_t i = t[0] == '-' ? 1 : 0;
  if (i == t.size()) return false;
  for (size_t k = i; k < t.size(); ++k) {
    if (t[k] < '0' || t[k] > '9') return false;
  }
  *value = std::strtoll(t.c_str(), nullptr, 10);
  return true;
}

bool read_integer_file(const std::string& path, long long* value) {
  std::string text;
  return read_small_file(path, 64, &text) && parse_integer(text, value);
}

bool is_directory(const std::string& path) {
  platform::FileStatus st;
  return !path.empty() && platform::file_status(path.c_str(), &st) && st.is_folder;
}

bool is_regular_file(const std::string& path) {
  platform::FileStatus st;
  return platform::file_status(path.c_str(), &st) && st.is_regular;
}

// Creates the folder and any missing parents (mode 0700, as the XDG folders
// are made); true when it is a folder afterwards.
bool make_folders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    platform::folder_make(path.substr(0, slash).c_str(), 0700);
  }
  platform::folder_make(path.c_str(), 0700);
  return is_directory(path);
}

std::string join(const std::string& folder, const char* leaf) {
  std::string base = platform::without_final_slash(folder);
  if (base != "/") base += '/';
  return base + leaf;
}

// An XDG base folder variable; relative values are invalid and ignored.
std::string xdg_variable(const char* name) {
  const char* value = std::getenv(name);
  return platform::path_is_absolute(value) ? std::string(value) : std::string();
}

// A folder of the user's data folder, created when missing; "" when there
// is none.
std::string data_folder_made(const std::string& leaf) {
  const std::string base = platform::user_data_folder();
  if (base.empty()) return std::string();
  const std::string folder = join(base, leaf.c_str());
  if (!is_directory(folder) && !make_folders(folder)) return std::string();
  return folder;
}

// The user's data folder + "/Zorvane".
std::string appdata_folder() { return data_folder_made("Zorvane"); }

// The platform's documents folder; on Linux the documents folder of the XDG
// user folders, else ~/Documents when it exists, else the home folder.
std::string documents_folder() {
  if (const std::optional<std::string> own = platform::documents_folder()) {
    return *own;
  }
  const std::string home = platform::user_home();
  std::string config = xdg_variable("XDG_CONFIG_HOME");
  if (config.empty() && !home.empty()) config = home + "/.config";
  if (!config.empty()) {
    std::string text;
    std::string folder;
    if (read_small_file(join(config, "user-dirs.dirs"), 1 << 16, &text) &&
        xdg_user_dir_parse(text.data(), text.size(), "XDG_DOCUMENTS_DIR", home, &folder) &&
        !folder.empty()) {
      return platform::without_final_slash(folder);
    }
  }
  if (home.empty()) return std::string();
  const std::string documents = home + "/Documents";
  return is_directory(documents) ? documents : home;
}

RtString two_digits_or_more(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%s%d", value >= 0 && value < 10 ? "0" : "", value);
  return RtString(text);
}

RtString clock_answer(bool utc) {
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  std::tm t{};
  if (!(utc ? platform::utc_time(now, &t) : platform::local_time(now, &t)))
    return RtString(kNoData);
  return format_clock_time(t);
}

RtString locale_answer() {
  if (const uint32_t own = platform::ui_language_id(); own != 0) {
    return locale_from_language_id(own);
  }
  const char* names[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != 0) {
      return locale_from_language_id(language_id_from_posix(value));
    }
  }
  return locale_from_language_id(0);
}

// The display's horizontal density; 0 when nothing reports one.
double display_dpi() {
  double dpi = 0;
  return platform::backend().display_dpi(&dpi) ? dpi : 0.0;
}

bool (*g_gl_offered)(const char* name) = nullptr;

// Whether the context offers an entry point of that name (the graphics
// layer knows; without it, nothing is offered).
RtString gl_extension_answer(const std::string& name) {
  if (g_gl_offered != nullptr && !name.empty() && g_gl_offered(name.c_str())) {
    return RtString("1");
  }
  log_lookup_failed(name.c_str());
  return RtString("0");
}

std::string hex_upper(const uint8_t* bytes, size_t count) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

// A new random identifier of 32 hex digits (four 32-bit values in memory
// order).
std::string new_device_identifier() {
  const double game_ms = timer_game_ms();
  const int32_t clock =
      game_ms > -2147483648.0 && game_ms < 2147483648.0 ? static_cast<int32_t>(game_ms) : 0;
  uint32_t values[4];
  values[0] = (static_cast<uint32_t>(std::rand()) * 65536u) | (random_next() & 0x7FFFu);
  values[1] = static_cast<uint32_t>(std::time(nullptr));
  values[2] = ((random_next() & 0x7FFFu) * 65536u) | static_cast<uint32_t>(std::rand());
  values[3] = static_cast<uint32_t>(clock) + (random_next() & 0x7FFFu) * 65536u;
  uint8_t bytes[16];
  std::memcpy(bytes, values, sizeof bytes);
  return hex_upper(bytes, sizeof bytes);
}

}  // namespace

PlatformSources& platform_sources() {
  static PlatformSources sources;
  return sources;
}

void platform_info_set_build(const char* stamp, const char* project_id, const char* version) {
  BuildConstants& b = build_constants();
  b.set = true;
  b.stamp = stamp != nullptr ? stamp : "";
  b.project_id = project_id != nullptr ? project_id : "";
  b.version = version != nullptr ? version : "";
}

bool machine_id_parse(const char* text, size_t length, uint8_t id[16]) {
  const std::string t = trimmed(std::string(text, length));
  if (t.size() != 32) return false;
  bool any = false;
  for (size_t i = 0; i < 16; ++i) {
    int v = 0;
    for (size_t k = 0; k < 2; ++k) {
      const char c = t[2 * i + k];
      int d;
      if (c >= '0' && c <= '9') {
        d = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        d = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        d = c - 'A' + 10;
      } else {
        return false;
      }
      v = v * 16 + d;
    }
    id[i] = static_cast<uint8_t>(v);
    any = any || v != 0;
  }
  return any;
}

uint32_t device_value_from_machine_id(const uint8_t id[16]) {
  uint8_t mac[kSha256Size];
  hmac_sha256(id, 16, kDeviceIdAppKey, sizeof kDeviceIdAppKey, mac);
  return static_cast<uint32_t>(mac[0]) | static_cast<uint32_t>(mac[1]) << 8 |
         static_cast<uint32_t>(mac[2]) << 16 | static_cast<uint32_t>(mac[3]) << 24;
}

RtString device_id_text(uint32_t value) {
  const uint32_t masked = value ^ kDeviceIdMask;
  const uint8_t bytes[4] = {static_cast<uint8_t>(masked), static_cast<uint8_t>(masked >> 8),
                            static_cast<uint8_t>(masked >> 16), static_cast<uint8_t>(masked >> 24)};
  return RtString(hex_upper(bytes, 4).c_str());
}

RtString device_id_answer(const std::string& appdata) {
  if (const std::optional<uint32_t> serial = platform::volume_serial()) {
    if (*serial != 0) return device_id_text(*serial);
  } else {
    for (const std::string& source : platform_sources().machine_id_files) {
      std::string text;
      uint8_t id[16];
      if (read_small_file(source, 256, &text) && machine_id_parse(text.data(), text.size(), id)) {
        const uint32_t value = device_value_from_machine_id(id);
        if (value != 0) return device_id_text(value);
      }
    }
  }
  if (appdata.empty()) return RtString("FA17ED");
  const std::string file = join(appdata, "zorvane.deviceid");
  if (is_regular_file(file)) {
    std::string text;
    if (read_small_file(file, 4096, &text)) {
      const std::string stored = trimmed(text);
      if (!stored.empty()) return RtString(stored.c_str());
    }
  }
  const std::string fresh = new_device_identifier();
  if (!file_replace_whole(file.c_str(), fresh.data(), static_cast<int64_t>(fresh.size()))) {
    return RtString("FA17ED");
  }
  return RtString(fresh.c_str());
}

RtString format_clock_time(const std::tm& t) {
  RtString text(static_cast<int32_t>(t.tm_year + 1900));
  text.append("-");
  text.append(two_digits_or_more(t.tm_mon + 1));
  text.append("-");
  text.append(two_digits_or_more(t.tm_mday));
  text.append(" ");
  text.append(two_digits_or_more(t.tm_hour));
  text.append(":");
  text.append(two_digits_or_more(t.tm_min));
  text.append(":");
  text.append(two_digits_or_more(t.tm_sec));
  return text;
}

RtString locale_from_language_id(uint32_t language_id) {
  for (const LanguageAnswer& entry : kLanguageAnswers) {
    if (entry.id == language_id) return RtString(entry.answer);
  }
  return RtString("us");
}

uint32_t language_id_from_posix(const char* locale) {
  if (locale == nullptr) return 0;
  std::string language;
  std::string territory;
  std::string modifier;
  const char* p = locale;
  for (; *p != 0 && *p != '_' && *p != '.' && *p != '@'; ++p) {
    language += static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p + 32 : *p);
  }
  if (*p == '_') {
    for (++p; *p != 0 && *p != '.' && *p != '@'; ++p) {
      territory += static_cast<char>(*p >= 'a' && *p <= 'z' ? *p - 32 : *p);
    }
  }
  while (*p != 0 && *p != '@') ++p;
  if (*p == '@') modifier = p + 1;

  if (language == "sr" && modifier == "latin") return 0x081A;
  if (language == "uz" && modifier == "cyrillic") return 0x0843;
  if (language == "az" && modifier == "cyrillic") return 0x082C;
  const std::string full = language + "_" + territory;
  for (const PosixLanguage& entry : kPosixLanguages) {
    if (!territory.empty() && full == entry.name) return entry.id;
  }
  for (const PosixLanguage& entry : kPosixLanguages) {
    if (language == entry.name) return entry.id;
  }
  return 0;
}

int32_t dpi_answer(double reported_dpi) {
  if (!(reported_dpi >= 96.0)) return 96;
  if (reported_dpi > 1.0e6) return 1000000;
  return static_cast<int32_t>(std::lround(reported_dpi));  // 143.9 is the 144 the display means
}

int32_t battery_percent(const std::string& root) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::folder_list(root.c_str(), &entries)) return 100;
  long long sum = 0;
  int count = 0;
  for (const platform::FolderEntry& entry : entries) {
    if (entry.name[0] == '.') continue;
    const std::string supply = join(root, entry.name.c_str());
    std::string text;
    if (!read_small_file(supply + "/type", 64, &text) || trimmed(text) != "Battery") continue;
    // Batteries of mice and the like are not the device's own.
    if (read_small_file(supply + "/scope", 64, &text) && trimmed(text) == "Device") continue;
    long long value = 0;
    if (read_integer_file(supply + "/present", &value) && value == 0) continue;
    long long percent = -1;
    long long now = 0;
    long long full = 0;
    if (read_integer_file(supply + "/capacity", &value)) {
      percent = value;
    } else if ((read_integer_file(supply + "/energy_now", &now) &&
                read_integer_file(supply + "/energy_full", &full) && full > 0) ||
               (read_integer_file(supply + "/charge_now", &now) &&
                read_integer_file(supply + "/charge_full", &full) && full > 0)) {
      percent = (now * 100 + full / 2) / full;
    }
    if (percent < 0) continue;
    sum += percent > 100 ? 100 : percent;
    ++count;
  }
  if (count == 0) return 100;
  return static_cast<int32_t>((sum + count / 2) / count);
}

bool xdg_user_dir_parse(const char* text, size_t length, const char* key, const std::string& home,
                        std::string* folder) {
  const std::string all(text, length);
  const size_t key_length = std::strlen(key);
  bool found = false;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    const std::string line = all.substr(start, end - start);
    start = end + 1;

    size_t p = 0;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    if (line.compare(p, key_length, key) != 0) continue;
    p += key_length;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    if (p >= line.size() || line[p] != '=') continue;
    ++p;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    if (p >= line.size() || line[p] != '"') continue;
    ++p;
    std::string value;
    if (line.compare(p, 5, "$HOME") == 0) {
      if (home.empty()) continue;
      p += 5;
      if (p < line.size() && line[p] != '/' && line[p] != '"') continue;  // $HOMEX
      value = home;
    } else if (p >= line.size() || line[p] != '/') {
      continue;  // only absolute folders and folders below $HOME are valid
    }
    while (p < line.size() && line[p] != '"') {
      if (line[p] == '\\' && p + 1 < line.size()) ++p;
      value += line[p++];
    }
    if (value.find('\0') != std::string::npos) continue;
    *folder = value;  // a later line wins
    found = true;
  }
  return found;
}

void platform_info_gl_source_set(bool (*offered)(const char* name)) { g_gl_offered = offered; }

RtString platform_info(const RtString& key) {
  std::string upper(key.data, key.length);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  if (upper.empty()) return RtString(platform::system_name());
  if (upper == "DEVICE") return RtString("DESKTOP");
  if (upper.compare(0, 6, "GLEXT:") == 0) {
    return gl_extension_answer(std::string(key.data + 6, key.length - 6));
  }
  if (upper == "ID") return device_id_answer(appdata_folder());
  if (upper == "TIME") return clock_answer(false);
  if (upper == "UTCTIME") return clock_answer(true);
  if (upper == "BATTERY") {
    const std::optional<int32_t> own = platform::battery_percent();
    return RtString(own ? *own : battery_percent(platform_sources().power_supply_root));
  }
  const BuildConstants& build = build_constants();
  if (upper == "COMPILED") return RtString(build.set ? build.stamp.c_str() : kNoData);
  if (upper == "HOSTID") return RtString(build.set ? build.project_id.c_str() : kNoData);
  if (upper == "VERSION") return RtString(build.set ? build.version.c_str() : kNoData);
  if (upper == "LOCALE") return locale_answer();
  if (upper == "DOCUMENTS") {
    const std::string folder = documents_folder();
    return RtString(folder.empty() ? kNoData : folder.c_str());
  }
  if (upper == "APPDATA") {
    const std::string folder = appdata_folder();
    return RtString(folder.empty() ? kNoData : folder.c_str());
  }
  if (upper == "TEMP") return temp_folder();
  if (upper == "DPI") return RtString(static_cast<int32_t>(dpi_answer(display_dpi())));
  return RtString(kNoData);
}

std::string folder_name_for(const char* name, size_t length) {
  // Long enough for any title, short enough for every file system's names.
  constexpr size_t kLongest = 128;
  std::string safe(name, length < kLongest ? length : kLongest);
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127 || std::strchr("/\\:*?\"<>|", c) != nullptr) c = '_';
  }
  // Windows drops trailing dots and blanks, and "." or ".." would leave the
  // data folder.
  for (size_t i = safe.size(); i > 0 && (safe[i - 1] == '.' || safe[i - 1] == ' '); --i) {
    safe[i - 1] = '_';
  }
  return safe.empty() ? std::string("game") : safe;
}

RtString save_folder() {
  const std::string folder =
      data_folder_made(folder_name_for(ctx.app_name.data, ctx.app_name.length));
  return folder.empty() ? RtString() : RtString((folder + "/").c_str());
}

}  // namespace zrv
