// Path finding: the commands' edge cases, identical paths to the plain
// rendition on many random maps, and optimal cost against an independent
// Dijkstra search.
#include "path/path_find.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <queue>
#include <random>
#include <utility>
#include <vector>

#include "path/planner.hpp"
#include "reference_astar.hpp"

namespace zrv {
namespace {

using Cells = std::vector<std::pair<int32_t, int32_t>>;

void make_map(RtArray<double>& map, int32_t w, int32_t h, const std::vector<double>& values) {
  array_dim(map, w, h);
  for (int32_t i = 0; i < w * h; ++i) map.items[i] = values[static_cast<size_t>(i)];
}

Cells rows_of(RtArray<int32_t>& result, int32_t n) {
  Cells c;
  for (int32_t r = 0; r < n; ++r) c.emplace_back(result(r, 0), result(r, 1));
  return c;
}

// Fills the result with a recognisable shape to see whether a call touched it.
void mark(RtArray<int32_t>& result) {
  array_dim(result, 3, 2);
  for (int32_t i = 0; i < 6; ++i) result.items[i] = 100 + i;
}
void expect_marked(const RtArray<int32_t>& result) {
  EXPECT_EQ(result.dim0, 3);
  EXPECT_EQ(result.dim1, 2);
  for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(result.items[i], 100 + i);
}

TEST(PathFind, RefusedRequestsLeaveResultUntouched) {
  RtArray<double> map;
  make_map(map, 4, 3, std::vector<double>(12, 1.0));
  RtArray<int32_t> result;
  const int32_t bad[][4] = {{1, 1, 1, 1},  {-1, 0, 2, 2}, {0, -1, 2, 2}, {4, 0, 2, 2}, {0, 3, 2, 2},
                            {0, 0, -1, 2}, {0, 0, 2, -1}, {0, 0, 4, 2},  {0, 0, 2, 3}};
  for (const auto& b : bad) {
    mark(result);
    EXPECT_EQ(path_find(map, result, 0.0, b[0], b[1], b[2], b[3]), 0);
    expect_marked(result);
  }
  // No cell above 0.
  RtArray<double> closed;
  make_map(closed, 3, 3, {0, -1, 0, 0, -5, 0, 0, std::nan(""), 0});
  mark(result);
  EXPECT_EQ(path_find(closed, result, 0.5, 0, 0, 2, 2), 0);
  expect_marked(result);
  // A one-dimensional map has no height; a map without storage no width.
  RtArray<double> line;
  array_dim(line, 10);
  for (int32_t i = 0; i < 10; ++i) line(i) = 1.0;
  mark(result);
  EXPECT_EQ(path_find(line, result, 0.0, 0, 0, 5, 0), 0);
  expect_marked(result);
  RtArray<double> none;
  EXPECT_EQ(path_find(none, result, 0.0, 0, 0, 1, 0), 0);
  expect_marked(result);
}

TEST(PathFind, BlockedGoalGivesEmptyResult) {
  RtArray<double> map;
  make_map(map, 3, 3, {1, 1, 1, 1, 1, 1, 1, 1, 0});
  RtArray<int32_t> result;
  mark(result);
  EXPECT_EQ(path_find(map, result, 0.0, 0, 0, 2, 2), 0);
  EXPECT_EQ(result.dim0, 0);
  EXPECT_EQ(result.count, 0);

  // A wall that separates start and goal.
  make_map(map, 5, 3, {1, 1, 0, 1, 1, 1, 1, -2, 1, 1, 1, 1, 0, 1, 1});
  mark(result);
  EXPECT_EQ(path_find(map, result, 0.5, 0, 1, 4, 1), 0);
  EXPECT_EQ(result.dim0, 0);
}

TEST(PathFind, AdjacentCellsAndBlockedStart) {
  RtArray<double> map;
  make_map(map, 3, 2, {0, 1, 1, 1, 1, 1});  // the start (0, 0) is blocked
  RtArray<int32_t> result;
  ASSERT_EQ(path_find(map, result, 0.0, 0, 0, 1, 0), 2);
  EXPECT_EQ(result.dim0, 2);
  EXPECT_EQ(result.dim1, 2);
  EXPECT_EQ(rows_of(result, 2), (Cells{{0, 0}, {1, 0}}));
  ASSERT_EQ(path_find(map, result, 1.0, 0, 0, 0, 1), 2);
  EXPECT_EQ(rows_of(result, 2), (Cells{{0, 0}, {0, 1}}));
}

TEST(PathFind, DetourAroundExpensiveCells) {
  // Normalised, 9 costs 2 and 1 costs 1.11: four expensive cells (8) are
  // dearer than the way round below them (6 x 1.11).
  const std::vector<double> v = {1, 9, 9, 9, 9, 1,  //
                                 1, 1, 1, 1, 1, 1};
  RtArray<double> map;
  make_map(map, 6, 2, v);
  RtArray<int32_t> result;
  const int32_t n = path_find(map, result, 0.0, 0, 0, 5, 0);
  ASSERT_EQ(n, 8);
  EXPECT_EQ(rows_of(result, n),
            (Cells{{0, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {5, 0}}));
  // Two expensive cells (2 + 2 + 1.11) are cheaper than the way round (5 x 1.11).
  const std::vector<double> short_wall = {1, 9, 9, 1,  //
                                          1, 1, 1, 1};
  make_map(map, 4, 2, short_wall);
  ASSERT_EQ(path_find(map, result, 0.0, 0, 0, 3, 0), 4);
  EXPECT_EQ(rows_of(result, 4), (Cells{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
}

TEST(PathFind, ToRealsAndOnIntsFollowPathFind) {
  const std::vector<double> v = {1, 3, 2, 5, 1, 0, 4, 1, 2, 1, 1, 7, 0, 2, 3, 1, 1, 1, 6, 1};
  RtArray<double> map;
  make_map(map, 5, 4, v);
  RtArray<int32_t> ints_map;
  array_dim(ints_map, 5, 4);
  for (int32_t i = 0; i < 20; ++i)
    ints_map.items[i] = static_cast<int32_t>(v[static_cast<size_t>(i)]);

  for (double weight : {0.0, 0.4, 1.0}) {
    RtArray<int32_t> expected;
    const int32_t n = path_find(map, expected, weight, 0, 0, 4, 3);
    ASSERT_GT(n, 1);
    RtArray<double> reals;
    ASSERT_EQ(path_find_to_reals(map, reals, weight, 0, 0, 4, 3), n);
    EXPECT_EQ(reals.dim0, n);
    EXPECT_EQ(reals.dim1, 2);
    RtArray<int32_t> from_ints;
    ASSERT_EQ(path_find_on_ints(ints_map, from_ints, weight, 0, 0, 4, 3), n);
    for (int32_t r = 0; r < n; ++r) {
      EXPECT_EQ(reals(r, 0), static_cast<double>(expected(r, 0)));
      EXPECT_EQ(reals(r, 1), static_cast<double>(expected(r, 1)));
      EXPECT_EQ(from_ints(r, 0), expected(r, 0));
      EXPECT_EQ(from_ints(r, 1), expected(r, 1));
    }
  }

  RtArray<double> reals;
  array_dim(reals, 2, 2);
  reals(1, 1) = 42.0;
  // No search (start is the goal) and no path both give (0, 2): no stale rows.
  EXPECT_EQ(path_find_to_reals(map, reals, 0.0, 1, 1, 1, 1), 0);
  EXPECT_EQ(reals.dim0, 0);
  EXPECT_EQ(reals.dim1, 2);
  array_dim(reals, 2, 2);
  EXPECT_EQ(path_find_to_reals(map, reals, 0.0, 0, 0, 2, 2), 0);  // (2, 2) is 0: blocked
  EXPECT_EQ(reals.dim0, 0);
  EXPECT_EQ(reals.dim1, 2);
  RtArray<int32_t> result;
  mark(result);
  RtArray<int32_t> no_ints;
  EXPECT_EQ(path_find_on_ints(no_ints, result, 0.0, 0, 0, 1, 1), 0);
  expect_marked(result);
}

TEST(PathFind, WeightIsClamped) {
  std::mt19937 rng(99);
  std::vector<double> v(30 * 20);
  for (double& c : v) c = 1 + static_cast<double>(rng() % 9);
  RtArray<double> map;
  make_map(map, 30, 20, v);
  auto run = [&](double weight) {
    RtArray<int32_t> r;
    return rows_of(r, path_find(map, r, weight, 2, 17, 27, 1));
  };
  const Cells zero = run(0.0), one = run(1.0);
  EXPECT_NE(zero, one) << "the map should make the two weights differ";
  EXPECT_EQ(run(-3.0), zero);
  EXPECT_EQ(run(-std::numeric_limits<double>::infinity()), zero);
  EXPECT_EQ(run(std::nan("")), zero);
  EXPECT_EQ(run(7.0), one);
  EXPECT_EQ(run(std::numeric_limits<double>::infinity()), one);
}

// ---------------------------------------------------------------------------
// Random maps against the plain rendition.

struct MapCase {
  int32_t w, h;
  std::vector<double> v;
};

MapCase random_map(std::mt19937& rng, int32_t max_side) {
  MapCase m;
  m.w = 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(max_side));
  m.h = 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(max_side));
  if (m.w * m.h < 2) m.w = 2;
  m.v.resize(static_cast<size_t>(m.w) * static_cast<size_t>(m.h));
  const int style = static_cast<int>(rng() % 5);
  const double blocked = (rng() % 4) * 0.12;  // 0 to 36 % blocked cells
  std::uniform_real_distribution<double> real(0.01, 50.0);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (double& c : m.v) {
    switch (style) {
      case 0:
        c = 1.0;  // all equal: ties everywhere
        break;
      case 1:
        c = static_cast<double>(1 + rng() % 3);  // few levels: many ties
        break;
      case 2:
        c = static_cast<double>(1 + rng() % 255);
        break;
      case 3:
        c = real(rng);
        break;
      default:
        c = (rng() % 2) ? 1.0 : 2.0;
        break;
    }
    if (unit(rng) < blocked) c = (rng() % 2) ? 0.0 : -1.0;
  }
  return m;
}

void expect_same_as_reference(const MapCase& m, double weight, int32_t x1, int32_t y1, int32_t x2,
                              int32_t y2) {
  RtArray<double> map;
  make_map(map, m.w, m.h, m.v);
  RtArray<int32_t> result;
  mark(result);
  const int32_t n = path_find(map, result, weight, x1, y1, x2, y2);
  const test::RefPath ref = test::reference_find(m.v.data(), m.w, m.h, weight, x1, y1, x2, y2);
  ASSERT_EQ(n, static_cast<int32_t>(ref.cells.size()))
      << m.w << "x" << m.h << " weight " << weight << " (" << x1 << "," << y1 << ")->(" << x2 << ","
      << y2 << ")";
  if (!ref.accepted) {
    expect_marked(result);
    return;
  }
  ASSERT_EQ(rows_of(result, n), ref.cells);
  if (n == 0) {
    EXPECT_EQ(result.dim0, 0);
    return;
  }
  EXPECT_EQ(result.dim0, n);
  EXPECT_EQ(result.dim1, 2);
  // Every step moves one cell in x or in y, never both, never onto a blocked
  // cell (the start itself may be blocked).
  for (int32_t r = 1; r < n; ++r) {
    const int32_t dx = std::abs(result(r, 0) - result(r - 1, 0));
    const int32_t dy = std::abs(result(r, 1) - result(r - 1, 1));
    ASSERT_EQ(dx + dy, 1);
    ASSERT_GT(m.v[static_cast<size_t>(result(r, 0) + m.w * result(r, 1))], 0.0);
  }
}

TEST(PathFindOracle, RandomMapsMatchPlainRendition) {
  std::mt19937 rng(20240611);
  const double weights[] = {0.0, 0.2, 0.5, 0.75, 1.0};
  for (int iter = 0; iter < 1500; ++iter) {
    const MapCase m = random_map(rng, iter < 1000 ? 12 : 40);
    const int32_t x1 = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.w));
    const int32_t y1 = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.h));
    int32_t x2 = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.w));
    int32_t y2 = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.h));
    if (rng() % 3 == 0) {  // corner to corner
      x2 = m.w - 1 - x1;
      y2 = m.h - 1 - y1;
    }
    expect_same_as_reference(m, weights[iter % 5], x1, y1, x2, y2);
    if (HasFatalFailure()) return;
  }
}

