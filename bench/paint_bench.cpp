// SPDX-License-Identifier: GPL-3.0-or-later
// How long the search window's list takes to paint four rows, with ordinary titles and with
// titles of 4 MiB such as a hostile page may hold, on Qt's offscreen platform.
//
//   QT_QPA_PLATFORM=offscreen quillon_paint_bench [benchmark flags]
#include <benchmark/benchmark.h>

#include <QApplication>

#include "search/list_view.h"

namespace {

void BM_PaintFourRows(benchmark::State& state) {
  QWidget window;
  window.resize(531, 371);
  ListView list({{"名称", 6500}, {"类型", 700}, {"url", 0}}, &window);
  list.setGeometry(0, 56, 529, 313);
  for (int i = 0; i < 4; ++i) {
    const int row = list.Add();
    list.SetText(row, QString(static_cast<int>(state.range(0)), QChar(0x957F)));  // 长
    list.SetSubItem(row, 1, QStringLiteral("电驴"));
  }
  window.show();
  for (auto _ : state) benchmark::DoNotOptimize(window.grab());
}
BENCHMARK(BM_PaintFourRows)->Arg(20)->Arg(4 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
