// The string library over RtString.
#include "types/str_func.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "platform/c_numbers.hpp"

namespace zrv {

namespace {

// A byte range: an RtString counts its length, a C string its bytes up to
// the terminator (a null C string is empty).
struct Bytes {
  const unsigned char* p;
  size_t n;
};

Bytes bytes_of(const RtString& s) {
  return {reinterpret_cast<const unsigned char*>(s.data), s.length};
}

Bytes bytes_of(const char* s) {
  if (s == nullptr) s = "";
  return {reinterpret_cast<const unsigned char*>(s), std::strlen(s)};
}

const char* c_text(const char* s) { return s == nullptr ? "" : s; }

int32_t clamp_position(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < -1) return -1;
  return static_cast<int32_t>(v);
}

// Boyer-Moore-Horspool over one text and one pattern; the skip table is
// built once so that repeated searches (find_last, replace) stay linear.
class Searcher {
 public:
  Searcher(Bytes text, Bytes pattern) : t_(text), p_(pattern) {
    if (p_.n == 0) return;
    for (size_t& s : skip_) s = p_.n;
    for (size_t i = 0; i + 1 < p_.n; ++i) skip_[p_.p[i]] = p_.n - 1 - i;
  }

  // Leftmost occurrence at or after start (negative start counts as 0).
  int64_t find(int64_t start) const {
    if (start < 0) start = 0;
    if (static_cast<uint64_t>(start) >= t_.n || p_.n == 0) return -1;
    size_t from = static_cast<size_t>(start);
    size_t remaining = t_.n - from;
    if (remaining < p_.n) return -1;
    if (remaining == p_.n) return std::memcmp(t_.p + from, p_.p, p_.n) == 0 ? start : -1;
    size_t last = p_.n - 1;
    for (size_t i = from; i <= t_.n - p_.n; i += skip_[t_.p[i + last]]) {
      size_t k = last;
      while (t_.p[i + k] == p_.p[k]) {
        if (k == 0) return static_cast<int64_t>(i);
        --k;
      }
    }
    return -1;
  }

  int64_t find_last(int64_t start) const {
    if (start < 0) {
      start = static_cast<int64_t>(t_.n) - static_cast<int64_t>(p_.n);
      if (start < 0) return -1;
    }
    int64_t last = -1;
    for (int64_t pos = find(0); pos >= 0 && pos <= start; pos = find(pos + 1)) last = pos;
    return last;
  }