TEST(PathFindOracle, LargerMapsMatchPlainRendition) {
  std::mt19937 rng(77);
  for (int iter = 0; iter < 8; ++iter) {
    MapCase m;
    m.w = 64 + static_cast<int32_t>(rng() % 32);
    m.h = 64 + static_cast<int32_t>(rng() % 32);
    m.v.resize(static_cast<size_t>(m.w * m.h));
    for (double& c : m.v)
      c = (rng() % 10 == 0) ? 0.0 : static_cast<double>(1 + rng() % (iter % 2 ? 4 : 1000));
    expect_same_as_reference(m, iter * 0.15, 0, 0, m.w - 1, m.h - 1);
    if (HasFatalFailure()) return;
  }
}

// The planner stamps open nodes to find them again; the stamps are renumbered
// before the counter overflows, which must not change the search.
TEST(PathFindOracle, StampOverflowKeepsOrder) {
  std::mt19937 rng(5);
  for (int iter = 0; iter < 20; ++iter) {
    MapCase m;
    m.w = 30;
    m.h = 25;
    m.v.resize(static_cast<size_t>(m.w * m.h));
    for (double& c : m.v) c = static_cast<double>(1 + rng() % 3);
    PlannerParams p{};
    p.start_x = 0;
    p.start_y = 0;
    p.goal_x = 29;
    p.goal_y = 24;
    p.diagonal_factor = 1;
    p.hash_bits = 8;
    p.weight = iter % 2 ? 0.3f : 0.0f;
    p.width = m.w;
    p.height = m.h;
    p.cells = m.v.data();
    AStarPlanner planner;
    ASSERT_TRUE(planner.setup(p));
    planner.start();
    planner.next_order = UINT32_MAX - 1 - static_cast<uint32_t>(iter * 7);
    ASSERT_TRUE(planner.search());
    Cells got;
    for (const Node* n = planner.path; n != nullptr; n = n->parent) got.emplace_back(n->x, n->y);
    std::reverse(got.begin(), got.end());
    const test::RefPath ref = test::reference_find(m.v.data(), m.w, m.h, p.weight, 0, 0, 29, 24);
    EXPECT_EQ(got, ref.cells);
    EXPECT_EQ(planner.expanded, ref.expanded);
    EXPECT_LT(planner.next_order, 10000u) << "the stamps were renumbered";
  }
}

