// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue.h"

#include <unicode/ucnv.h>

#include <array>
#include <charconv>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace DemoCatalogue {
namespace {

struct Entry {
  std::string keyword;  // UTF-8, as typed
  int page = 0;
  int index = 0;
};

constexpr std::array<std::string_view, 6> kTitleForms = {
    "{} 纪录片 第{}集 1080p",      "{} 原声音乐专辑 Vol.{}", "[{}] 经典电影 修复版 {}",
    "{} 入门到精通 视频教程 卷{}", "{} 有声读物 第{}部",     "{} Live 演唱会 {} 高清"};
constexpr std::array<std::string_view, 4> kExtensions = {".mkv", ".mp3", ".avi", ".pdf"};

std::uint64_t Hash(std::string_view text) {
  std::uint64_t h = 14695981039346656037ull;
  for (const unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  return h;
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 0x0F];
  }
  return out;
}

std::optional<std::string> Unhex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    if (error != std::errc() || end != hex.data() + i + 2) return std::nullopt;
    out += static_cast<char>(value);
  }
  return out;
}

std::optional<int> ParseNumber(std::string_view digits) {
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

// The inverse of EntryId: "k" + hex(keyword) + "_" + page + "_" + index.
std::optional<Entry> ParseEntryId(std::string_view id) {
  const auto last = id.rfind('_');
  if (id.size() < 2 || id[0] != 'k' || last == std::string_view::npos || last == 0) {
    return std::nullopt;
  }
  const auto middle = id.rfind('_', last - 1);
  if (middle == std::string_view::npos) return std::nullopt;
  auto keyword = Unhex(id.substr(1, middle - 1));
  auto page = ParseNumber(id.substr(middle + 1, last - middle - 1));
  auto index = ParseNumber(id.substr(last + 1));
  if (!keyword || keyword->empty() || !page || !index) return std::nullopt;
  if (*page < 1 || *page > kResultPages || *index < 0 || *index >= kEntriesPerPage) {
    return std::nullopt;
  }
  return Entry{std::move(*keyword), *page, *index};
}

std::string EscapeHtml(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A title form with its two "{}" filled in.
std::string Fill(std::string_view form, std::string_view first, std::string_view second) {
  const auto a = form.find("{}");
  const auto b = form.find("{}", a + 2);
  return std::string(form.substr(0, a)) + std::string(first) +
         std::string(form.substr(a + 2, b - a - 2)) + std::string(second) +
         std::string(form.substr(b + 2));
}

std::string PlainTitle(const Entry& e) {
  const int number = (e.page - 1) * kEntriesPerPage + e.index + 1;
  const auto form = kTitleForms[Hash(e.keyword + std::to_string(number)) % kTitleForms.size()];
  return Fill(form, e.keyword, std::to_string(number));
}

std::string SizeText(std::uint64_t bytes) {
  char text[32];
  if (bytes >= (1ull << 30)) {
    std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / (1ull << 30));
  } else {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1ull << 20));
  }
  return text;
}

std::uint64_t LinkBytes(std::string_view id, int link) {
  return 20'000'000 + Hash(std::string(id) + "#" + std::to_string(link)) % 4'000'000'000ull;
}

std::string LinkName(const Entry& e, std::string_view id, int link) {
  const auto ext = kExtensions[Hash(id) % kExtensions.size()];
  char part[24];
  std::snprintf(part, sizeof part, ".part%02d", link + 1);
  return PlainTitle(e) + part + std::string(ext);
}

std::string ResultEntry(const std::string& keyword, int page, int index) {
  const Entry e{keyword, page, index};
  const std::string id = EntryId(keyword, page, index);
  const std::string image = IsEmuleEntry(index) ? "emule.png" : "torrent.gif";
  const std::string label = IsEmuleEntry(index) ? "电驴" : "种子";
  std::uint64_t total = 0;
  for (int link = 0; link < LinkCount(id).value_or(0); ++link) total += LinkBytes(id, link);
  return "<div class=\"item\">\n"
         "<a href=\"/entry/" +
         id + "/\"><div class=\"title\">" + EntryTitle(keyword, page, index) +
         "</div></a>\n"
         "<div class=\"meta\">\n"
         "<div class=\"type\"><b>资源类型</b>: <i><img src='/static/img/" +
         image + "' alt=''> " + label +
         "</i></div>\n"
         "<div class=\"total-size\"><b>文件大小</b>: <i>" +
         SizeText(total) +
         "</i></div>\n"
         "</div>\n</div>\n";
}

