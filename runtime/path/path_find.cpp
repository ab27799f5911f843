#include "path/path_find.hpp"

#include <algorithm>

#include "path/planner.hpp"

namespace zrv {

namespace {

// Runs one search and fills `result` with the path rows. -1 when the planner
// refused the request (result untouched), else the number of points.
int32_t find_into(const RtArray<double>& map, RtArray<int32_t>& result, double weight, int32_t x1,
                  int32_t y1, int32_t x2, int32_t y2) {
  if (map.items == nullptr) return -1;
  // Clamped here so that NaN selects 0 too.
  if (!(weight > 0.0)) weight = 0.0;
  if (weight > 1.0) weight = 1.0;

  PlannerParams p{};
  p.start_x = x1;
  p.start_y = y1;
  p.goal_x = x2;
  p.goal_y = y2;
  p.diagonal_factor = 1;
  p.diagonals = 0;
  p.pool_size = 0;
  p.open_capacity = 0;
  p.hash_bits = 8;
  p.weight = static_cast<float>(weight);
  p.width = map.dim0;
  p.height = map.dim1;
  p.cells = map.items;

  AStarPlanner planner;
  if (!planner.setup(p)) return -1;
  planner.start();
  planner.search();

  int32_t n = 0;
  for (const Node* node = planner.path; node != nullptr; node = node->parent) ++n;
  if (n == 0) {
    array_dim(result, 0);
  } else {
    array_dim(result, n, 2);
    int32_t row = n - 1;
    for (const Node* node = planner.path; node != nullptr; node = node->parent, --row) {
      result(row, 0) = node->x;
      result(row, 1) = node->y;
    }
  }
  planner.release();
  return n;
}

}  // namespace

int32_t path_find(const RtArray<double>& map, RtArray<int32_t>& result, double weight, int32_t x1,
                  int32_t y1, int32_t x2, int32_t y2) {
  const int32_t n = find_into(map, result, weight, x1, y1, x2, y2);
  return n < 0 ? 0 : n;
}

int32_t path_find_to_reals(const RtArray<double>& map, RtArray<double>& result, double weight,
                           int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  RtArray<int32_t> points;
  const int32_t n = std::max(find_into(map, points, weight, x1, y1, x2, y2), 0);
  // (count, 2) in every case, also when no search could start or no path
  // was found, so that the caller never reads stale rows.
  array_dim(result, n, 2);
  for (int32_t row = 0; row < n; ++row) {
    result(row, 0) = points(row, 0);
    result(row, 1) = points(row, 1);
  }
  return n;
}

int32_t path_find_on_ints(const RtArray<int32_t>& map, RtArray<int32_t>& result, double weight,
                          int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  RtArray<double> costs;
  if (map.items != nullptr && map.count > 0) {
    array_dim(costs, map.dim0, map.dim1, map.dim2, map.dim3);
    for (int32_t i = 0; i < map.count && i < costs.count; ++i) costs.items[i] = map.items[i];
  }
  return path_find(costs, result, weight, x1, y1, x2, y2);
}

}  // namespace zrv
