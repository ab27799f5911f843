// RtArray: dimensioning and capacity rules per element kind, shapes and
// indexing, push/delete/redim, and the fatal paths (in child processes).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "base/context.hpp"
#include "child_process.hpp"
#include "types/rt_array.hpp"

namespace {

using zrv::RtArray;
using zrv::RtString;
using zrv::test::ChildResult;
using zrv::test::run_in_child;

// A TYPE-style record: polymorphic, double fields, the two array hooks.
class Trec {
 public:
  virtual ~Trec() {}
  virtual int kind() const { return 77; }  // proves the slot's vtable is intact
  double x = 0.0;
  double y = 0.0;
  double tick = 0.0;
  void assign_fields(const Trec& o) {
    x = o.x;
    y = o.y;
    tick = o.tick;
  }
  void clear_fields() { x = y = tick = 0.0; }
};

Trec make_rec(double x, double y = 0.0, double tick = 0.0) {
  Trec r;
  r.x = x;
  r.y = y;
  r.tick = tick;
  return r;
}

static_assert(zrv::RtRecord<Trec>);
static_assert(!zrv::RtRecord<RtString>);

// Global arrays need no start-up code: constant-initialised to all zero.
constinit RtArray<int32_t> g_schedule;

TEST(RtArrayLayout, GlobalStartsEmptyAndFieldsAreInOrder) {
  EXPECT_EQ(g_schedule.items, nullptr);
  EXPECT_EQ(g_schedule.capacity, 0);
  EXPECT_EQ(g_schedule.count, 0);
  EXPECT_EQ(g_schedule.rank, 0);
  const auto base = reinterpret_cast<const char*>(&g_schedule);
  const auto* words = reinterpret_cast<const int32_t*>(base + sizeof(void*));
  EXPECT_EQ(&words[0], &g_schedule.stride1);
  EXPECT_EQ(&words[3], &g_schedule.dim0);
  EXPECT_EQ(&words[7], &g_schedule.count);
  EXPECT_EQ(&words[8], &g_schedule.rank);
  EXPECT_EQ(&words[9], &g_schedule.capacity);
}

TEST(RtArrayDim, IntTenThousand) {
  RtArray<int32_t> a;
  zrv::array_dim(a, 10000);
  EXPECT_EQ(a.dim0, 10000);
  EXPECT_EQ(a.count, 10000);
  EXPECT_EQ(a.rank, 1);
  EXPECT_EQ(a.capacity, 10008);
  for (int32_t i = 0; i < a.capacity; ++i) ASSERT_EQ(a.items[i], 0) << i;

  // Re-dimensioning within capacity reuses the block and resets the new count.
  for (int32_t i = 0; i < 10000; ++i) a(i) = i + 1;
  int32_t* block = a.items;
  zrv::array_dim(a, 100);
  EXPECT_EQ(a.items, block);
  EXPECT_EQ(a.capacity, 10008);
  EXPECT_EQ(a.dim0, 100);
  for (int32_t i = 0; i < 100; ++i) ASSERT_EQ(a(i), 0);
  EXPECT_EQ(a.items[100], 101);  // beyond the new count: untouched
  zrv::array_dim(a, 10000);
  EXPECT_EQ(a.items, block);
  for (int32_t i = 0; i < 10000; ++i) ASSERT_EQ(a(i), 0);
  // Growing past the capacity allocates anew.
  zrv::array_dim(a, 10009);
  EXPECT_EQ(a.capacity, 10016);
}

TEST(RtArrayDim, CapacityRoundingPerKind) {
  const int32_t sizes[] = {1, 7, 8, 9, 63, 64, 65};
  const int32_t by8[] = {8, 8, 16, 16, 64, 72, 72};
  const int32_t by64[] = {64, 64, 64, 64, 64, 128, 128};
  for (int k = 0; k < 7; ++k) {
    RtArray<int32_t> i;
    RtArray<double> d;
    RtArray<uint8_t> b;
    RtArray<RtString> s;
    RtArray<Trec> r;
    zrv::array_dim(i, sizes[k]);
    zrv::array_dim(d, sizes[k]);
    zrv::array_dim(b, sizes[k]);
    zrv::array_dim(s, sizes[k]);
    zrv::array_dim(r, sizes[k]);
    EXPECT_EQ(i.capacity, by8[k]) << sizes[k];
    EXPECT_EQ(d.capacity, by8[k]) << sizes[k];
    EXPECT_EQ(b.capacity, by64[k]) << sizes[k];
    EXPECT_EQ(s.capacity, by64[k]) << sizes[k];
    EXPECT_EQ(r.capacity, by64[k]) << sizes[k];
  }
  // A block exactly as large as the new count is reused.
  RtArray<int32_t> a;
  zrv::array_dim(a, 5);
  int32_t* block = a.items;
  zrv::array_dim(a, 8);
  EXPECT_EQ(a.items, block);
  EXPECT_EQ(a.capacity, 8);
  zrv::array_dim(a, 9);
  EXPECT_EQ(a.capacity, 16);
}

TEST(RtArrayDim, ZeroSize) {
  RtArray<int32_t> i;
  zrv::array_dim(i, 100);
  zrv::array_dim(i, 0);
  EXPECT_NE(i.items, nullptr);
  EXPECT_EQ(i.capacity, 8);
  EXPECT_EQ(i.dim0, 0);
  EXPECT_EQ(i.count, 0);
  EXPECT_EQ(i.rank, 0);

  RtArray<double> d;
  zrv::array_dim(d, -4);
  EXPECT_EQ(d.capacity, 8);
  EXPECT_EQ(d.dim0, 0);

  RtArray<Trec> r;
  zrv::array_dim(r, 10);
  zrv::array_dim(r, 0);
  EXPECT_EQ(r.items, nullptr);
  EXPECT_EQ(r.capacity, 0);
  EXPECT_EQ(r.rank, 0);

  RtArray<RtString> s;
  zrv::array_dim(s, 3);
  s(1) = "abc";
  zrv::array_dim(s, 0);
  EXPECT_EQ(s.items, nullptr);
  EXPECT_EQ(s.capacity, 0);

  RtArray<uint8_t> b;
  zrv::array_dim(b, 3);
  zrv::array_dim(b, 0);
  EXPECT_EQ(b.items, nullptr);
}

TEST(RtArrayDim, FreshAndReusedContents) {
  RtArray<double> d;
  zrv::array_dim(d, 5);
  for (int32_t k = 0; k < d.capacity; ++k) EXPECT_EQ(d.items[k], 0.0);
  d(4) = 2.5;
  zrv::array_dim(d, 5);
  EXPECT_EQ(d(4), 0.0);

  RtArray<uint8_t> b;
  zrv::array_dim(b, 70);
  for (int32_t k = 0; k < b.capacity; ++k) ASSERT_EQ(b.items[k], 0);
  b(3) = 9;
  zrv::array_dim(b, 70);
  EXPECT_EQ(b(3), 0);

  RtArray<RtString> s;
  zrv::array_dim(s, 4);
  for (int32_t k = 0; k < s.capacity; ++k) {
    EXPECT_TRUE(s.items[k].empty());
    EXPECT_TRUE(s.items[k].is_shared_empty());
  }
  s(2) = "hello world";
  const uint32_t cap = s(2).capacity;
  ASSERT_GT(cap, 0u);
  zrv::array_dim(s, 4);
  EXPECT_EQ(s(2).length, 0u);
  EXPECT_STREQ(s(2).c_str(), "");
  EXPECT_EQ(s(2).capacity, cap);  // the block stays with the element

  RtArray<Trec> r;
  zrv::array_dim(r, 3);
  r(1).assign_fields(make_rec(1, 2, 3));
  Trec* slot = &r(1);
  zrv::array_dim(r, 3);
  EXPECT_EQ(&r(1), slot);
  EXPECT_EQ(r(1).x, 0.0);
  EXPECT_EQ(r(1).y, 0.0);
  EXPECT_EQ(r(1).tick, 0.0);
  EXPECT_EQ(r(1).kind(), 77);
}

TEST(RtArrayDim, ExactSize) {
  RtArray<int32_t> px;
  zrv::array_dim(px, 10);
  px(3) = 4;
  zrv::array_dim_exact(px, 13, 7);
  EXPECT_EQ(px.capacity, 91);
  EXPECT_EQ(px.count, 91);
  EXPECT_EQ(px.rank, 2);
  EXPECT_EQ(px.stride1, 13);
  for (int32_t k = 0; k < 91; ++k) ASSERT_EQ(px.items[k], 0);
  px(12, 6) = 5;
  EXPECT_EQ(px.items[90], 5);

  RtArray<double> d;
  zrv::array_dim_exact(d, 3);
  EXPECT_EQ(d.capacity, 3);
  zrv::array_dim_exact(d, 0);
  EXPECT_EQ(d.items, nullptr);
  EXPECT_EQ(d.capacity, 0);
}

TEST(RtArrayShape, TwoDimensions) {
  RtArray<int32_t> a;
  zrv::array_dim(a, 5, 3);
  EXPECT_EQ(a.stride1, 5);
  EXPECT_EQ(a.stride2, 15);
  EXPECT_EQ(a.count, 15);
  EXPECT_EQ(a.rank, 2);
  EXPECT_EQ(&a(2, 1), &a.items[7]);
  EXPECT_EQ(&a(-1, 2), &a.items[14]);
  EXPECT_EQ(zrv::array_bounds(a, 0), 5);
  EXPECT_EQ(zrv::array_bounds(a, 1), 3);
  EXPECT_EQ(zrv::array_bounds(a, 2), 0);
  EXPECT_EQ(zrv::array_bounds(a, 4), 0);
  EXPECT_EQ(zrv::array_bounds(a, -1), 0);
}

TEST(RtArrayShape, FourDimensions) {
  RtArray<double> a;
  zrv::array_dim(a, 2, 3, 4, 5);
  EXPECT_EQ(a.stride1, 2);
  EXPECT_EQ(a.stride2, 6);
  EXPECT_EQ(a.stride3, 24);
  EXPECT_EQ(a.count, 120);
  EXPECT_EQ(a.rank, 4);
  EXPECT_EQ(&a(1, 2, 3, 4), &a.items[1 + 2 * 2 + 3 * 6 + 4 * 24]);
  EXPECT_EQ(&a.at(1, 2, 3), &a.items[1 + 4 + 18]);
  EXPECT_EQ(zrv::array_bounds(a, 3), 5);

  RtArray<double> b;
  zrv::array_dim(b, 4, 0, 2);  // middle dimension absent
  EXPECT_EQ(b.rank, 3);
  EXPECT_EQ(b.count, 8);
}

TEST(RtArrayShape, NegativeFirstIndex) {
  RtArray<int32_t> a;
  zrv::array_dim(a, 6);
  for (int32_t i = 0; i < 6; ++i) a(i) = 10 * i;
  EXPECT_EQ(a(-1), 50);
  EXPECT_EQ(a(-6), 0);
  EXPECT_EQ(a(-3), 30);
}

TEST(RtArrayPush, RecordGrowthInStepsOf64) {
  RtArray<Trec> a;
  zrv::array_push(a, make_rec(0));
  EXPECT_EQ(a.capacity, 64);
  EXPECT_EQ(a.dim0, 1);
  EXPECT_EQ(a.rank, 1);
  for (int k = 1; k < 63; ++k) zrv::array_push(a, make_rec(k, -k, 0.5 * k));
  Trec* block = a.items;
  EXPECT_EQ(a.dim0, 63);
  EXPECT_EQ(a.count, 63);
  EXPECT_EQ(a.capacity, 64);  // the 63rd element still fits in place
  zrv::array_push(a, make_rec(63));
  EXPECT_NE(a.items, block);
  EXPECT_EQ(a.capacity, 128);
  EXPECT_EQ(a.dim0, 64);
  for (int k = 0; k < 64; ++k) {
    ASSERT_EQ(a(k).x, k);
    if (k > 0 && k < 63) {
      ASSERT_EQ(a(k).y, -k);
      ASSERT_EQ(a(k).tick, 0.5 * k);
    }
    ASSERT_EQ(a(k).kind(), 77);
  }
}

TEST(RtArrayPush, NumbersAndStrings) {
  RtArray<int32_t> a;
  for (int k = 0; k < 7; ++k) zrv::array_push(a, k);
  EXPECT_EQ(a.capacity, 8);
  zrv::array_push(a, 7);
  EXPECT_EQ(a.capacity, 16);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(a(k), k);

  RtArray<RtString> s;
  for (int k = 0; k < 100; ++k) zrv::array_push(s, RtString(k));
  EXPECT_EQ(s.capacity, 128);
  for (int k = 0; k < 100; ++k) ASSERT_STREQ(s(k).c_str(), std::to_string(k).c_str());
}

TEST(RtArrayPush, ValueFromTheSameArray) {
  RtArray<RtString> s;
  zrv::array_push(s, RtString("first"));
  for (int k = 1; k < 63; ++k) zrv::array_push(s, RtString("x"));
  zrv::array_push(s, s(0));  // reallocates while the value lives in the old block
  EXPECT_EQ(s.capacity, 128);
  EXPECT_STREQ(s(63).c_str(), "first");
  EXPECT_STREQ(s(0).c_str(), "first");

  RtArray<Trec> r;
  for (int k = 0; k < 63; ++k) zrv::array_push(r, make_rec(k + 1));
  zrv::array_push(r, r(-1));
  EXPECT_EQ(r(63).x, 63);
}

TEST(RtArrayDelete, Basics) {
  RtArray<Trec> a;
  zrv::array_push(a, make_rec(1));
  Trec* block = a.items;
  zrv::array_delete(a, 0);
  EXPECT_EQ(a.dim0, 0);
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.items, block);
  EXPECT_EQ(a.capacity, 64);
  zrv::array_push(a, make_rec(2));
  EXPECT_EQ(a.items, block);
  EXPECT_EQ(a(0).x, 2);

