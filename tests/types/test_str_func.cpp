// The string library: substrings, trimming, case, search and replace, URL
// coding, hex, number formatting and parsing, error texts and data lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "child_process.hpp"
#include "types/str_func.hpp"

namespace zrv {
namespace {

std::string text_of(const RtString& s) { return std::string(s.data, s.length); }

RtString bytes(const std::string& s) {
  RtString r;
  for (char c : s) r.append_char(c);
  return r;
}

void expect_valid(const RtString& s) {
  ASSERT_NE(s.data, nullptr);
  EXPECT_EQ(s.capacity == 0, s.is_shared_empty());
  if (s.capacity != 0) {
    EXPECT_GE(s.capacity, s.length + 1);
  }
  EXPECT_EQ(s.data[s.length], 0);
}

// Plain reference searches to check the skip-table search against.
int32_t naive_find(const std::string& t, const std::string& p, int32_t start) {
  if (start < 0) start = 0;
  if (p.empty() || static_cast<size_t>(start) >= t.size()) return -1;
  size_t at = t.find(p, static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int32_t>(at);
}

int32_t naive_find_last(const std::string& t, const std::string& p, int32_t start) {
  if (p.empty()) return -1;
  if (start < 0) {
    start = static_cast<int32_t>(t.size()) - static_cast<int32_t>(p.size());
    if (start < 0) return -1;
  }
  int32_t last = -1;
  for (size_t i = 0; i + p.size() <= t.size() && static_cast<int64_t>(i) <= start; ++i) {
    if (t.compare(i, p.size(), p) == 0) last = static_cast<int32_t>(i);
  }
  return last;
}

std::string naive_replace(const std::string& t, const std::string& p, const std::string& r) {
  if (p.empty()) return t;
  std::string out;
  size_t i = 0;
  while (true) {
    size_t at = t.find(p, i);
    if (at == std::string::npos) break;
    out.append(t, i, at - i);
    out += r;
    i = at + p.size();
  }
  out.append(t, i, std::string::npos);
  return out;
}

std::string random_text(std::mt19937& rng, size_t max_len, const char* alphabet) {
  size_t n = std::uniform_int_distribution<size_t>(0, max_len)(rng);
  size_t k = std::strlen(alphabet);
  std::string s;
  for (size_t i = 0; i < n; ++i)
    s += alphabet[std::uniform_int_distribution<size_t>(0, k - 1)(rng)];
  return s;
}

TEST(StrMid, Cases) {
  RtString hello("hello");
  EXPECT_EQ(text_of(str_mid(hello, 1, 3)), "ell");
  EXPECT_EQ(text_of(str_mid(hello, 3, -1)), "lo");
  EXPECT_EQ(text_of(str_mid(hello, 3, 10)), "lo");
  EXPECT_EQ(text_of(str_mid(hello, 0, 5)), "hello");
  EXPECT_EQ(text_of(str_mid(hello, 4, 1)), "o");
  EXPECT_EQ(text_of(str_mid(hello, 2, -5)), "llo");
  for (RtString r : {str_mid(hello, 5, 1), str_mid(hello, -1, 3), str_mid(hello, 0, 0),
                     str_mid(RtString(), 0, 5), str_mid(RtString(), 0, -1)}) {
    EXPECT_EQ(r.length, 0u);
    EXPECT_TRUE(r.is_shared_empty());
  }
}

TEST(StrMid, ExtremePositionsDoNotOverflow) {
  RtString hello("hello");
  EXPECT_EQ(text_of(str_mid(hello, INT32_MAX, INT32_MAX)), "");
  EXPECT_EQ(text_of(str_mid(hello, INT32_MIN, INT32_MAX)), "");
  EXPECT_EQ(text_of(str_mid(hello, INT32_MIN, -1)), "");
  EXPECT_EQ(text_of(str_mid(hello, 1, INT32_MAX)), "ello");
  EXPECT_EQ(text_of(str_mid(hello, 2, INT32_MIN)), "llo");
}

TEST(StrMid, ResultIsAFreshRoundedCopy) {
  RtString src("0123456789abcdefghij");
  RtString r = str_mid(src, 2, 15);
  EXPECT_EQ(text_of(r), "23456789abcdefg");
  EXPECT_EQ(r.capacity, 32u);
  EXPECT_NE(r.data, src.data);
  expect_valid(r);
  // The game's score digits: the last five characters, walked one by one.
  RtString score = str_concat("00000", int32_t{1234});
  int32_t from = std::max(0, static_cast<int32_t>(score.length) - 5);
  RtString last5 = str_mid(score, from, -1);
  EXPECT_EQ(text_of(last5), "01234");
  std::string walked;
  for (int32_t i = 0; i < static_cast<int32_t>(last5.length); ++i) {
    walked += static_cast<char>(str_asc(str_mid(last5, i, 1)));
  }
  EXPECT_EQ(walked, "01234");
}

TEST(StrCodes, AscAndAscAt) {
  EXPECT_EQ(str_asc(RtString()), 0);
  EXPECT_EQ(str_asc(RtString("A")), 65);
  EXPECT_EQ(str_asc(RtString("\xe9x")), 233);  // never negative
  RtString ab("AB");
  EXPECT_EQ(str_asc_at(ab, 0), 65);
  EXPECT_EQ(str_asc_at(ab, 1), 66);
  EXPECT_EQ(str_asc_at(ab, 2), 0);
  EXPECT_EQ(str_asc_at(ab, -1), 0);
  EXPECT_EQ(str_asc_at(ab, INT32_MAX), 0);
  EXPECT_EQ(str_asc_at(ab, INT32_MIN), 0);
  EXPECT_EQ(str_asc_at(RtString("\xff"), 0), 255);
}

TEST(StrCodes, ChrKeepsLowByte) {
  EXPECT_EQ(text_of(str_chr(65)), "A");
  EXPECT_EQ(text_of(str_chr(321)), "A");
  RtString zero = str_chr(0);
  EXPECT_EQ(zero.length, 1u);
  EXPECT_EQ(zero.data[0], 0);
  expect_valid(zero);
  EXPECT_EQ(str_asc(str_chr(-1)), 255);
  EXPECT_EQ(str_asc(str_chr(233)), 233);
  // Each result is its own copy: later calls do not change earlier results.
  RtString a = str_chr('a');
  RtString b = str_chr('b');
  EXPECT_EQ(text_of(a), "a");
  EXPECT_EQ(text_of(b), "b");
  EXPECT_NE(a.data, b.data);
}

TEST(StrTrim, Cases) {
  EXPECT_EQ(text_of(str_trim_left(RtString(" \t x "), RtString(" \t"))), "x ");
  EXPECT_EQ(text_of(str_trim_right(RtString(" \t x "), RtString(" \t"))), " \t x");
  EXPECT_EQ(text_of(str_trim_right(RtString("..."), RtString("."))), "");
  EXPECT_EQ(text_of(str_trim_left(RtString("..."), RtString("."))), "");
  EXPECT_EQ(text_of(str_trim_left(RtString("abc"), RtString(""))), "abc");
  EXPECT_EQ(text_of(str_trim_right(RtString("abc"), RtString("xyz"))), "abc");
  EXPECT_EQ(text_of(str_trim_left(RtString(""), RtString(" "))), "");
  EXPECT_EQ(text_of(str_trim_right(RtString("x\xff\xff"), RtString("\xff"))), "x");
  EXPECT_TRUE(str_trim_right(RtString("..."), RtString(".")).is_shared_empty());
}

TEST(StrTrim, SetBytesCountByLength) {
  // The set holds a zero byte: embedded zero bytes of the text are trimmed.
  RtString set = bytes(std::string("\0 ", 2));
  RtString text = bytes(std::string("\0 \0abc\0", 7));
  EXPECT_EQ(text_of(str_trim_left(text, set)), std::string("abc\0", 4));
  EXPECT_EQ(text_of(str_trim_right(text, set)), std::string("\0 \0abc", 6));
}

TEST(StrCase, AsciiOnly) {
  RtString mixed = bytes(std::string("aZ09 \xe9\xc9-m\0q", 11));
  EXPECT_EQ(text_of(str_upper(mixed)), std::string("AZ09 \xe9\xc9-M\0Q", 11));
  EXPECT_EQ(text_of(str_lower(mixed)), std::string("az09 \xe9\xc9-m\0q", 11));
  EXPECT_EQ(text_of(mixed), std::string("aZ09 \xe9\xc9-m\0q", 11));  // argument untouched
  RtString v("Hello World");
  char* block = v.data;
  str_upper_in_place(v);
  EXPECT_EQ(text_of(v), "HELLO WORLD");
  str_lower_in_place(v);
  EXPECT_EQ(text_of(v), "hello world");
  EXPECT_EQ(v.data, block);
  RtString empty;
  str_upper_in_place(empty);
  EXPECT_TRUE(empty.is_shared_empty());
  EXPECT_TRUE(str_upper(RtString()).is_shared_empty());
}

TEST(StrFind, Cases) {
  RtString t("abcabc");
  EXPECT_EQ(str_find(t, "bc", 0), 1);
  EXPECT_EQ(str_find(t, "bc", 2), 4);
  EXPECT_EQ(str_find(t, "bc", 5), -1);
  EXPECT_EQ(str_find(t, "bc", 6), -1);
  EXPECT_EQ(str_find(t, "", 0), -1);
  EXPECT_EQ(str_find(t, "abcabc", 0), 0);  // remaining text exactly as long
  EXPECT_EQ(str_find(t, "abcabd", 0), -1);
  EXPECT_EQ(str_find(t, "abcabca", 0), -1);  // longer than the text
  EXPECT_EQ(str_find(t, "c", 5), 5);
  EXPECT_EQ(str_find(t, "x", 0), -1);
  EXPECT_EQ(str_find(RtString(), "a", 0), -1);
  EXPECT_EQ(str_find(t, RtString("ca"), 0), 2);
  EXPECT_EQ(str_find("abcabc", RtString("ca"), 0), 2);
  EXPECT_EQ(str_find("abcabc", "abc", 1), 3);
  EXPECT_EQ(str_find(static_cast<const char*>(nullptr), "a", 0), -1);
  EXPECT_EQ(str_find(t, static_cast<const char*>(nullptr), 0), -1);
}

TEST(StrFind, NegativeStartSearchesFromTheBeginning) {
  RtString t("abcabc");
  EXPECT_EQ(str_find(t, "ab", -1), 0);
  EXPECT_EQ(str_find(t, "bc", INT32_MIN), 1);
  EXPECT_EQ(str_find(t, "zz", -5), -1);
  EXPECT_EQ(str_find(RtString(), "a", -1), -1);
  EXPECT_EQ(str_find(t, "a", INT32_MAX), -1);
}

TEST(StrFind, LengthsCountedPerOperandKind) {
  // An RtString is searched over its length, a C string up to its zero.
  RtString t = bytes(std::string("ab\0cd", 5));
  EXPECT_EQ(str_find(t, "cd", 0), 3);
  EXPECT_EQ(str_find(t.c_str(), "cd", 0), -1);
  EXPECT_EQ(str_find(t, bytes(std::string("\0c", 2)), 0), 2);
  EXPECT_EQ(str_find_last(t, "cd", -1), 3);
  EXPECT_EQ(str_find_last(t.c_str(), "cd", -1), -1);
}

TEST(StrFind, MatchesAPlainSearchOnRandomTexts) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    std::string t = random_text(rng, 40, "aab");
    std::string p = random_text(rng, 5, "ab");
    int32_t start = std::uniform_int_distribution<int32_t>(-3, 45)(rng);
    RtString rt = bytes(t);
    RtString rp = bytes(p);
    ASSERT_EQ(str_find(rt, rp, start), naive_find(t, p, start)) << t << " / " << p << " @" << start;
    ASSERT_EQ(str_find_last(rt, rp, start), naive_find_last(t, p, start))
        << t << " / " << p << " @" << start;
  }
}

TEST(StrFindLast, Cases) {
  RtString t("abcabc");
  EXPECT_EQ(str_find_last(t, "bc", -1), 4);
  EXPECT_EQ(str_find_last(t, "bc", 3), 1);
  EXPECT_EQ(str_find_last(t, "bc", 4), 4);
  EXPECT_EQ(str_find_last(t, "bc", 0), -1);
  EXPECT_EQ(str_find_last(RtString("aaa"), "aa", -1), 1);
  EXPECT_EQ(str_find_last(RtString("aaa"), "aa", 0), 0);
  EXPECT_EQ(str_find_last(t, "", -1), -1);
  EXPECT_EQ(str_find_last(RtString("ab"), "abc", -1), -1);
  EXPECT_EQ(str_find_last(t, "abc", INT32_MAX), 3);
  EXPECT_EQ(str_find_last("xyxy", RtString("xy"), -1), 2);
  EXPECT_EQ(str_find_last("xyxy", "y", 2), 1);
  EXPECT_EQ(str_find_last(RtString(), RtString(), -1), -1);
}

TEST(StrReplace, Cases) {
  auto rep = [](const char* t, const char* p, const char* r) {
    return text_of(str_replace(RtString(t), RtString(p), RtString(r)));
  };
  EXPECT_EQ(rep("a.b.c", ".", "/"), "a/b/c");
  EXPECT_EQ(rep("aXXb", "XX", "Y"), "aYb");
  EXPECT_EQ(rep("abab", "ab", "abab"), "abababab");
  EXPECT_EQ(rep("abcdef", "abc", ""), "def");
  EXPECT_EQ(rep("aaaa", "aa", "a"), "aa");
  EXPECT_EQ(rep("abcabc", "bc", "XY"), "aXYaXY");
  EXPECT_EQ(rep("abc", "", "x"), "abc");
  EXPECT_EQ(rep("abc", "abc", ""), "");
  EXPECT_EQ(rep("", "a", "b"), "");
  EXPECT_EQ(rep("abc", "abcd", "x"), "abc");
  EXPECT_EQ(rep("aaa", "a", "aa"), "aaaaaa");
  EXPECT_TRUE(str_replace(RtString("abc"), RtString("abc"), RtString()).is_shared_empty());
}

TEST(StrReplace, MatchesAPlainReplaceOnRandomTexts) {
  std::mt19937 rng(777);
  for (int round = 0; round < 3000; ++round) {
    std::string t = random_text(rng, 30, "abc");
    std::string p = random_text(rng, 3, "ab");
    std::string r = random_text(rng, 4, "xab");
    RtString out = str_replace(bytes(t), bytes(p), bytes(r));
    ASSERT_EQ(text_of(out), naive_replace(t, p, r)) << t << " / " << p << " / " << r;
    expect_valid(out);
  }
}

TEST(StrUrl, EncodeCases) {
  EXPECT_EQ(text_of(str_url_encode(RtString("a b"))), "a%20b");
  EXPECT_EQ(text_of(str_url_encode(RtString("x-y"))), "x%2dy");
  EXPECT_EQ(text_of(str_url_encode(RtString("\xe9"))), "%c3%a9");
  EXPECT_EQ(text_of(str_url_encode(RtString("\x80\xbf\xc0\xff"))), "%c2%80%c2%bf%c3%80%c3%bf");
  EXPECT_EQ(text_of(str_url_encode(RtString("AZaz09"))), "AZaz09");
  EXPECT_EQ(text_of(str_url_encode(bytes(std::string("\0~", 2)))), "%00%7e");
  EXPECT_TRUE(str_url_encode(RtString()).is_shared_empty());
}

TEST(StrUrl, DecodeCases) {
  EXPECT_EQ(text_of(str_url_decode(RtString("a%41+b"))), "aA b");
  EXPECT_EQ(text_of(str_url_decode(RtString("100%"))), "100");
  EXPECT_EQ(text_of(str_url_decode(RtString("%zz1"))), "z1");
  EXPECT_EQ(text_of(str_url_decode(RtString("caf%c3%a9"))), "caf\xe9");
  EXPECT_EQ(text_of(str_url_decode(RtString("caf%C3%A9"))), "caf\xe9");
  EXPECT_EQ(text_of(str_url_decode(RtString("%4"))), "");
  EXPECT_EQ(text_of(str_url_decode(RtString("x%4"))), "x");
  EXPECT_EQ(text_of(str_url_decode(RtString("%4g!"))), "g!");
  EXPECT_EQ(text_of(str_url_decode(RtString("%c3"))), "");  // a lone lead byte is dropped
  EXPECT_EQ(text_of(str_url_decode(RtString("a%00b"))), std::string("a\0b", 3));
  EXPECT_EQ(text_of(str_url_decode(RtString("++"))), "  ");
  RtString empty = str_url_decode(RtString());
  EXPECT_EQ(empty.length, 0u);
  expect_valid(empty);
}

TEST(StrUrl, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  RtString encoded = str_url_encode(bytes(all));
  for (uint32_t i = 0; i < encoded.length; ++i) {
    char c = encoded.data[i];
    ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '%') << i;
  }
  RtString decoded = str_url_decode(encoded);
  EXPECT_EQ(text_of(decoded), all);
  expect_valid(decoded);
}

