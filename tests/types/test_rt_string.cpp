// RtString: representation, capacity policy, assignment, appending,
// concatenation, number texts and comparisons.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "base/rt_string.hpp"
#include "child_process.hpp"

namespace zrv {
namespace {

// The invariants every live string keeps.
void expect_valid(const RtString& s) {
  ASSERT_NE(s.data, nullptr);
  EXPECT_EQ(s.capacity == 0, s.is_shared_empty());
  if (s.capacity == 0) {
    EXPECT_EQ(s.length, 0u);
  } else {
    EXPECT_GE(s.capacity, s.length + 1);
  }
  EXPECT_EQ(s.data[s.length], 0);
}

std::string text_of(const RtString& s) { return std::string(s.data, s.length); }

bool shared_buffer_is_zero() {
  const char* p = RtString::shared_empty();
  for (int i = 0; i < 16; ++i) {
    if (p[i] != 0) return false;
  }
  return true;
}

TEST(RtStringEmpty, EmptyStringsShareTheStaticBuffer) {
  RtString a;
  RtString b("");
  RtString c(static_cast<const char*>(nullptr));
  RtString d(a);
  for (const RtString* s : {&a, &b, &c, &d}) {
    expect_valid(*s);
    EXPECT_TRUE(s->is_shared_empty());
    EXPECT_EQ(s->capacity, 0u);
    EXPECT_EQ(s->data, RtString::shared_empty());
    EXPECT_TRUE(s->empty());
  }
  EXPECT_TRUE(shared_buffer_is_zero());
}

TEST(RtStringEmpty, ReleaseTwiceAndReuse) {
  RtString s("hello");
  s.release();
  expect_valid(s);
  EXPECT_TRUE(s.is_shared_empty());
  s.release();
  expect_valid(s);
  EXPECT_EQ(text_of(s), "");
  s.append("again");
  EXPECT_EQ(text_of(s), "again");
  expect_valid(s);
}

TEST(RtStringEmpty, OperationsOnEmptyNeverWriteTheSharedBuffer) {
  RtString s;
  s.truncate(0);
  s.recount_length();
  s.assign(RtString());
  s.append("");
  s.append(RtString());
  s.reserve(0, true);
  s = RtString("");
  RtString t;
  s.swap(t);
  expect_valid(s);
  EXPECT_TRUE(s.is_shared_empty());
  EXPECT_TRUE(shared_buffer_is_zero());
}

TEST(RtStringCapacity, RoundingRule) {
  struct Case {
    const char* text;
    uint32_t capacity;
  } cases[] = {
      {"a", 16},
      {"hello", 16},
      {"12345678901234", 16},                    // 14 bytes
      {"123456789012345", 32},                   // 15 bytes
      {"1234567890123456", 32},                  // 16 bytes
      {"1234567890123456789012345678901", 48},   // 31 bytes
      {"12345678901234567890123456789012", 48},  // 32 bytes
  };
  for (const Case& c : cases) {
    RtString s(c.text);
    expect_valid(s);
    EXPECT_EQ(s.length, std::strlen(c.text)) << c.text;
    EXPECT_EQ(s.capacity, c.capacity) << c.text;
    EXPECT_FALSE(s.is_shared_empty());
  }
}

TEST(RtStringCapacity, ReserveNeverShrinksAndKeepCopiesText) {
  RtString s("abc");
  char* block = s.data;
  s.reserve(10, true);  // fits already
  EXPECT_EQ(s.data, block);
  EXPECT_EQ(s.capacity, 16u);
  s.reserve(40, true);
  EXPECT_EQ(s.capacity, 48u);
  EXPECT_EQ(text_of(s), "abc");
  expect_valid(s);
  s.reserve(5, false);  // smaller: nothing happens, text stays
  EXPECT_EQ(s.capacity, 48u);
  EXPECT_EQ(text_of(s), "abc");
}

TEST(RtStringCapacity, ReserveWithoutKeepStartsEmpty) {
  RtString s("abc");
  s.reserve(100, false);
  EXPECT_EQ(s.capacity, 112u);
  EXPECT_EQ(s.length, 0u);
  expect_valid(s);
}

TEST(RtStringCapacity, GrowingByOneByteReallocatesEvery16Bytes) {
  RtString s;
  uint32_t grows = 0;
  uint32_t last = s.capacity;
  for (int i = 0; i < 100; ++i) {
    s.append_char(static_cast<char>('a' + i % 26));
    expect_valid(s);
    if (s.capacity != last) {
      ++grows;
      // Each new block is exactly the rounded size for the text it holds.
      EXPECT_EQ(s.capacity, ((s.length + 1) & ~15u) + 16);
      last = s.capacity;
    }
  }
  EXPECT_EQ(s.length, 100u);
  EXPECT_EQ(s.capacity, 112u);
  EXPECT_EQ(grows, 7u);  // 16, 32, 48, 64, 80, 96, 112
}

TEST(RtStringCopy, CopyKeepsEmbeddedZeroBytes) {
  RtString s("ab");
  s.append_char('\0');
  s.append_char('c');
  ASSERT_EQ(s.length, 4u);
  RtString copy(s);
  EXPECT_EQ(copy.length, 4u);
  EXPECT_EQ(text_of(copy), std::string("ab\0c", 4));
  EXPECT_NE(copy.data, s.data);
  expect_valid(copy);
  RtString assigned;
  assigned = s;
  EXPECT_EQ(text_of(assigned), std::string("ab\0c", 4));
  EXPECT_TRUE(str_equal_exact(assigned, s));
}

TEST(RtStringCopy, MoveConstructionTakesTheBlock) {
  RtString a("payload");
  char* block = a.data;
  RtString b(std::move(a));
  EXPECT_EQ(b.data, block);
  EXPECT_EQ(text_of(b), "payload");
  EXPECT_TRUE(a.is_shared_empty());  // NOLINT(bugprone-use-after-move): moved-from is defined
  expect_valid(a);
  expect_valid(b);
}

TEST(RtStringCopy, MoveAssignmentFollowsTheAssignmentRules) {
  // The destination's block takes the text when it is large enough ...
  RtString dest("a sixteen+ byte text");
  char* own = dest.data;
  dest = RtString("short");
  EXPECT_EQ(dest.data, own);
  EXPECT_EQ(dest.capacity, 32u);
  EXPECT_EQ(text_of(dest), "short");
  // ... and is kept for an empty text ...
  dest = RtString();
  EXPECT_EQ(dest.data, own);
  EXPECT_EQ(dest.length, 0u);
  expect_valid(dest);
  // ... and only a text that does not fit brings the source's block along.
  RtString big("a text that is longer than thirty-one bytes in all");
  char* theirs = big.data;
  dest = std::move(big);
  EXPECT_EQ(dest.data, theirs);
  EXPECT_EQ(text_of(dest), "a text that is longer than thirty-one bytes in all");
  EXPECT_TRUE(big.is_shared_empty());  // NOLINT(bugprone-use-after-move)
  RtString& same = dest;
  dest = std::move(same);
  EXPECT_EQ(dest.data, theirs);
  expect_valid(dest);
  expect_valid(big);
}

TEST(RtStringCopy, SwapExchangesAllFields) {
  RtString a("first");
  RtString b;
  char* block = a.data;
  a.swap(b);
  EXPECT_TRUE(a.is_shared_empty());
  EXPECT_EQ(b.data, block);
  EXPECT_EQ(b.capacity, 16u);
  EXPECT_EQ(b.length, 5u);
}

TEST(RtStringAssign, EmptySourceKeepsTheBlock) {
  RtString s("hello");
  char* block = s.data;
  s = RtString("");
  EXPECT_EQ(s.data, block);
  EXPECT_EQ(s.capacity, 16u);
  EXPECT_EQ(s.length, 0u);
  expect_valid(s);
  // A text up to capacity - 1 bytes reuses the block.
  s = RtString("fifteen chars!!");
  EXPECT_EQ(s.data, block);
  EXPECT_EQ(s.length, 15u);
  EXPECT_EQ(s.capacity, 16u);
  expect_valid(s);
  // One byte more does not fit: a new block by the rounding rule.
  s.assign(RtString("sixteen chars!!!"));
  EXPECT_EQ(s.capacity, 32u);
  EXPECT_EQ(text_of(s), "sixteen chars!!!");
  char* grown = s.data;
  s.assign(RtString("0123456789012345678901234567890"));  // 31 bytes: capacity 32 holds them
  EXPECT_EQ(s.data, grown);
  EXPECT_EQ(s.capacity, 32u);
  EXPECT_EQ(text_of(s), "0123456789012345678901234567890");
  expect_valid(s);
}

TEST(RtStringAssign, SelfAssignmentChangesNothing) {
  RtString s("same");
  char* block = s.data;
  RtString& alias = s;
  s = alias;
  s.assign(alias);
  EXPECT_EQ(s.data, block);
  EXPECT_EQ(text_of(s), "same");
}

TEST(RtStringAssign, CStringGetsExactBlock) {
  RtString s;
  s = "hello";
  EXPECT_EQ(s.capacity, 6u);
  EXPECT_EQ(s.length, 5u);
  expect_valid(s);
  s.assign("a longer text than before");
  EXPECT_EQ(s.capacity, 26u);
  EXPECT_EQ(text_of(s), "a longer text than before");
  s = "";
  EXPECT_TRUE(s.is_shared_empty());
  s.assign(static_cast<const char*>(nullptr));
  EXPECT_TRUE(s.is_shared_empty());
  expect_valid(s);
}

TEST(RtStringAssign, CStringFromOwnBuffer) {
  RtString s("hello world");
  s = s.c_str() + 6;  // the source lies in the block being replaced
  EXPECT_EQ(text_of(s), "world");
  expect_valid(s);
  s.assign(s.c_str());
  EXPECT_EQ(text_of(s), "world");
}

TEST(RtStringAppend, SelfAppendDoubles) {
  RtString s("ab");
  s.append(s);
  EXPECT_EQ(text_of(s), "abab");
  s += s;
  EXPECT_EQ(text_of(s), "abababab");
  RtString big("0123456789abcde");  // 15 bytes, capacity 32: self-append reallocates
  big.append(big);
  EXPECT_EQ(text_of(big), "0123456789abcde0123456789abcde");
  big.append(big);
  EXPECT_EQ(big.length, 60u);
  EXPECT_EQ(text_of(big).substr(30), "0123456789abcde0123456789abcde");
  expect_valid(big);
}

TEST(RtStringAppend, CStringFromOwnBufferSurvivesReallocation) {
  RtString s("0123456789");  // capacity 16
  s.append(s.c_str() + 2);   // 18 bytes: the block is replaced during the append
  EXPECT_EQ(text_of(s), "012345678923456789");
  expect_valid(s);
}

TEST(RtStringAppend, TextsNumbersAndChars) {
  RtString s;
  s.append("x=");
  s.append(int32_t{-5});
  s.append(", y=");
  s.append(int64_t{1234567890123});
  s.append(", z=");
  s.append(2.5);
  s.append(", f=");
  s.append(0.5f);
  s.append_char('!');
  s.append(static_cast<const char*>(nullptr));
  s.append("");
  EXPECT_EQ(text_of(s), "x=-5, y=1234567890123, z=2.5, f=0.5!");
  expect_valid(s);
}

TEST(RtStringTruncate, Rules) {
  RtString s("hello");
  s.truncate(-1);
  EXPECT_EQ(text_of(s), "hello");
  s.truncate(5);
  EXPECT_EQ(text_of(s), "hello");
  s.truncate(100);
  EXPECT_EQ(text_of(s), "hello");
  s.truncate(3);
  EXPECT_EQ(text_of(s), "hel");
  expect_valid(s);
  char* block = s.data;
  s.truncate(0);
  EXPECT_EQ(s.length, 0u);
  EXPECT_EQ(s.data, block);
  EXPECT_EQ(s.capacity, 16u);
  expect_valid(s);
}

TEST(RtStringRawBuffer, RecountCutsAnUnterminatedBlock) {
  RtString s;
  char* p = s.buffer_for_write(14);
  ASSERT_EQ(s.capacity, 16u);
  std::memset(p, 'z', 16);
  s.recount_length();
  EXPECT_EQ(s.length, 15u);
  EXPECT_EQ(s.data[15], 0);
  EXPECT_EQ(text_of(s), std::string(15, 'z'));
}

TEST(RtStringRawBuffer, RecountStopsAtFirstZero) {
  RtString s("keep me");
  char* p = s.buffer_for_write(40);
  EXPECT_EQ(text_of(s), "keep me");  // keep is set
  std::snprintf(p, 41, "%s-%d", "written", 42);
  s.recount_length();
  EXPECT_EQ(text_of(s), "written-42");
  p[3] = 0;
  s.recount_length();
  EXPECT_EQ(text_of(s), "wri");
  p[0] = 0;
  s.recount_length();
  EXPECT_EQ(s.length, 0u);
  EXPECT_FALSE(s.is_shared_empty());
  expect_valid(s);
}

TEST(RtStringRawBuffer, ZeroByteRequestStillGivesAnOwnBlock) {
  RtString s;
  char* p = s.buffer_for_write(0);
  EXPECT_NE(p, RtString::shared_empty());
  p[0] = 0;
  s.recount_length();
  expect_valid(s);
  EXPECT_TRUE(shared_buffer_is_zero());
}

TEST(RtStringNumbers, Integers) {
  struct Case {
    int32_t value;
    const char* text;
  } cases[] = {{7, "7"},
               {-42, "-42"},
               {0, "0"},
               {2147483647, "2147483647"},
               {std::numeric_limits<int32_t>::min(), "-2147483648"}};
  for (const Case& c : cases) {
    RtString s(c.value);
    EXPECT_EQ(text_of(s), c.text);
    EXPECT_EQ(s.capacity, 32u);
    expect_valid(s);
  }
  RtString seven(int32_t{7});
  EXPECT_EQ(seven.length, 1u);
}

TEST(RtStringNumbers, Int64IncludingTheMostNegative) {
  struct Case {
    int64_t value;
    const char* text;
  } cases[] = {{0, "0"},
               {-1, "-1"},
               {1234567890123456789LL, "1234567890123456789"},
               {std::numeric_limits<int64_t>::max(), "9223372036854775807"},
               {std::numeric_limits<int64_t>::min(), "-9223372036854775808"}};
  for (const Case& c : cases) {
    RtString s(c.value);
    EXPECT_EQ(text_of(s), c.text);
    EXPECT_EQ(s.capacity, 80u);
    expect_valid(s);
  }
}

TEST(RtStringNumbers, DoublesToTenSignificantDigits) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {100.0, "100"},
      {-3.0, "-3"},
      {3.0, "3"},
      {0.5, "0.5"},
      {0.25, "0.25"},
      {2.25, "2.25"},
      {0.0, "0"},
      {1.0 / 3.0, "0.3333333333"},
      {2.0 / 3.0, "0.6666666667"},
      {-1.0 / 3.0, "-0.3333333333"},
      {1234567890.0, "1234567890"},
      {9999999999.0, "9999999999"},
      {9999999999.5, "1e+10"},
      {12345678901.0, "1.23456789e+10"},
      {1e20, "1e+20"},
      {123456.789, "123456.789"},
      {0.0001, "0.0001"},
      {0.00001, "1e-05"},
      {1.5e-7, "1.5e-07"},
      {DBL_MAX, "1.797693135e+308"},
      {-DBL_MAX, "-1.797693135e+308"},
      {DBL_MIN, "2.225073859e-308"},
      {4.9406564584124654e-324, "4.940656458e-324"},
  };
  for (const Case& c : cases) {
    RtString s(c.value);
    EXPECT_EQ(text_of(s), c.text) << c.value;
    EXPECT_EQ(s.capacity, 80u);
    expect_valid(s);
  }
  RtString seven(7.0);
  EXPECT_EQ(seven.length, 1u);
  EXPECT_EQ(seven.capacity, 80u);
}

