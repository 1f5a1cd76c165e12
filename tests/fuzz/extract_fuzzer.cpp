// The three extractions over arbitrary page text: every text a row takes from the page is a run
// of the page's text without line feeds.
#include <cstddef>
#include <cstdint>

#include "detail/link_copy.h"
#include "detail/link_list.h"
#include "fuzz_checks.h"
#include "search/keyword_search.h"
#include "web/pattern_matcher.h"

namespace {

void RequireFromPage(std::string_view part, std::string_view flatPage) {
  Require(part.find('\n') == std::string_view::npos, "a captured text holds no line feed");
  Require(IsSubstring(part, flatPage), "a captured text is part of the page");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  const std::string flat = RemoveLineFeeds(page);
  for (const ResultRow& row : ExtractResultRows(page)) {
    RequireFromPage(row.title, flat);
    RequireFromPage(row.entryId, flat);
    Require(row.typeLabel == kEmuleLabel, "only eMule entries become rows");
  }
  for (const LinkRow& row : ExtractLinkRows(page)) {
    const std::string_view text = row.text;
    Require(text.starts_with(kCopyLinkMark), "a link row starts with the copy mark");
    RequireFromPage(text.substr(kCopyLinkMark.size()), flat);
    RequireFromPage(row.size, flat);
    RequireFromPage(row.href, flat);
  }
  if (const auto link = ExtractFinalLink(page)) RequireFromPage(*link, flat);
  return 0;
}
