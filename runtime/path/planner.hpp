// The grid path planner: an A* search over a cost map with a sorted ring of
// open nodes (FixedDeque), a hashed closed set (NodeHashTable) and a node pool
// (NodeFactory) sized once per map, so that a search allocates nothing.
//
// Results are fixed by three rules: neighbours are expanded in a fixed order,
// a node of equal f is queued in front of the ones already waiting (so among
// equal f the node that waited longest is expanded first), and a node's g only
// changes when the new g is strictly smaller.
//
// Every cell has at most one node during a search, so the pool keeps a
// per-cell index (the open list look-up) and the closed set has one bucket per
// cell up to 2^24 cells; both look-ups are constant time. A node's place in
// the open list follows from its f and a stamp of when it was queued, so
// taking it out again is a binary search, not a scan.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace zrv {

// Zero-filled memory for the planner's tables. Large blocks come straight
// from the system in huge pages where it offers them: a search on a
// 1024 x 1024 map touches some 60 MB, and faulting that in 4 KiB at a time
// can cost more than the search itself. Untouched pages cost nothing.
void* zeroed_alloc(size_t bytes);
void zeroed_free(void* block, size_t bytes);

template <class T>
class ZeroedArray {
  static_assert(std::is_trivially_copyable_v<T>, "zero bytes must be a valid T");