TEST(RtStringNumbers, NegativeZeroReadsAsZero) {
  EXPECT_EQ(text_of(RtString(-0.0)), "0");
  EXPECT_EQ(text_of(RtString(-0.0f)), "0");
  EXPECT_EQ(text_of(RtString(-1e-320 * 1e-10)), "0");  // underflows to -0
}

TEST(RtStringNumbers, NonFiniteValuesDoNotCrash) {
  EXPECT_EQ(text_of(RtString(std::numeric_limits<double>::quiet_NaN())), "nan");
  EXPECT_EQ(text_of(RtString(-std::numeric_limits<double>::quiet_NaN())), "nan");
  EXPECT_EQ(text_of(RtString(std::numeric_limits<double>::infinity())), "inf");
  EXPECT_EQ(text_of(RtString(-std::numeric_limits<double>::infinity())), "-inf");
  EXPECT_EQ(text_of(RtString(std::numeric_limits<float>::infinity())), "inf");
}

TEST(RtStringNumbers, FloatsShowTheirStoredValue) {
  EXPECT_EQ(text_of(RtString(0.1f)), "0.1000000015");
  EXPECT_EQ(text_of(RtString(0.5f)), "0.5");
  EXPECT_EQ(text_of(RtString(3.0f)), "3");
  EXPECT_EQ(text_of(RtString(16777216.0f)), "16777216");
  EXPECT_EQ(RtString(0.1f).capacity, 80u);
}

