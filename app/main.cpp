// SPDX-License-Identifier: GPL-3.0-or-later
// Quillon: search the catalogue for a keyword, list an entry's links, copy a link.
#include <QApplication>
#include <QIcon>

#include "search/frm1.h"
#include "search/qt_compat.h"
#include "search/window_style.h"
#include "web/module1.h"

namespace {

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48}) {
    icon.addFile(QStringLiteral(":/icons/quillon-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  ScaleAsQt6();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillon"));
  QApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));
  // Lets the desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(QUILLON_APP_ID));
  QApplication::setWindowIcon(ProgramIcon());
  InstallChineseTranslation();
  Module1::InitNetwork();

  frm1 window(QUILLON_SITE_BASE);
  window.show();
  return QApplication::exec();
}
