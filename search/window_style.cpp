#include "search/window_style.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <mutex>

namespace {

constexpr double kTwipsPerPixel = 15.0;
constexpr int kSongTiPoints = 12;
const QString kSongTi = QStringLiteral("宋体");
const QString kNoticeTitle = QStringLiteral("提示");

}  // namespace

int Twips(int twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

QFont SongTiFont() {
  static std::once_flag substituted;
  std::call_once(substituted, [] {
    const QStringList standIns = {"Noto Serif CJK SC", "Noto Sans CJK SC", "WenQuanYi Micro Hei"};
    QFont::insertSubstitutions(kSongTi, standIns);
    QFont::insertSubstitutions("SimSun", standIns);
  });
  QFont font(kSongTi, kSongTiPoints, QFont::Normal);
  return font;
}

void CenterOnScreen(QWidget* window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

void ShowNotice(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, kNoticeTitle, text, QMessageBox::Ok, parent);
  box.exec();
}