// Diagonal expansion is not reachable through the commands; the planner
// offers it and must follow the same rules.
TEST(PathFindOracle, DiagonalPlannerMatchesPlainRendition) {
  std::mt19937 rng(31);
  for (int iter = 0; iter < 300; ++iter) {
    const MapCase m = random_map(rng, 16);
    PlannerParams p{};
    p.start_x = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.w));
    p.start_y = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.h));
    p.goal_x = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.w));
    p.goal_y = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.h));
    p.diagonals = 1;
    p.diagonal_factor = static_cast<uint8_t>(iter % 2);
    p.hash_bits = 8;
    p.weight = static_cast<float>((iter % 4) * 0.25);
    p.width = m.w;
    p.height = m.h;
    p.cells = m.v.data();
    test::RefOptions opt;
    opt.diagonals = true;
    opt.diagonal_factor = p.diagonal_factor != 0;
    const test::RefPath ref = test::reference_find(m.v.data(), m.w, m.h, p.weight, p.start_x,
                                                   p.start_y, p.goal_x, p.goal_y, opt);
    AStarPlanner planner;
    ASSERT_EQ(planner.setup(p), ref.accepted);
    if (!ref.accepted) continue;
    planner.start();
    EXPECT_EQ(planner.search(), !ref.cells.empty());
    Cells got;
    for (const Node* n = planner.path; n != nullptr; n = n->parent) got.emplace_back(n->x, n->y);
    std::reverse(got.begin(), got.end());
    ASSERT_EQ(got, ref.cells) << "iteration " << iter;
    EXPECT_EQ(planner.expanded, ref.expanded);
  }
}

