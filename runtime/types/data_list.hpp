// The game's embedded data (the language's DATA lines): numbers and texts
// read in order by data_read.
#pragma once

#include <cstdint>

namespace zrv {

// One item of an embedded data list: text is null for a numeric item.
struct DataItem {
  double number;
  const char* text;
};

struct DataList {
  const DataItem* items;
  int32_t count;
  int32_t position;
};

}  // namespace zrv