  for (int k = 3; k <= 6; ++k) zrv::array_push(a, make_rec(k));  // 2 3 4 5 6
  zrv::array_delete(a, -1);                                      // 2 3 4 5
  EXPECT_EQ(a.dim0, 4);
  EXPECT_EQ(a(-1).x, 5);
  EXPECT_EQ(a.items[4].x, 6);  // past the end: old contents kept
  zrv::array_delete(a, 1);     // 2 4 5
  EXPECT_EQ(a.dim0, 3);
  EXPECT_EQ(a(0).x, 2);
  EXPECT_EQ(a(1).x, 4);
  EXPECT_EQ(a(2).x, 5);
  EXPECT_EQ(a.items[3].x, 5);
  EXPECT_EQ(a(1).kind(), 77);
}

TEST(RtArrayDelete, StringsAndNumbers) {
  RtArray<RtString> s;
  const char* words[] = {"alpha", "beta", "gamma", "delta"};
  for (const char* w : words) zrv::array_push(s, RtString(w));
  zrv::array_delete(s, 1);
  ASSERT_EQ(s.dim0, 3);
  EXPECT_STREQ(s(0).c_str(), "alpha");
  EXPECT_STREQ(s(1).c_str(), "gamma");
  EXPECT_STREQ(s(2).c_str(), "delta");
  zrv::array_delete(s, -3);
  EXPECT_STREQ(s(0).c_str(), "gamma");
  // Every block has one owner: later writes and the release stay clean.
  s(0) = "one";
  s(1) = "two";
  zrv::array_push(s, RtString("three"));
  EXPECT_STREQ(s(2).c_str(), "three");

  RtArray<int32_t> a;
  for (int k = 0; k < 5; ++k) zrv::array_push(a, k);
  zrv::array_delete(a, 2);
  EXPECT_EQ(a(0), 0);
  EXPECT_EQ(a(1), 1);
  EXPECT_EQ(a(2), 3);
  EXPECT_EQ(a(3), 4);
  EXPECT_EQ(a.dim0, 4);
}

