// Fuzzer-made small cost maps: the planner must return exactly the path of
// the plain rendition (same cells, same nodes expanded), through the commands
// on integer and real maps and through the planner with diagonal steps.
//
// Input: width, height, weight, start and goal bytes, a mode byte, then one
// byte per cell (0 and 1 blocked, 2 negative, others cost byte - 2).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "../tests/path/reference_astar.hpp"
#include "path/path_find.hpp"
#include "path/planner.hpp"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  const int32_t w = 1 + data[0] % 24;
  const int32_t h = 1 + data[1] % 24;
  // -0.2 .. 1.2, so that clamping is exercised at both ends.
  const double weight = data[2] / 255.0 * 1.4 - 0.2;
  const int32_t x1 = data[3] % (w + 1), y1 = data[4] % (h + 1);  // may lie outside
  const int32_t x2 = data[5] % (w + 1), y2 = data[6] % (h + 1);
  const uint8_t mode = data[7];
  std::vector<double> cells(static_cast<size_t>(w * h), 1.0);
  for (size_t i = 0; i < cells.size() && 8 + i < size; ++i) {
    const uint8_t b = data[8 + i];
    cells[i] = b < 2 ? 0.0 : (b == 2 ? -3.0 : static_cast<double>(b - 2));
  }

  zrv::test::RefOptions opt;
  opt.diagonals = (mode & 1) != 0;
  opt.diagonal_factor = (mode & 2) != 0;
  const zrv::test::RefPath ref =
      zrv::test::reference_find(cells.data(), w, h, weight, x1, y1, x2, y2, opt);

  if (!opt.diagonals) {
    zrv::RtArray<int32_t> result;
    int32_t n;
    if (mode & 4) {
      zrv::RtArray<int32_t> map;
      zrv::array_dim(map, w, h);
      for (int32_t i = 0; i < w * h; ++i)
        map.items[i] = static_cast<int32_t>(cells[static_cast<size_t>(i)]);
      n = zrv::path_find_on_ints(map, result, weight, x1, y1, x2, y2);
    } else {
      zrv::RtArray<double> map;
      zrv::array_dim(map, w, h);
      for (int32_t i = 0; i < w * h; ++i) map.items[i] = cells[static_cast<size_t>(i)];
      n = zrv::path_find(map, result, weight, x1, y1, x2, y2);
    }
    check(n == static_cast<int32_t>(ref.cells.size()));
    if (!ref.accepted) {
      check(result.items == nullptr);  // untouched
      return 0;
    }
    check(result.dim0 == n);
    for (int32_t r = 0; r < n; ++r) {
      check(result(r, 0) == ref.cells[static_cast<size_t>(r)].first);
      check(result(r, 1) == ref.cells[static_cast<size_t>(r)].second);
    }
    return 0;
  }

  zrv::PlannerParams p{};
  p.start_x = x1;
  p.start_y = y1;
  p.goal_x = x2;
  p.goal_y = y2;
  p.diagonals = 1;
  p.diagonal_factor = opt.diagonal_factor ? 1 : 0;
  p.pool_size = (mode >> 3) % 4;  // too small on purpose: the planner raises it
  p.open_capacity = (mode >> 5) % 4;
  p.hash_bits = 8;
  p.weight = static_cast<float>(weight);
  p.width = w;
  p.height = h;
  p.cells = cells.data();
  zrv::AStarPlanner planner;
  check(planner.setup(p) == ref.accepted);
  if (!ref.accepted) return 0;
  planner.start();
  check(planner.search() == !ref.cells.empty());
  std::vector<std::pair<int32_t, int32_t>> got;
  for (const zrv::Node* n = planner.path; n != nullptr; n = n->parent) got.emplace_back(n->x, n->y);
  check(got.size() == ref.cells.size());
  for (size_t i = 0; i < got.size(); ++i) check(got[i] == ref.cells[ref.cells.size() - 1 - i]);
  check(planner.expanded == ref.expanded);
  planner.release();
  check(planner.factory.used == 0);
  return 0;
}