TEST(StrUtf8, ConversionRules) {
  auto conv = [](const std::string& in) {
    RtString s = bytes(in);
    str_utf8_to_latin1(s);
    return text_of(s);
  };
  EXPECT_EQ(conv("plain"), "plain");
  EXPECT_EQ(conv("caf\xc3\xa9"), "caf\xe9");
  EXPECT_EQ(conv("\xc2\xa0"), "\xa0");
  EXPECT_EQ(conv("ab\xc3"), "ab");              // lead byte at the end: converting stops
  EXPECT_EQ(conv("\xe2\x82\xac!"), "\xac!");    // three bytes: low 8 bits of the code point
  EXPECT_EQ(conv("\xe2\x82"), "");              // short: lead dropped, then the stray byte
  EXPECT_EQ(conv("\xe2\x82x"), "\xb8");         // trailing bytes are not validated
  EXPECT_EQ(conv("\xf0\x9f\x98\x80"), "\xb0");  // four bytes: low 8 bits minus 0x50
  EXPECT_EQ(conv("\xf0\x9f\x98"), "");          // short four-byte: every byte dropped
  EXPECT_EQ(conv("\xe2\x41"), "A");             // lead dropped, an ASCII byte goes on
  EXPECT_EQ(conv("a\x80\xbf"
                 "b"),
            "ab");  // stray continuation bytes
  EXPECT_EQ(conv("a\xf8\xff"
                 "b"),
            "ab");
  EXPECT_EQ(conv(std::string("\0x", 2)), std::string("\0x", 2));
}