TEST(RtArrayDelete, TwoDimensionalMovesFlatElements) {
  RtArray<int32_t> a;
  zrv::array_dim(a, 3, 2);
  for (int32_t k = 0; k < 6; ++k) a.items[k] = k + 1;  // 1 2 3 | 4 5 6
  zrv::array_delete(a, 0);
  EXPECT_EQ(a.dim0, 2);
  EXPECT_EQ(a.count, 5);
  EXPECT_EQ(a.items[0], 2);
  EXPECT_EQ(a.items[1], 3);
  EXPECT_EQ(a.items[2], 3);  // element dim0 - 1 keeps its value
  EXPECT_EQ(a.items[3], 4);
}

TEST(RtArrayRedim, KeepsOverlap) {
  RtArray<int32_t> a;
  zrv::array_dim(a, 10);
  for (int32_t k = 0; k < 10; ++k) a(k) = k * k;
  zrv::array_redim(a, 20);
  EXPECT_EQ(a.dim0, 20);
  EXPECT_EQ(a.capacity, 24);
  for (int32_t k = 0; k < 10; ++k) EXPECT_EQ(a(k), k * k);
  for (int32_t k = 10; k < 20; ++k) EXPECT_EQ(a(k), 0);
  zrv::array_redim(a, 4);
  EXPECT_EQ(a.dim0, 4);
  EXPECT_EQ(a(3), 9);

  RtArray<double> m;
  zrv::array_dim(m, 3, 2);
  for (int32_t j = 0; j < 2; ++j) {
    for (int32_t i = 0; i < 3; ++i) m(i, j) = 10 * i + j + 1;
  }
  zrv::array_redim(m, 4, 3);
  for (int32_t j = 0; j < 3; ++j) {
    for (int32_t i = 0; i < 4; ++i) {
      const double want = (i < 3 && j < 2) ? 10 * i + j + 1 : 0.0;
      EXPECT_EQ(m(i, j), want) << i << "," << j;
    }
  }
  zrv::array_redim(m, 2, 1);
  EXPECT_EQ(m(0, 0), 1);
  EXPECT_EQ(m(1, 0), 11);

  RtArray<RtString> s;
  zrv::array_push(s, RtString("keep"));
  zrv::array_push(s, RtString("me"));
  zrv::array_redim(s, 100);
  EXPECT_EQ(s.capacity, 128);
  EXPECT_STREQ(s(0).c_str(), "keep");
  EXPECT_STREQ(s(1).c_str(), "me");
  EXPECT_TRUE(s(2).empty());
}