TEST(RtStringConcat, TextPairings) {
  EXPECT_EQ(text_of(RtString("SC ") + RtString("00123")), "SC 00123");
  EXPECT_EQ(text_of("SC " + RtString("00123")), "SC 00123");
  EXPECT_EQ(text_of(RtString("SC ") + "00123"), "SC 00123");
  EXPECT_EQ(text_of(str_concat("SC ", "00123")), "SC 00123");
  EXPECT_EQ(text_of(RtString() + RtString()), "");
  EXPECT_TRUE((RtString() + "").is_shared_empty());
  EXPECT_EQ(text_of(str_concat(static_cast<const char*>(nullptr), "x")), "x");
}

TEST(RtStringConcat, NumberPairings) {
  EXPECT_EQ(text_of(str_concat("00000", int32_t{123})), "00000123");
  EXPECT_EQ(text_of(str_concat("n=", int64_t{-9000000000})), "n=-9000000000");
  EXPECT_EQ(text_of(str_concat("f=", 0.1f)), "f=0.1000000015");
  EXPECT_EQ(text_of(str_concat("d=", 2.5)), "d=2.5");
  EXPECT_EQ(text_of(str_concat(int32_t{7}, " lives")), "7 lives");
  EXPECT_EQ(text_of(str_concat(int64_t{-1}, "x")), "-1x");
  EXPECT_EQ(text_of(str_concat(0.25f, "x")), "0.25x");
  EXPECT_EQ(text_of(str_concat(100.0, "%")), "100%");
  RtString s("v");
  EXPECT_EQ(text_of(s + int32_t{-42}), "v-42");
  EXPECT_EQ(text_of(s + int64_t{5}), "v5");
  EXPECT_EQ(text_of(s + 1.5f), "v1.5");
  EXPECT_EQ(text_of(s + 1.0 / 3.0), "v0.3333333333");
  EXPECT_EQ(text_of(int32_t{3} + s), "3v");
  EXPECT_EQ(text_of(int64_t{4} + s), "4v");
  EXPECT_EQ(text_of(0.5f + s), "0.5v");
  EXPECT_EQ(text_of(-2.0 + s), "-2v");
  // A number on the left keeps its conversion block and appends the text.
  RtString r = int32_t{1} + RtString("2");
  EXPECT_EQ(r.capacity, 32u);
  expect_valid(r);
}

