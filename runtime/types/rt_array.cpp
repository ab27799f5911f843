// The shared, type-independent parts of RtArray: sizes, storage blocks and
// the failure paths.
#include "types/rt_array.hpp"

#include <cstdlib>
#include <initializer_list>

#include "base/errors.hpp"
#include "types/str_func.hpp"

namespace zrv::array_detail {

int64_t element_count(int32_t e0, int32_t e1, int32_t e2, int32_t e3) {
  auto at_least_one = [](int32_t e) { return e < 1 ? int64_t{1} : int64_t{e}; };
  if (e0 <= 0) return 0;
  // Four factors below 2^31 can overflow 64 bits; saturate once past int32.
  int64_t n = e0;
  for (int32_t e : {e1, e2, e3}) {
    n *= at_least_one(e);
    if (n > INT32_MAX) return int64_t{INT32_MAX} + 1;
  }
  return n;
}

int32_t rank_of(int32_t dim0, int32_t dim1, int32_t dim2, int32_t dim3) {
  if (dim3 != 0) return 4;
  if (dim2 != 0) return 3;
  if (dim1 != 0) return 2;
  if (dim0 != 0) return 1;
  return 0;
}

void* allocate(int64_t capacity, std::size_t size, bool zeroed) {
  if (capacity <= 0 || capacity > INT32_MAX) return nullptr;
  const auto n = static_cast<std::size_t>(capacity);
  return zeroed ? std::calloc(n, size) : std::malloc(n * size);
}

void release_block(void* block) { std::free(block); }

namespace {

void append_bracketed(RtString& text, int32_t value) {
  text.append("[");
  text.append(str_format_number(4.0, 0.0, value));
  text.append("]");
}

}  // namespace

void report_bounds(const int32_t dims[4], int32_t i0, int32_t i1, int32_t i2, int32_t i3,
                   int32_t given) {
  const int32_t idx[4] = {i0, i1, i2, i3};
  // The first dimension always shows; the others while their size is > 0.
  int32_t shown = 1;
  while (shown < 4 && dims[shown] > 0) ++shown;
  // Every index the access gave shows, also one of a dimension the array
  // does not have.
  const int32_t indices = given > shown ? (given > 4 ? 4 : given) : shown;

  RtString bounds("bounds: ");
  RtString access("access: ");
  for (int32_t d = 0; d < shown; ++d) append_bracketed(bounds, dims[d]);
  for (int32_t d = 0; d < indices; ++d) append_bracketed(access, idx[d]);
  bounds.append("\n");
  access.append("\n");
  debug_print(bounds.c_str());
  debug_print(access.c_str());
  console_print_error(bounds.c_str());
  console_print_error(access.c_str());
}

void fail_bounds(const int32_t dims[4], int32_t i0, int32_t i1, int32_t i2, int32_t i3,
                 int32_t given) {
  report_bounds(dims, i0, i1, i2, i3, given);
  error_report(kErrOutOfBounds);
  program_end_fatal();
}

void fail_memory() {
  error_say(kErrOutOfMemory, "array: out of memory, or more elements than an array holds");
  program_end_fatal();
}

void fail_push() {
  error_say(kErrPushMultiDim, "array_push: the array has more than one dimension");
  program_end_fatal();
}

}  // namespace zrv::array_detail