 public:
  ZeroedArray() = default;
  ~ZeroedArray() { reset(); }
  ZeroedArray(const ZeroedArray&) = delete;
  ZeroedArray& operator=(const ZeroedArray&) = delete;
  ZeroedArray(ZeroedArray&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), bytes_(std::exchange(other.bytes_, 0)) {}
  ZeroedArray& operator=(ZeroedArray&& other) noexcept {
    if (this != &other) {
      reset();
      data_ = std::exchange(other.data_, nullptr);
      bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
  }

  // n zeroed elements (none for n = 0); false when memory runs out.
  bool allocate(size_t n) {
    reset();
    if (n == 0) return true;
    data_ = static_cast<T*>(zeroed_alloc(n * sizeof(T)));
    if (data_ == nullptr) return false;
    bytes_ = n * sizeof(T);
    return true;
  }
  void reset() {
    if (data_ != nullptr) zeroed_free(data_, bytes_);
    data_ = nullptr;
    bytes_ = 0;
  }
  T* get() const { return data_; }
  T& operator[](size_t i) const { return data_[i]; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  T* data_ = nullptr;
  size_t bytes_ = 0;
};

// Where a node currently lives; only the planner's bookkeeping.
enum NodeState : uint8_t { kNodeLoose = 0, kNodeOpen = 1, kNodeClosed = 2 };

struct Node {
  Node* parent;  // the cell this one was reached from; none for the start
  int32_t x;
  int32_t y;
  float f;            // ordering value
  float g;            // cost of the best known path from the start
  Node* bucket_next;  // next node in the same closed-set bucket
  uint32_t order;     // open-list stamp: among equal f, larger = queued later
  uint8_t state;      // NodeState
};

struct PlannerParams {
  int32_t start_x;
  int32_t start_y;
  int32_t goal_x;
  int32_t goal_y;
  uint8_t diagonal_factor;  // diagonal steps cost 1.4142137 x the cell cost
  uint8_t diagonals;        // diagonal neighbours are expanded
  int32_t pool_size;        // 0 = one node per cell
  int32_t open_capacity;    // 0 = one slot per cell
  int32_t hash_bits;        // lower bound; the table grows to one bucket per cell
  float weight;             // 0 = path cost only, 1 = distance estimate only
  int32_t width;
  int32_t height;
  const double* cells;  // width x height, cell (x, y) at x + width * y
};

// A ring of `capacity` slots holding elements from `head` up to `tail` (one
// past the last); `empty` tells a full ring (head == tail) from an empty one.
// Inserting or erasing in the middle shifts the shorter side by one slot.
// Nothing is ever written past the capacity: an insert into a full ring does
// nothing and reports false.
template <class T>
class FixedDeque {
 public:
  int32_t capacity = 0;
  int32_t head = 0;
  int32_t tail = 0;
  bool empty = true;

  FixedDeque() = default;
  FixedDeque(const FixedDeque&) = delete;
  FixedDeque& operator=(const FixedDeque&) = delete;

  // Drops the elements and makes room for n slots (n < 0 counts as 0).
  // False when memory runs out (the ring then has no slots).
  bool allocate(int32_t n) {
    capacity = n > 0 ? n : 0;
    const bool ok = slots_.allocate(static_cast<size_t>(capacity));
    if (!ok) capacity = 0;
    clear();
    return ok;
  }

  void clear() {
    head = tail = 0;
    empty = true;
  }

  int32_t size() const {
    if (empty) return 0;
    const int32_t d = tail - head;
    return d > 0 ? d : d + capacity;
  }
  bool full() const { return !empty && head == tail; }

  // Element at position i from the head (0 <= i < size()).
  T& at(int32_t i) { return slots_[wrap(head + i)]; }
  const T& at(int32_t i) const { return slots_[wrap(head + i)]; }
  T& back() { return slots_[wrap(tail - 1 + capacity)]; }

  void pop_back() {
    if (empty) return;
    tail = wrap(tail - 1 + capacity);
    empty = head == tail;
  }
  void pop_front() {
    if (empty) return;
    head = wrap(head + 1);
    empty = head == tail;
  }

  bool push_back(const T& value) {
    if (full() || capacity == 0) return false;
    slots_[tail] = value;
    tail = wrap(tail + 1);
    empty = false;
    return true;
  }
  bool push_front(const T& value) {
    if (full() || capacity == 0) return false;
    head = wrap(head - 1 + capacity);
    slots_[head] = value;
    empty = false;
    return true;
  }

  // Inserts before position i (0 <= i <= size()); the element then sits at i.
  bool insert(int32_t i, const T& value) {
    const int32_t n = size();
    if (i < 0 || i > n || full() || capacity == 0) return false;
    if (i < n - i) {
      head = wrap(head - 1 + capacity);
      shift_down(1, i + 1);
    } else {
      shift_up(i, n);
      tail = wrap(tail + 1);
    }
    at(i) = value;
    empty = false;
    return true;
  }

  // Removes the element at position i (0 <= i < size()).
  void erase(int32_t i) {
    const int32_t n = size();
    if (i < 0 || i >= n) return;
    if (i < n - 1 - i) {
      shift_up(0, i);
      head = wrap(head + 1);
    } else {
      shift_down(i + 1, n);
      tail = wrap(tail - 1 + capacity);
    }
    empty = head == tail;
  }

 private:
  ZeroedArray<T> slots_;

  // Indices handed in lie in 0 .. 2 * capacity - 1.
  int32_t wrap(int32_t i) const { return i >= capacity ? i - capacity : i; }

  // Moves positions [a, b) to [a + 1, b + 1), one contiguous run at a time.
  void shift_up(int32_t a, int32_t b) {
    int32_t k = b;  // the element at k - 1 goes to k
    while (k > a) {
      const int32_t dst = wrap(head + k);
      if (dst == 0) {
        slots_[0] = slots_[capacity - 1];
        --k;
        continue;
      }
      const int32_t n = k - a < dst ? k - a : dst;
      T* base = slots_.get();
      std::copy_backward(base + dst - n, base + dst, base + dst + 1);
      k -= n;
    }
  }
  // Moves positions [a, b) to [a - 1, b - 1) (a >= 1).
  void shift_down(int32_t a, int32_t b) {
    int32_t k = a;  // the element at k goes to k - 1
    while (k < b) {
      const int32_t src = wrap(head + k);
      if (src == 0) {
        slots_[capacity - 1] = slots_[0];
        ++k;
        continue;
      }
      const int32_t n = b - k < capacity - src ? b - k : capacity - src;
      T* base = slots_.get();
      std::copy(base + src, base + src + n, base + src - 1);
      k += n;
    }
  }
};

// The closed set: 2^bits bucket heads chained through Node::bucket_next. The
// bucket of a cell is its row-major index (x + width * y) masked to `bits`, so
// a table with at least as many buckets as cells never chains.
class NodeHashTable {
 public:
  static constexpr int32_t kMaxBits = 24;

  int32_t bits = 0;

  NodeHashTable() = default;
  NodeHashTable(const NodeHashTable&) = delete;
  NodeHashTable& operator=(const NodeHashTable&) = delete;

  // bits is clamped to 0..kMaxBits; the table starts empty. False when
  // memory runs out (the table then has no buckets and finds nothing).
  bool allocate(int32_t table_bits, int32_t width);
  Node* find(int32_t x, int32_t y);
  // Takes the node returned by the latest successful find out of the table.
  void remove_found();
  // A node already in its bucket is not inserted twice.
  void insert(Node* node);
  void clear();
  int32_t count() const { return count_; }

 private:
  ZeroedArray<Node*> buckets_;
  uint32_t mask_ = 0;
  int32_t width_ = 0;
  int32_t count_ = 0;
  Node* found_ = nullptr;
  Node* found_prev_ = nullptr;

  uint32_t bucket_of(int32_t x, int32_t y) const {
    return (static_cast<uint32_t>(x) + static_cast<uint32_t>(width_) * static_cast<uint32_t>(y)) &
           mask_;
  }
};

// The node pool: `size` nodes allocated once, handed out in order by take;
// `used` counts the nodes handed out. It also maps each cell to the node that
// stands for it in the current search.
class NodeFactory {
 public:
  int32_t size = 0;
  int32_t used = 0;

  NodeFactory() = default;
  NodeFactory(const NodeFactory&) = delete;
  NodeFactory& operator=(const NodeFactory&) = delete;

  // Room for n nodes over a width x height map; false when memory runs out.
  bool allocate(int32_t n, int32_t width, int32_t height);
  // The next unused node, or none when all are in use.
  Node* take();
  // The node of a cell in the current search, or none.
  Node* at_cell(int32_t x, int32_t y) const {
    return cell_nodes_[static_cast<size_t>(x) +
                       static_cast<size_t>(width_) * static_cast<size_t>(y)];
  }
  void bind_cell(Node* node) {
    cell_nodes_[static_cast<size_t>(node->x) +
                static_cast<size_t>(width_) * static_cast<size_t>(node->y)] = node;
  }
  // Every node back into the pool; the cell index forgets them.
  void reset();
  void free_all();

 private:
  ZeroedArray<Node> nodes_;
  ZeroedArray<Node*> cell_nodes_;
  int32_t width_ = 0;
};

class Planner {
 public:
  bool done = true;
  NodeFactory factory;
  PlannerParams params{};
  ZeroedArray<float> grid;  // -1 = blocked, else 1 < cost <= 2
  int32_t search_count = 0;
  FixedDeque<Node*> open_list;
  NodeHashTable closed_set;
  Node* path = nullptr;  // the goal node after a successful search
  // Nodes taken from the open list by the current search; the stamp source.
  int64_t expanded = 0;
  uint32_t next_order = 1;

  Planner() = default;
  Planner(const Planner&) = delete;
  Planner& operator=(const Planner&) = delete;
  virtual ~Planner();

  // Copies the map into the grid and sizes the pool, the open list and the
  // closed set; false for an unusable request (see planner.cpp).
  bool setup(const PlannerParams& p);
  virtual void start();
  virtual bool search() = 0;
  virtual void release();

  float cost_at(int32_t x, int32_t y) const {
    return grid[static_cast<size_t>(x) +
                static_cast<size_t>(params.width) * static_cast<size_t>(y)];
  }

 protected:
  // Keeps the open list sorted by f, largest at the front; a node goes in
  // front of those with equal f.
  void insert_ordered(Node* node);
  // Finds the node's position from its f and stamp and takes it out.
  void erase_open(Node* node);

 private:
  void restamp_open();
};

class AStarPlanner final : public Planner {
 public:
  void start() override;
  bool search() override;
};

}  // namespace zrv
