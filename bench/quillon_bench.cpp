// SPDX-License-Identifier: GPL-3.0-or-later
// Quillon's benchmarks: the page work of a search, the worst case for a regex engine, charset
// decoding, and a whole search against a local server that waits before every page.
//
//   quillon_bench [benchmark flags]          runs them (bench.sh passes repetitions and JSON)
//   quillon_bench --write-pages DIR          writes the measured texts for the Python peer
//   quillon_bench --peak-search BASE         one search of the catalogue at BASE as a window makes
//                                            it, printing the process's peak memory as JSON
//
// The end-to-end benchmarks need QUILLON_BENCH_SITE (a server that keeps connections open) and
// QUILLON_BENCH_SITE_CLOSE (one that closes each); bench.sh starts both.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "bench_pages.h"
#include "catalogue.h"
#include "detail/link_copy.h"
#include "detail/link_list.h"
#include "search/keyword_search.h"
#include "web/module1.h"
#include "web/page_source.h"
#include "web/pattern_matcher.h"

namespace {

using namespace std::chrono_literals;

// Times `extract` over `text`, reporting bytes per second and the rows found.
template <typename Extract>
void Rows(benchmark::State& state, const std::string& text, Extract extract) {
  std::size_t rows = 0;
  for (auto _ : state) {
    auto found = extract(text);
    rows = found.size();
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["rows"] = static_cast<double>(rows);
}

void Extraction(benchmark::State& state, const std::string& text) {
  Rows(state, text, ExtractResultRows);
}

void BM_SearchPages22(benchmark::State& state) {
  static const std::string text = BenchPages::SearchText(22);
  Extraction(state, text);
}
BENCHMARK(BM_SearchPages22);

void BM_SearchPages200(benchmark::State& state) {
  static const std::string text = BenchPages::SearchText(200);
  Extraction(state, text);
}
BENCHMARK(BM_SearchPages200);

void BM_EntryPage50(benchmark::State& state) {
  static const std::string text = BenchPages::EntryText(50);
  Rows(state, text, ExtractLinkRows);
}
BENCHMARK(BM_EntryPage50);

void BM_WorstCase(benchmark::State& state) {
  const std::string text = BenchPages::WorstCaseText(static_cast<std::size_t>(state.range(0)));
  Extraction(state, text);
}
BENCHMARK(BM_WorstCase)
    ->Unit(benchmark::kMillisecond)
    ->Apply([](benchmark::internal::Benchmark* b) {
      for (const std::size_t size : BenchPages::kWorstCaseSizes) b->Arg(static_cast<int64_t>(size));
    });

// The first match spans a megabyte: RE2 alone placed its groups with its slowest engine.
void BM_OpeningsBeforePage(benchmark::State& state) {
  static const std::string text = BenchPages::OpeningsBeforePageText();
  Extraction(state, text);
}
BENCHMARK(BM_OpeningsBeforePage)->Unit(benchmark::kMillisecond);

// The same for an entry page: a megabyte of link blocks without a link before the real ones.
void BM_CheckboxesBeforeEntry(benchmark::State& state) {
  static const std::string text = BenchPages::CheckboxesBeforeEntryText();
  Rows(state, text, ExtractLinkRows);
}
BENCHMARK(BM_CheckboxesBeforeEntry)->Unit(benchmark::kMillisecond);

std::vector<std::string> FinalLinks(const std::string& page) {
  return std::vector<std::string>(ExtractFinalLink(page) ? 1 : 0);
}

// First-match mode on a link page followed by a megabyte of catalogue HTML: the link is found in
// the page, so the megabyte should cost nothing; RE2 alone shows what the match itself costs.
const std::string& LinkPageThenMegabyte() {
  static const std::string text =
      *DemoCatalogue::LinkPage(DemoCatalogue::EntryId("demo", 1, 0), 0) +
      BenchPages::Utf8Html(1u << 20);
  return text;
}
void BM_LinkPageThenMegabyte(benchmark::State& state) {
  Rows(state, LinkPageThenMegabyte(), FinalLinks);
}
BENCHMARK(BM_LinkPageThenMegabyte)->Unit(benchmark::kMicrosecond);
void BM_LinkPageThenMegabyte_Re2Alone(benchmark::State& state) {
  static const PatternMatcher matcher(kRedirectPattern, PatternMatcher::Mode::kFirstMatch,
                                      PatternMatcher::Engine::kRe2);
  Rows(state, LinkPageThenMegabyte(),
       [](const std::string& page) { return matcher.Execute(RemoveLineFeeds(page)); });
}
BENCHMARK(BM_LinkPageThenMegabyte_Re2Alone)->Unit(benchmark::kMicrosecond);

// Each hostile family at 0.25 and 4 MB, through the extraction it attacks.
void Hostile(benchmark::State& state, const std::string& family) {
  const std::string text =
      BenchPages::HostileText(family, static_cast<std::size_t>(state.range(0)));
  if (family == "checkboxes") return Rows(state, text, ExtractLinkRows);
  if (family == "redirects") return Rows(state, text, FinalLinks);
  Extraction(state, text);
}

// The search page through RE2 alone, as extraction ran before the layered matcher.
void BM_SearchPages22_Re2Alone(benchmark::State& state) {
  static const std::string text = BenchPages::SearchText(22);
  static const PatternMatcher matcher(kResultPattern, PatternMatcher::Mode::kFindAll,
                                      PatternMatcher::Engine::kRe2);
  Rows(state, text, [](const std::string& page) { return matcher.Execute(RemoveLineFeeds(page)); });
}
BENCHMARK(BM_SearchPages22_Re2Alone);

void Decoding(benchmark::State& state, const std::string& body, bool detectOnly) {
  for (auto _ : state) {
    if (detectOnly) {
      benchmark::DoNotOptimize(Module1::DetectUtf8(body));
    } else {
      benchmark::DoNotOptimize(Module1::DecodeResponse(body));
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}

const std::string& Utf8Body() {
  static const std::string body = BenchPages::Utf8Html(1u << 20);
  return body;
}
const std::string& GbkBody() {
  static const std::string body = BenchPages::GbkHtml(1u << 20);
  return body;
}
BENCHMARK_CAPTURE(Decoding, DetectUtf8_Utf8, Utf8Body(), true);
BENCHMARK_CAPTURE(Decoding, DetectUtf8_Gbk, GbkBody(), true);
BENCHMARK_CAPTURE(Decoding, DecodeResponse_Utf8, Utf8Body(), false);
BENCHMARK_CAPTURE(Decoding, DecodeResponse_Gbk, GbkBody(), false);

void EndToEnd(benchmark::State& state, const char* variable) {
  const char* base = std::getenv(variable);
  if (base == nullptr) {
    state.SkipWithError((std::string(variable) + " is not set").c_str());
    return;
  }
  const PageSource source = NetworkPageSource();
  std::size_t rows = 0;
  for (auto _ : state) rows = KeywordSearch(u"demo", base, source).size();
  state.counters["rows"] = static_cast<double>(rows);
}

void BM_SearchEndToEnd_Reused(benchmark::State& state) { EndToEnd(state, "QUILLON_BENCH_SITE"); }
void BM_SearchEndToEnd_NewConnections(benchmark::State& state) {
  EndToEnd(state, "QUILLON_BENCH_SITE_CLOSE");
}
BENCHMARK(BM_SearchEndToEnd_Reused)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_SearchEndToEnd_NewConnections)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

// What a user action pays to ask the system for a host's way, once per host: GNOME's settings (in
// the keyfile backend's file, under QUILLON_BENCH_SETTINGS) naming no proxy, a fixed one, or a
// script (SCRIPT in `settings`) that libproxy's JavaScript runner evaluates.
void ProxyDecision(benchmark::State& state, std::string settings, std::vector<std::string> ways) {
  const char* folder = std::getenv("QUILLON_BENCH_SETTINGS");
  if (folder == nullptr) return state.SkipWithError("QUILLON_BENCH_SETTINGS is not set");
  const std::filesystem::path dir = std::filesystem::path(folder) / "glib-2.0/settings";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "script.pac")
      << "function FindProxyForURL(u, h) { return 'PROXY a.invalid:1; DIRECT'; }";
  if (const std::size_t at = settings.find("SCRIPT"); at != std::string::npos)
    settings.replace(at, 6, "file://" + (dir / "script.pac").string());
  std::ofstream(dir / "keyfile") << "[system/proxy]\n" << settings << "\n";
  const std::string url = "http://catalogue.invalid/";
  unsetenv("no_proxy"), unsetenv("NO_PROXY");
  for (int i = 0; i < 500 && Module1::ProxiesFor(url, 10s) != ways; ++i)  // passed on in its time
    std::this_thread::sleep_for(10ms);
  for (auto _ : state) benchmark::DoNotOptimize(Module1::ProxiesFor(url, 10s));
  setenv("no_proxy", "*", 1);
}
BENCHMARK_CAPTURE(ProxyDecision, None, "mode='none'", {""})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ProxyDecision, Fixed,
                  "mode='manual'\n[system/proxy/http]\nhost='p.invalid'\nport=3128",
                  {"http://p.invalid:3128"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ProxyDecision, Script, "mode='auto'\nautoconfig-url='SCRIPT'",
                  {"http://a.invalid:1", ""})
    ->Unit(benchmark::kMicrosecond);

int WritePages(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  for (const auto& [name, text] : BenchPages::AllTexts()) {
    std::ofstream(folder / name, std::ios::binary) << text;
  }
  return 0;
}

// The process's peak resident memory (VmHWM) so far, in MB.
double PeakMb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024;
  }
  return 0;
}

// What one search takes of memory at its peak, within one user action's budget as the windows run
// it (bench.sh points it at a server whose every result page is as large as a page may be).
int PeakSearch(const std::string& base) {
  Module1::InitNetwork();
  const double before = PeakMb();
  const std::atomic<bool> never = false;
  std::size_t rows = 0;
  {
    const Module1::FetchScope scope(never);
    rows = KeywordSearch(u"demo", base, NetworkPageSource()).size();
  }
  std::cout << "{\"before_mb\": " << before << ", \"peak_mb\": " << PeakMb()
            << ", \"budget_mb\": " << Module1::kActionBudget / double(1 << 20)
            << ", \"rows\": " << rows << "}\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-pages") == 0) return WritePages(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--peak-search") == 0) return PeakSearch(argv[2]);
  Module1::InitNetwork();
  for (const char* family : BenchPages::kHostileFamilies) {
    benchmark::RegisterBenchmark((std::string("Hostile/") + family).c_str(), Hostile, family)
        ->Arg(256 << 10)
        ->Arg(4 << 20)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
