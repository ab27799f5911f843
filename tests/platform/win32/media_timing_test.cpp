// The MCI player's helpers: the kind of bytes played from memory, and the
// clock that keeps a player's position.
#include "platform/win32/media_timing.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using zrv::platform::win32::media_extension;
using zrv::platform::win32::PlayClock;

std::string kind(std::vector<uint8_t> head) { return media_extension(head.data(), head.size()); }

// The bytes of a literal, zeros inside it included.
template <size_t N>
std::vector<uint8_t> bytes(const char (&s)[N]) {
  return {reinterpret_cast<const uint8_t*>(s), reinterpret_cast<const uint8_t*>(s) + N - 1};
}

TEST(MediaTiming, BytesAreNamedForWhatTheyHold) {
  EXPECT_EQ(kind(bytes("RIFF\x24\x10\0\0WAVEfmt ")), ".wav");
  EXPECT_EQ(kind(bytes("RIFF\x24\x10\0\0AVI LIST")), ".avi");
  EXPECT_EQ(kind(bytes("RIFF\x24\x10\0\0RMIDdata")), ".rmi");
  EXPECT_EQ(kind(bytes("MThd\0\0\0\x06")), ".mid");
  EXPECT_EQ(kind(bytes("OggS\0\x02")), ".ogg");
  EXPECT_EQ(kind(bytes("fLaC\0\0\0\x22")), ".flac");
  EXPECT_EQ(kind(bytes("\0\0\0\x20"
                       "ftypisom")),
            ".mp4");
  EXPECT_EQ(kind({0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6}), ".wma");
  EXPECT_EQ(kind(bytes("ID3\x04\0\0")), ".mp3");
  EXPECT_EQ(kind({0xFF, 0xFB, 0x90, 0x64}), ".mp3");  // MPEG-1 layer III frame
  EXPECT_EQ(kind({0x00, 0x00, 0x01, 0xBA, 0x44}), ".mpg");
}

TEST(MediaTiming, UnknownOrShortBytesHaveNoName) {
  EXPECT_EQ(kind({}), "");
  EXPECT_EQ(kind(bytes("RIFF")), "");
  EXPECT_EQ(kind(bytes("RIFF\x24\x10\0\0WAV")), "");
  EXPECT_EQ(kind(bytes("hello world")), "");
  EXPECT_EQ(kind({0xFF, 0xF9}), "");  // sync bits, but layer 0 (reserved)
  EXPECT_EQ(kind({0xFF}), "");
}

TEST(MediaTiming, TheClockStandsUntilStarted) {
  PlayClock c;
  c.set_length(1500);
  EXPECT_FALSE(c.running());
  EXPECT_EQ(c.position(100), 0);
  EXPECT_EQ(c.position(5000), 0);
  EXPECT_FALSE(c.at_end(5000));
}

TEST(MediaTiming, TheClockRunsAndStopsAtTheLength) {
  PlayClock c;
  c.set_length(1500);
  c.start(1000);
  EXPECT_TRUE(c.running());
  EXPECT_EQ(c.position(1000), 0);
  EXPECT_EQ(c.position(1250), 250);
  EXPECT_EQ(c.position(2499), 1499);
  EXPECT_EQ(c.position(2500), 1500);
  EXPECT_EQ(c.position(9000), 1500);
  EXPECT_TRUE(c.at_end(2500));
  // A clock read before the start (another thread's time) is no step back.
  EXPECT_EQ(c.position(900), 0);
}

TEST(MediaTiming, HaltingKeepsThePositionAndStartingGoesOnFromIt) {
  PlayClock c;
  c.set_length(1500);
  c.start(0);
  c.halt(400);
  EXPECT_FALSE(c.running());
  EXPECT_EQ(c.position(10000), 400);
  c.start(20000);
  EXPECT_EQ(c.position(20100), 500);
  // Starting a running clock again changes nothing.
  c.start(20050);
  EXPECT_EQ(c.position(20100), 500);
}

TEST(MediaTiming, PuttingHaltsWithinTheLength) {
  PlayClock c;
  c.set_length(1000);
  c.start(0);
  c.put(0);
  EXPECT_FALSE(c.running());
  EXPECT_EQ(c.position(700), 0);
  c.put(5000);
  EXPECT_EQ(c.position(0), 1000);
  EXPECT_TRUE(c.at_end(0));
  c.put(-3);
  EXPECT_EQ(c.position(0), 0);
}

TEST(MediaTiming, AnEmptyTrackIsAtItsEndAtOnce) {
  PlayClock c;
  c.set_length(0);
  EXPECT_TRUE(c.at_end(0));
  c.start(0);
  EXPECT_EQ(c.position(100), 0);
}

}  // namespace
