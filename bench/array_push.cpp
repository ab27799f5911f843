// Push/delete throughput of a record array, the way the game grows and
// shrinks its duck list, and of the integer schedule's element access.
#include <benchmark/benchmark.h>

#include "types/rt_array.hpp"

namespace {

class Tbench {
 public:
  virtual ~Tbench() {}
  double x = 0.0, y = 0.0, tick = 0.0, state = 0.0, direction = 0.0, frame = 0.0;
  void assign_fields(const Tbench& o) {
    x = o.x;
    y = o.y;
    tick = o.tick;
    state = o.state;
    direction = o.direction;
    frame = o.frame;
  }
  void clear_fields() { x = y = tick = state = direction = frame = 0.0; }
};

void BM_RecordPushThenDeleteFront(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  Tbench rec;
  rec.frame = 1.0;
  for (auto _ : state) {
    zrv::RtArray<Tbench> a;
    for (int32_t k = 0; k < n; ++k) {
      rec.x = k;
      zrv::array_push(a, rec);
    }
    while (a.dim0 > 0) zrv::array_delete(a, 0);
    benchmark::DoNotOptimize(a.items);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RecordPushThenDeleteFront)->Arg(16)->Arg(64)->Arg(1000);

void BM_RecordPushPopSteady(benchmark::State& state) {
  zrv::RtArray<Tbench> a;
  Tbench rec;
  for (int k = 0; k < 20; ++k) zrv::array_push(a, rec);
  for (auto _ : state) {
    zrv::array_push(a, rec);
    zrv::array_delete(a, -1);
  }
  benchmark::DoNotOptimize(a.items);
}
BENCHMARK(BM_RecordPushPopSteady);

void BM_IntAccess(benchmark::State& state) {
  zrv::RtArray<int32_t> a;
  zrv::array_dim(a, 10000);
  for (auto _ : state) {
    int64_t sum = 0;
    for (int32_t k = 0; k < 1000; ++k) sum += a(k);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_IntAccess);

}  // namespace
