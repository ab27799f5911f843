// Line files: a text file treated as an array of up to 256 lines addressed
// by number. One file is cached at a time; changes are written back (whole,
// through a temporary file) when another line file is used or the program
// ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/rt_string.hpp"

namespace zrv {

constexpr int32_t kLineFileLines = 256;
constexpr int32_t kLineFileLineSize = 1024;

struct LineFileCache {
  char name[kLineFileLineSize];                   // the cached file, "" = none
  char lines[kLineFileLines][kLineFileLineSize];  // texts, empty when absent
  int32_t last_index;                             // last line that exists (0 when empty)
  uint8_t dirty;                                  // written since it was saved
  // The name the caller gave when the cache was loaded through the archive:
  // two entries resolve to the same memory name when one block's address is
  // reused for the next, and must not count as the same file.
  char source[kLineFileLineSize];
  // Where a write-back goes: the name made absolute when it was loaded.
  std::string write_path;
  // The file's bytes as read, and where each line read from them ends
  // (its line feed included). The line limits are for reading: a
  // write-back gives every line that was not written its own bytes again
  // (long lines, NUL bytes and lone carriage returns included), and the
  // bytes after line 255 of a longer file follow unchanged.
  std::string raw;
  std::vector<int64_t> line_ends;
  uint8_t written[kLineFileLines];  // 1: the line holds a text written since
};

void line_file_read(const RtString& file, double number, RtString& out);
void line_file_read_int(const RtString& file, double number, int32_t& out);
void line_file_read_number(const RtString& file, double number, double& out);
void line_file_write(const RtString& file, double number, const RtString& text);
void line_file_write_number(const RtString& file, double number, double value);

// --- Shared parts ----------------------------------------------------------

// The process's cache (created on first use).
LineFileCache& line_file_instance();
// Makes the named file the cached one (name null: only writes a dirty cache
// back and empties it). source is the caller's name before resolution,
// command the one that asks (for the message). False when the file was to
// be loaded and could not be opened (error 3).
bool line_file_load(const char* name, const char* source, const char* command);
// Writes a dirty cache back; true when nothing had to be written or the new
// file is in place. A failed write leaves the old file complete.
bool line_file_write_back(LineFileCache& cache);

// Registers ini_line_files_flush to run at process exit (once).
void ini_line_files_register_exit();

// Shutdown: writes a dirty INI file and a dirty line file back. Safe to call
// more than once; also runs at process exit once either facility was used.
void ini_line_files_flush();
// Frees both caches without writing anything (after the flush).
void ini_line_files_destroy();

}  // namespace zrv