TEST(StrUtf8, InPlaceKeepsTheBlock) {
  RtString s("caf\xc3\xa9 au lait, tr\xc3\xa8s chaud");
  char* block = s.data;
  uint32_t capacity = s.capacity;
  str_utf8_to_latin1(s);
  EXPECT_EQ(text_of(s), "caf\xe9 au lait, tr\xe8s chaud");
  EXPECT_EQ(s.data, block);
  EXPECT_EQ(s.capacity, capacity);
  expect_valid(s);
  RtString gone("\x80\x80");
  str_utf8_to_latin1(gone);
  EXPECT_EQ(gone.length, 0u);
  expect_valid(gone);
  RtString empty;
  str_utf8_to_latin1(empty);
  EXPECT_TRUE(empty.is_shared_empty());
}

TEST(StrHex, Bytes) {
  const unsigned char b[] = {0x00, 0xab, 0xff, 0x10};
  EXPECT_EQ(text_of(str_hex_bytes(b, 4, 0)), "00abff10");
  EXPECT_EQ(text_of(str_hex_bytes(b, 4, 1)), "00ABFF10");
  EXPECT_EQ(text_of(str_hex_bytes(b, 1, 1)), "00");
  EXPECT_TRUE(str_hex_bytes(b, 0, 0).is_shared_empty());
  EXPECT_TRUE(str_hex_bytes(b, -3, 0).is_shared_empty());
  EXPECT_TRUE(str_hex_bytes(nullptr, 4, 0).is_shared_empty());
}