// ---------------------------------------------------------------------------
// Optimality with weight 0, against Dijkstra on the normalised costs.

double dijkstra(const std::vector<float>& grid, int32_t w, int32_t h, int32_t x1, int32_t y1,
                int32_t x2, int32_t y2) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> dist(grid.size(), inf);
  using Item = std::pair<double, int32_t>;
  std::priority_queue<Item, std::vector<Item>, std::greater<>> q;
  dist[static_cast<size_t>(x1 + w * y1)] = 0.0;
  q.emplace(0.0, x1 + w * y1);
  while (!q.empty()) {
    const auto [d, i] = q.top();
    q.pop();
    if (d > dist[static_cast<size_t>(i)]) continue;
    const int32_t x = i % w, y = i / w;
    const int32_t nb[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
    for (const auto& c : nb) {
      if (c[0] < 0 || c[0] >= w || c[1] < 0 || c[1] >= h) continue;
      const int32_t j = c[0] + w * c[1];
      const float cost = grid[static_cast<size_t>(j)];
      if (cost < 0) continue;
      if (d + cost < dist[static_cast<size_t>(j)]) {
        dist[static_cast<size_t>(j)] = d + cost;
        q.emplace(d + cost, j);
      }
    }
  }
  return dist[static_cast<size_t>(x2 + w * y2)];
}

