// Runs page work off the user-interface thread while the window keeps painting.
//
//   std::vector<ResultRow> rows;
//   RunWithoutFreezing([&] { rows = KeywordSearch(keyword, base, source); });
//
// The call returns when `work` has finished, as a blocking call would. Meanwhile the calling
// thread handles paint and timer events but no user input: clicks and keys wait in the queue
// and are handled afterwards, so two handlers never overlap.
#pragma once

#include <functional>

void RunWithoutFreezing(const std::function<void()>& work);