TEST(StrHex, Int) {
  EXPECT_EQ(text_of(str_hex_int(0)), "0");
  EXPECT_EQ(text_of(str_hex_int(255)), "ff");
  EXPECT_EQ(text_of(str_hex_int(0x1234abcd)), "1234abcd");
  EXPECT_EQ(text_of(str_hex_int(-1)), "ffffffff");
  EXPECT_EQ(text_of(str_hex_int(INT32_MIN)), "80000000");
  EXPECT_EQ(str_hex_int(20).capacity, 32u);
}

TEST(StrFormatNumber, Fields) {
  EXPECT_EQ(text_of(str_format_number(4, 0, int32_t{7})), "   7");
  EXPECT_EQ(text_of(str_format_number(4, 0, 7)), "   7");  // the bounds report's call
  EXPECT_EQ(text_of(str_format_number(6, 2, 3.14159)), "  3.14");
  EXPECT_EQ(text_of(str_format_number(4, 0, int32_t{10000})), "10000");
  EXPECT_EQ(text_of(str_format_number(4, 0, -123456)), "-123456");
  EXPECT_EQ(text_of(str_format_number(0, 3, 2.0)), "2.000");
  EXPECT_EQ(text_of(str_format_number(5, 0, 2.5)), "    2");  // round half to even
  EXPECT_EQ(text_of(str_format_number(4.9, 0.9, 7.25)), "   7");
  EXPECT_EQ(text_of(str_format_number(-4.9, 1, 7.25)), "7.2 ");  // -4: left-aligned
  EXPECT_EQ(text_of(str_format_number(-4, 0, int32_t{7})), "7   ");
  EXPECT_EQ(text_of(str_format_number(12, 5, int64_t{10000000000})), " 10000000000");
  EXPECT_EQ(text_of(str_format_number(3, 0, std::numeric_limits<int64_t>::min())),
            "-9223372036854775808");
  EXPECT_EQ(text_of(str_format_number(8, -2, 1.75)), "       2");  // negative decimals: none
}