TEST(RtStringCompare, TextWithText) {
  RtString abc("abc");
  RtString abd("abd");
  EXPECT_TRUE(abc == RtString("abc"));
  EXPECT_TRUE(abc != abd);
  EXPECT_TRUE(abc < abd);
  EXPECT_TRUE(abd > abc);
  EXPECT_TRUE(abc <= abc);
  EXPECT_TRUE(abc >= abc);
  EXPECT_TRUE(abc == "abc");
  EXPECT_TRUE("abc" == abc);
  EXPECT_TRUE(abc < "abcd");
  EXPECT_TRUE("ab" < abc);
  EXPECT_TRUE("b" > abc);
  EXPECT_TRUE(abc >= "abc");
  EXPECT_TRUE("abd" >= abc);
  EXPECT_FALSE(abc > "abc");
  EXPECT_TRUE(RtString() == "");
  EXPECT_TRUE(RtString() == static_cast<const char*>(nullptr));
  EXPECT_TRUE(RtString() < "a");
  // Bytes compare as unsigned values.
  EXPECT_TRUE(RtString("\xe9") > "z");
}

TEST(RtStringCompare, TextComparisonStopsAtZeroByte) {
  RtString s("a");
  s.append_char('\0');
  s.append_char('b');
  EXPECT_TRUE(s == "a");
  EXPECT_TRUE(s == RtString("a"));
  EXPECT_FALSE(str_equal_exact(s, RtString("a")));
  EXPECT_TRUE(str_equal_exact(s, RtString(s)));
}

