// The viewer's tree model over a million entries: how long appending the
// loaded files takes, and how much resident memory each entry costs beyond
// its name.
//
// The files are built as the load job builds them (one EntryTree per
// custom file, 2,000 entries each, branches nesting some of them, names of
// the corpus's kinds) and handed to the model one after another, as the UI
// thread receives them. A view then asks for what it shows first: the root
// rows, their texts and whether they have children.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "containers/ui/entry_tree_model.h"
#include "synthetic_tree.h"

namespace {

using cfv::bench::kEntriesPerFile;
using cfv::bench::kFiles;
using cfv::bench::MakeFileTree;

// What a tree view asks for when the model has grown: the visible root rows.
void TouchLikeAView(const cfv::EntryTreeModel& model) {
  const int rows = model.rowCount();
  for (int r = 0; r < rows; ++r) {
    const QModelIndex index = model.index(r, 0);
    benchmark::DoNotOptimize(model.data(index, Qt::DisplayRole));
    benchmark::DoNotOptimize(model.hasChildren(index));
  }
}

std::size_t ResidentBytes() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<std::size_t>(resident) * 4096;
}

void BM_ModelMemory(benchmark::State& state) {
  for (auto _ : state) {
    // Memory freed earlier goes back to the system first, so the model's own
    // pages are what grows.
    malloc_trim(0);
    const std::size_t before = ResidentBytes();
    auto* model = new cfv::EntryTreeModel;
    for (int f = 0; f < kFiles; ++f) model->AppendFileTree(MakeFileTree(f));
    TouchLikeAView(*model);
    const std::size_t after = ResidentBytes();
    const double entries = model->Tree().Size();
    const double names = static_cast<double>(model->Tree().TextBytes());
    state.counters["bytes_per_entry"] =
        (static_cast<double>(after) - static_cast<double>(before) - names) / entries;
    state.counters["name_bytes_per_entry"] = names / entries;
    delete model;
  }
}
BENCHMARK(BM_ModelMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_BuildModel(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<cfv::EntryTree> files;
    files.reserve(kFiles);
    for (int f = 0; f < kFiles; ++f) files.push_back(MakeFileTree(f));
    state.ResumeTiming();

    cfv::EntryTreeModel model;
    for (cfv::EntryTree& tree : files) model.AppendFileTree(std::move(tree));
    TouchLikeAView(model);
    benchmark::DoNotOptimize(model.Tree().Size());

    state.PauseTiming();
    files.clear();
    state.ResumeTiming();
  }
  state.counters["entries"] = kFiles * (kEntriesPerFile + 1);
}
BENCHMARK(BM_BuildModel)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
