// Scripted keyboard: a text file of lines "F KEY STATE" that make KEY (a
// scan code, or a name of zrv::key such as Space) read as down (STATE 1) or
// up (STATE 0) once F frames have been presented.
// It stands in for the keyboard in headless runs and drives tests, so the
// same script always gives the same key states frame for frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zrv {

// Replaces the current script with the file's lines: frame >= 0, key (code
// 0..255 or a name, in any case), state 0 or 1; blank lines and lines
// starting with '#' are skipped. Entries due by the number of frames already
// presented take effect at once. Returns false, with the reason in *why
// (the file, or the first line that cannot be read), and leaves an empty
// script (every key up) when the file cannot be read whole.
bool key_script_load(const char* path, std::string* why);

// The same from text in memory: 0, or the number of the first line that
// cannot be read (the script is then empty).
int64_t key_script_load_text(const char* text, size_t size);

// Applies every entry whose frame number is <= frames_completed, in frame
// order and, within a frame, in file order. Called after each presented frame.
void key_script_advance(int64_t frames_completed);

// 1 when the key (low 8 bits of code) is down by the script, else 0.
int32_t key_script_down(int32_t code);

// Whether a script has been loaded (a keyboard source exists).
bool key_script_active();

// Forgets the script: no entries, every key up, no keyboard source.
void key_script_clear();

}  // namespace zrv
