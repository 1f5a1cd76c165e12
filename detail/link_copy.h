// SPDX-License-Identifier: GPL-3.0-or-later
// Link copying, the page part: a link row's href in, the final link of its link page out.
//
//   if (auto link = ResolveLink(row.href, siteBase, NetworkPageSource())) PutOnClipboard(*link);
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "web/page_source.h"

// The link-page pattern. Sub-match 0: the final link, which ends at the first quote directly
// followed by `",`.
inline constexpr std::string_view kRedirectPattern = R"re(location.href='(.*?)'",)re";

// Fetches the link page of `href` and returns the link of its first script redirect, verbatim.
// An empty link between the quotes is a link (the empty text). Returns nothing when the page
// cannot be fetched or holds no redirect.
std::optional<std::string> ResolveLink(std::string_view href, const std::string& siteBase,
                                       const PageSource& source);

// The link of the first script redirect in `pageText`, once its line feeds are removed (in place).
std::optional<std::string> ExtractFinalLink(std::string pageText);
