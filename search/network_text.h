// SPDX-License-Identifier: GPL-3.0-or-later
// Text from the network where it meets the screen and the clipboard. The catalogue is read over
// plain http, so a page may hold anything: a title of megabytes, control characters, direction
// controls that make "movie\u202Eiva.exe" read as "movieexe.avi". The page logic keeps such text
// verbatim; these two decide, once, what of it a cell shows and what may be copied.
//
//   cell->setText(ShownText(title));               // bounded; nothing in it reorders or lays out
//   if (IsCopyable(link)) clipboard->setText(link);
#pragma once

#include <QString>

// The most characters a cell shows of its text: far above any real title or file name (a file
// name stops at 255 bytes), and few enough that measuring and painting a cell costs nothing.
inline constexpr int kShownLength = 512;

// `text` as a list cell shows it, and a screen reader reads it: at most kShownLength characters,
// then "…" when it was longer; each control character that lays text out (tab, carriage return,
// line and paragraph separators) as a blank, and every other control character (C0, DEL, C1) and
// direction control as U+FFFD, which shows that something stood there. Nothing the page wrote can
// then reorder, break or hide the text beside it.
QString ShownText(const QString& text);

// True when `link` may go on the clipboard: it is not empty, and it holds no control character
// (C0, DEL, C1), which a terminal takes as Enter or worse, and no direction control, which makes
// a link read otherwise than it goes.
bool IsCopyable(const QString& link);
