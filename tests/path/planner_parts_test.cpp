// The planner's building blocks: the open-list ring, the closed-set table and
// the node pool, each against a plain model.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <random>
#include <utility>
#include <vector>

#include "path/planner.hpp"

namespace zrv {
namespace {

std::vector<int> contents(const FixedDeque<int>& d) {
  std::vector<int> v;
  for (int32_t i = 0; i < d.size(); ++i) v.push_back(d.at(i));
  return v;
}

TEST(FixedDeque, BasicOperationsKeepOrder) {
  FixedDeque<int> d;
  d.allocate(5);
  EXPECT_EQ(d.size(), 0);
  EXPECT_TRUE(d.push_back(2));
  EXPECT_TRUE(d.push_back(3));
  EXPECT_TRUE(d.push_front(1));
  EXPECT_EQ(contents(d), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(d.back(), 3);
  EXPECT_TRUE(d.insert(1, 9));  // front side is shorter
  EXPECT_EQ(contents(d), (std::vector<int>{1, 9, 2, 3}));
  EXPECT_TRUE(d.insert(3, 8));  // back side is shorter
  EXPECT_EQ(contents(d), (std::vector<int>{1, 9, 2, 8, 3}));
  EXPECT_TRUE(d.full());
  d.erase(1);
  EXPECT_EQ(contents(d), (std::vector<int>{1, 2, 8, 3}));
  d.erase(2);
  EXPECT_EQ(contents(d), (std::vector<int>{1, 2, 3}));
  d.pop_back();
  EXPECT_EQ(d.back(), 2);
  d.pop_front();
  EXPECT_EQ(contents(d), (std::vector<int>{2}));
  d.pop_back();
  EXPECT_EQ(d.size(), 0);
  EXPECT_TRUE(d.empty);
  d.pop_back();  // popping an empty ring changes nothing
  EXPECT_EQ(d.size(), 0);
}

TEST(FixedDeque, FullRingRefusesInsertsAndStaysIntact) {
  FixedDeque<int> d;
  d.allocate(3);
  ASSERT_TRUE(d.push_back(1));
  ASSERT_TRUE(d.push_back(2));
  ASSERT_TRUE(d.push_back(3));
  EXPECT_TRUE(d.full());
  EXPECT_FALSE(d.push_back(4));
  EXPECT_FALSE(d.push_front(0));
  EXPECT_FALSE(d.insert(1, 7));
  EXPECT_EQ(contents(d), (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(d.insert(5, 7)) << "position past the end";

  FixedDeque<int> none;
  none.allocate(0);
  EXPECT_FALSE(none.push_back(1));
  EXPECT_FALSE(none.push_front(1));
  EXPECT_FALSE(none.insert(0, 1));
  EXPECT_EQ(none.size(), 0);

  FixedDeque<int> neg;
  neg.allocate(-4);
  EXPECT_EQ(neg.capacity, 0);
  EXPECT_FALSE(neg.push_back(1));
}

// Random operations against std::deque on small rings, so that the head and
// tail wrap often and the ring is full often.
TEST(FixedDeque, RandomOperationsMatchModel) {
  std::mt19937 rng(1234);
  for (int cap = 1; cap <= 9; ++cap) {
    FixedDeque<int> d;
    d.allocate(cap);
    std::deque<int> model;
    for (int step = 0; step < 4000; ++step) {
      const int op = static_cast<int>(rng() % 6);
      const int value = static_cast<int>(rng() % 1000);
      const bool room = static_cast<int>(model.size()) < cap;
      switch (op) {
        case 0:
          ASSERT_EQ(d.push_back(value), room);
          if (room) model.push_back(value);
          break;
        case 1:
          ASSERT_EQ(d.push_front(value), room);
          if (room) model.push_front(value);
          break;
        case 2: {
          const int pos = static_cast<int>(rng() % (model.size() + 1));
          ASSERT_EQ(d.insert(pos, value), room);
          if (room) model.insert(model.begin() + pos, value);
          break;
        }
        case 3:
          if (!model.empty()) {
            const int pos = static_cast<int>(rng() % model.size());
            d.erase(pos);
            model.erase(model.begin() + pos);
          }
          break;
        case 4:
          d.pop_back();
          if (!model.empty()) model.pop_back();
          break;
        default:
          d.pop_front();
          if (!model.empty()) model.pop_front();
          break;
      }
      ASSERT_EQ(d.size(), static_cast<int32_t>(model.size()));
      ASSERT_EQ(contents(d), std::vector<int>(model.begin(), model.end()))
          << "capacity " << cap << " step " << step;
      if (!model.empty()) {
        ASSERT_EQ(d.back(), model.back());
      }
    }
  }
}

TEST(ZeroedArray, SmallAndMappedBlocksStartZeroed) {
  for (size_t n : {size_t{2}, size_t{1000}, size_t{3} << 20}) {  // the last is mapped
    ZeroedArray<int64_t> a;
    ASSERT_TRUE(a.allocate(n));
    ASSERT_TRUE(static_cast<bool>(a));
    for (size_t i = 0; i < n; i += 511) ASSERT_EQ(a[i], 0) << n;
    EXPECT_EQ(a[n - 1], 0);
    a[0] = 7;
    a[n - 1] = 9;
    ZeroedArray<int64_t> b(std::move(a));
    EXPECT_FALSE(static_cast<bool>(a));
    EXPECT_EQ(b[0], 7);
    EXPECT_EQ(b[n - 1], 9);
    ZeroedArray<int64_t> c;
    c = std::move(b);
    EXPECT_EQ(c[n - 1], 9);
    ASSERT_TRUE(c.allocate(n));  // a fresh block again
    EXPECT_EQ(c[0], 0);
    EXPECT_EQ(c[n - 1], 0);
  }
  ZeroedArray<int32_t> none;
  EXPECT_TRUE(none.allocate(0));
  EXPECT_EQ(none.get(), nullptr);
}

TEST(FixedDeque, LargeRingWrapsAcrossMappedStorage) {
  FixedDeque<int> d;
  ASSERT_TRUE(d.allocate(1 << 19));  // 2 MiB of slots
  std::deque<int> model;
  for (int i = 0; i < 300000; ++i) {
    ASSERT_TRUE(d.push_front(i));
    model.push_front(i);
  }
  for (int i = 0; i < 1000; ++i) {
    const int pos = (i * 7919) % (static_cast<int>(model.size()) + 1);
    ASSERT_TRUE(d.insert(pos, -i));
    model.insert(model.begin() + pos, -i);
    const int gone = (i * 104729) % static_cast<int>(model.size());
    d.erase(gone);
    model.erase(model.begin() + gone);
  }
  ASSERT_EQ(d.size(), static_cast<int32_t>(model.size()));
  for (int32_t i = 0; i < d.size(); i += 97) ASSERT_EQ(d.at(i), model[static_cast<size_t>(i)]);
  EXPECT_EQ(d.back(), model.back());
}

Node make_node(int32_t x, int32_t y) {
  Node n{};
  n.x = x;
  n.y = y;
  return n;
}

TEST(NodeHashTable, FindInsertRemoveWithCollisions) {
  NodeHashTable t;
  t.allocate(2, 10);  // 4 buckets for 100 cells: long chains
  EXPECT_EQ(t.bits, 2);
  std::vector<Node> nodes;
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) nodes.push_back(make_node(x, y));
  }
  for (Node& n : nodes) t.insert(&n);
  EXPECT_EQ(t.count(), 100);
  t.insert(&nodes[17]);  // already there
  EXPECT_EQ(t.count(), 100);
  for (const Node& n : nodes) ASSERT_EQ(t.find(n.x, n.y), &n);
  EXPECT_EQ(t.find(10, 0), nullptr);

  // Remove heads, middles and tails of chains.
  std::vector<bool> removed(nodes.size(), false);
  for (size_t i = 0; i < nodes.size(); i += 3) {
    ASSERT_EQ(t.find(nodes[i].x, nodes[i].y), &nodes[i]);
    t.remove_found();
    removed[i] = true;
  }
  t.remove_found();  // nothing found since: no effect
  EXPECT_EQ(t.count(), 100 - 34);
  for (size_t i = 0; i < nodes.size(); ++i) {
    ASSERT_EQ(t.find(nodes[i].x, nodes[i].y), removed[i] ? nullptr : &nodes[i]) << i;
  }
  t.insert(&nodes[0]);
  EXPECT_EQ(t.find(0, 0), &nodes[0]);
  t.clear();
  EXPECT_EQ(t.count(), 0);
  for (const Node& n : nodes) ASSERT_EQ(t.find(n.x, n.y), nullptr);
}

TEST(NodeHashTable, BitsAreClamped) {
  NodeHashTable t;
  t.allocate(40, 4);
  EXPECT_EQ(t.bits, NodeHashTable::kMaxBits);
  t.allocate(-3, 4);
  EXPECT_EQ(t.bits, 0);
  Node a = make_node(1, 1), b = make_node(2, 3);
  t.insert(&a);
  t.insert(&b);
  EXPECT_EQ(t.find(1, 1), &a);
  EXPECT_EQ(t.find(2, 3), &b);
}

TEST(NodeFactory, HandsOutEachNodeOnceAndIndexesCells) {
  NodeFactory f;
  ASSERT_TRUE(f.allocate(3, 4, 2));
  EXPECT_EQ(f.size, 3);
  Node* a = f.take();
  Node* b = f.take();
  Node* c = f.take();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  ASSERT_NE(c, nullptr);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_EQ(f.take(), nullptr);
  EXPECT_EQ(f.used, 3);
  a->x = 3;
  a->y = 1;
  b->x = 0;
  b->y = 0;
  f.bind_cell(a);
  f.bind_cell(b);
  EXPECT_EQ(f.at_cell(3, 1), a);
  EXPECT_EQ(f.at_cell(0, 0), b);
  EXPECT_EQ(f.at_cell(1, 1), nullptr);
  f.reset();
  EXPECT_EQ(f.used, 0);
  EXPECT_EQ(f.at_cell(3, 1), nullptr);
  EXPECT_EQ(f.at_cell(0, 0), nullptr);
  EXPECT_EQ(f.take(), a);
}

}  // namespace
}  // namespace zrv
