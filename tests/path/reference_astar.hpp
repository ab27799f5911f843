// A plain rendition of the grid A* search, written for clarity, not speed: the
// open list is a vector sorted by f (largest first) searched from the back
// for a node of the same cell, the closed set has 256 buckets (4 bits of x,
// 4 of y), nodes come from a pool of one node per cell. It is the oracle for
// the planner (which must return the same path cell for cell) in the tests,
// the benchmark and the fuzz harness.
#pragma once

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace zrv::test {

struct RefPath {
  bool accepted = false;  // false: the request was refused before searching
  std::vector<std::pair<int32_t, int32_t>> cells;  // start first, goal last
  int64_t expanded = 0;
};

struct RefOptions {
  bool diagonals = false;
  bool diagonal_factor = true;
};

// The cost map as the planner sees it: -1 blocked, else value / largest + 1.
// Returns false when no cell is open.
inline bool reference_grid(const double* cells, int32_t w, int32_t h, std::vector<float>& grid) {
  grid.assign(static_cast<size_t>(w) * static_cast<size_t>(h), -1.0f);
  float largest = 0.0f;
  for (size_t i = 0; i < grid.size(); ++i) {
    const double v = cells[i];
    if (v > 0) {
      float c = v > FLT_MAX ? FLT_MAX : (v < FLT_MIN ? FLT_MIN : static_cast<float>(v));
      grid[i] = c;
      if (c > largest) largest = c;
    }
  }
  if (!(largest > 0.0f)) return false;
  for (float& c : grid) {
    if (c > 0.0f) c = c / largest + 1.0f;
  }
  return true;
}

inline RefPath reference_find(const double* cells, int32_t w, int32_t h, double weight, int32_t x1,
                              int32_t y1, int32_t x2, int32_t y2, RefOptions opt = {}) {
  struct N {
    N* parent;
    int32_t x, y;
    float f, g;
    N* next;
  };
  RefPath out;
  if (w <= 0 || h <= 0) return out;
  if (x1 < 0 || x1 >= w || y1 < 0 || y1 >= h || x2 < 0 || x2 >= w || y2 < 0 || y2 >= h) return out;
  if (x1 == x2 && y1 == y2) return out;
  std::vector<float> grid;
  if (!reference_grid(cells, w, h, grid)) return out;
  out.accepted = true;
  if (!(weight > 0.0)) weight = 0.0;
  if (weight > 1.0) weight = 1.0;
  const float wt = static_cast<float>(weight);

  std::vector<N> pool(grid.size());
  size_t used = 0;
  std::vector<N*> open;  // sorted by f, largest at the front
  N* buckets[256] = {};
  auto bucket = [](int32_t x, int32_t y) { return (x & 15) | ((y & 15) << 4); };
  auto closed_find = [&](int32_t x, int32_t y, N**& link) -> N* {
    link = &buckets[bucket(x, y)];
    while (*link != nullptr) {
      if ((*link)->x == x && (*link)->y == y) return *link;
      link = &(*link)->next;
    }
    return nullptr;
  };
  auto closed_insert = [&](N* n) {
    N*& head = buckets[bucket(n->x, n->y)];
    for (N* m = head; m != nullptr; m = m->next) {
      if (m == n) return;
    }
    n->next = head;
    head = n;
  };
  auto insert_ordered = [&](N* n) {
    size_t lo = 0, hi = open.size();
    while (lo < hi) {
      const size_t mid = (lo + hi) / 2;
      if (open[mid]->f > n->f) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    open.insert(open.begin() + static_cast<std::ptrdiff_t>(lo), n);
  };

  N* s = &pool[used++];
  *s = N{nullptr, x1, y1, 0.0f, 0.0f, nullptr};
  open.push_back(s);
  static constexpr int32_t kDx[8] = {-1, 0, 1, 1, -1, -1, 0, 1};
  static constexpr int32_t kDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
  static constexpr bool kDiag[8] = {true, false, true, false, false, true, false, true};
  N* goal = nullptr;
  while (!open.empty()) {
    N* c = open.back();
    open.pop_back();
    ++out.expanded;
    if (c->x == x2 && c->y == y2) {
      closed_insert(c);
      goal = c;
      break;
    }
    for (int k = 0; k < 8; ++k) {
      if (kDiag[k] && !opt.diagonals) continue;
      const int32_t nx = c->x + kDx[k], ny = c->y + kDy[k];
      if (nx < 0 || nx >= w || ny < 0 || ny >= h) continue;
      float cost = grid[static_cast<size_t>(nx) + static_cast<size_t>(w) * static_cast<size_t>(ny)];
      if (cost == -1.0f) continue;
      if (kDiag[k] && opt.diagonal_factor) cost *= 1.4142137f;
      const float g = c->g + cost;
      const int32_t hd = std::abs(x2 - nx) + std::abs(y2 - ny);
      const float f = g + wt * (static_cast<float>(hd) - g);
      N** link = nullptr;
      if (N* n = closed_find(nx, ny, link)) {
        if (n->g > g) {
          *link = n->next;
          n->next = nullptr;
          n->parent = c;
          n->g = g;
          n->f = f;
          insert_ordered(n);
        }
        continue;
      }
      size_t at = open.size();
      while (at > 0 && !(open[at - 1]->x == nx && open[at - 1]->y == ny)) --at;
      if (at == 0) {
        N* n = &pool[used++];
        *n = N{c, nx, ny, f, g, nullptr};
        insert_ordered(n);
      } else if (open[at - 1]->g > g) {
        N* n = open[at - 1];
        open.erase(open.begin() + static_cast<std::ptrdiff_t>(at - 1));
        n->parent = c;
        n->g = g;
        n->f = f;
        insert_ordered(n);
      }
    }
    closed_insert(c);
  }
  for (N* n = goal; n != nullptr; n = n->parent) out.cells.emplace_back(n->x, n->y);
  std::reverse(out.cells.begin(), out.cells.end());
  return out;
}

}  // namespace zrv::test
