// RtArray<T>: the runtime's array value. Up to four dimensions, elements
// stored contiguously with the first index varying fastest, a capacity larger
// than the element count so that appending is cheap, and a bounds check on
// every element access whose failure reports the shape and the indices and
// ends the program.
//
// Element kinds and their storage rules:
//   - numbers of 4 or 8 bytes (int32_t, double, ...): allocation rounded to
//     (n & ~7) + 8 elements, zeroed;
//   - bytes (uint8_t): allocation (n & ~63) + 64, nothing for n = 0, zeroed;
//   - RtString: as bytes, every allocated slot an empty string;
//   - records (the game's TYPE classes): as bytes, every allocated slot a
//     default-constructed record.
//
// Record types. A TYPE class is a polymorphic record of double fields. It
// takes part in arrays by providing two members:
//   void assign_fields(const T& other);  // copy the field values only
//   void clear_fields();                 // set every field to 0.0
// The slot object stays the one constructed in the array; only its fields
// change. The class must be nothrow default-constructible with all fields 0.0.
//
// Failure path. A failed access prints the bounds report, calls
// error_report(9) and program_end(). program_end does not return, except when
// the end is already in progress (a callback during shutdown touching an
// array); the access then yields a per-type static scratch element, reset to
// zero/empty at each failure, so that no memory outside the storage is ever
// touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "base/rt_string.hpp"

namespace zrv {

template <class T>
concept RtRecord =
    std::is_class_v<T> && !std::is_same_v<T, RtString> && requires(T & slot, const T& other) {
  slot.assign_fields(other);
  slot.clear_fields();
};

template <class T>
struct RtArray;

namespace array_detail {

enum class Kind { kNumber, kByte, kString, kRecord };

template <class T>
consteval Kind kind_of() {
  if constexpr (std::is_same_v<T, RtString>) {
    return Kind::kString;
  } else if constexpr (RtRecord<T>) {
    static_assert(std::is_nothrow_default_constructible_v<T>,
                  "record types must be nothrow default-constructible");
    return Kind::kRecord;
  } else {
    static_assert(std::is_arithmetic_v<T> && (sizeof(T) == 1 || sizeof(T) == 4 || sizeof(T) == 8),
                  "RtArray elements: 1-, 4- or 8-byte numbers, RtString, or a record type "
                  "with assign_fields/clear_fields");
    return sizeof(T) == 1 ? Kind::kByte : Kind::kNumber;
  }
}

// Shared, non-template parts (rt_array.cpp).
int64_t element_count(int32_t e0, int32_t e1, int32_t e2, int32_t e3);
int32_t rank_of(int32_t dim0, int32_t dim1, int32_t dim2, int32_t dim3);
// Storage for `capacity` elements of `size` bytes; zeroed when asked. Null on
// failure (the caller reports it).
void* allocate(int64_t capacity, std::size_t size, bool zeroed);
void release_block(void* block);
// Bounds report, error 9, program end (returns only during shutdown). The
// report shows the present dimensions, and at least `given` indices.
void fail_bounds(const int32_t dims[4], int32_t i0, int32_t i1, int32_t i2, int32_t i3,
                 int32_t given = 1);
// Error 7, program end.
void fail_memory();
// Error 8, program end.
void fail_push();
void report_bounds(const int32_t dims[4], int32_t i0, int32_t i1, int32_t i2, int32_t i3,
                   int32_t given = 1);

template <class T>
constexpr int64_t capacity_for(int64_t n) {
  if constexpr (kind_of<T>() == Kind::kNumber) {
    return (n & ~int64_t{7}) + 8;
  } else {
    return n == 0 ? 0 : (n & ~int64_t{63}) + 64;
  }
}

template <class T>
void clear_element(T& slot) {
  constexpr Kind k = kind_of<T>();
  if constexpr (k == Kind::kString) {
    slot.truncate(0);  // keeps the block for the next text
  } else if constexpr (k == Kind::kRecord) {
    slot.clear_fields();
  } else {
    slot = T{};
  }
}

template <class T>
void assign_element(T& slot, const T& value) {
  if constexpr (kind_of<T>() == Kind::kRecord) {
    slot.assign_fields(value);
  } else if constexpr (kind_of<T>() == Kind::kString) {
    slot.assign(value);
  } else {
    slot = value;
  }
}

template <class T>
T& scratch() {
  static T slot{};
  clear_element(slot);
  return slot;
}

template <class T>
T* allocate_fresh(int64_t capacity) {
  constexpr Kind k = kind_of<T>();
  // Numbers and bytes start zeroed (calloc); strings and records are
  // constructed in place.
  void* block = allocate(capacity, sizeof(T), k == Kind::kNumber || k == Kind::kByte);
  if (block == nullptr) return nullptr;
  T* items = static_cast<T*>(block);
  if constexpr (k == Kind::kString || k == Kind::kRecord) {
    for (int64_t i = 0; i < capacity; ++i) ::new (static_cast<void*>(items + i)) T();
  }
  return items;
}

template <class T>
void release_storage(T* items, int32_t capacity) {
  if (items == nullptr) return;
  if constexpr (kind_of<T>() == Kind::kString || kind_of<T>() == Kind::kRecord) {
    for (int32_t i = capacity; i-- > 0;) items[i].~T();
  }
  release_block(items);
}

template <class T>
bool aliases(const RtArray<T>& a, const T& value) {
  if (a.items == nullptr) return false;
  const auto p = reinterpret_cast<std::uintptr_t>(&value);
  const auto lo = reinterpret_cast<std::uintptr_t>(a.items);
  const auto hi = reinterpret_cast<std::uintptr_t>(a.items + a.capacity);
  return p >= lo && p < hi;
}

}  // namespace array_detail

template <class T>
struct RtArray {
  T* items = nullptr;   // element storage; null when none is held
  int32_t stride1 = 0;  // dim0
  int32_t stride2 = 0;  // dim0 * dim1
  int32_t stride3 = 0;  // dim0 * dim1 * dim2
  int32_t dim0 = 0;     // size of the first dimension
  int32_t dim1 = 0;     // sizes of the further dimensions, 0 when absent
  int32_t dim2 = 0;
  int32_t dim3 = 0;
  int32_t count = 0;     // elements in use
  int32_t rank = 0;      // number of dimensions
  int32_t capacity = 0;  // elements allocated in items