TEST(StrFormatNumber, LongResultsAreNeverCut) {
  RtString huge = str_format_number(0, 2, 1e300);
  EXPECT_EQ(huge.length, 304u);  // 301 digits, point, 2 decimals
  EXPECT_EQ(huge.data[0], '1');
  EXPECT_EQ(std::string(huge.data + 301), ".00");
  expect_valid(huge);
  RtString wide = str_format_number(200, 0, int32_t{5});
  EXPECT_EQ(wide.length, 200u);
  EXPECT_EQ(wide.data[199], '5');
  RtString wide64 = str_format_number(150, 0, int64_t{-5});
  EXPECT_EQ(wide64.length, 150u);
  EXPECT_EQ(std::string(wide64.data + 148), "-5");
  // The working strings keep working for short texts afterwards.
  EXPECT_EQ(text_of(str_format_number(3, 1, 0.5)), "0.5");
  EXPECT_EQ(text_of(str_format_number(2, 0, int32_t{1})), " 1");
  EXPECT_EQ(text_of(str_format_number(2, 0, int64_t{1})), " 1");
}

TEST(StrFormatNumber, AbsurdArgumentsStayBounded) {
  RtString a = str_format_number(1e12, 0, int32_t{1});
  EXPECT_EQ(a.length, 1000u);
  RtString b = str_format_number(-1e12, 0, int32_t{1});
  EXPECT_EQ(b.length, 1000u);
  EXPECT_EQ(b.data[0], '1');
  RtString c = str_format_number(std::nan(""), std::nan(""), 1.5);
  EXPECT_EQ(text_of(c), "2");
  RtString d = str_format_number(0, 1e9, 1.0);
  EXPECT_EQ(d.length, 1002u);
  EXPECT_EQ(text_of(str_format_number(5, 1, std::numeric_limits<double>::infinity())), "  inf");
  EXPECT_EQ(text_of(str_format_number(4, 1, -std::numeric_limits<double>::infinity())), "-inf");
  RtString n = str_format_number(0, 0, std::nan(""));
  EXPECT_NE(std::string(n.data).find("nan"), std::string::npos);
}

