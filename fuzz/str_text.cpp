// Drives the string library with arbitrary bytes: URL coding, UTF-8
// conversion, search and replace, substrings, trimming, number formatting and
// parsing. Every result must keep the string invariants and stay within the
// bounds its inputs allow.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/rt_string.hpp"
#include "types/str_func.hpp"

namespace {

using zrv::RtString;

#define CHECK(cond)                \
  do {                             \
    if (!(cond)) __builtin_trap(); \
  } while (0)

void check_valid(const RtString& s) {
  CHECK(s.data != nullptr);
  CHECK((s.capacity == 0) == s.is_shared_empty());
  if (s.capacity == 0) {
    CHECK(s.length == 0);
  } else {
    CHECK(s.capacity >= s.length + 1);
  }
  CHECK(s.data[s.length] == 0);
}

RtString make(const std::string& bytes) {
  RtString s;
  for (char c : bytes) s.append_char(c);
  check_valid(s);
  return s;
}

std::string text_of(const RtString& s) { return std::string(s.data, s.length); }

// Leftmost occurrence at or after start by plain comparison.
int32_t plain_find(const std::string& t, const std::string& p, int32_t start) {
  if (start < 0) start = 0;
  if (p.empty() || static_cast<size_t>(start) >= t.size()) return -1;
  size_t at = t.find(p, static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int32_t>(at);
}

std::string plain_replace(const std::string& t, const std::string& p, const std::string& r) {
  if (p.empty()) return t;
  std::string out;
  size_t i = 0;
  for (size_t at; (at = t.find(p, i)) != std::string::npos; i = at + p.size()) {
    out.append(t, i, at - i);
    out += r;
  }
  out.append(t, i, std::string::npos);
  return out;
}

void fuzz_url_and_utf8(const std::string& text) {
  RtString t = make(text);
  RtString encoded = zrv::str_url_encode(t);
  check_valid(encoded);
  for (uint32_t i = 0; i < encoded.length; ++i) {
    unsigned char c = static_cast<unsigned char>(encoded.data[i]);
    CHECK(c == '%' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
  }
  RtString back = zrv::str_url_decode(encoded);
  check_valid(back);
  CHECK(text_of(back) == text);

  RtString decoded = zrv::str_url_decode(t);
  check_valid(decoded);
  CHECK(decoded.length <= t.length);

  RtString converted = t;
  uint32_t capacity = converted.capacity;
  zrv::str_utf8_to_latin1(converted);
  check_valid(converted);
  CHECK(converted.length <= t.length);
  CHECK(converted.capacity == capacity);
}

void fuzz_search(const std::string& text, const std::string& pattern, const std::string& rep,
                 int32_t start) {
  RtString t = make(text);
  RtString p = make(pattern);
  RtString r = make(rep);
  int32_t found = zrv::str_find(t, p, start);
  CHECK(found == plain_find(text, pattern, start));

  int32_t last = zrv::str_find_last(t, p, start);
  if (last >= 0) {
    CHECK(static_cast<size_t>(last) + pattern.size() <= text.size());
    CHECK(text.compare(static_cast<size_t>(last), pattern.size(), pattern) == 0);
    CHECK(start < 0 || last <= start);
    // Nothing later (up to the limit) matches.
    int32_t next = zrv::str_find(t, p, last + 1);
    int32_t limit = start < 0 ? static_cast<int32_t>(text.size() - pattern.size()) : start;
    CHECK(next < 0 || next > limit);
  } else {
    CHECK(last == -1);
  }

  RtString replaced = zrv::str_replace(t, p, r);
  check_valid(replaced);
  CHECK(text_of(replaced) == plain_replace(text, pattern, rep));

  // The C-string forms see the texts up to their first zero byte.
  int32_t c_found = zrv::str_find(t.c_str(), p.c_str(), start);
  CHECK(c_found == plain_find(std::string(t.c_str()), std::string(p.c_str()), start));
}

void fuzz_pieces(const std::string& text, const std::string& set, int32_t a, int32_t b) {
  RtString t = make(text);
  RtString mid = zrv::str_mid(t, a, b);
  check_valid(mid);
  CHECK(mid.length <= t.length);
  if (mid.length > 0) {
    CHECK(a >= 0 && static_cast<uint64_t>(a) + mid.length <= t.length);
    CHECK(std::memcmp(mid.data, t.data + a, mid.length) == 0);
  }
  CHECK(zrv::str_asc_at(t, a) >= 0 && zrv::str_asc_at(t, a) <= 255);
  CHECK(zrv::str_asc(zrv::str_chr(b)) == (b & 0xFF));

  RtString s = make(set);
  bool in_set[256] = {};
  for (char c : set) in_set[static_cast<unsigned char>(c)] = true;
  RtString left = zrv::str_trim_left(t, s);
  check_valid(left);
  CHECK(left.length <= t.length);
  CHECK(std::memcmp(left.data, t.data + (t.length - left.length), left.length) == 0);
  if (left.length > 0) CHECK(!in_set[static_cast<unsigned char>(left.data[0])]);
  RtString right = zrv::str_trim_right(t, s);
  check_valid(right);
  CHECK(std::memcmp(right.data, t.data, right.length) == 0);
  if (right.length > 0) CHECK(!in_set[static_cast<unsigned char>(right.data[right.length - 1])]);

  RtString up = zrv::str_upper(t);
  RtString low = zrv::str_lower(t);
  check_valid(up);
  check_valid(low);
  CHECK(up.length == t.length && low.length == t.length);
  CHECK(zrv::str_hex_bytes(t.data, static_cast<int32_t>(t.length), a & 1).length == 2 * t.length);
}

void fuzz_numbers(const std::string& text, double w, double d, double value, int64_t whole) {
  RtString t = make(text);
  double f = zrv::str_to_float(t);
  (void)f;
  long long expected = std::strtoll(t.c_str(), nullptr, 10);
  if (expected > INT32_MAX) expected = INT32_MAX;
  if (expected < INT32_MIN) expected = INT32_MIN;
  CHECK(zrv::str_to_int(t) == expected);

  RtString fd = zrv::str_format_number(w, d, value);
  RtString fi = zrv::str_format_number(w, d, static_cast<int32_t>(whole));
  RtString fl = zrv::str_format_number(w, d, whole);
  for (const RtString* r : {&fd, &fi, &fl}) {
    check_valid(*r);
    CHECK(r->length > 0 && r->length <= 2400);
    CHECK(std::strlen(r->data) == r->length);
  }
  if (!std::isnan(w) && std::fabs(w) <= 1000) {
    CHECK(fi.length >= static_cast<uint32_t>(std::fabs(std::trunc(w))));
  }
  CHECK(std::strtoll(fl.data, nullptr, 10) == whole);

  RtString dv(value);
  check_valid(dv);
  CHECK(dv.capacity == 80 && dv.length <= 20);
  CHECK(zrv::str_len_of_number(value) == static_cast<int32_t>(dv.length));
  if (std::isfinite(value)) {
    // Ten digits of DBL_MAX round up past the largest double.
    double parsed = zrv::str_to_float(dv);
    if (std::isinf(parsed)) {
      CHECK(std::fabs(value) > 1.7976931e308);
    } else {
      CHECK(std::fabs(parsed - value) <= std::fabs(value) * 1e-9);
    }
  }
  RtString iv(whole);
  check_valid(iv);
  CHECK(std::strtoll(iv.data, nullptr, 10) == whole);

  RtString joined = t + dv;
  joined.append(joined);
  check_valid(joined);
  CHECK(joined.length == 2 * (t.length + dv.length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::string a = in.ConsumeRandomLengthString(512);
  std::string b = in.ConsumeRandomLengthString(16);
  std::string c = in.ConsumeRandomLengthString(32);
  int32_t i = in.ConsumeIntegral<int32_t>();
  int32_t j = in.ConsumeIntegral<int32_t>();
  double w = in.ConsumeFloatingPoint<double>();
  double d = in.ConsumeFloatingPoint<double>();
  double value = in.ConsumeFloatingPoint<double>();
  int64_t whole = in.ConsumeIntegral<int64_t>();

  fuzz_url_and_utf8(a);
  fuzz_search(a, b, c, i % 600);
  fuzz_pieces(a, b, i % 600, j % 600);
  fuzz_numbers(a, w, d, value, whole);
  return 0;
}
