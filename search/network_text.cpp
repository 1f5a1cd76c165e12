// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/network_text.h"

#include <algorithm>

namespace {

constexpr QChar kCut(0x2026);  // …

// C0, DEL and C1: the characters Unicode calls controls.
bool IsControl(QChar c) { return c.category() == QChar::Other_Control; }

// The explicit direction formatting characters (embeddings, overrides, isolates and their ends),
// and the three marks, which carry no direction class of their own to tell them by.
bool IsDirectionControl(QChar c) {
  switch (c.direction()) {
    case QChar::DirLRE:
    case QChar::DirRLE:
    case QChar::DirLRO:
    case QChar::DirRLO:
    case QChar::DirPDF:
    case QChar::DirLRI:
    case QChar::DirRLI:
    case QChar::DirFSI:
    case QChar::DirPDI:
      return true;
    default:
      return c == QChar(0x200E) || c == QChar(0x200F) || c == QChar(0x061C);
  }
}

// A tab, a line or paragraph end: what a browser shows as a blank in a line of text.
bool LaysOut(QChar c) {
  return (IsControl(c) && c.isSpace()) || c.category() == QChar::Separator_Line ||
         c.category() == QChar::Separator_Paragraph;
}

}  // namespace

QString ShownText(const QString& text) {
  QString shown = text.left(kShownLength);
  if (shown.size() < text.size()) {
    if (shown.at(shown.size() - 1).isHighSurrogate()) shown.chop(1);
    shown += kCut;
  }
  for (QChar& c : shown) {
    if (LaysOut(c)) {
      c = QLatin1Char(' ');
    } else if (IsControl(c) || IsDirectionControl(c)) {
      c = QChar::ReplacementCharacter;
    }
  }
  return shown;
}

bool IsCopyable(const QString& link) {
  return !link.isEmpty() && std::none_of(link.begin(), link.end(), [](QChar c) {
    return IsControl(c) || IsDirectionControl(c);
  });
}
