#include "path/planner.hpp"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/memory.hpp"

namespace zrv {

namespace {

constexpr float kDiagonalFactor = 1.4142137f;

// Smallest b with 2^b >= n (n >= 1).
int32_t bits_for(int64_t n) {
  int32_t b = 0;
  while ((int64_t{1} << b) < n) ++b;
  return b;
}

// Blocks from this size on are mapped on their own.
constexpr size_t kMappedBytes = size_t{1} << 20;

}  // namespace

void* zeroed_alloc(size_t bytes) {
  if (bytes < kMappedBytes) return std::calloc(1, bytes);
  return platform::memory_map_zeroed(bytes);
}

void zeroed_free(void* block, size_t bytes) {
  if (block == nullptr) return;
  if (bytes < kMappedBytes) {
    std::free(block);
  } else {
    platform::memory_unmap(block, bytes);
  }
}

// ---------------------------------------------------------------------------
// NodeHashTable

bool NodeHashTable::allocate(int32_t table_bits, int32_t width) {
  if (table_bits < 0) table_bits = 0;
  if (table_bits > kMaxBits) table_bits = kMaxBits;
  bits = table_bits;
  const size_t n = size_t{1} << bits;
  const bool ok = buckets_.allocate(n);
  mask_ = static_cast<uint32_t>(n - 1);
  width_ = width;
  count_ = 0;
  found_ = found_prev_ = nullptr;
  return ok;
}

Node* NodeHashTable::find(int32_t x, int32_t y) {
  found_ = found_prev_ = nullptr;
  if (!buckets_) return nullptr;
  Node* prev = nullptr;
  for (Node* n = buckets_[bucket_of(x, y)]; n != nullptr; n = n->bucket_next) {
    if (n->x == x && n->y == y) {
      found_ = n;
      found_prev_ = prev;
      return n;
    }
    prev = n;
  }
  return nullptr;
}

void NodeHashTable::remove_found() {
  if (found_ == nullptr) return;
  if (found_prev_ != nullptr) {
    found_prev_->bucket_next = found_->bucket_next;
  } else {
    buckets_[bucket_of(found_->x, found_->y)] = found_->bucket_next;
  }
  found_->bucket_next = nullptr;
  --count_;
  found_ = found_prev_ = nullptr;
}

void NodeHashTable::insert(Node* node) {
  if (!buckets_ || node == nullptr) return;
  Node*& head = buckets_[bucket_of(node->x, node->y)];
  for (Node* n = head; n != nullptr; n = n->bucket_next) {
    if (n == node) return;
  }
  node->bucket_next = head;
  head = node;
  ++count_;
  found_ = found_prev_ = nullptr;
}

void NodeHashTable::clear() {
  if (buckets_ && count_ > 0) std::memset(buckets_.get(), 0, (size_t{mask_} + 1) * sizeof(Node*));
  count_ = 0;
  found_ = found_prev_ = nullptr;
}

// ---------------------------------------------------------------------------
// NodeFactory

bool NodeFactory::allocate(int32_t n, int32_t width, int32_t height) {
  free_all();
  const size_t cells = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (!nodes_.allocate(static_cast<size_t>(n)) || !cell_nodes_.allocate(cells)) {
    free_all();
    return false;
  }
  size = n;
  used = 0;
  width_ = width;
  return true;
}

Node* NodeFactory::take() {
  if (used >= size) return nullptr;
  Node* n = &nodes_[static_cast<size_t>(used++)];
  *n = Node{};  // cell (0, 0) until bound, so reset never reads a stray cell
  return n;
}

void NodeFactory::reset() {
  // Only taken nodes can sit in the cell index.
  for (int32_t i = 0; i < used; ++i) {
    const Node& n = nodes_[static_cast<size_t>(i)];
    if (at_cell(n.x, n.y) == &n) {
      cell_nodes_[static_cast<size_t>(n.x) +
                  static_cast<size_t>(width_) * static_cast<size_t>(n.y)] = nullptr;
    }
  }
  used = 0;
}

void NodeFactory::free_all() {
  nodes_.reset();
  cell_nodes_.reset();
  size = used = 0;
  width_ = 0;
}

// ---------------------------------------------------------------------------
// Planner

Planner::~Planner() = default;

// Fails when the start or the goal lies outside the map, when they are the
// same cell, when no cell is open (no value above 0) or when memory runs out.
// Open cells are normalised to value / largest + 1 (1 < cost <= 2), every
// other cell is blocked (-1). Values beyond the float range are clamped into
// it, so a huge or infinite value cannot turn the costs into NaN and a tiny
// positive one stays open.
bool Planner::setup(const PlannerParams& p) {
  const int32_t w = p.width, h = p.height;
  if (w <= 0 || h <= 0 || p.cells == nullptr) return false;
  if (p.start_x < 0 || p.start_x >= w || p.start_y < 0 || p.start_y >= h) return false;
  if (p.goal_x < 0 || p.goal_x >= w || p.goal_y < 0 || p.goal_y >= h) return false;
  if (p.start_x == p.goal_x && p.start_y == p.goal_y) return false;
  const int64_t cells = int64_t{w} * int64_t{h};
  if (cells > INT32_MAX) return false;

  release();
  grid.reset();
  factory.free_all();
  open_list.allocate(0);

  ZeroedArray<float> g;
  if (!g.allocate(static_cast<size_t>(cells))) return false;
  float largest = 0.0f;
  for (int64_t i = 0; i < cells; ++i) {
    const double v = p.cells[i];
    float c = -1.0f;
    if (v > 0) {
      c = v > FLT_MAX ? FLT_MAX : (v < FLT_MIN ? FLT_MIN : static_cast<float>(v));
      if (c > largest) largest = c;
    }
    g[static_cast<size_t>(i)] = c;
  }
  if (!(largest > 0.0f)) return false;
  for (int64_t i = 0; i < cells; ++i) {
    float& c = g[static_cast<size_t>(i)];
    if (c > 0.0f) c = c / largest + 1.0f;
  }

  // Every cell has at most one node and one open-list entry during a
  // search, so smaller pools or open lists could only drop nodes.
  const int32_t pool = p.pool_size > cells ? p.pool_size : static_cast<int32_t>(cells);
  const int32_t open_slots =
      p.open_capacity > cells ? p.open_capacity : static_cast<int32_t>(cells);
  if (!factory.allocate(pool, w, h)) return false;
  if (!open_list.allocate(open_slots)) {
    factory.free_all();
    return false;
  }
  const int32_t wanted_bits = bits_for(cells);
  if (!closed_set.allocate(p.hash_bits > wanted_bits ? p.hash_bits : wanted_bits, w)) {
    factory.free_all();
    return false;
  }

  grid = std::move(g);
  params = p;
  path = nullptr;
  float wt = p.weight;
  if (!(wt > 0.0f)) wt = 0.0f;  // NaN too
  if (wt > 1.0f) wt = 1.0f;
  params.weight = wt;
  search_count = 0;
  expanded = 0;
  next_order = 1;
  done = true;
  return true;
}

void Planner::start() {
  release();
  done = false;
  path = nullptr;
  search_count = 0;
  expanded = 0;
  Node* n = factory.take();
  if (n == nullptr) return;
  n->parent = nullptr;
  n->x = params.start_x;
  n->y = params.start_y;
  n->g = 0.0f;
  n->f = 0.0f;
  n->bucket_next = nullptr;
  n->order = next_order++;
  n->state = kNodeOpen;
  factory.bind_cell(n);
  open_list.push_back(n);
}

void Planner::release() {
  open_list.clear();
  closed_set.clear();
  factory.reset();
  path = nullptr;
  done = true;
  next_order = 1;
}

void Planner::insert_ordered(Node* node) {
  if (next_order == UINT32_MAX) restamp_open();
  node->order = next_order++;
  // First position whose f is not above the new f.
  int32_t lo = 0, hi = open_list.size();
  const float f = node->f;
  while (lo < hi) {
    const int32_t mid = (lo + hi) / 2;
    if (open_list.at(mid)->f > f) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  open_list.insert(lo, node);
  node->state = kNodeOpen;
}

void Planner::erase_open(Node* node) {
  // Sorted by f descending, equal f by stamp descending.
  int32_t lo = 0, hi = open_list.size();
  const float f = node->f;
  const uint32_t order = node->order;
  while (lo < hi) {
    const int32_t mid = (lo + hi) / 2;
    const Node* m = open_list.at(mid);
    if (m->f > f || (m->f == f && m->order > order)) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo < open_list.size() && open_list.at(lo) == node) open_list.erase(lo);
  node->state = kNodeLoose;
}

// Renumbers the stamps from the back (oldest among equal f) so that they
// stay in order when the counter would overflow.
void Planner::restamp_open() {
  uint32_t stamp = 1;
  for (int32_t i = open_list.size(); i-- > 0;) open_list.at(i)->order = stamp++;
  next_order = stamp;
}

// ---------------------------------------------------------------------------
// AStarPlanner

void AStarPlanner::start() { Planner::start(); }

bool AStarPlanner::search() {
  ++search_count;
  // Neighbour order, y growing downwards; the first, third, sixth and eighth
  // are diagonal.
  static constexpr int32_t kDx[8] = {-1, 0, 1, 1, -1, -1, 0, 1};
  static constexpr int32_t kDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
  static constexpr bool kDiagonal[8] = {true, false, true, false, false, true, false, true};

  const int32_t w = params.width, h = params.height;
  const int32_t gx = params.goal_x, gy = params.goal_y;
  const float weight = params.weight;
  const bool diagonals = params.diagonals != 0;
  const bool diagonal_factor = params.diagonal_factor != 0;

  while (open_list.size() > 0) {
    Node* c = open_list.back();
    open_list.pop_back();
    c->state = kNodeLoose;
    ++expanded;
    if (c->x == gx && c->y == gy) {
      closed_set.insert(c);
      c->state = kNodeClosed;
      done = true;
      path = c;
      return true;
    }
    for (int32_t k = 0; k < 8; ++k) {
      if (kDiagonal[k] && !diagonals) continue;
      const int32_t nx = c->x + kDx[k], ny = c->y + kDy[k];
      if (nx < 0 || nx >= w || ny < 0 || ny >= h) continue;
      float cost = cost_at(nx, ny);
      if (cost < 0.0f) continue;
      if (kDiagonal[k] && diagonal_factor) cost *= kDiagonalFactor;
      const float g = c->g + cost;
      const int32_t hd = std::abs(gx - nx) + std::abs(gy - ny);
      const float f = g + weight * (static_cast<float>(hd) - g);

      // A cell without a node is new; one with a node is either closed or
      // waiting in the open list.
      Node* n = factory.at_cell(nx, ny);
      if (n != nullptr && n->state == kNodeClosed) {
        if (n->g > g && closed_set.find(nx, ny) == n) {
          closed_set.remove_found();
          n->parent = c;
          n->g = g;
          n->f = f;
          insert_ordered(n);
        }
        continue;
      }
      if (n != nullptr && n->state == kNodeOpen) {
        if (n->g > g) {
          erase_open(n);
          n->parent = c;
          n->g = g;
          n->f = f;
          insert_ordered(n);
        }
        continue;
      }
      n = factory.take();
      if (n == nullptr) continue;  // cannot happen: the pool has a node per cell
      n->parent = c;
      n->x = nx;
      n->y = ny;
      n->g = g;
      n->f = f;
      n->bucket_next = nullptr;
      factory.bind_cell(n);
      insert_ordered(n);
    }
    closed_set.insert(c);
    c->state = kNodeClosed;
  }
  done = true;
  return false;
}

}  // namespace zrv
