// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostile_pages.h"

#include <functional>

namespace HostilePages {
namespace {

// Blocks from `block(n)` for n = 0, 1, ... until the text is at least `bytes` long.
std::string Repeat(std::size_t bytes, const std::function<std::string(std::size_t)>& block) {
  std::string page;
  page.reserve(bytes + 128);
  for (std::size_t n = 0; page.size() < bytes; ++n) page += block(n);
  return page;
}

}  // namespace

std::string UnclosedTitles(std::size_t bytes) {
  return Repeat(bytes, [](std::size_t n) {
    return "<a href=\"/entry/x" + std::to_string(n) + "/\"><div class=\"title\">\n";
  });
}

std::string TitlesWithoutType(std::size_t bytes) {
  return Repeat(bytes, [](std::size_t n) {
    return "<a href=\"/entry/x" + std::to_string(n) +
           "/\"><div class=\"title\">t</div></a><div class=\"meta\">\n";
  });
}

std::string CheckboxesWithoutLink(std::size_t bytes) {
  return Repeat(bytes, [](std::size_t n) {
    return "<td><input type=\"checkbox\" value=\"v" + std::to_string(n) +
           "\" name=\"selectemule\"></td>\n";
  });
}

std::string UnclosedRedirects(std::size_t bytes) {
  return Repeat(bytes, [](std::size_t) { return std::string("location.href='x\n"); });
}

std::string LargeGbkPage(std::size_t bytes) {
  // <p>中文字符</p> and a line feed; the four characters take eight bytes, and twelve decoded.
  std::string page = Repeat(
      bytes, [](std::size_t) { return std::string("<p>\xD6\xD0\xCE\xC4\xD7\xD6\xB7\xFB</p>\n"); });
  page.resize(bytes);
  return page;
}

}  // namespace HostilePages