TEST(RtArrayRedim, ToZeroKeepsStorage) {
  RtArray<Trec> a;
  for (int k = 0; k < 5; ++k) zrv::array_push(a, make_rec(k + 1));
  Trec* block = a.items;
  zrv::array_redim(a, 0);
  EXPECT_EQ(a.items, block);
  EXPECT_EQ(a.capacity, 64);
  EXPECT_EQ(a.dim0, 0);
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.rank, 0);
  EXPECT_EQ(a.stride1, 0);
  zrv::array_redim(a, 10);  // the old shape is 0: nothing to copy
  EXPECT_EQ(a.dim0, 10);
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(a(k).x, 0.0);
    EXPECT_EQ(a(k).kind(), 77);
  }
}

TEST(RtArrayMove, TakesTheStorage) {
  RtArray<RtString> a;
  zrv::array_push(a, RtString("moved"));
  RtArray<RtString> b(std::move(a));
  EXPECT_EQ(a.items, nullptr);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(a.capacity, 0);
  EXPECT_STREQ(b(0).c_str(), "moved");
  RtArray<RtString> c;
  zrv::array_push(c, RtString("dropped"));
  c = std::move(b);
  EXPECT_STREQ(c(0).c_str(), "moved");
}

// ---------------------------------------------------------------------------
// Fatal paths: they end the process through program_end, with status 1.

