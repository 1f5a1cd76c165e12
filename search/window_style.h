// SPDX-License-Identifier: GPL-3.0-or-later
// What both windows share in their look and their one kind of message.
#pragma once

#include <QFont>
#include <QString>
#include <string>

class QWidget;

// Layout is given in twips; at 96 dots per inch fifteen twips make one device-independent
// pixel, so the layout scales with the screen. Returns the pixels for `twips`.
int TwipsToPixels(int twips);

// Page text (UTF-8) as a widget shows it.
QString FromUtf8(const std::string& text);

// "宋体" at 12 points. Where it is not installed, a CJK serif face stands in, then a sans one.
QFont SongTiFont();

// Places a top-level window in the middle of the primary screen's free area.
void CenterOnScreen(QWidget* window);

// A modal message titled "提示", with no icon and a single OK button; returns when it is closed.
void ShowNotice(QWidget* parent, const QString& text);

// Loads Qt's own Simplified Chinese texts (the message boxes' "确定", the text box's menu) from
// the translations Qt was installed with, whatever the system's language, since the interface is
// Simplified Chinese. Without the file Qt keeps its English texts. Call once, after the
// application object exists.
void InstallChineseTranslation();