TEST(RtStringCompare, TextWithNumbers) {
  EXPECT_TRUE(RtString("12abc") == 12);
  EXPECT_TRUE(12 == RtString("12abc"));
  EXPECT_TRUE(RtString("") == 0);
  EXPECT_TRUE(RtString("abc") < 1);
  EXPECT_TRUE(RtString("  -7") < -6);
  EXPECT_TRUE(5 > RtString("4.9"));  // atoi: 4
  EXPECT_TRUE(RtString("2.5") > 2.4);
  EXPECT_TRUE(RtString("2.5") == 2.5);
  EXPECT_TRUE(RtString("2.5") == 2);  // the integer form reads 2
  EXPECT_FALSE(RtString("2.5") != 2.5);
  EXPECT_TRUE(2.4 < RtString("2.5"));
  EXPECT_TRUE(2.5 <= RtString("2.5"));
  EXPECT_TRUE(2.5 >= RtString("2.5"));
  EXPECT_TRUE(RtString("1e3") == 1000.0);
  EXPECT_TRUE(RtString("0.1") == 0.1);
  EXPECT_FALSE(RtString("0.1") == 0.1f);  // the float widens to 0.100000001490116...
  EXPECT_TRUE(RtString("0.5") == 0.5f);
  EXPECT_TRUE(RtString("3") >= 3);
  EXPECT_TRUE(RtString("3") <= 3);
  EXPECT_TRUE(RtString("3") > 2);
  EXPECT_TRUE(4 != RtString("3"));
  EXPECT_TRUE(4 >= RtString("3"));
  EXPECT_TRUE(2 <= RtString("3"));
  EXPECT_TRUE(2 < RtString("3"));
  EXPECT_TRUE(3 == RtString("3"));
  EXPECT_TRUE(1.0 != RtString("2"));
  EXPECT_TRUE(3.0 > RtString("2"));
  EXPECT_TRUE(3.0 == RtString("3"));
  EXPECT_TRUE(RtString("2") <= 2.0);
  EXPECT_TRUE(RtString("2") >= 2.0);
  EXPECT_TRUE(RtString("2") < 2.5);
  EXPECT_TRUE(RtString("3") >= 2);
}

