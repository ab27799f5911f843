// RtString: allocation policy, construction, assignment, appending,
// concatenation and number-to-text conversion.
#include "base/rt_string.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "base/errors.hpp"

namespace zrv {

namespace {

// Every empty string points here. Zero-filled, never written, never freed.
alignas(16) char g_shared_empty[16] = {};

// Longest text a string may hold. Keeps the capacity rule ((n + 1) & ~15) + 16
// inside 32 bits and every position inside a signed 32-bit integer.
constexpr uint32_t kMaxText = 0x7FFFFFD0u;

// Working sizes of the number conversions: 15 characters for 32-bit integers
// (capacity 32), 63 for 64-bit integers and floating values (capacity 80).
constexpr uint32_t kInt32Room = 15;
constexpr uint32_t kWideRoom = 63;

[[noreturn]] void out_of_memory() {
  error_say(kErrOutOfMemory, "string: out of memory, or longer than a string holds");
  program_end_fatal();
  // program_end returns only when the program is already ending.
  std::abort();
}

char* allocate(uint32_t size) {
  void* block = std::malloc(size);
  if (block == nullptr) out_of_memory();
  return static_cast<char*>(block);
}

uint32_t checked_text_size(uint64_t n) {
  if (n > kMaxText) out_of_memory();
  return static_cast<uint32_t>(n);
}

// Decimal text of a 64-bit value, sign first; out holds at least 21 bytes.
void write_decimal(int64_t value, char* out) {
  char digits[24];
  int n = 0;
  // Work on the magnitude as unsigned so that the most negative value works.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  char* p = out;
  if (value < 0) *p++ = '-';
  while (n > 0) *p++ = digits[--n];
  *p = 0;
}

// 10 significant digits, fixed notation where the exponent allows it and
// exponential otherwise, no trailing zeros; like the classic gcvt, a fixed
// text always carries a decimal point ("100."). out holds at least 32 bytes.
void write_gcvt10(double value, char* out, size_t size) {
  if (std::isnan(value)) {
    std::snprintf(out, size, "nan");
    return;
  }
  if (std::isinf(value)) {
    std::snprintf(out, size, value < 0 ? "-inf" : "inf");
    return;
  }
  if (value == 0) {
    // Both zeros: a sign on zero tells the reader nothing.
    std::snprintf(out, size, "0.");
    return;
  }
  int n = std::snprintf(out, size, "%.10g", value);
  if (n <= 0 || static_cast<size_t>(n) + 2 > size) return;
  if (std::strpbrk(out, ".e") == nullptr) {
    out[n] = '.';
    out[n + 1] = 0;
  }
}

}  // namespace

char* RtString::shared_empty() { return g_shared_empty; }

bool RtString::is_shared_empty() const { return data == g_shared_empty; }

RtString::RtString() : data(g_shared_empty), capacity(0), length(0) {}

RtString::RtString(const char* text) : RtString() {
  if (text == nullptr) return;
  uint32_t n = checked_text_size(std::strlen(text));
  if (n == 0) return;
  reserve(n, false);
  std::memcpy(data, text, n);
  data[n] = 0;
  length = n;
}

RtString::RtString(const RtString& other) : RtString() {
  uint32_t n = other.length;
  if (n == 0) return;
  reserve(n, false);
  std::memcpy(data, other.data, n);
  data[n] = 0;
  length = n;
}

RtString::RtString(RtString&& other) noexcept
    : data(other.data), capacity(other.capacity), length(other.length) {
  other.data = g_shared_empty;
  other.capacity = 0;
  other.length = 0;
}

RtString::RtString(int32_t value) : RtString() {
  reserve(kInt32Room, false);
  write_decimal(value, data);
  recount_length();
}

RtString::RtString(int64_t value) : RtString() {
  reserve(kWideRoom, false);
  write_decimal(value, data);
  recount_length();
}

RtString::RtString(double value) : RtString() {
  reserve(kWideRoom, false);
  write_gcvt10(value, data, capacity);
  if (std::strcmp(data, ".0") == 0) {
    data[0] = '0';
    data[1] = 0;
  } else {
    size_t n = std::strlen(data);
    if (n > 0 && data[n - 1] == '.') data[n - 1] = 0;
  }
  recount_length();
}

RtString::RtString(float value) : RtString(static_cast<double>(value)) {}

RtString::~RtString() { release(); }

RtString& RtString::operator=(const RtString& other) {
  assign(other);
  return *this;
}

RtString& RtString::operator=(RtString&& other) noexcept {
  if (this == &other) return *this;
  if (other.length == 0 || capacity >= other.length + 1) {
    // The own block takes the text (or stays for the next one), exactly as
    // in a copy assignment: no allocation either way.
    assign(other);
  } else {
    // A new block would be needed: take the source's instead.
    release();
    swap(other);
  }
  return *this;
}

RtString& RtString::operator=(const char* text) {
  assign(text);
  return *this;
}

void RtString::release() {
  if (!is_shared_empty()) std::free(data);
  data = g_shared_empty;
  capacity = 0;
  length = 0;
}

void RtString::assign(const RtString& other) {
  if (other.data == data) return;
  if (other.length == 0) {
    // Keep the block for the next text.
    if (!is_shared_empty()) data[0] = 0;
    length = 0;
    return;
  }
  uint32_t n = other.length;
  reserve(n, false);
  std::memcpy(data, other.data, n);
  data[n] = 0;
  length = n;
}

void RtString::assign(const char* text) {
  size_t n = text == nullptr ? 0 : std::strlen(text);
  if (n == 0) {
    release();
    return;
  }
  uint32_t size = checked_text_size(n) + 1;
  // The text may lie inside the current block: copy before freeing it.
  char* block = allocate(size);
  std::memcpy(block, text, size);
  release();
  data = block;
  capacity = size;
  length = size - 1;
}

void RtString::swap(RtString& other) noexcept {
  std::swap(data, other.data);
  std::swap(capacity, other.capacity);
  std::swap(length, other.length);
}

void RtString::reserve(uint32_t n, bool keep) {
  if (n == 0 || capacity >= static_cast<uint64_t>(n) + 1) return;
  checked_text_size(n);
  uint32_t new_capacity = ((n + 1) & ~15u) + 16;
  char* block = allocate(new_capacity);
  if (keep && length > 0) {
    std::memcpy(block, data, length);
    std::memset(block + length, 0, new_capacity - length);
  } else {
    // Starts as an empty C string; without keep the old text is gone.
    std::memset(block, 0, new_capacity);
    length = 0;
  }
  if (!is_shared_empty()) std::free(data);
  data = block;
  capacity = new_capacity;
}

char* RtString::buffer_for_write(uint32_t n) {
  // Even for n = 0 the caller gets a block of its own to write a terminator to.
  reserve(n > 0 ? n : 1, true);
  return data;
}

void RtString::recount_length() {
  if (capacity == 0 || data[0] == 0) {
    length = 0;
    return;
  }
  const void* zero = std::memchr(data, 0, capacity);
  if (zero != nullptr) {
    length = static_cast<uint32_t>(static_cast<const char*>(zero) - data);
  } else {
    length = capacity - 1;
    data[length] = 0;
  }
}

void RtString::truncate(int32_t n) {
  if (n < 0 || static_cast<uint32_t>(n) >= length) return;
  length = static_cast<uint32_t>(n);
  data[length] = 0;
}

void RtString::append(const RtString& other) {
  uint32_t m = other.length;
  if (m == 0) return;
  uint32_t total = checked_text_size(static_cast<uint64_t>(length) + m);
  reserve(total, true);
  // Read the source only now: appending a string to itself doubles it.
  std::memmove(data + length, other.data, m);
  length = total;
  data[length] = 0;
}

void RtString::append(const char* text) {
  if (text == nullptr) return;
  size_t m = std::strlen(text);
  if (m == 0) return;
  uint32_t total = checked_text_size(length + static_cast<uint64_t>(m));
  // The text may lie inside this string's block, which reserve may replace.
  bool inside = !is_shared_empty() && text >= data && text < data + capacity;
  size_t offset = inside ? static_cast<size_t>(text - data) : 0;
  reserve(total, true);
  const char* source = inside ? data + offset : text;
  std::memmove(data + length, source, m);
  length = total;
  data[length] = 0;
}

void RtString::append(int32_t value) { append(RtString(value)); }
void RtString::append(int64_t value) { append(RtString(value)); }
void RtString::append(float value) { append(RtString(value)); }
void RtString::append(double value) { append(RtString(value)); }

void RtString::append_char(char c) {
  uint32_t total = checked_text_size(static_cast<uint64_t>(length) + 1);
  reserve(total, true);
  data[length] = c;
  length = total;
  data[length] = 0;
}

namespace {

template <typename A, typename B>
RtString concat(const A& a, const B& b) {
  RtString result(a);
  result.append(b);
  return result;
}

}  // namespace

RtString operator+(const RtString& a, const RtString& b) { return concat(a, b); }
RtString operator+(const RtString& a, const char* b) { return concat(a, b); }
RtString operator+(const char* a, const RtString& b) { return concat(a, b); }
RtString str_concat(const char* a, const char* b) { return concat(a, b); }
RtString operator+(const RtString& a, int32_t b) { return concat(a, b); }
RtString operator+(const RtString& a, int64_t b) { return concat(a, b); }
RtString operator+(const RtString& a, float b) { return concat(a, b); }
RtString operator+(const RtString& a, double b) { return concat(a, b); }
RtString operator+(int32_t a, const RtString& b) { return concat(a, b); }
RtString operator+(int64_t a, const RtString& b) { return concat(a, b); }
RtString operator+(float a, const RtString& b) { return concat(a, b); }
RtString operator+(double a, const RtString& b) { return concat(a, b); }
RtString str_concat(const char* a, int32_t b) { return concat(a, b); }
RtString str_concat(const char* a, int64_t b) { return concat(a, b); }
RtString str_concat(const char* a, float b) { return concat(a, b); }
RtString str_concat(const char* a, double b) { return concat(a, b); }
RtString str_concat(int32_t a, const char* b) { return concat(a, b); }
RtString str_concat(int64_t a, const char* b) { return concat(a, b); }
RtString str_concat(float a, const char* b) { return concat(a, b); }
RtString str_concat(double a, const char* b) { return concat(a, b); }

}  // namespace zrv