TEST(StrNumbers, ToFloat) {
  EXPECT_DOUBLE_EQ(str_to_float(RtString(" 12.5e1xyz")), 125.0);
  EXPECT_DOUBLE_EQ(str_to_float(RtString("-0.25")), -0.25);
  EXPECT_DOUBLE_EQ(str_to_float(RtString("+3")), 3.0);
  EXPECT_DOUBLE_EQ(str_to_float(RtString("abc")), 0.0);
  EXPECT_DOUBLE_EQ(str_to_float(RtString()), 0.0);
  EXPECT_DOUBLE_EQ(str_to_float("\t\n 7."), 7.0);
  EXPECT_DOUBLE_EQ(str_to_float(static_cast<const char*>(nullptr)), 0.0);
  EXPECT_DOUBLE_EQ(str_to_float(bytes(std::string("1\0"
                                                  "2",
                                                  3))),
                   1.0);  // text after a zero is unseen
  EXPECT_TRUE(std::isinf(str_to_float("1e999")));
  // Only sign, digits, point and exponent: no hexadecimal, "inf" or "nan".
  EXPECT_DOUBLE_EQ(str_to_float("0x10"), 0.0);
  EXPECT_DOUBLE_EQ(str_to_float("-0x1p4"), -0.0);
  EXPECT_DOUBLE_EQ(str_to_float("inf"), 0.0);
  EXPECT_DOUBLE_EQ(str_to_float(" -Infinity"), 0.0);
  EXPECT_DOUBLE_EQ(str_to_float("nan(1)"), 0.0);
  EXPECT_DOUBLE_EQ(str_to_float("2e"), 2.0);
  EXPECT_DOUBLE_EQ(str_to_float(".5e-1x"), 0.05);
  EXPECT_DOUBLE_EQ(str_to_float("-."), 0.0);
}

