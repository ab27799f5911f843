// The string library: substrings and character codes, trimming, case,
// search and replace, URL encoding, hex output, number formatting and
// parsing, the last-error text and the program's embedded data lists.
// Positions are 0-based byte offsets; out-of-range positions give empty
// texts, 0 or -1, never a failure.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"
#include "types/data_list.hpp"

namespace zrv {

// Substring of count bytes from start; a negative count means up to the end.
RtString str_mid(const RtString& text, int32_t start, int32_t count);
// Code (0..255) of the first byte, 0 for an empty text.
int32_t str_asc(const RtString& text);
// Code of the byte at position, 0 outside the text.
int32_t str_asc_at(const RtString& text, int32_t position);
// One-byte text holding the low 8 bits of code (length 1 even for 0).
RtString str_chr(int32_t code);

// Strip leading / trailing bytes that occur among the bytes of set.
RtString str_trim_left(const RtString& text, const RtString& set);
RtString str_trim_right(const RtString& text, const RtString& set);

// ASCII letters only; bytes of 128 and above stay as they are.
RtString str_upper(const RtString& text);
RtString str_lower(const RtString& text);
void str_upper_in_place(RtString& text);
void str_lower_in_place(RtString& text);

// Leftmost occurrence of pattern at or after start, or -1. An empty pattern
// is never found; a negative start searches from 0. An RtString counts its
// length, a C string its bytes up to the terminator.
int32_t str_find(const RtString& text, const RtString& pattern, int32_t start);
int32_t str_find(const RtString& text, const char* pattern, int32_t start);
int32_t str_find(const char* text, const RtString& pattern, int32_t start);
int32_t str_find(const char* text, const char* pattern, int32_t start);
// Last occurrence beginning at or before start (negative start: the last
// position the pattern fits at), or -1. Occurrences may overlap.
int32_t str_find_last(const RtString& text, const RtString& pattern, int32_t start);
int32_t str_find_last(const RtString& text, const char* pattern, int32_t start);
int32_t str_find_last(const char* text, const RtString& pattern, int32_t start);
int32_t str_find_last(const char* text, const char* pattern, int32_t start);
// Every occurrence replaced, left to right; replacements are not rescanned.
RtString str_replace(const RtString& text, const RtString& pattern, const RtString& replacement);

// Percent encoding: letters and digits kept, bytes of 128 and above as their
// two-byte UTF-8 form, everything else as "%xx" (lower-case hex).
RtString str_url_encode(const RtString& text);
// "+" to space, "%xx" to its byte, then UTF-8 to 8-bit.
RtString str_url_decode(const RtString& text);
// Converts the variable from UTF-8 to 8-bit bytes in place.
void str_utf8_to_latin1(RtString& text);

// Two hex digits per byte; count <= 0 or no bytes give "".
RtString str_hex_bytes(const void* bytes, int32_t count, int32_t upper);
// Lower-case hex of the value taken as unsigned, no leading zeros.
RtString str_hex_int(int32_t value);

// The value right-aligned in a field of width characters (negative width:
// left-aligned), doubles with the given number of decimals. Width and
// decimals are truncated toward zero; the text is never cut.
RtString str_format_number(double width, double decimals, double value);
RtString str_format_number(double width, double decimals, int32_t value);
RtString str_format_number(double width, double decimals, int64_t value);

// C atof / atoi of the text up to its first zero byte. str_to_int saturates
// at the 32-bit limits.
double str_to_float(const RtString& text);
double str_to_float(const char* text);
int32_t str_to_int(const RtString& text);
int32_t str_to_int(const char* text);

// Length of the text the number converts to.
int32_t str_len_of_number(double value);
int32_t str_len_of_number(int32_t value);

// "%.4d %s" of ctx.last_error and its message, e.g. "0009 out of bounds".
RtString runtime_error_text();

// Makes the list current and rewinds it.
void data_restore(DataList& list);
// Read the next item of the current list. Past the end: error 20 and the
// program ends (the destination is left unchanged).
void data_read(int32_t& value);
void data_read(double& value);
void data_read(RtString& value);

}  // namespace zrv