  // All words zero: a global array needs no start-up code.
  constexpr RtArray() = default;
  ~RtArray() { array_detail::release_storage(items, capacity); }

  RtArray(const RtArray&) = delete;
  RtArray& operator=(const RtArray&) = delete;
  RtArray(RtArray&& other) noexcept { take(other); }
  RtArray& operator=(RtArray&& other) noexcept {
    if (this != &other) {
      array_detail::release_storage(items, capacity);
      take(other);
    }
    return *this;
  }

  // Swaps all eleven words.
  void swap(RtArray& other) noexcept {
    std::swap(items, other.items);
    std::swap(stride1, other.stride1);
    std::swap(stride2, other.stride2);
    std::swap(stride3, other.stride3);
    std::swap(dim0, other.dim0);
    std::swap(dim1, other.dim1);
    std::swap(dim2, other.dim2);
    std::swap(dim3, other.dim3);
    std::swap(count, other.count);
    std::swap(rank, other.rank);
    std::swap(capacity, other.capacity);
  }

  // Element access. A negative first index counts once from the end; the
  // others are not wrapped. A dimension the array does not have (size 0)
  // takes only the index 0: any other names no element.
  T& operator()(int32_t i0) {
    if (i0 < 0) i0 += dim0;
    if (items != nullptr && i0 >= 0 && i0 < dim0 && i0 < count) [[likely]] {
      return items[i0];
    }
    return failed(1, i0, 0, 0, 0);
  }
  T& operator()(int32_t i0, int32_t i1) {
    if (i0 < 0) i0 += dim0;
    if (index_ok(i0) && extra_ok(i1, dim1)) [[likely]] {
      const int64_t flat = int64_t{i0} + int64_t{i1} * stride1;
      if (flat < count) return items[flat];
    }
    return failed(2, i0, i1, 0, 0);
  }
  T& operator()(int32_t i0, int32_t i1, int32_t i2) {
    if (i0 < 0) i0 += dim0;
    if (index_ok(i0) && extra_ok(i1, dim1) && extra_ok(i2, dim2)) [[likely]] {
      const int64_t flat = int64_t{i0} + int64_t{i1} * stride1 + int64_t{i2} * stride2;
      if (flat >= 0 && flat < count) return items[flat];
    }
    return failed(3, i0, i1, i2, 0);
  }
  T& operator()(int32_t i0, int32_t i1, int32_t i2, int32_t i3) {
    if (i0 < 0) i0 += dim0;
    if (index_ok(i0) && extra_ok(i1, dim1) && extra_ok(i2, dim2) && extra_ok(i3, dim3)) [[likely]] {
      const int64_t flat =
          int64_t{i0} + int64_t{i1} * stride1 + int64_t{i2} * stride2 + int64_t{i3} * stride3;
      if (flat >= 0 && flat < count) return items[flat];
    }
    return failed(4, i0, i1, i2, i3);
  }