TEST(StrNumbers, ToInt) {
  EXPECT_EQ(str_to_int(RtString("  42abc")), 42);
  EXPECT_EQ(str_to_int(RtString("-17")), -17);
  EXPECT_EQ(str_to_int(RtString("+8")), 8);
  EXPECT_EQ(str_to_int(RtString("4.9")), 4);
  EXPECT_EQ(str_to_int(RtString("x1")), 0);
  EXPECT_EQ(str_to_int(RtString("- 1")), 0);
  EXPECT_EQ(str_to_int(RtString()), 0);
  EXPECT_EQ(str_to_int(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(str_to_int("2147483647"), INT32_MAX);
  EXPECT_EQ(str_to_int("-2147483648"), INT32_MIN);
  // Out of range saturates instead of wrapping.
  EXPECT_EQ(str_to_int("2147483648"), INT32_MAX);
  EXPECT_EQ(str_to_int("-2147483649"), INT32_MIN);
  EXPECT_EQ(str_to_int("99999999999999999999999999"), INT32_MAX);
  EXPECT_EQ(str_to_int(bytes(std::string("3\0"
                                         "4",
                                         3))),
            3);
}

TEST(StrNumbers, LengthOfNumber) {
  EXPECT_EQ(str_len_of_number(100.0), 3);
  EXPECT_EQ(str_len_of_number(1.0 / 3.0), 12);
  EXPECT_EQ(str_len_of_number(0.1f), 12);
  EXPECT_EQ(str_len_of_number(-42), 3);
  EXPECT_EQ(str_len_of_number(0), 1);
  EXPECT_EQ(str_len_of_number(INT32_MIN), 11);
}

TEST(StrErrorText, Codes) {
  int32_t saved = ctx.last_error;
  struct Case {
    int32_t code;
    const char* text;
  } cases[] = {{0, "0000 success"},        {3, "0003 no such file"},      {7, "0007 out of memory"},
               {9, "0009 out of bounds"},  {20, "0020 out of data"},      {8, "0008 unknown error"},
               {21, "0021 unknown error"}, {12345, "12345 unknown error"}};
  for (const Case& c : cases) {
    ctx.last_error = c.code;
    EXPECT_EQ(text_of(runtime_error_text()), c.text);
  }
  ctx.last_error = saved;
}

const DataItem kItems[] = {
    {0, "12abc"}, {-2.7, nullptr}, {0, "2.5"},   {3.0, nullptr},
    {0, "text"},  {1e20, nullptr}, {0, nullptr},
};

TEST(DataList, ReadsConvertByDestination) {
  DataList list{kItems, 7, 99};
  data_restore(list);
  EXPECT_EQ(list.position, 0);
  int32_t i = -1;
  double d = -1;
  RtString s;
  data_read(i);
  EXPECT_EQ(i, 12);  // text into integer: atoi
  data_read(i);
  EXPECT_EQ(i, -2);  // number into integer: toward zero
  data_read(d);
  EXPECT_DOUBLE_EQ(d, 2.5);
  data_read(s);
  EXPECT_EQ(text_of(s), "3");  // number into text: the double rule
  data_read(s);
  EXPECT_EQ(text_of(s), "text");
  data_read(i);
  EXPECT_EQ(i, INT32_MAX);  // out of range saturates
  data_read(d);
  EXPECT_DOUBLE_EQ(d, 0.0);
  EXPECT_EQ(list.position, 7);
  // Restoring rewinds.
  data_restore(list);
  data_read(d);
  EXPECT_DOUBLE_EQ(d, 12.0);  // atof of "12abc"
  data_read(s);
  EXPECT_EQ(text_of(s), "-2.7");
}

TEST(DataList, ReadingPastTheEndEndsTheProgram) {
  test::ChildResult r = test::run_in_child([] {
    DataList list{kItems, 2, 0};
    data_restore(list);
    int32_t v = 0;
    data_read(v);
    data_read(v);
    std::printf("read %d\n", v);
    std::fflush(stdout);
    data_read(v);
    std::printf("survived\n");
  });
  ASSERT_TRUE(r.exited) << "signal " << r.signal;
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "read -2\nerror: 14\nexit\n");
}

TEST(DataList, AnEmptyListIsOutOfDataAtOnce) {
  test::ChildResult r = test::run_in_child([] {
    DataList list{nullptr, 0, 0};
    data_restore(list);
    RtString s;
    data_read(s);
    std::printf("survived\n");
  });
  ASSERT_TRUE(r.exited) << "signal " << r.signal;
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "error: 14\nexit\n");
}

}  // namespace
}  // namespace zrv
