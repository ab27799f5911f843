// RtString: the runtime's byte string. Exclusive ownership of a heap block,
// one shared read-only empty buffer for every empty string, and fixed rules
// for capacity growth and number-to-text conversion.
#pragma once

#include <cstdint>

namespace zrv {

class RtString {
 public:
  char* data;         // never null; the shared empty buffer or an owned block
  uint32_t capacity;  // bytes of the owned block, terminator included; 0 = shared
  uint32_t length;    // text bytes, terminator excluded

  RtString();
  RtString(const char* text);  // NOLINT(google-explicit-constructor): game code relies on it
  RtString(const RtString& other);
  RtString(RtString&& other) noexcept;
  explicit RtString(int32_t value);
  explicit RtString(int64_t value);
  explicit RtString(double value);
  explicit RtString(float value);
  ~RtString();

  RtString& operator=(const RtString& other);
  RtString& operator=(RtString&& other) noexcept;
  RtString& operator=(const char* text);

  // Frees the owned block; the string is empty (and valid) afterwards.
  void release();
  void assign(const RtString& other);
  void assign(const char* text);  // exact-size block, no rounding
  void swap(RtString& other) noexcept;
  // Room for n bytes plus terminator; keep copies the old text. Without keep
  // a new block starts as the empty text (length 0).
  void reserve(uint32_t n, bool keep);
  char* buffer_for_write(uint32_t n);
  void recount_length();
  void truncate(int32_t n);

  void append(const RtString& other);
  void append(const char* text);
  void append(int32_t value);
  void append(int64_t value);
  void append(float value);
  void append(double value);
  void append_char(char c);

  RtString& operator+=(const RtString& other) {
    append(other);
    return *this;
  }
  RtString& operator+=(const char* text) {
    append(text);
    return *this;
  }

  const char* c_str() const { return data; }
  bool empty() const { return length == 0; }
  bool is_shared_empty() const;

  // The shared empty buffer (16 zero bytes, never written or freed).
  static char* shared_empty();
};

// Concatenation for every pairing of text operands and of a text operand with
// a number operand (numbers converted as by the constructors).
RtString operator+(const RtString& a, const RtString& b);
RtString operator+(const RtString& a, const char* b);
RtString operator+(const char* a, const RtString& b);
RtString str_concat(const char* a, const char* b);
RtString operator+(const RtString& a, int32_t b);
RtString operator+(const RtString& a, int64_t b);
RtString operator+(const RtString& a, float b);
RtString operator+(const RtString& a, double b);
RtString operator+(int32_t a, const RtString& b);
RtString operator+(int64_t a, const RtString& b);
RtString operator+(float a, const RtString& b);
RtString operator+(double a, const RtString& b);
// Operators need a class operand, so the pairings of a C string with a C
// string or a number are named functions.
RtString str_concat(const char* a, int32_t b);
RtString str_concat(const char* a, int64_t b);
RtString str_concat(const char* a, float b);
RtString str_concat(const char* a, double b);
RtString str_concat(int32_t a, const char* b);
RtString str_concat(int64_t a, const char* b);
RtString str_concat(float a, const char* b);
RtString str_concat(double a, const char* b);

// Comparisons. Text with text compares as C strings (strcmp: unsigned bytes,
// up to the first zero byte). Text with a number converts the text (atof for
// floating values, atoi for 32-bit integers) and compares numerically; the
// operands keep their sides. A null C string reads as "".
bool operator==(const RtString& a, const RtString& b);
bool operator!=(const RtString& a, const RtString& b);
bool operator<(const RtString& a, const RtString& b);
bool operator>(const RtString& a, const RtString& b);
bool operator<=(const RtString& a, const RtString& b);
bool operator>=(const RtString& a, const RtString& b);
bool operator==(const RtString& a, const char* b);
bool operator!=(const RtString& a, const char* b);
bool operator<(const RtString& a, const char* b);
bool operator>(const RtString& a, const char* b);
bool operator<=(const RtString& a, const char* b);
bool operator>=(const RtString& a, const char* b);
bool operator==(const char* a, const RtString& b);
bool operator!=(const char* a, const RtString& b);
bool operator<(const char* a, const RtString& b);
bool operator>(const char* a, const RtString& b);
bool operator<=(const char* a, const RtString& b);
bool operator>=(const char* a, const RtString& b);
// Floats take these through promotion to double.
bool operator==(const RtString& a, double b);
bool operator!=(const RtString& a, double b);
bool operator<(const RtString& a, double b);
bool operator>(const RtString& a, double b);
bool operator<=(const RtString& a, double b);
bool operator>=(const RtString& a, double b);
bool operator==(double a, const RtString& b);
bool operator!=(double a, const RtString& b);
bool operator<(double a, const RtString& b);
bool operator>(double a, const RtString& b);
bool operator<=(double a, const RtString& b);
bool operator>=(double a, const RtString& b);
bool operator==(const RtString& a, int32_t b);
bool operator!=(const RtString& a, int32_t b);
bool operator<(const RtString& a, int32_t b);
bool operator>(const RtString& a, int32_t b);
bool operator<=(const RtString& a, int32_t b);
bool operator>=(const RtString& a, int32_t b);
bool operator==(int32_t a, const RtString& b);
bool operator!=(int32_t a, const RtString& b);
bool operator<(int32_t a, const RtString& b);
bool operator>(int32_t a, const RtString& b);
bool operator<=(int32_t a, const RtString& b);
bool operator>=(int32_t a, const RtString& b);

// Three-way forms of the comparisons above: -1, 0 or 1 (0 also when a
// floating operand is NaN, which is neither less nor greater).
int32_t str_compare(const RtString& a, const RtString& b);
int32_t str_compare(const RtString& a, const char* b);
int32_t str_compare(const char* a, const RtString& b);
int32_t str_compare(const char* a, const char* b);
int32_t str_compare(const RtString& a, double b);
int32_t str_compare(double a, const RtString& b);
int32_t str_compare(const char* a, double b);
int32_t str_compare(double a, const char* b);
int32_t str_compare(const RtString& a, int32_t b);
int32_t str_compare(int32_t a, const RtString& b);
int32_t str_compare(const char* a, int32_t b);
int32_t str_compare(int32_t a, const char* b);

// Exact equality: same length and same bytes, embedded zero bytes included
// (used where names must match byte for byte).
bool str_equal_exact(const RtString& a, const RtString& b);

}  // namespace zrv
