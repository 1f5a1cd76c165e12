// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench_pages.h"

#include "catalogue.h"
#include "hostile_pages.h"
#include "web/module1.h"

namespace BenchPages {
namespace {

constexpr char kKeyword[] = "demo";
constexpr std::size_t kMegabyte = 1u << 20;

}  // namespace

std::string SearchText(int entriesPerPage) {
  std::string text;
  for (int page = 1; page <= DemoCatalogue::kResultPages; ++page) {
    text += Module1::DecodeResponse(DemoCatalogue::ResultPage(kKeyword, page, entriesPerPage));
  }
  return text;
}

std::string EntryText(int links) {
  return *DemoCatalogue::EntryPage(DemoCatalogue::EntryId(kKeyword, 1, 0), links);
}

std::string WorstCaseText(std::size_t bytes) { return HostilePages::UnclosedTitles(bytes); }

std::string OpeningsBeforePageText() { return WorstCaseText(kMegabyte) + SearchText(22); }

std::string CheckboxesBeforeEntryText() {
  return HostilePages::CheckboxesWithoutLink(kMegabyte) + EntryText(50);
}

std::string HostileText(const std::string& family, std::size_t bytes) {
  if (family == "untyped") return HostilePages::TitlesWithoutType(bytes);
  if (family == "checkboxes") return HostilePages::CheckboxesWithoutLink(bytes);
  if (family == "redirects") return HostilePages::UnclosedRedirects(bytes);
  return HostilePages::UnclosedTitles(bytes);
}

std::string Utf8Html(std::size_t bytes) {
  const std::string page = DemoCatalogue::ResultPage(kKeyword, 1);
  std::string html;
  while (html.size() < bytes) html += page;
  return html;
}

std::string GbkHtml(std::size_t bytes) { return DemoCatalogue::ToGbk(Utf8Html(bytes)); }

std::map<std::string, std::string> AllTexts() {
  std::map<std::string, std::string> texts{
      {"search_22.txt", SearchText(DemoCatalogue::kEntriesPerPage)},
      {"search_200.txt", SearchText(200)},
      {"entry_50.txt", EntryText(50)},
      {"utf8_1mb.html", Utf8Html(kMegabyte)},
      {"gbk_1mb.html", GbkHtml(kMegabyte)},
      {"openings_before_page.txt", OpeningsBeforePageText()},
      {"checkboxes_before_entry.txt", CheckboxesBeforeEntryText()},
  };
  for (const std::size_t size : kWorstCaseSizes) {
    texts["worst_" + std::to_string(size >> 10) + "k.txt"] = WorstCaseText(size);
  }
  return texts;
}

}  // namespace BenchPages
