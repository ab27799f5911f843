// Path-finding commands: the cells of a cheapest 4-connected path through a
// cost map (cell (x, y) = map(x, y); values above 0 are open, the rest
// blocked) as rows (x, y) of the result, start first, goal last.
#pragma once

#include <cstdint>

#include "types/rt_array.hpp"

namespace zrv {

// Returns the number of path points. 0 with the result untouched when the
// start or the goal lies outside the map, when they are equal or when the map
// has no open cell; 0 with the result dimensioned to 0 elements when there is
// no path. The weight (clamped to 0..1) trades path cost (0) for the
// Manhattan estimate (1).
int32_t path_find(const RtArray<double>& map, RtArray<int32_t>& result, double weight, int32_t x1,
                  int32_t y1, int32_t x2, int32_t y2);
// As path_find, with the rows stored as doubles.
int32_t path_find_to_reals(const RtArray<double>& map, RtArray<double>& result, double weight,
                           int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// As path_find, on a map of integers.
int32_t path_find_on_ints(const RtArray<int32_t>& map, RtArray<int32_t>& result, double weight,
                          int32_t x1, int32_t y1, int32_t x2, int32_t y2);

}  // namespace zrv
