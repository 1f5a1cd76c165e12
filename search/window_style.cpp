// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/window_style.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTranslator>
#include <QWidget>
#include <cmath>
#include <mutex>

#include "search/qt_compat.h"

namespace {

constexpr double kTwipsPerPixel = 15.0;
constexpr int kSongTiPoints = 12;
const QString kSongTi = QStringLiteral("宋体");
const QString kNoticeTitle = QStringLiteral("提示");
const QString kQtTranslation = QStringLiteral("qtbase_zh_CN");

}  // namespace

int TwipsToPixels(int twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

QFont SongTiFont() {
  static std::once_flag substituted;
  std::call_once(substituted, [] {
    // Debian's Chinese fonts, then those of a Chinese Windows that lacks SimSun.
    const QStringList standIns = {"Noto Serif CJK SC", "Noto Sans CJK SC", "WenQuanYi Micro Hei",
                                  "NSimSun", "Microsoft YaHei"};
    QFont::insertSubstitutions(kSongTi, standIns);
    QFont::insertSubstitutions("SimSun", standIns);
  });
  QFont font(kSongTi, kSongTiPoints, QFont::Normal);
  return font;
}

void CenterOnScreen(QWidget* window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  window->winId();  // the native window first: on Windows only it knows the title bar's height
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

void ShowNotice(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, kNoticeTitle, text, QMessageBox::Ok, parent);
  box.exec();
}

void InstallChineseTranslation() {
  auto* translator = new QTranslator(QCoreApplication::instance());
#ifdef _WIN32
  Q_INIT_RESOURCE(quillon_i18n);  // a static library's resources are linked only when named
  const QString folder = QStringLiteral(":/i18n");  // built in: Windows has no system Qt
#else
  const QString folder = QtTranslationsFolder();
#endif
  if (translator->load(kQtTranslation, folder)) {
    QCoreApplication::installTranslator(translator);
  }
}
