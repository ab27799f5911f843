// The media player on Windows: MCI, one device per opened file, driven by
// command strings. A file is opened on DirectShow's device (mpegvideo:
// WAV, MP3, WMA and video alike, with a volume) and, where that cannot take
// it, on the device its name says (waveaudio for WAV, sequencer for MIDI).
// Bytes in memory are played from a temporary file. Video pictures are not
// drawn through GL: the device paints them into a child window of the game
// window at the rectangle the runtime gives (place_video); until then its
// own window stays hidden.
#include "platform/media.hpp"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <memory>
#include <string>

#include "platform/clock.hpp"
#include "platform/win32/media_timing.hpp"
#include "platform/win32/text.hpp"
#include "platform/win32/window_system.hpp"

namespace zrv::platform {

struct MediaPlayer {
  std::wstring alias;  // the MCI device's name; empty when none is open
  bool loaded = false;
  bool silent = false;  // no output: the clock alone keeps time
  bool has_volume = false;
  bool paused = true;
  int32_t volume = 1000;
  win32::PlayClock clock;
  std::wstring temp_file;  // bytes from memory, removed on close
  HWND picture = nullptr;  // the child window the pictures go to
};

namespace {

std::string g_audio_output;  // as set; process-wide
unsigned g_next_alias = 0;

double now_ms() { return static_cast<double>(monotonic_us()) / 1000.0; }

// One MCI command string; its answer in *reply. True on success.
bool mci(const std::wstring& command, std::wstring* reply = nullptr) {
  wchar_t answer[128] = L"";
  const MCIERROR e = mciSendStringW(command.c_str(), answer, 128, nullptr);
  if (reply) *reply = answer;
  return e == 0;
}

bool mci(MediaPlayer* p, const std::wstring& verb, const std::wstring& rest = L"",
         std::wstring* reply = nullptr) {
  if (p->alias.empty()) return false;
  return mci(verb + L" " + p->alias + (rest.empty() ? L"" : L" " + rest), reply);
}

std::wstring mode_of(MediaPlayer* p) {
  std::wstring mode;
  if (!mci(p, L"status", L"mode", &mode)) return L"";
  return mode;
}

double number_of(MediaPlayer* p, const wchar_t* item) {
  std::wstring value;
  if (!mci(p, L"status", item, &value)) return -1;
  return std::wcstod(value.c_str(), nullptr);
}

// A name MCI takes: the full path with backslashes (it needs no quoting
// beyond the double quotes, which no Windows name contains), in its short
// form when long, since some MCI drivers keep no more than 128 characters.
std::wstring full_path(const char* path) {
  std::wstring wide = win32::wide_text(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  wchar_t buffer[MAX_PATH * 4];
  DWORD n = GetFullPathNameW(wide.c_str(), MAX_PATH * 4, buffer, nullptr);
  if (n == 0 || n >= MAX_PATH * 4) return wide;
  if (n < 120) return buffer;
  wchar_t short_name[MAX_PATH * 4];
  n = GetShortPathNameW(buffer, short_name, MAX_PATH * 4);
  return n != 0 && n < MAX_PATH * 4 ? short_name : buffer;
}

bool file_exists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The name's extension in lower case, with its dot ("" when none).
std::wstring extension_of(const std::wstring& path) {
  const size_t dot = path.find_last_of(L".\\");
  if (dot == std::wstring::npos || path[dot] != L'.') return L"";
  std::wstring ext = path.substr(dot);
  for (wchar_t& c : ext) c = static_cast<wchar_t>(std::towlower(c));
  return ext;
}

bool is_midi(const std::wstring& path) {
  const std::wstring ext = extension_of(path);
  return ext == L".mid" || ext == L".midi" || ext == L".rmi";
}

// Opens the device for the file under the player's alias: DirectShow's
// (it has a volume), then the one MCI picks by the name's extension.
// MIDI goes to the sequencer, which DirectShow's device would take too but
// play through its own synthesiser, without the system's MIDI mapping.
bool open_device(MediaPlayer* p, const std::wstring& path) {
  const std::wstring quoted = L"\"" + path + L"\"";
  const std::wstring alias = L" alias " + p->alias;
  // AVI goes to its own device first: it draws its pictures with GDI into
  // any window it is given.
  if (extension_of(path) == L".avi" && mci(L"open " + quoted + L" type avivideo" + alias))
    return true;
  if (!is_midi(path) && mci(L"open " + quoted + L" type mpegvideo" + alias)) return true;
  return mci(L"open " + quoted + alias);
}

void close_device(MediaPlayer* p) {
  if (!p->alias.empty()) mci(p, L"close");
  p->alias.clear();
  if (p->picture != nullptr) DestroyWindow(p->picture);
  p->picture = nullptr;
}

// Four numbers of an answer such as "0 0 320 240".
bool four_numbers(const std::wstring& text, long out[4]) {
  const wchar_t* at = text.c_str();
  for (int i = 0; i < 4; ++i) {
    wchar_t* end = nullptr;
    out[i] = std::wcstol(at, &end, 10);
    if (end == at) return false;
    at = end;
  }
  return true;
}

// The device was told to play; a system without an output device (or
// without a driver for it) accepts that and stays stopped.
bool device_started(MediaPlayer* p) {
  const std::wstring mode = mode_of(p);
  return mode == L"playing" || mode == L"seeking";
}

void start(MediaPlayer* p) {
  if (!p->loaded || p->clock.running() || p->clock.at_end(now_ms())) return;
  if (!p->silent) {
    const bool resumed = mode_of(p) == L"paused" && mci(p, L"resume");
    if (!resumed) mci(p, L"play");
    if (!device_started(p)) p->silent = true;
  }
  p->clock.start(now_ms());
}

// Finds the end of a playing device: it stopped on its own.
void check_end(MediaPlayer* p) {
  if (p->silent || !p->clock.running()) return;
  if (mode_of(p) == L"stopped") p->clock.put(p->clock.length());
}

MediaPlayer* open_file(const std::wstring& path, bool silent, bool video) {
  auto* p = new MediaPlayer;
  p->alias = L"zrvmedia" + std::to_wstring(++g_next_alias);
  p->silent = silent;
  if (!file_exists(path) || !open_device(p, path)) {
    p->alias.clear();
    return p;
  }
  mci(p, L"set", L"time format milliseconds");
  p->clock.set_length(std::max(0.0, number_of(p, L"length")));
  // A video's own window would pop up on play; its pictures are not shown.
  mci(p, L"window", L"state hide");
  // The wave and MIDI devices have no volume; DirectShow's counts 0..1000.
  p->has_volume = mci(p, L"setaudio", L"volume to 1000");
  // A clip without sound output still shows its pictures: the device plays
  // with its sound off.
  std::wstring where;
  if (silent && video && mci(p, L"where", L"source", &where) && mci(p, L"setaudio", L"off")) {
    p->silent = false;
  }
  p->loaded = true;
  return p;
}

bool is_loaded(const MediaPlayer* p) { return p != nullptr && p->loaded; }

class MciMedia final : public Media {
 public:
  explicit MciMedia(const char* default_audio_output)
      : default_audio_output_(default_audio_output ? default_audio_output : "") {}

  void set_audio_output(const char* name) override { g_audio_output = name ? name : ""; }

  MediaPlayer* open(const char* path, bool video, GlProcLookup gl_lookup) override {
    if (path == nullptr || path[0] == 0) return nullptr;
    return open_file(full_path(path), silent(), video);
  }

  MediaPlayer* open_memory(std::shared_ptr<const uint8_t> data, size_t length, bool video,
                           GlProcLookup gl_lookup) override {
    if (!data) return nullptr;
    // MCI opens files only: the bytes go to a temporary file named for
    // what they hold.
    wchar_t folder[MAX_PATH + 2];
    wchar_t name[MAX_PATH + 2];
    const DWORD n = GetTempPathW(MAX_PATH + 2, folder);
    if (n == 0 || n > MAX_PATH + 1 || GetTempFileNameW(folder, L"zrm", 0, name) == 0) {
      return nullptr;
    }
    const std::wstring made = name;  // GetTempFileName created it, empty
    const std::wstring path =
        made + win32::wide_text(win32::media_extension(data.get(), std::min<size_t>(length, 16)));
    if (path != made && !MoveFileExW(made.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      DeleteFileW(made.c_str());
      return nullptr;
    }
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY, nullptr);
    bool written = h != INVALID_HANDLE_VALUE;
    for (size_t done = 0; written && done < length;) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length - done, 1u << 30));
      DWORD wrote = 0;
      written = WriteFile(h, data.get() + done, chunk, &wrote, nullptr) && wrote == chunk;
      done += chunk;
    }
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!written) {
      DeleteFileW(path.c_str());
      return nullptr;
    }
    MediaPlayer* p = open_file(path, silent(), video);
    p->temp_file = path;
    return p;
  }

  void close(MediaPlayer* player) override {
    if (player == nullptr) return;
    close_device(player);
    if (!player->temp_file.empty()) DeleteFileW(player->temp_file.c_str());
    delete player;
  }

  bool loaded(MediaPlayer* player) override { return is_loaded(player); }

  double length_ms(MediaPlayer* player) override {
    return is_loaded(player) ? player->clock.length() : 0;
  }

  double position_ms(MediaPlayer* player) override {
    if (!is_loaded(player)) return 0;
    check_end(player);
    const double by_clock = player->clock.position(now_ms());
    if (player->silent || !player->clock.running()) return by_clock;
    const double by_device = number_of(player, L"position");
    return by_device >= 0 ? std::min(by_clock, by_device) : by_clock;
  }

  void play(MediaPlayer* player) override {
    if (player == nullptr) return;
    player->paused = false;
    check_end(player);
    start(player);
  }

  void pause(MediaPlayer* player) override {
    if (player == nullptr) return;
    player->paused = true;
    if (!player->clock.running()) return;
    const double at = position_ms(player);
    if (!player->silent) mci(player, L"pause");
    player->clock.put(at);
  }

  bool paused(MediaPlayer* player) override { return player != nullptr && player->paused; }

  void seek_start(MediaPlayer* player) override {
    if (!is_loaded(player)) return;
    // Seeking stops the device; a player that was not paused goes on.
    if (!player->silent) mci(player, L"seek", L"to start");
    player->clock.put(0);
    if (!player->paused) start(player);
  }

  void stop(MediaPlayer* player) override {
    if (player == nullptr) return;
    player->paused = true;
    if (!player->silent) mci(player, L"stop");
    player->clock.put(0);
    player->loaded = false;
  }

  void set_volume(MediaPlayer* player, int32_t units) override {
    if (player == nullptr) return;
    player->volume = std::clamp(units, 0, 2000);
    // The device's scale ends at normal.
    if (player->has_volume) {
      mci(player, L"setaudio", L"volume to " + std::to_wstring(std::min(player->volume, 1000)));
    }
  }

  int32_t volume(MediaPlayer* player) override { return player ? player->volume : 0; }

  bool video_size(MediaPlayer* player, int32_t* width, int32_t* height) override {
    std::wstring where;
    long rect[4];
    if (!is_loaded(player) || !mci(player, L"where", L"source", &where) ||
        !four_numbers(where, rect) || rect[2] <= 0 || rect[3] <= 0) {
      return false;
    }
    *width = static_cast<int32_t>(rect[2]);
    *height = static_cast<int32_t>(rect[3]);
    return true;
  }

  void place_video(MediaPlayer* player, Window* window, const Rect& rect) override {
    if (!is_loaded(player) || window == nullptr || window->hwnd == nullptr || rect.w <= 0 ||
        rect.h <= 0) {
      return;
    }
    if (player->picture == nullptr) {
      // A plain child: the device paints all of it; the game window's
      // WS_CLIPCHILDREN keeps GL from drawing over it.
      player->picture = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BLACKRECT,
                                        rect.x, rect.y, rect.w, rect.h, window->hwnd, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
      if (player->picture == nullptr) return;
      const auto handle = reinterpret_cast<uintptr_t>(player->picture);
      if (!mci(player, L"window", L"handle " + std::to_wstring(handle))) return;
    } else {
      MoveWindow(player->picture, rect.x, rect.y, rect.w, rect.h, TRUE);
    }
    mci(player, L"put",
        L"destination at 0 0 " + std::to_wstring(rect.w) + L" " + std::to_wstring(rect.h));
  }

  void service(MediaPlayer* player) override {
    if (is_loaded(player)) check_end(player);
  }

 private:
  bool silent() const {
    const std::string& out = g_audio_output.empty() ? default_audio_output_ : g_audio_output;
    return out == "null";
  }

  std::string default_audio_output_;
};

}  // namespace

namespace win32 {

std::unique_ptr<Media> make_media(const char* default_audio_output) {
  return std::make_unique<MciMedia>(default_audio_output);
}

}  // namespace win32

}  // namespace zrv::platform