TEST(RtStringCompare, ThreeWayForms) {
  EXPECT_EQ(str_compare(RtString("a"), RtString("b")), -1);
  EXPECT_EQ(str_compare(RtString("b"), "a"), 1);
  EXPECT_EQ(str_compare("same", RtString("same")), 0);
  EXPECT_EQ(str_compare("zz", "zza"), -1);
  EXPECT_EQ(str_compare(static_cast<const char*>(nullptr), ""), 0);
  EXPECT_EQ(str_compare(RtString("2.5"), 2.5), 0);
  EXPECT_EQ(str_compare(RtString("2.5"), 3.0), -1);
  EXPECT_EQ(str_compare(3.0, RtString("2.5")), 1);
  EXPECT_EQ(str_compare("10", 9.5), 1);
  EXPECT_EQ(str_compare(9.5, "10"), -1);
  EXPECT_EQ(str_compare(RtString("12abc"), 12), 0);
  EXPECT_EQ(str_compare(11, RtString("12abc")), -1);
  EXPECT_EQ(str_compare("abc", 1), -1);
  EXPECT_EQ(str_compare(1, "abc"), 1);
  EXPECT_EQ(str_compare(RtString("nan"), 1.0), -1);        // no number in the text: 0
  EXPECT_EQ(str_compare(RtString("1"), std::nan("")), 0);  // unordered
}

TEST(RtStringFatal, OversizedRequestEndsTheProgramCleanly) {
  test::ChildResult r = test::run_in_child([] {
    RtString s("x");
    s.reserve(0xFFFFFFFFu, true);
    std::printf("survived\n");
  });
  ASSERT_TRUE(r.exited) << "signal " << r.signal;
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "error: 7\nexit\n");
}

}  // namespace
}  // namespace zrv
