#include <benchmark/benchmark.h>

#include "host/host.h"
#include "loop/startup.h"
#include "render/drawing.h"
#include "render/render_buffers.h"
#include "render/terrain_mesh.h"
#include "world/world.h"

namespace {

// The view a new game opens with: centre (32, 32), radius 20, flat floor.
struct DefaultView {
  DefaultView() {
    ResetWorldGlobals();
    UseHeadlessHost(1);
    StartDrawing();
    StartGame();
  }
  ~DefaultView() {
    ReleaseDrawing();
    ReleaseGame();
  }
};

void BuildDefaultMesh(benchmark::State& state) {
  DefaultView view;
  for (auto _ : state) {
    ResetRenderCounts();
    BuildTerrainMesh(0, 32, 32, ViewRadius);
    benchmark::ClobberMemory();
  }
  state.counters["triangles"] = TerrainTriangleCount;
}
BENCHMARK(BuildDefaultMesh);

void CullDefaultMesh(benchmark::State& state) {
  DefaultView view;
  ResetRenderCounts();
  BuildTerrainMesh(0, 32, 32, ViewRadius);
  for (auto _ : state) benchmark::DoNotOptimize(CullTerrainTriangles());
  state.counters["visible"] = VisibleTriangleCount;
}
BENCHMARK(CullDefaultMesh);

void BuildAndCullDefaultView(benchmark::State& state) {
  DefaultView view;
  for (auto _ : state) {
    ResetRenderCounts();
    BuildTerrainMesh(0, 32, 32, ViewRadius);
    benchmark::DoNotOptimize(CullTerrainTriangles());
  }
  state.counters["triangles"] = TerrainTriangleCount;
  state.counters["visible"] = VisibleTriangleCount;
}
BENCHMARK(BuildAndCullDefaultView);

}  // namespace
