// The search window over a catalogue that never answers, with a real pointer: it runs on the
// xcb platform under Xvfb, and xdotool clicks through the X server, so the click reaches Qt the
// way a user's does, through the window system's event queue.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "gui_helpers.h"
#include "raw_server.h"
#include "search/frm1.h"
#include "web/module1.h"

namespace {

using namespace std::chrono_literals;

// Counts the paint events of one widget.
struct PaintCounter final : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint;
    return false;
  }
};

TEST(SilentCatalogueTest, SearchEndsEmptyAndSilentWhileAClickWaitsForIt) {
  RawServer silent({{"/search/entry/", [](RawConnection& c) {
                       while (c.Pause(1s)) {
                       }
                     }}});
  Module1::FetchLimits limits;
  limits.stall = 1s;
  std::atomic<int> fetches = 0;
  frm1 window(silent.Url(""), [&](const std::string& url) {
    ++fetches;
    return Module1::FetchPage(url, false, limits);
  });
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* cmbSearch = window.findChild<QPushButton*>("cmbSearch");
  window.findChild<QLineEdit*>("txtSearch")->setText("silent");

  PaintCounter counter;
  window.installEventFilter(&counter);
  QTimer repaint;
  QObject::connect(&repaint, &QTimer::timeout, &window, [&] { window.update(); });
  repaint.start(50);

  // Halfway through the first page, the pointer clicks the search button again.
  std::thread pointer;
  int fetchesWhenClicked = 0, paintsWhenClicked = 0;
  QTimer::singleShot(500ms, &window, [&] {
    fetchesWhenClicked = fetches;
    paintsWhenClicked = counter.paints;
    const QPoint at = cmbSearch->mapToGlobal(cmbSearch->rect().center());
    const std::string command =
        "xdotool mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1";
    pointer = std::thread([command] { EXPECT_EQ(std::system(command.c_str()), 0); });
  });
  QString text, title;
  WhileOpen ui;
  ui.Then(CloseMessageBox(&text, &title));

  QTest::mouseClick(cmbSearch, Qt::LeftButton);  // returns when the first search has ended
  pointer.join();
  const int paintsDuringSearch = counter.paints;
  EXPECT_EQ(fetchesWhenClicked, 1);
  EXPECT_EQ(fetches, 4) << "the click was not handled while the search ran";
  EXPECT_EQ(window.findChild<ListView*>("lvw")->Count(), 0);
  EXPECT_GT(paintsWhenClicked, 0);
  EXPECT_GT(paintsDuringSearch, paintsWhenClicked) << "the window painted throughout";

  // Now the waiting click is handled: a second search of four pages.
  EXPECT_TRUE(QTest::qWaitFor([&] { return fetches == 8; }, 15000));
  EXPECT_FALSE(ui.Done()) << "no message: " << text.toStdString();
}

}  // namespace
