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
#include <functional>
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

// Makes an input event again for a later delivery. Qt 5's events hold their values, so a copy
// serves. A Qt 6 pointer event shares its point with the pointing device, which every later event
// of the device rewrites, so that held clicks would arrive where other ones were: it is made anew
// from its values only when it is delivered.
using EventMaker = std::function<std::unique_ptr<QEvent>()>;

template <typename Kind>
EventMaker MakerOf(const Kind& event) {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  auto copy = std::make_shared<Kind>(event);
#else
  auto copy = std::shared_ptr<QEvent>(event.clone());
#endif
  return [copy]() -> std::unique_ptr<QEvent> {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    return std::make_unique<Kind>(*copy);
#else
    return std::unique_ptr<QEvent>(copy->clone());
#endif
  };
}
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
inline EventMaker MakerOf(const QMouseEvent& e) {
  return
      [type = e.type(), at = e.position(), scene = e.scenePosition(), global = e.globalPosition(),
       button = e.button(), buttons = e.buttons(), keys = e.modifiers(),
       device = e.pointingDevice(), time = e.timestamp()]() -> std::unique_ptr<QEvent> {
        auto made =
            std::make_unique<QMouseEvent>(type, at, scene, global, button, buttons, keys, device);
        made->setTimestamp(time);
        return made;
      };
}
inline EventMaker MakerOf(const QWheelEvent& e) {
  return [at = e.position(), global = e.globalPosition(), pixels = e.pixelDelta(),
          angle = e.angleDelta(), buttons = e.buttons(), keys = e.modifiers(), phase = e.phase(),
          inverted = e.inverted(), source = e.source(), device = e.pointingDevice(),
          time = e.timestamp()]() -> std::unique_ptr<QEvent> {
    auto made = std::make_unique<QWheelEvent>(at, global, pixels, angle, buttons, keys, phase,
                                              inverted, source, device);
    made->setTimestamp(time);
    return made;
  };
}
inline EventMaker MakerOf(const QTouchEvent& e) {
  struct Point {
    int id;
    QEventPoint::State state;
    QPointF scene, global;
  };
  QList<Point> points;
  for (const QEventPoint& p : e.points())
    points.append({p.id(), p.state(), p.scenePosition(), p.globalPosition()});
  return [type = e.type(), device = e.pointingDevice(), keys = e.modifiers(),
          points]() -> std::unique_ptr<QEvent> {
    QList<QEventPoint> made;
    for (const Point& p : points) made.append(QEventPoint(p.id, p.state, p.scene, p.global));
    return std::make_unique<QTouchEvent>(type, device, keys, made);
  };
}
#endif

// How to make `event` again for a later delivery, when it is input that a wait holds back (mouse,
// wheel, key, context menu, input method, touch); empty for every other event. The one list of
// what is held: an event is held only where it can be made again.
inline EventMaker MakerOfInput(const QEvent& event) {
  switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      return MakerOf(static_cast<const QMouseEvent&>(event));
    case QEvent::Wheel:
      return MakerOf(static_cast<const QWheelEvent&>(event));
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return MakerOf(static_cast<const QKeyEvent&>(event));
    case QEvent::ContextMenu:
      return MakerOf(static_cast<const QContextMenuEvent&>(event));
    case QEvent::InputMethod:
      return MakerOf(static_cast<const QInputMethodEvent&>(event));
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
      return MakerOf(static_cast<const QTouchEvent&>(event));
    default:
      return {};
  }
}

// Where the pointer was at the mouse event, on the screen.
inline QPoint GlobalPosition(const QMouseEvent& event) {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  return event.globalPos();
#else
  return event.globalPosition().toPoint();
#endif
}