TEST(RtArrayFatal, IndexPastTheEnd) {
  ChildResult r = run_in_child([] {
    RtArray<int32_t> a;
    zrv::array_dim(a, 10000);
    volatile int32_t i = 10000;
    a(i) = 1;
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "bounds: [10000]\naccess: [10000]\n");
  EXPECT_EQ(r.out, "error: 9\nexit\n");
}

TEST(RtArrayFatal, NegativeIndexReportsWrappedIndex) {
  ChildResult r = run_in_child([] {
    RtArray<int32_t> a;
    zrv::array_dim(a, 10000);
    volatile int32_t i = -10001;
    a(i) = 1;
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "bounds: [10000]\naccess: [  -1]\n");
  EXPECT_EQ(r.out, "error: 9\nexit\n");
}

TEST(RtArrayFatal, TwoDimensionalReport) {
  ChildResult r = run_in_child([] {
    RtArray<double> a;
    zrv::array_dim(a, 5, 3);
    volatile int32_t j = 3;
    a(1, j) = 1.0;
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "bounds: [   5][   3]\naccess: [   1][   3]\n");
  EXPECT_EQ(r.out, "error: 9\nexit\n");
}

TEST(RtArrayFatal, EmptyRecordArray) {
  ChildResult r = run_in_child([] {
    RtArray<Trec> a;
    a(0).x = 1.0;
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "bounds: [   0]\naccess: [   0]\n");
  EXPECT_EQ(r.out, "error: 9\nexit\n");
}

TEST(RtArrayFatal, AbsentDimensionCannotReachPastTheElements) {
  ChildResult r = run_in_child([] {
    RtArray<int32_t> a;
    zrv::array_dim(a, 5);
    a(2, 1000) = 1;
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "error: 9\nexit\n");
  // An index of a dimension the array does not have names no element, and
  // the report shows every index given.
  r = run_in_child([] {
    RtArray<int32_t> a;
    zrv::array_dim(a, 5);
    a(0, 0) = 7;  // index 0 of a missing dimension is the element itself
    std::printf("%d\n", a(0, 0, 0, 0));
    std::fflush(stdout);
    volatile int32_t k = 1;
    a(0, 0, k) = 1;
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "7\nerror: 9\nexit\n");
  EXPECT_EQ(r.err, "bounds: [   5]\naccess: [   0][   0][   1]\n");
}

TEST(RtArrayFatal, DeleteOutOfRange) {
  ChildResult r = run_in_child([] {
    RtArray<Trec> a;
    zrv::array_push(a, make_rec(1));
    zrv::array_delete(a, -2);
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "bounds: [   1]\naccess: [  -1]\n");
  EXPECT_EQ(r.out, "error: 9\nexit\n");
}

TEST(RtArrayFatal, PushOnTwoDimensions) {
  ChildResult r = run_in_child([] {
    RtArray<int32_t> a;
    zrv::array_dim(a, 4, 2);
    zrv::array_push(a, 1);
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "error: 8\nexit\n");
  EXPECT_EQ(r.err, "array_push: the array has more than one dimension\n");
}

TEST(RtArrayFatal, SizeBeyondRangeIsOutOfMemory) {
  ChildResult r = run_in_child([] {
    RtArray<double> a;
    zrv::array_dim(a, 65536, 65536);
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "error: 7\nexit\n");

  r = run_in_child([] {
    RtArray<Trec> a;
    zrv::array_dim(a, INT32_MAX);  // capacity rounding would pass 2^31
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "error: 7\nexit\n");
}

// While the end is already in progress program_end returns; a failing access
// must then hand out the scratch element, never memory outside the storage.
TEST(RtArrayFatal, ReturnDuringShutdownYieldsScratch) {
  ChildResult r = run_in_child([] {
    zrv::ctx.ending = 1;
    bool ok = true;
    RtArray<int32_t> a;
    zrv::array_dim(a, 4);
    int32_t& s1 = a(10);
    ok &= (&s1 < a.items || &s1 >= a.items + a.capacity) && s1 == 0;
    s1 = 7;
    int32_t& s2 = a(-5);
    ok &= &s2 == &s1 && s2 == 0;  // reset at each failure

    RtArray<RtString> s;
    RtString& t = s(3);
    ok &= t.empty();

    RtArray<int32_t> m;
    zrv::array_dim(m, 2, 2);
    zrv::array_push(m, 5);
    ok &= m.dim0 == 2 && m.count == 4;

    RtArray<Trec> e;
    zrv::array_delete(e, 0);
    ok &= e.dim0 == 0 && e.items == nullptr;

    std::fflush(stdout);
    _exit(ok ? 42 : 43);
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 42);
  EXPECT_EQ(r.out, "error: 9\nerror: 9\nerror: 9\nerror: 8\nerror: 9\n");
}

}  // namespace