TEST(PathFindOracle, WeightZeroIsCheapest) {
  std::mt19937 rng(4242);
  int paths = 0;
  for (int iter = 0; iter < 400; ++iter) {
    const MapCase m = random_map(rng, 30);
    const int32_t x1 = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.w));
    const int32_t y1 = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.h));
    const int32_t x2 = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.w));
    const int32_t y2 = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.h));
    if (x1 == x2 && y1 == y2) continue;
    // Normalised costs, computed here on their own.
    double largest = 0;
    for (double c : m.v) largest = std::max(largest, c);
    if (largest <= 0) continue;
    std::vector<float> grid(m.v.size());
    for (size_t i = 0; i < m.v.size(); ++i) {
      grid[i] =
          m.v[i] > 0 ? static_cast<float>(m.v[i]) / static_cast<float>(largest) + 1.0f : -1.0f;
    }
    const double best = dijkstra(grid, m.w, m.h, x1, y1, x2, y2);
    RtArray<double> map;
    make_map(map, m.w, m.h, m.v);
    RtArray<int32_t> result;
    const int32_t n = path_find(map, result, 0.0, x1, y1, x2, y2);
    if (std::isinf(best)) {
      EXPECT_EQ(n, 0);
      continue;
    }
    ASSERT_GE(n, 2);
    ++paths;
    double cost = 0;
    for (int32_t r = 1; r < n; ++r)
      cost += grid[static_cast<size_t>(result(r, 0) + m.w * result(r, 1))];
    EXPECT_NEAR(cost, best, 1e-4 * (1.0 + best)) << "iteration " << iter;
  }
  EXPECT_GT(paths, 200);
}

TEST(PathFindOracle, HigherWeightSearchesLess) {
  std::vector<double> v(60 * 60, 1.0);
  AStarPlanner planner;
  PlannerParams p{};
  p.goal_x = 59;
  p.goal_y = 59;
  p.diagonal_factor = 1;
  p.hash_bits = 8;
  p.width = 60;
  p.height = 60;
  p.cells = v.data();
  int64_t expanded[3];
  const float weights[3] = {0.0f, 0.5f, 1.0f};
  for (int i = 0; i < 3; ++i) {
    p.weight = weights[i];
    ASSERT_TRUE(planner.setup(p));
    planner.start();
    ASSERT_TRUE(planner.search());
    expanded[i] = planner.expanded;
  }
  EXPECT_GT(expanded[0], 3000);  // weight 0 floods the whole map
  EXPECT_LT(expanded[2], expanded[0] / 10);
  EXPECT_LE(expanded[2], expanded[1]);
}

// ---------------------------------------------------------------------------
// The planner object itself.

