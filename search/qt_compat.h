// SPDX-License-Identifier: GPL-3.0-or-later
// What differs between the two Qts the windows build on: Qt 6, and Qt 5.15, the last Qt that
// runs on Windows 7 and 8.1. Everything else in the windows is the same code for both.
//
//   ScaleAsQt6();                    // first thing in main(), before the QApplication
//   QPointF at = MousePosition(*event);
#pragma once

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMouseEvent>
#include <QTouchEvent>
#include <QWheelEvent>
#include <QtGlobal>
#include <memory>

// Qt 6 scales every window by the screen's own factor (2 at 192 dpi, 1.5 at 144), with sharp
// pixmaps. Qt 5 does so only when asked, and rounds the factor unless told not to. Does nothing
// under Qt 6. Must be called before the QApplication exists.
inline void ScaleAsQt6() {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
  QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
}

// The folder of the system's Qt translations (Debian's, on Debian).
inline QString QtTranslationsFolder() {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#else
  return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#endif
}

// Where the mouse event happened, in the widget's coordinates.
inline QPointF MousePosition(const QMouseEvent& event) {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  return event.localPos();
#else
  return event.position();
#endif
}

// A copy of an input event (mouse, wheel, key, context menu, input method, touch or tablet), for
// a later delivery; under Qt 5, null for any other kind of event.
inline std::unique_ptr<QEvent> CopyOfInput(const QEvent& event) {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  std::unique_ptr<QEvent> copy;  // none of these kinds derives from another
  const auto copyAs = [&](auto* kind) {
    using Kind = std::remove_pointer_t<decltype(kind)>;
    if (const auto* input = dynamic_cast<const Kind*>(&event))
      copy = std::make_unique<Kind>(*input);
  };
  copyAs(static_cast<QMouseEvent*>(nullptr));
  copyAs(static_cast<QWheelEvent*>(nullptr));
  copyAs(static_cast<QKeyEvent*>(nullptr));
  copyAs(static_cast<QContextMenuEvent*>(nullptr));
  copyAs(static_cast<QInputMethodEvent*>(nullptr));
  copyAs(static_cast<QTouchEvent*>(nullptr));
#if QT_CONFIG(tabletevent)  // declared with the other events, when Qt has tablet input
  copyAs(static_cast<QTabletEvent*>(nullptr));
#endif
  return copy;
#else
  return std::unique_ptr<QEvent>(event.clone());
#endif
}
