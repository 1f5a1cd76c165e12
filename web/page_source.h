// SPDX-License-Identifier: GPL-3.0-or-later
// Where the page logic gets its pages from: a URL in, page text out (empty when nothing came).
//
//   PageSource source = NetworkPageSource();   // the program
//   PageSource fixture = [](const std::string&) { return std::string(kPage); };   // a test
#pragma once

#include <functional>
#include <string>

using PageSource = std::function<std::string(const std::string& url)>;

// Fetches each URL with Module1::FetchPage, synchronously, with the default limits.
PageSource NetworkPageSource();
