// Grid A*: milliseconds per corner-to-corner query on random-cost maps, for
// path_find and for the plain rendition (open list scanned for the cell,
// 256-bucket closed set), with nodes expanded per second. Each benchmark first
// checks that both return the same path.
//
//   bench_path_astar --benchmark_filter=PathFind
//   bench_path_astar --benchmark_filter=Plain/512
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "../tests/path/reference_astar.hpp"
#include "path/path_find.hpp"
#include "path/planner.hpp"

namespace {

using zrv::RtArray;

// Costs 1..255, about one cell in twelve blocked; start and goal corners open.
const RtArray<double>& cost_map(int32_t side) {
  static std::map<int32_t, RtArray<double>> maps;
  RtArray<double>& m = maps[side];
  if (m.items == nullptr) {
    zrv::array_dim(m, side, side);
    std::mt19937 rng(static_cast<uint32_t>(side) * 2654435761u);
    for (int32_t i = 0; i < side * side; ++i) {
      m.items[i] = (rng() % 12 == 0) ? 0.0 : static_cast<double>(1 + rng() % 255);
    }
    m.items[0] = 1.0;
    m.items[side * side - 1] = 1.0;
  }
  return m;
}

std::vector<std::pair<int32_t, int32_t>> planner_path(const RtArray<double>& map, double weight,
                                                      int64_t* expanded) {
  RtArray<int32_t> result;
  const int32_t n = zrv::path_find(map, result, weight, 0, 0, map.dim0 - 1, map.dim1 - 1);
  std::vector<std::pair<int32_t, int32_t>> cells;
  for (int32_t r = 0; r < n; ++r) cells.emplace_back(result(r, 0), result(r, 1));
  if (expanded != nullptr) {
    zrv::PlannerParams p{};
    p.goal_x = map.dim0 - 1;
    p.goal_y = map.dim1 - 1;
    p.diagonal_factor = 1;
    p.hash_bits = 8;
    p.weight = static_cast<float>(weight);
    p.width = map.dim0;
    p.height = map.dim1;
    p.cells = map.items;
    zrv::AStarPlanner planner;
    planner.setup(p);
    planner.start();
    planner.search();
    *expanded = planner.expanded;
  }
  return cells;
}

double weight_of(const benchmark::State& state) {
  return static_cast<double>(state.range(1)) / 100.0;
}

void BM_PathFind(benchmark::State& state) {
  const int32_t side = static_cast<int32_t>(state.range(0));
  const double weight = weight_of(state);
  const RtArray<double>& map = cost_map(side);
  int64_t expanded = 0;
  const auto path = planner_path(map, weight, &expanded);
  if (path.empty()) {
    state.SkipWithError("no path on the benchmark map");
    return;
  }
  if (side <= 512) {
    const auto ref =
        zrv::test::reference_find(map.items, side, side, weight, 0, 0, side - 1, side - 1);
    if (ref.cells != path || ref.expanded != expanded) {
      state.SkipWithError("path differs from the plain rendition");
      return;
    }
  }
  for (auto _ : state) {
    RtArray<int32_t> result;
    benchmark::DoNotOptimize(zrv::path_find(map, result, weight, 0, 0, side - 1, side - 1));
  }
  state.counters["points"] = static_cast<double>(path.size());
  state.counters["expanded"] = static_cast<double>(expanded);
  state.counters["nodes_per_s"] = benchmark::Counter(static_cast<double>(expanded),
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Plain(benchmark::State& state) {
  const int32_t side = static_cast<int32_t>(state.range(0));
  const double weight = weight_of(state);
  const RtArray<double>& map = cost_map(side);
  int64_t expanded = 0;
  for (auto _ : state) {
    const auto ref =
        zrv::test::reference_find(map.items, side, side, weight, 0, 0, side - 1, side - 1);
    expanded = ref.expanded;
    benchmark::DoNotOptimize(ref.cells.data());
  }
  state.counters["expanded"] = static_cast<double>(expanded);
  state.counters["nodes_per_s"] = benchmark::Counter(static_cast<double>(expanded),
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

// Second argument: weight in hundredths.
BENCHMARK(BM_PathFind)
    ->ArgsProduct({{256, 512, 1024}, {0, 50}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
// The plain rendition needs seconds per 512 x 512 query and minutes on
// 1024 x 1024, so it runs once per size.
BENCHMARK(BM_Plain)
    ->ArgsProduct({{256, 512}, {0, 50}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
