// SPDX-License-Identifier: GPL-3.0-or-later
// Runs page work off the user-interface thread while the window keeps painting, and lets a close
// request end the wait.
//
//   std::vector<ResultRow> rows;
//   if (!RunWithoutFreezing([&] { rows = KeywordSearch(keyword, base, source); }, *lvw)) return;
//
// The call returns when `work` has finished, as a blocking call would. Meanwhile the calling
// thread handles paint, timer and close events; clicks, keys and other input are held and
// delivered in their order once the work is done, so two handlers never overlap. A window's
// close event calls CancelWait(), and so does Escape pressed in the waiting window (the window of
// `list`), which stays: the fetch in flight ends at once (see Module1::FetchScope) and the call
// returns false, after which the handler writes nothing. When the work replaces the rows of
// `list` (Rows::kReplaced), the presses, keys and context-menu requests held for that list are
// dropped instead of delivered: they were aimed at rows that are gone.
//
// For as long as the call waits, and only then, the wait shows: the wait cursor over every window
// of the program, and `list` (the list the work fills, or whose row it serves) busy to assistive
// technology. Both end with the call, however it ends.
#pragma once

#include <functional>

class ListView;

// What the work does to the rows of the list it serves.
enum class Rows { kKept, kReplaced };

// True when `work` ended without CancelWait() being called meanwhile. An exception from `work`
// (memory running out) ends it as a failed fetch ends: the call returns true, and what `work` was
// to give stays as it was, so `work` writes its results only once it has them. So does a worker
// thread that cannot be started, without running `work`.
bool RunWithoutFreezing(const std::function<void()>& work, ListView& list, Rows rows = Rows::kKept);

// Cancels the work RunWithoutFreezing waits for, if any. For close events.
void CancelWait();