 private:
  Bytes t_;
  Bytes p_;
  size_t skip_[256] = {};
};

// A fresh string of exactly n bytes copied from p ("" for n = 0).
RtString from_bytes(const void* p, size_t n) {
  RtString r;
  if (n == 0) return r;
  uint32_t size = n > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(n);
  r.reserve(size, false);
  std::memcpy(r.data, p, n);
  r.length = size;
  r.data[size] = 0;
  return r;
}

// Number of bytes a string needs; beyond 32 bits reserve reports it as out
// of memory.
uint32_t text_size(uint64_t n) { return n > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(n); }

const char kHexLower[] = "0123456789abcdef";
const char kHexUpper[] = "0123456789ABCDEF";

int hex_value(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_alnum_ascii(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Truncation toward zero into [lo, hi]; NaN gives 0.
int64_t truncate_clamped(double v, int64_t lo, int64_t hi) {
  if (std::isnan(v)) return 0;
  if (v <= static_cast<double>(lo)) return lo;
  if (v >= static_cast<double>(hi)) return hi;
  return static_cast<int64_t>(v);
}

// Field widths and decimals beyond this make no sense for a text and would
// only cost memory.
constexpr int64_t kMaxField = 1000;

// The three working strings of str_format_number, kept between calls.
RtString& format_work(int form) {
  static RtString work[3];
  return work[form];
}

// Prints into the form's working string (at least 129 bytes, grown when the
// text is longer) and returns a copy.
template <typename Print>
RtString format_with(int form, Print print) {
  RtString& work = format_work(form);
  if (work.capacity < 129) work.buffer_for_write(128);
  int n = print(work.data, work.capacity);
  if (n < 0) {
    work.data[0] = 0;
    work.length = 0;
    return RtString();
  }
  if (static_cast<uint32_t>(n) >= work.capacity) {
    work.buffer_for_write(static_cast<uint32_t>(n));
    print(work.data, work.capacity);
  }
  work.recount_length();
  return work;
}

DataList* g_current_data = nullptr;

// Returns the next item of the current data list, or null after reporting
// "out of data" and ending the program.
const DataItem* next_data_item() {
  DataList* list = g_current_data;
  if (list == nullptr || list->items == nullptr || list->position < 0 ||
      list->position >= list->count) {
    error_say(kErrOutOfData, "data_read: no data left to read");
    program_end_fatal();
    return nullptr;  // only when the program is already ending
  }
  return &list->items[list->position++];
}

}  // namespace

RtString str_mid(const RtString& text, int32_t start, int32_t count) {
  int64_t len = text.length;
  int64_t n = count < 0 ? len : count;
  if (static_cast<int64_t>(start) + n > len) n = len - start;
  if (n <= 0 || start < 0 || start >= len) return RtString();
  return from_bytes(text.data + start, static_cast<size_t>(n));
}

int32_t str_asc(const RtString& text) {
  return text.length == 0 ? 0 : static_cast<unsigned char>(text.data[0]);
}

int32_t str_asc_at(const RtString& text, int32_t position) {
  if (position < 0 || static_cast<uint32_t>(position) >= text.length) return 0;
  return static_cast<unsigned char>(text.data[position]);
}

RtString str_chr(int32_t code) {
  static RtString one("x");
  one.data[0] = static_cast<char>(code & 0xFF);
  return one;
}

RtString str_trim_left(const RtString& text, const RtString& set) {
  bool in_set[256] = {};
  for (uint32_t i = 0; i < set.length; ++i) in_set[static_cast<unsigned char>(set.data[i])] = true;
  uint32_t first = 0;
  while (first < text.length && in_set[static_cast<unsigned char>(text.data[first])]) ++first;
  if (first == 0) return text;
  return from_bytes(text.data + first, text.length - first);
}

RtString str_trim_right(const RtString& text, const RtString& set) {
  bool in_set[256] = {};
  for (uint32_t i = 0; i < set.length; ++i) in_set[static_cast<unsigned char>(set.data[i])] = true;
  uint32_t end = text.length;
  while (end > 0 && in_set[static_cast<unsigned char>(text.data[end - 1])]) --end;
  if (end == text.length) return text;
  return from_bytes(text.data, end);
}

void str_upper_in_place(RtString& text) {
  for (uint32_t i = 0; i < text.length; ++i) {
    char& c = text.data[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
}

void str_lower_in_place(RtString& text) {
  for (uint32_t i = 0; i < text.length; ++i) {
    char& c = text.data[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

RtString str_upper(const RtString& text) {
  RtString r(text);
  str_upper_in_place(r);
  return r;
}

RtString str_lower(const RtString& text) {
  RtString r(text);
  str_lower_in_place(r);
  return r;
}

// Every mix of RtString and C-string arguments finds the same way, without
// copying a C string into an RtString first.
#define ZRV_STR_FIND_FORMS(Text, Pattern)                                                \
  int32_t str_find(Text text, Pattern pattern, int32_t start) {                          \
    return clamp_position(Searcher(bytes_of(text), bytes_of(pattern)).find(start));      \
  }                                                                                      \
  int32_t str_find_last(Text text, Pattern pattern, int32_t start) {                     \
    return clamp_position(Searcher(bytes_of(text), bytes_of(pattern)).find_last(start)); \
  }
ZRV_STR_FIND_FORMS(const RtString&, const RtString&)
ZRV_STR_FIND_FORMS(const RtString&, const char*)
ZRV_STR_FIND_FORMS(const char*, const RtString&)
ZRV_STR_FIND_FORMS(const char*, const char*)
#undef ZRV_STR_FIND_FORMS

RtString str_replace(const RtString& text, const RtString& pattern, const RtString& replacement) {
  Searcher search(bytes_of(text), bytes_of(pattern));
  int64_t first = search.find(0);
  if (first < 0) return text;
  uint32_t pn = pattern.length;
  uint32_t rn = replacement.length;
  if (pn == rn) {
    // Same length: overwrite in place.
    RtString r(text);
    for (int64_t p = first; p >= 0; p = search.find(p + pn)) {
      std::memcpy(r.data + p, replacement.data, rn);
    }
    return r;
  }
  // Different length: size the result first, then copy the pieces. The scan
  // resumes after each occurrence in the original, which is the same as
  // resuming after the replacement in the result.
  uint64_t total = text.length;
  for (int64_t p = first; p >= 0; p = search.find(p + pn)) total = total - pn + rn;
  RtString r;
  if (total == 0) return r;
  r.reserve(text_size(total), false);
  char* w = r.data;
  int64_t from = 0;
  for (int64_t p = first; p >= 0; p = search.find(p + pn)) {
    std::memcpy(w, text.data + from, static_cast<size_t>(p - from));
    w += p - from;
    std::memcpy(w, replacement.data, rn);
    w += rn;
    from = p + pn;
  }
  std::memcpy(w, text.data + from, text.length - static_cast<size_t>(from));
  r.length = static_cast<uint32_t>(total);
  r.data[r.length] = 0;
  return r;
}

RtString str_url_encode(const RtString& text) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text.data);
  uint64_t total = 0;
  for (uint32_t i = 0; i < text.length; ++i) {
    total += is_alnum_ascii(s[i]) ? 1 : s[i] >= 128 ? 6 : 3;
  }
  RtString r;
  if (total == 0) return r;
  r.reserve(text_size(total), false);
  char* w = r.data;
  auto put_escape = [&w](unsigned char b) {
    *w++ = '%';
    *w++ = kHexLower[b >> 4];
    *w++ = kHexLower[b & 15];
  };
  for (uint32_t i = 0; i < text.length; ++i) {
    unsigned char c = s[i];
    if (is_alnum_ascii(c)) {
      *w++ = static_cast<char>(c);
    } else if (c >= 128) {
      // The byte's two-byte UTF-8 form, each byte escaped.
      put_escape(c < 192 ? 0xC2 : 0xC3);
      put_escape(static_cast<unsigned char>((c & 63) | 128));
    } else {
      put_escape(c);
    }
  }
  r.length = static_cast<uint32_t>(total);
  r.data[r.length] = 0;
  return r;
}

RtString str_url_decode(const RtString& text) {
  RtString r;
  if (text.length == 0) return r;
  r.reserve(text.length, false);
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text.data);
  uint32_t n = text.length;
  uint32_t out = 0;
  for (uint32_t i = 0; i < n;) {
    unsigned char c = s[i];
    if (c == '+') {
      r.data[out++] = ' ';
      ++i;
    } else if (c == '%') {
      int hi = i + 1 < n ? hex_value(s[i + 1]) : -1;
      int lo = i + 2 < n ? hex_value(s[i + 2]) : -1;
      if (hi >= 0 && lo >= 0) {
        r.data[out++] = static_cast<char>(hi * 16 + lo);
        i += 3;
      } else {
        // A broken escape is dropped together with the byte after it.
        i += 2;
      }
    } else {
      r.data[out++] = static_cast<char>(c);
      ++i;
    }
  }
  r.length = out;
  r.data[out] = 0;
  str_utf8_to_latin1(r);
  return r;
}

void str_utf8_to_latin1(RtString& text) {
  // The output never outgrows the input, so the block is rewritten in place
  // (the same block an assignment of the new text would reuse).
  unsigned char* s = reinterpret_cast<unsigned char*>(text.data);
  uint32_t n = text.length;
  uint32_t out = 0;
  uint32_t i = 0;
  while (i < n) {
    unsigned char c = s[i];
    if (c < 128) {
      s[out++] = c;
      i += 1;
    } else if ((c & 0xE0) == 0xC0) {
      if (i + 1 >= n) break;  // a lead byte at the very end is dropped
      s[out++] = static_cast<unsigned char>((c << 6) | (s[i + 1] & 63));
      i += 2;
    } else if ((c & 0xF0) == 0xE0) {
      if (i + 2 < n) {
        s[out++] = static_cast<unsigned char>((s[i + 1] << 6) | (s[i + 2] & 63));
        i += 3;
      } else {
        i += 1;
      }
    } else if ((c & 0xF8) == 0xF0) {
      if (i + 3 < n) {
        s[out++] = static_cast<unsigned char>(((s[i + 2] << 6) | (s[i + 3] & 63)) - 0x50);
        i += 4;
      } else {
        i += 1;
      }
    } else {
      i += 1;  // stray continuation byte or 0xF8..0xFF
    }
  }
  if (text.is_shared_empty()) return;
  text.length = out;
  text.data[out] = 0;
}

RtString str_hex_bytes(const void* bytes, int32_t count, int32_t upper) {
  RtString r;
  if (bytes == nullptr || count <= 0) return r;
  const char* digits = upper ? kHexUpper : kHexLower;
  const unsigned char* b = static_cast<const unsigned char*>(bytes);
  uint64_t total = 2 * static_cast<uint64_t>(count);
  r.reserve(text_size(total), false);
  char* w = r.data;
  for (int32_t i = 0; i < count; ++i) {
    *w++ = digits[b[i] >> 4];
    *w++ = digits[b[i] & 15];
  }
  r.length = static_cast<uint32_t>(total);
  r.data[r.length] = 0;
  return r;
}

RtString str_hex_int(int32_t value) {
  RtString r;
  r.reserve(16, false);
  std::snprintf(r.data, r.capacity, "%x", static_cast<uint32_t>(value));
  r.recount_length();
  return r;
}

RtString str_format_number(double width, double decimals, double value) {
  int w = static_cast<int>(truncate_clamped(width, -kMaxField, kMaxField));
  int d = static_cast<int>(truncate_clamped(decimals, 0, kMaxField));
  return format_with(
      0, [&](char* buf, uint32_t size) { return std::snprintf(buf, size, "%*.*f", w, d, value); });
}

RtString str_format_number(double width, double decimals, int32_t value) {
  int w = static_cast<int>(truncate_clamped(width, -kMaxField, kMaxField));
  return format_with(
      1, [&](char* buf, uint32_t size) { return std::snprintf(buf, size, "%*d", w, value); });
}

RtString str_format_number(double width, double decimals, int64_t value) {
  int w = static_cast<int>(truncate_clamped(width, -kMaxField, kMaxField));
  return format_with(2, [&](char* buf, uint32_t size) {
    return std::snprintf(buf, size, "%*lld", w, static_cast<long long>(value));
  });
}

double str_to_float(const char* text) {
  // The number's grammar: blanks, a sign, digits, a point, digits, an
  // exponent. The C library would also take hexadecimal, "inf" and "nan";
  // only the part that fits the grammar is handed to it.
  const char* start = c_text(text);
  while (*start == ' ' || (*start >= '\t' && *start <= '\r')) ++start;
  const char* p = start;
  if (*p == '+' || *p == '-') ++p;
  const char* digits = p;
  while (*p >= '0' && *p <= '9') ++p;
  bool any = p > digits;
  if (*p == '.') {
    const char* fraction = ++p;
    while (*p >= '0' && *p <= '9') ++p;
    any = any || p > fraction;
  }
  if (!any) return 0.0;
  if (*p == 'e' || *p == 'E') {
    const char* e = p + 1;
    if (*e == '+' || *e == '-') ++e;
    if (*e >= '0' && *e <= '9') {
      while (*e >= '0' && *e <= '9') ++e;
      p = e;
    }
  }
  const std::string number(start, p);
  // The C locale keeps "." as the decimal point whatever the process set.
  return platform::c_locale_strtod(number.c_str());
}

double str_to_float(const RtString& text) { return str_to_float(text.data); }

int32_t str_to_int(const char* text) {
  const char* p = c_text(text);
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t v = 0;
  const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  for (; *p >= '0' && *p <= '9'; ++p) {
    v = v * 10 + (*p - '0');
    if (v > limit) {
      v = limit;  // saturate, and keep consuming digits
    }
  }
  return static_cast<int32_t>(negative ? -v : v);
}

int32_t str_to_int(const RtString& text) { return str_to_int(text.data); }

int32_t str_len_of_number(double value) { return static_cast<int32_t>(RtString(value).length); }
int32_t str_len_of_number(int32_t value) { return static_cast<int32_t>(RtString(value).length); }

RtString runtime_error_text() {
  int32_t code = ctx.last_error;
  const char* message;
  switch (code) {
    case kErrSuccess:
      message = "success";
      break;
    case kErrNoSuchFile:
      message = "no such file";
      break;
    case kErrOutOfMemory:
      message = "out of memory";
      break;
    case kErrOutOfBounds:
      message = "out of bounds";
      break;
    case kErrOutOfData:
      message = "out of data";
      break;
    default:
      message = "unknown error";
      break;
  }
  char buf[1024];
  std::snprintf(buf, sizeof buf, "%.4d %s", code, message);
  return RtString(buf);
}

void data_restore(DataList& list) {
  g_current_data = &list;
  list.position = 0;
}

void data_read(int32_t& value) {
  const DataItem* item = next_data_item();
  if (item == nullptr) return;
  if (item->text != nullptr) {
    value = str_to_int(item->text);
  } else {
    value = static_cast<int32_t>(truncate_clamped(item->number, INT32_MIN, INT32_MAX));
  }
}

void data_read(double& value) {
  const DataItem* item = next_data_item();
  if (item == nullptr) return;
  value = item->text != nullptr ? str_to_float(item->text) : item->number;
}

void data_read(RtString& value) {
  const DataItem* item = next_data_item();
  if (item == nullptr) return;
  if (item->text != nullptr) {
    value = RtString(item->text);
  } else {
    value = RtString(item->number);
  }
}

// Comparisons.

namespace {

int32_t sign_of(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

int32_t three_way(double a, double b) { return a < b ? -1 : a > b ? 1 : 0; }

int32_t three_way(int32_t a, int32_t b) { return a < b ? -1 : a > b ? 1 : 0; }

int32_t text_cmp(const char* a, const char* b) {
  return sign_of(std::strcmp(c_text(a), c_text(b)));
}

}  // namespace

int32_t str_compare(const RtString& a, const RtString& b) { return text_cmp(a.data, b.data); }
int32_t str_compare(const RtString& a, const char* b) { return text_cmp(a.data, b); }
int32_t str_compare(const char* a, const RtString& b) { return text_cmp(a, b.data); }
int32_t str_compare(const char* a, const char* b) { return text_cmp(a, b); }
int32_t str_compare(const RtString& a, double b) { return three_way(str_to_float(a), b); }
int32_t str_compare(double a, const RtString& b) { return three_way(a, str_to_float(b)); }
int32_t str_compare(const char* a, double b) { return three_way(str_to_float(a), b); }
int32_t str_compare(double a, const char* b) { return three_way(a, str_to_float(b)); }
int32_t str_compare(const RtString& a, int32_t b) { return three_way(str_to_int(a), b); }
int32_t str_compare(int32_t a, const RtString& b) { return three_way(a, str_to_int(b)); }
int32_t str_compare(const char* a, int32_t b) { return three_way(str_to_int(a), b); }
int32_t str_compare(int32_t a, const char* b) { return three_way(a, str_to_int(b)); }

bool str_equal_exact(const RtString& a, const RtString& b) {
  return a.length == b.length && std::memcmp(a.data, b.data, a.length) == 0;
}

// Text with text: strcmp against 0.
#define ZRV_TEXT_OPS(A, B, AX, BX)                               \
  bool operator==(A a, B b) { return std::strcmp(AX, BX) == 0; } \
  bool operator!=(A a, B b) { return std::strcmp(AX, BX) != 0; } \
  bool operator<(A a, B b) { return std::strcmp(AX, BX) < 0; }   \
  bool operator>(A a, B b) { return std::strcmp(AX, BX) > 0; }   \
  bool operator<=(A a, B b) { return std::strcmp(AX, BX) <= 0; } \
  bool operator>=(A a, B b) { return std::strcmp(AX, BX) >= 0; }

ZRV_TEXT_OPS(const RtString&, const RtString&, a.data, b.data)
ZRV_TEXT_OPS(const RtString&, const char*, a.data, c_text(b))
ZRV_TEXT_OPS(const char*, const RtString&, c_text(a), b.data)
#undef ZRV_TEXT_OPS

// Text with a number: the text converted, compared numerically, sides kept.
#define ZRV_NUMBER_OPS(A, B, AX, BX)                 \
  bool operator==(A a, B b) { return (AX) == (BX); } \
  bool operator!=(A a, B b) { return (AX) != (BX); } \
  bool operator<(A a, B b) { return (AX) < (BX); }   \
  bool operator>(A a, B b) { return (AX) > (BX); }   \
  bool operator<=(A a, B b) { return (AX) <= (BX); } \
  bool operator>=(A a, B b) { return (AX) >= (BX); }

ZRV_NUMBER_OPS(const RtString&, double, str_to_float(a), b)
ZRV_NUMBER_OPS(double, const RtString&, a, str_to_float(b))
ZRV_NUMBER_OPS(const RtString&, int32_t, str_to_int(a), b)
ZRV_NUMBER_OPS(int32_t, const RtString&, a, str_to_int(b))
#undef ZRV_NUMBER_OPS

}  // namespace zrv
