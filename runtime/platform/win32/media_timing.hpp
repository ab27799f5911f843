// What the MCI media player needs besides MCI: the kind of a file from its
// first bytes (bytes in memory are played from a temporary file, whose name
// must say what it holds) and the player's own clock. Plain arithmetic, so
// that it needs no Win32 header.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zrv::platform::win32 {

// The file name extension that makes MCI and DirectShow take bytes for what
// they are; "" when they are none of the known kinds.
inline const char* media_extension(const uint8_t* head, size_t n) {
  auto at = [&](size_t offset, const char* tag) {
    const size_t len = std::strlen(tag);
    return n >= offset + len && std::memcmp(head + offset, tag, len) == 0;
  };
  if (at(0, "RIFF") && at(8, "WAVE")) return ".wav";
  if (at(0, "RIFF") && at(8, "AVI ")) return ".avi";
  if (at(0, "RIFF") && at(8, "RMID")) return ".rmi";
  if (at(0, "MThd")) return ".mid";
  if (at(0, "OggS")) return ".ogg";
  if (at(0, "fLaC")) return ".flac";
  if (at(4, "ftyp")) return ".mp4";
  // The ASF header object's GUID, which WMA and WMV files start with.
  static const uint8_t kAsf[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
  if (n >= sizeof kAsf && std::memcmp(head, kAsf, sizeof kAsf) == 0) return ".wma";
  if (at(0, "ID3")) return ".mp3";
  // An MPEG audio frame: 11 sync bits, a layer that is not 0.
  if (n >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0 && (head[1] & 0x06) != 0) return ".mp3";
  static const uint8_t kMpegPack[] = {0x00, 0x00, 0x01, 0xBA};
  if (n >= 4 && std::memcmp(head, kMpegPack, 4) == 0) return ".mpg";
  return "";
}

// A player's position by the clock: where it was last put (by opening,
// seeking or pausing), plus the time it has been running since, up to the
// length. A device that cannot play keeps time this way alone; one that
// plays is never ahead of it (the wave device of some systems counts what
// it has queued, not what was heard).
class PlayClock {
 public:
  void set_length(double length_ms) { length_ = std::max(0.0, length_ms); }
  double length() const { return length_; }
  bool running() const { return running_; }

  double position(double now_ms) const {
    if (!running_) return base_;
    return std::min(length_, base_ + std::max(0.0, now_ms - started_));
  }
  bool at_end(double now_ms) const { return position(now_ms) >= length_; }

  void start(double now_ms) {
    if (running_) return;
    started_ = now_ms;
    running_ = true;
  }
  void halt(double now_ms) {
    base_ = position(now_ms);
    running_ = false;
  }
  // Puts the position somewhere (halted): the start, the end, or where the
  // device says it stopped.
  void put(double position_ms) {
    base_ = std::clamp(position_ms, 0.0, length_);
    running_ = false;
  }

 private:
  double length_ = 0;
  double base_ = 0;
  double started_ = 0;
  bool running_ = false;
};

}  // namespace zrv::platform::win32