std::string LinkBlock(const Entry& e, std::string_view id, int link) {
  const std::uint64_t bytes = LinkBytes(id, link);
  const std::string checkbox = Hex(std::to_string(Hash(std::string(id) + std::to_string(link))));
  return "<tr>\n<td><input type=\"checkbox\" value=\"" + checkbox +
         "\" name=\"selectemule\" checked></td>\n"
         "<td><a target=\"_blank\" href=\"" +
         LinkHref(id, link) + "\">" + EscapeHtml(LinkName(e, id, link)) +
         "</a></td>\n"
         "<td class=\"size\" title=\"" +
         std::to_string(bytes) + "\">" + SizeText(bytes) + "</td>\n</tr>\n";
}

std::string Ed2kName(std::string name) {
  for (char& c : name) {
    if (c == ' ' || c == '|') c = '_';
  }
  return name;
}

}  // namespace

std::string EntryId(std::string_view keyword, int page, int index) {
  return "k" + Hex(keyword) + "_" + std::to_string(page) + "_" + std::to_string(index);
}

std::string EntryTitle(std::string_view keyword, int page, int index) {
  return EscapeHtml(PlainTitle(Entry{std::string(keyword), page, index}));
}

bool IsEmuleEntry(int index) { return index % 11 != 4; }

std::string ResultPage(std::string_view keyword, int page) {
  return ResultPage(keyword, page, kEntriesPerPage);
}

std::string ResultPage(std::string_view keyword, int page, int entries) {
  const std::string kw(keyword);
  const std::string charset = page == kGbkPage ? "gbk" : "utf-8";
  std::string html = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"" + charset +
                     "\">\n<title>" + EscapeHtml(kw) +
                     " - 搜索结果</title>\n</head>\n<body>\n"
                     "<div class=\"search-list\">\n";
  if (page >= 1 && page <= kResultPages && !kw.empty()) {
    for (int index = 0; index < entries; ++index) html += ResultEntry(kw, page, index);
  }
  html +=
      "</div>\n<div class=\"pager\">第 " + std::to_string(page) + " 页</div>\n</body>\n</html>\n";
  return page == kGbkPage ? ToGbk(html) : html;
}

std::optional<int> LinkCount(std::string_view entryId) {
  if (!ParseEntryId(entryId)) return std::nullopt;
  return 2 + static_cast<int>(Hash(entryId) % 4);
}

std::string LinkHref(std::string_view entryId, int link) {
  return "link/" + std::string(entryId) + "/" + std::to_string(link) + "/";
}

std::string FinalLink(std::string_view entryId, int link) {
  const auto e = ParseEntryId(entryId);
  if (!e) return {};
  const std::string id(entryId);
  char hash[40];
  std::snprintf(hash, sizeof hash, "%016" PRIX64 "%016" PRIX64,
                Hash(id + "a" + std::to_string(link)), Hash(id + "b" + std::to_string(link)));
  return "ed2k://|file|" + Ed2kName(LinkName(*e, id, link)) + "|" +
         std::to_string(LinkBytes(id, link)) + "|" + hash + "|/";
}

std::optional<std::string> EntryPage(std::string_view entryId) {
  const auto count = LinkCount(entryId);
  if (!count) return std::nullopt;
  return EntryPage(entryId, *count);
}

std::optional<std::string> EntryPage(std::string_view entryId, int links) {
  const auto e = ParseEntryId(entryId);
  if (!e) return std::nullopt;
  const std::string title = EscapeHtml(PlainTitle(*e));
  std::string html =
      "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
      "</title>\n</head>\n<body>\n<h1>" + title +
      "</h1>\n<table class=\"files\">\n<tr><th></th><th>文件名</th><th>大小</th></tr>\n";
  for (int link = 0; link < links; ++link) html += LinkBlock(*e, entryId, link);
  return html + "</table>\n</body>\n</html>\n";
}

std::optional<std::string> LinkPage(std::string_view entryId, int link) {
  const auto count = LinkCount(entryId);
  if (!count || link < 0 || link >= *count) return std::nullopt;
  return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>正在跳转</title>\n"
         "<script>\nsetTimeout(\"location.href='" +
         FinalLink(entryId, link) +
         "'\",100);\n</script>\n</head>\n<body>正在跳转到下载链接……</body>\n</html>\n";
}

std::string ToGbk(std::string_view utf8) {
  UErrorCode error = U_ZERO_ERROR;
  std::vector<char> out(utf8.size() * 2 + 16);
  const int32_t length =
      ucnv_convert("GB18030", "UTF-8", out.data(), static_cast<int32_t>(out.size()), utf8.data(),
                   static_cast<int32_t>(utf8.size()), &error);
  if (U_FAILURE(error)) return {};
  return std::string(out.data(), static_cast<std::size_t>(length));
}

}  // namespace DemoCatalogue