TEST(Planner, SetupNormalisesAndSizes) {
  const std::vector<double> v = {4.0, 2.0, 0.0, -3.0, std::nan(""), 1.0};
  PlannerParams p{};
  p.start_x = 0;
  p.goal_x = 2;
  p.goal_y = 1;
  p.pool_size = 2;      // too small: raised to one per cell
  p.open_capacity = 1;  // likewise
  p.hash_bits = 8;
  p.weight = 3.0f;
  p.width = 3;
  p.height = 2;
  p.cells = v.data();
  AStarPlanner planner;
  ASSERT_TRUE(planner.setup(p));
  EXPECT_TRUE(planner.done);
  EXPECT_EQ(planner.path, nullptr);
  EXPECT_FLOAT_EQ(planner.cost_at(0, 0), 2.0f);
  EXPECT_FLOAT_EQ(planner.cost_at(1, 0), 1.5f);
  EXPECT_EQ(planner.cost_at(2, 0), -1.0f);
  EXPECT_EQ(planner.cost_at(0, 1), -1.0f);
  EXPECT_EQ(planner.cost_at(1, 1), -1.0f);
  EXPECT_FLOAT_EQ(planner.cost_at(2, 1), 1.25f);
  EXPECT_EQ(planner.params.weight, 1.0f);
  EXPECT_GE(planner.factory.size, 6);
  EXPECT_GE(planner.open_list.capacity, 6);

  p.weight = -1.0f;
  ASSERT_TRUE(planner.setup(p));
  EXPECT_EQ(planner.params.weight, 0.0f);
  p.weight = std::nanf("");
  ASSERT_TRUE(planner.setup(p));
  EXPECT_EQ(planner.params.weight, 0.0f);

  // Values outside the float range stay usable.
  const std::vector<double> extreme = {
      1e300, std::numeric_limits<double>::infinity(), 1e-300, 5.0, 1e-40, 7.0};
  p.cells = extreme.data();
  ASSERT_TRUE(planner.setup(p));
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 3; ++x) {
      const float c = planner.cost_at(x, y);
      EXPECT_TRUE(c >= 1.0f && c <= 2.0f) << x << "," << y << " = " << c;
    }
  }
  planner.start();
  EXPECT_TRUE(planner.search());

  p.width = 0;
  EXPECT_FALSE(planner.setup(p));
  p.width = 3;
  p.cells = nullptr;
  EXPECT_FALSE(planner.setup(p));
}

TEST(Planner, RestartAndReleaseReuseThePool) {
  std::mt19937 rng(8);
  std::vector<double> v(20 * 15);
  for (double& c : v) c = static_cast<double>(rng() % 5);  // about one cell in five blocked
  v[0] = 1;
  v[v.size() - 1] = 1;
  PlannerParams p{};
  p.goal_x = 19;
  p.goal_y = 14;
  p.diagonal_factor = 1;
  p.hash_bits = 8;
  p.width = 20;
  p.height = 15;
  p.cells = v.data();
  AStarPlanner planner;
  ASSERT_TRUE(planner.setup(p));
  Cells first;
  bool found_first = false;
  for (int round = 0; round < 3; ++round) {
    planner.start();
    EXPECT_FALSE(planner.done);
    const bool found = planner.search();
    EXPECT_TRUE(planner.done);
    EXPECT_EQ(planner.search_count, 1);
    Cells got;
    for (const Node* n = planner.path; n != nullptr; n = n->parent) got.emplace_back(n->x, n->y);
    if (round == 0) {
      first = got;
      found_first = found;
    } else {
      EXPECT_EQ(got, first);
      EXPECT_EQ(found, found_first);
    }
    EXPECT_EQ(planner.factory.used, planner.open_list.size() + planner.closed_set.count());
    if (round == 1) planner.release();
  }
  planner.release();
  EXPECT_EQ(planner.factory.used, 0);
  EXPECT_EQ(planner.open_list.size(), 0);
  EXPECT_EQ(planner.closed_set.count(), 0);
  EXPECT_EQ(planner.path, nullptr);
  const test::RefPath ref = test::reference_find(v.data(), 20, 15, 0.0, 0, 0, 19, 14);
  EXPECT_EQ(first, Cells(ref.cells.rbegin(), ref.cells.rend()));
}

}  // namespace
}  // namespace zrv