  template <class... I>
  T& at(I... idx) {
    return (*this)(idx...);
  }

 private:
  bool index_ok(int32_t i0) const { return items != nullptr && i0 >= 0 && i0 < dim0; }
  static bool extra_ok(int32_t k, int32_t size) { return size == 0 ? k == 0 : k >= 0 && k < size; }

  // given: how many indices the access had (the report shows them all).
  [[gnu::cold, gnu::noinline]] T& failed(int32_t given, int32_t i0, int32_t i1, int32_t i2,
                                         int32_t i3) {
    const int32_t dims[4] = {dim0, dim1, dim2, dim3};
    array_detail::fail_bounds(dims, i0, i1, i2, i3, given);
    return array_detail::scratch<T>();
  }

  void take(RtArray& other) noexcept {
    items = other.items;
    stride1 = other.stride1;
    stride2 = other.stride2;
    stride3 = other.stride3;
    dim0 = other.dim0;
    dim1 = other.dim1;
    dim2 = other.dim2;
    dim3 = other.dim3;
    count = other.count;
    rank = other.rank;
    capacity = other.capacity;
    other.items = nullptr;
    other.stride1 = other.stride2 = other.stride3 = 0;
    other.dim0 = other.dim1 = other.dim2 = other.dim3 = 0;
    other.count = other.rank = other.capacity = 0;
  }
};

// The eleven words, in order (the pointer is pointer-sized on 64-bit hosts).
static_assert(std::is_standard_layout_v<RtArray<int32_t>>);
static_assert(offsetof(RtArray<int32_t>, items) == 0);
static_assert(offsetof(RtArray<int32_t>, stride1) == sizeof(void*));
static_assert(offsetof(RtArray<int32_t>, capacity) == sizeof(void*) + 9 * sizeof(int32_t));

namespace array_detail {

template <class T>
void set_shape(RtArray<T>& a, int32_t e0, int32_t e1, int32_t e2, int32_t e3, int32_t n) {
  // Strides of sizes that cannot be indexed (negative) may wrap; accesses
  // through them fail the index check before the stride is used.
  a.dim0 = e0;
  a.dim1 = e1;
  a.dim2 = e2;
  a.dim3 = e3;
  a.stride1 = e0;
  a.stride2 = static_cast<int32_t>(static_cast<uint32_t>(e0) * static_cast<uint32_t>(e1));
  a.stride3 = static_cast<int32_t>(static_cast<uint32_t>(a.stride2) * static_cast<uint32_t>(e2));
  a.count = n;
  a.rank = rank_of(e0, e1, e2, e3);
}

template <class T>
void clear_shape(RtArray<T>& a) {
  a.stride1 = a.stride2 = a.stride3 = 0;
  a.dim0 = a.dim1 = a.dim2 = a.dim3 = 0;
  a.count = a.rank = 0;
}

template <class T>
void drop_storage(RtArray<T>& a) {
  release_storage(a.items, a.capacity);
  a.items = nullptr;
  a.capacity = 0;
}

// New zeroed storage of cap elements in place of the old (none for 0);
// false after the memory failure ended the program.
template <class T>
bool storage_replace(RtArray<T>& a, int64_t cap) {
  drop_storage(a);
  if (cap <= 0) return true;
  T* items = cap > INT32_MAX ? nullptr : allocate_fresh<T>(cap);
  if (items == nullptr) {
    clear_shape(a);
    fail_memory();
    return false;
  }
  a.items = items;
  a.capacity = static_cast<int32_t>(cap);
  return true;
}

}  // namespace array_detail

// Re-dimensions the array and resets every element in use. Storage is kept
// when it is large enough, except that a size of 0 or less always replaces
// it (for strings, records and bytes: releases it).
template <class T>
void array_dim(RtArray<T>& a, int32_t e0, int32_t e1 = 0, int32_t e2 = 0, int32_t e3 = 0) {
  using namespace array_detail;
  bool force = false;
  if (e0 <= 0) {
    e0 = 0;
    force = true;
  }
  const int64_t n = element_count(e0, e1, e2, e3);
  if (force || a.capacity < n) {
    if (!storage_replace(a, n > INT32_MAX ? n : capacity_for<T>(n))) return;
  } else {
    for (int64_t i = 0; i < n; ++i) clear_element(a.items[i]);
  }
  set_shape(a, e0, e1, e2, e3, static_cast<int32_t>(n));
}

// Dimensioning with exactly n zeroed elements (no rounding), for 4- and
// 8-byte numbers: the pixel-copy commands fill such arrays to the last word.
template <class T>
void array_dim_exact(RtArray<T>& a, int32_t e0, int32_t e1 = 0, int32_t e2 = 0, int32_t e3 = 0) {
  using namespace array_detail;
  static_assert(kind_of<T>() == Kind::kNumber, "exact dimensioning is for 4- and 8-byte numbers");
  if (e0 < 0) e0 = 0;
  const int64_t n = element_count(e0, e1, e2, e3);
  if (!storage_replace(a, n)) return;
  set_shape(a, e0, e1, e2, e3, static_cast<int32_t>(n));
}

// Re-dimensions the array keeping the elements whose indices lie inside both
// the old and the new shape. A first size below 1 empties the shape but keeps
// the storage for later growth.
template <class T>
void array_redim(RtArray<T>& a, int32_t e0, int32_t e1 = 0, int32_t e2 = 0, int32_t e3 = 0) {
  using namespace array_detail;
  if (e0 < 1) {
    clear_shape(a);
    return;
  }
  RtArray<T> fresh;
  array_dim(fresh, e0, e1, e2, e3);
  if (fresh.items == nullptr) return;  // allocation failed during shutdown
  if (a.items != nullptr && a.dim0 > 0) {
    // Absent dimensions hold index 0 only.
    auto span = [](int32_t size) { return size < 1 ? 1 : size; };
    auto lim = [&](int32_t old_size, int32_t new_size) {
      const int32_t o = span(old_size), m = span(new_size);
      return o < m ? o : m;
    };
    const int32_t l0 = a.dim0 < e0 ? a.dim0 : e0;
    const int32_t l1 = lim(a.dim1, e1), l2 = lim(a.dim2, e2), l3 = lim(a.dim3, e3);
    for (int32_t i3 = 0; i3 < l3; ++i3) {
      for (int32_t i2 = 0; i2 < l2; ++i2) {
        for (int32_t i1 = 0; i1 < l1; ++i1) {
          const int64_t old_base =
              int64_t{i1} * a.stride1 + int64_t{i2} * a.stride2 + int64_t{i3} * a.stride3;
          const int64_t new_base = int64_t{i1} * fresh.stride1 + int64_t{i2} * fresh.stride2 +
                                   int64_t{i3} * fresh.stride3;
          for (int32_t i0 = 0; i0 < l0; ++i0) {
            const int64_t from = old_base + i0, to = new_base + i0;
            if (from < 0 || from >= a.count || to < 0 || to >= fresh.count) {
              const int32_t dims[4] = {a.dim0, a.dim1, a.dim2, a.dim3};
              fail_bounds(dims, i0, i1, i2, i3);
              return;
            }
            if constexpr (kind_of<T>() == Kind::kString) {
              fresh.items[to].swap(a.items[from]);  // the old block goes away anyway
            } else {
              assign_element(fresh.items[to], a.items[from]);
            }
          }
        }
      }
    }
  }
  a.swap(fresh);  // fresh now holds the old storage and releases it
}

// Appends a value to a one-dimensional array.
template <class T>
void array_push(RtArray<T>& a, const T& value) {
  using namespace array_detail;
  if (a.dim1 != 0 || a.dim2 != 0 || a.dim3 != 0) {
    fail_push();
    return;
  }
  if (int64_t{a.capacity} > int64_t{a.dim0} + 1) {
    ++a.dim0;
    ++a.count;
    a.rank = rank_of(a.dim0, 0, 0, 0);
    assign_element(a(a.dim0 - 1), value);
    return;
  }
  if (aliases(a, value)) {
    // The value lives in the storage about to be replaced.
    const T copy(value);
    array_push(a, copy);
    return;
  }
  const int32_t old_dim0 = a.dim0;
  array_redim(a, a.dim0 + 1);
  if (a.dim0 != old_dim0 + 1) return;  // allocation failed during shutdown
  assign_element(a(a.dim0 - 1), value);
}

// Removes the element at index i (negative counts once from the end); later
// elements move down by one. The storage is never reallocated.
template <class T>
void array_delete(RtArray<T>& a, int32_t i) {
  using namespace array_detail;
  if (i < 0) i += a.dim0;
  if (a.items == nullptr || i < 0 || i >= a.dim0) {
    const int32_t dims[4] = {a.dim0, a.dim1, a.dim2, a.dim3};
    fail_bounds(dims, i, 0, 0, 0);
    return;
  }
  const int32_t last = a.dim0 - 1;
  if (a.dim1 != 0) {
    // Flat element indices; the elements behind dim0 - 1 are other columns.
    for (int32_t k = i; k < last; ++k) assign_element(a.items[k], a.items[k + 1]);
  } else if constexpr (kind_of<T>() == Kind::kString) {
    // Swapping down keeps each block owned by exactly one slot.
    for (int32_t k = i; k < last; ++k) a.items[k].swap(a.items[k + 1]);
  } else if constexpr (kind_of<T>() == Kind::kRecord) {
    for (int32_t k = i; k < last; ++k) a.items[k].assign_fields(a.items[k + 1]);
  } else {
    std::memmove(a.items + i, a.items + i + 1, sizeof(T) * static_cast<std::size_t>(last - i));
  }
  --a.dim0;
  --a.count;
  a.rank = rank_of(a.dim0, a.dim1, a.dim2, a.dim3);
}

// Size of dimension d (0 to 3); 0 for any other number.
template <class T>
int32_t array_bounds(const RtArray<T>& a, int32_t d) {
  switch (d) {
    case 0:
      return a.dim0;
    case 1:
      return a.dim1;
    case 2:
      return a.dim2;
    case 3:
      return a.dim3;
    default:
      return 0;
  }
}

// Prints "bounds: [...]" and "access: [...]" to the debugger and to standard
// error.
template <class T>
void array_report_bounds(const RtArray<T>& a, int32_t i0, int32_t i1 = 0, int32_t i2 = 0,
                         int32_t i3 = 0) {
  const int32_t dims[4] = {a.dim0, a.dim1, a.dim2, a.dim3};
  array_detail::report_bounds(dims, i0, i1, i2, i3);
}

}  // namespace zrv
