// SPDX-License-Identifier: GPL-3.0-or-later
// Both windows with real widgets over a catalogue on 127.0.0.1, walked as a user walks them. The
// walks run offscreen (under Wine: on Windows' own platform); Pointer* sends its input through the
// window system as a user's goes: xdotool's on xcb under Xvfb, Windows' own under Wine.
#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <thread>
#ifdef _WIN32  // functions of user32, not windows.h, which defines frm1 as a number
extern "C" __declspec(dllimport) int __stdcall OpenClipboard(void* owner);
extern "C" __declspec(dllimport) int __stdcall CloseClipboard();
extern "C" __declspec(dllimport) int __stdcall SetCursorPos(int x, int y);
extern "C" __declspec(dllimport) void __stdcall mouse_event(unsigned long flags, unsigned long x,
                                                            unsigned long y, unsigned long data,
                                                            std::uintptr_t extra);
extern "C" __declspec(dllimport) void __stdcall keybd_event(unsigned char key, unsigned char scan,
                                                            unsigned long flags,
                                                            std::uintptr_t extra);
#endif

#include "search/frm1.h"
#include "search/list_view.h"
#include "search/network_text.h"
#include "search/qt_compat.h"
#include "search/window_style.h"
#include "test_server.h"
#include "web/module1.h"

// gtest's printer for Qt's text, which it would show as bytes.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using namespace std::chrono_literals;

// Runs `act` while a timer tries each step in turn until it returns true, to answer the menus,
// modal windows and message boxes that `act` opens. True when every step was done.
bool During(const std::function<void()>& act, std::vector<std::function<bool()>> steps) {
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (!steps.empty() && steps.front()()) steps.erase(steps.begin());
  });
  timer.start(10);
  act();
  return steps.empty();
}

// A step for During: once a popup or modal widget of class `kind` shows and has the keyboard,
// `act` runs on it.
std::function<bool()> When(const char* kind, std::function<void(QWidget*)> act) {
  return [kind, act] {
    QWidget* w = QApplication::activePopupWidget();
    if (w == nullptr) w = QApplication::activeModalWidget();
    if (w == nullptr || !w->inherits(kind) || !w->isVisible() || !w->isActiveWindow()) return false;
    act(w);
    return true;
  };
}

// A step for During: `act` runs once `server` is asked for `target` again, so while Quillon waits
// on it.
std::function<bool()> Asked(const TestServer& server, std::string target, auto act) {
  return [&server, target, act, before = server.Count(target)] {
    return server.Count(target) > before && (act(), true);
  };
}

// "title: text [buttons]" of the message box `act` opens, which it closes, or "".
QString MessageDuring(const std::function<void()>& act) {
  QString said;
  During(act, {When("QMessageBox", [&said](QWidget* w) {
           auto* box = static_cast<QMessageBox*>(w);
           QStringList buttons;
           for (QAbstractButton* button : box->buttons()) buttons << button->text();
           said = box->windowTitle() + ": " + box->text() + " [" + buttons.join(",") + "]" +
                  (box->icon() == QMessageBox::NoIcon ? "" : " and an icon");
           box->buttons().front()->click();
         })});
  return said;
}

// A press of `button` on row `row` of a list, or beside its rows when `row` is -1.
void PressRow(ListView* list, int row, Qt::MouseButton button,
              Qt::KeyboardModifiers keys = Qt::NoModifier) {
  const QPoint at = row >= 0
                        ? list->visualItemRect(list->topLevelItem(row)).center()
                        : QPoint(list->viewport()->width() / 2, list->viewport()->height() - 2);
  QTest::mouseClick(list->viewport(), button, keys, at);
}

// What a screen reader says for `object`, or for the cell at `row` and `column` of that list.
QString Spoken(QObject* object, int row = -1, int column = 0) {
  QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(object);
  if (row < 0) return spoken->text(QAccessible::Name);
  static_cast<ListView*>(object)->doItemsLayout();  // the rows the interface walks
  return spoken->tableInterface()->cellAt(row, column)->text(QAccessible::Name);
}

// A key as a user types it, through the window system: its name for xdotool, and Windows'
// virtual keys for it, a modifier (or 0) and the key.
struct SystemKey {
  const char* name;
  unsigned char modifier, key;
};
constexpr SystemKey kDown{"Down", 0, 0x28}, kMenuKey{"Menu", 0, 0x5D},
    kShiftF10{"shift+F10", 0x10, 0x79}, kEscape{"Escape", 0, 0x1B}, kReturn{"Return", 0, 0x0D};

// Types `keys` in turn.
void TypeThroughSystem(std::initializer_list<SystemKey> keys) {
#ifdef _WIN32
  for (const SystemKey& k : keys) {
    for (const unsigned char key : {k.modifier, k.key})
      if (key != 0) keybd_event(key, 0, 0, 0);
    for (const unsigned char key : {k.key, k.modifier})
      if (key != 0) keybd_event(key, 0, 2 /* KEYEVENTF_KEYUP */, 0);
  }
#else
  QStringList names = {"key"};
  for (const SystemKey& k : keys) names << k.name;
  EXPECT_TRUE(QProcess::startDetached("xdotool", names));
#endif
}

// Clicks at `at` in `widget` and returns once the program has the press: true when it came
// within 5 s. xdotool places the pointer by the window system's own idea of where the window is,
// which a window manager that has just taken the window in may not have told Qt yet.
bool ClickThroughSystem(const QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
  struct Presses final : QObject {
    int seen = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      seen += event->type() == QEvent::MouseButtonPress;
      return false;
    }
  } presses;
  qApp->installEventFilter(&presses);  // before the filters already there, which may hold it
#ifdef _WIN32
  at = widget->mapToGlobal(at);
  SetCursorPos(at.x(), at.y());
  const bool right = button == Qt::RightButton;
  mouse_event(right ? 8 /* MOUSEEVENTF_RIGHTDOWN */ : 2 /* LEFTDOWN */, 0, 0, 0, 0);
  mouse_event(right ? 16 /* RIGHTUP */ : 4 /* LEFTUP */, 0, 0, 0, 0);
#else
  at = widget->mapTo(widget->window(), at);
  QProcess xdotool;  // waited for with the events going on, which a window manager may ask for
  xdotool.start("xdotool", {"mousemove", "--window", QString::number(widget->window()->winId()),
                            QString::number(at.x()), QString::number(at.y()), "click",
                            button == Qt::RightButton ? "3" : "1"});
  EXPECT_TRUE(QTest::qWaitFor([&] { return xdotool.state() == QProcess::NotRunning; }));
#endif
  return QTest::qWaitFor([&] { return presses.seen > 0; }, 5000);
}

bool Centred(QWidget* w) {
  return (w->frameGeometry().center() - w->screen()->availableGeometry().center())
             .manhattanLength() <= 8;
}

// The texts of a column, or with `column` -1 the headers with their widths.
QStringList Column(const ListView* list, int column) {
  QStringList texts;
  for (int i = 0; i < (column < 0 ? list->columnCount() : list->Count()); ++i) {
    texts << (column < 0 ? list->headerItem()->text(i) + QString::number(list->columnWidth(i))
                         : (column ? list->SubItem(i, column) : list->Text(i)));
  }
  return texts;
}

// Final links that no clipboard gets, each with an ordinary link after it: control characters
// (a carriage return, which a terminal takes as Enter; an escape sequence; DEL; C1's CSI),
// direction controls (an override that shows a program as a film, a mark, an isolate), and no link
// at all.
const std::string kUnsafeLinks[] = {
    "ed2k://|file|a\r.avi|1|AB|/",     "ed2k://|file|a\x1B[2J.avi|1|AB|/",
    "ed2k://|file|a\x7F.avi|1|AB|/",   "ed2k://|file|a\xC2\x9B.avi|1|AB|/",
    "ed2k://|file|\u202Eiva.exe|/",    "ed2k://|file|a\u200F.avi|1|AB|/",
    "ed2k://|file|a\u2066.avi|1|AB|/", ""};
// 4 MiB, whose cut would split an emoji's two UTF-16 units.
const std::string kLong = std::string(kShownLength - 1, 'L') + "😀" + std::string(4 << 20, 'L');

// The catalogue of tests/data, its result pages slow enough to see the window paint meanwhile and
// the second of them in GBK; only link/abc_1/0/ has a redirect. A search for "long" gives a title
// of 4 MiB and one with control and direction characters; the first entry's page has a link whose
// name and size are as long, and the unsafe links.
std::map<std::string, Responder> Catalogue(std::atomic<int>& ticks,
                                           std::vector<int>& ticksAtFetch) {
  std::map<std::string, Responder> catalogue;
  std::string links = LinkBlock("link/x9/0/", kLong, kLong);
  for (std::size_t i = 1; i <= std::size(kUnsafeLinks); ++i) {
    const std::string href = "link/x9/" + std::to_string(i) + "/";
    links += LinkBlock(href, "unsafe", "1 B");
    catalogue["/" + href] = Page(LinkPage(kUnsafeLinks[i - 1]) + LinkPage("ed2k://|file|b|/"));
  }
  catalogue["/entry/x9/"] = Page(links);
  const auto results = [&](Connection& c, const Request& r) {
    ticksAtFetch.push_back(ticks);
    c.Pause(100ms);
    const std::string page = r.Target().substr(r.Target().size() - 1);
    if (r.Target().find("query=long") != std::string::npos) {
      return Page(page > "1" ? ""
                             : ResultEntry("x9", kLong) +
                                   ResultEntry("y8", "movie\u202Eiva.exe\tb\x01"))(c, r);
    }
    if (page == "3" && r.Target().find("query=hold") != std::string::npos) return Silent()(c, r);
    const std::string file = "results_page" + page + (page == "2" ? "_gbk" : "") + ".html";
    Page(page > "2" ? "" : ReadTestData(file))(c, r);
  };
  catalogue.insert({{"/search/entry/", results},
                    {"/entry/a1/", Page(ReadTestData("entry_page.html"))},
                    {"/entry/b2/", Page(ReadTestData("entry_page_b2.html"))},
                    {"/link/abc_1/0/", Page(ReadTestData("link_page.html"))},
                    {"/entry/e5/", Silent()},
                    {"/link/abc_1/3/", Silent()},
                    {"", Page("<html>no redirect here</html>")}});
  return catalogue;
}

// Runs `open`, chooses `item` in the menu it opens (none when `item` is empty), whose names it adds
// to `items`, and runs `act` in the detail window, which it then closes. True when the menu, and
// the detail window for `act`, showed.
bool Menu(const std::function<void()>& open, const QString& item, QStringList& items,
          const std::function<void(QWidget*, ListView*)>& act = {}) {
  std::vector<std::function<bool()>> steps;
  if (!item.isEmpty()) {
    steps.push_back(When("QMenu", [&](QWidget* menu) {
      QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(menu);
      items << spoken->text(QAccessible::Name);
      for (int i = 0; i < spoken->childCount(); ++i)
        items << spoken->child(i)->text(QAccessible::Name);
      // Clicked from a timer of its own: the detail window opens inside the click.
      const QList<QAction*> actions = menu->actions();
      const auto chosen = std::find_if(actions.begin(), actions.end(),
                                       [&](QAction* a) { return a->text() == item; });
      if (chosen == actions.end()) return ADD_FAILURE() << "no menu entry " << item.toStdString();
      const QPoint at = static_cast<QMenu*>(menu)->actionGeometry(*chosen).center();
      QTimer::singleShot(0, menu, [menu, at] { QTest::mouseClick(menu, Qt::LeftButton, {}, at); });
    }));
  }
  if (act) {
    steps.push_back(When("frm2", [&](QWidget* detail) {
      act(detail, detail->findChild<ListView*>("lvw"));
      detail->close();
    }));
  }
  return During(open, steps);
}

// A press of `button` with Shift held on row `row` of `list`, for Menu.
std::function<void()> Press(ListView* list, int row, Qt::MouseButton button) {
  return [=] { PressRow(list, row, button, Qt::ShiftModifier); };
}

// Keys pressed in turn on `list` ("Down, Shift+F10"), for Menu and MessageDuring.
std::function<void()> Keys(ListView* list, const char* keys) {
  return [=] { QTest::keySequence(list, QKeySequence(keys)); };
}

// The context-menu key on `list` as the window systems deliver it: a keyboard context-menu request
// (the key press that may come with it does nothing).
void MenuKey(ListView* list) {
  QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), QPoint());
  QApplication::sendEvent(list, &request);
}

// What shows of a wait: the cursor over the windows, and `list`'s state to a screen reader.
QString Shown(ListView* list) {
  const QCursor* cursor = QApplication::overrideCursor();
  return QString(cursor != nullptr && cursor->shape() == Qt::WaitCursor ? "wait" : "arrow") +
         (QAccessible::queryAccessibleInterface(list)->state().busy ? ", busy" : "");
}

TEST(WindowsTest, SearchMenuDetailCopyAndClose) {
  std::atomic<int> ticks = 0;
  std::vector<int> ticksAtFetch;
  TestServer server(Catalogue(ticks, ticksAtFetch));
  // Memory runs out in the search for "oom".
  frm1 window(server.Url(), [](const std::string& url) {
    if (url.find("query=oom") != std::string::npos) throw std::bad_alloc();
    return Module1::FetchPage(url, false);
  });
  auto* txtSearch = window.findChild<QLineEdit*>("txtSearch");
  ListView* lvw = window.findChild<ListView*>("lvw");
  QClipboard* clipboard = QGuiApplication::clipboard();
  const auto Search = [&](const QString& keyword) {
    txtSearch->setText(keyword);
    QTest::mouseClick(window.findChild<QPushButton*>("cmbSearch"), Qt::LeftButton);
  };
  // Start: centred, its texts in place, the focus in the keyword box; Enter does not search.
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_TRUE(Centred(&window));
  auto* label = window.findChild<QLabel*>("Label1");
  EXPECT_EQ(window.windowTitle() + label->font().family(), "Quillon宋体");
  EXPECT_EQ(QFontInfo(label->font()).family(), "Noto Serif CJK SC") << "the serif stands in";
  EXPECT_TRUE(label->x() == txtSearch->x() && label->x() > 0) << "aligned, inside the window";
  EXPECT_EQ(window.focusWidget(), txtSearch);
  EXPECT_EQ(Column(lvw, -1).join(" "), "名称433 类型47 url0");
  EXPECT_EQ(lvw->header()->sectionResizeMode(2), QHeaderView::Fixed) << "url stays hidden";
  txtSearch->setText("中");
  QTest::keyClick(txtSearch, Qt::Key_Return);
  EXPECT_EQ(server.Requests().size(), 0u);

  // A search asks for four pages, painting the window meanwhile, and lists title, type and id; a
  // second search replaces the rows.
  QTimer repaint;
  QObject::connect(&repaint, &QTimer::timeout, [&] { window.repaint(), ++ticks; });
  repaint.start(20);
  Search(" ");
  repaint.stop();
  ASSERT_EQ(ticksAtFetch.size(), 4u);
  EXPECT_GT(ticksAtFetch[3], ticksAtFetch[0]) << "the window painted between the pages";
  EXPECT_EQ(server.Requests()[3].Target(), "/search/entry/?query=%20&flag=1-1&page=4");
  Search("x");
  ASSERT_EQ(lvw->Count(), 7);
  EXPECT_EQ(Column(lvw, 0).mid(0, 2), (QStringList{"Alpha 第1集", "Beta &amp; <em>Gamma</em>"}));
  EXPECT_EQ(Column(lvw, 1).count("电驴"), 7);
  EXPECT_TRUE(Column(lvw, 0).contains("中文标题 Kappa")) << "the second page comes in GBK";
  EXPECT_EQ(lvw->SubItem(0, 2), "a1");
  EXPECT_EQ(
      QStringList({Spoken(txtSearch), Spoken(window.findChild<QPushButton*>("cmbSearch")),
                   Spoken(window.findChild<QLabel*>("Label1")), Spoken(lvw), Spoken(lvw, 0, 0),
                   Spoken(lvw, 0, 2)}),
      QStringList({"关键字", "搜索", "简单高效可信赖的资源搜索器", "搜索结果", "Alpha 第1集", ""}));

  // Any button on a row selects it and opens the menu; "取消" keeps the selection.
  QStringList items;
  EXPECT_TRUE(Menu(Press(lvw, 2, Qt::LeftButton), "取消", items) &&
              Menu(Press(lvw, 3, Qt::MiddleButton), "取消", items));
  EXPECT_EQ(items, (QStringList{"右键菜单", "资源详情", "取消", "右键菜单", "资源详情", "取消"}));
  EXPECT_EQ(lvw->SelectedItem(), 3);
  // A press beside the rows selects nothing, leaves no row current and opens no menu; then no
  // key acts. With a current row, the menu key and Shift+F10 open the menu at that row, wherever
  // the pointer is.
  PressRow(lvw, -1, Qt::RightButton);
  EXPECT_EQ(lvw->SelectedItem(), std::nullopt);
  EXPECT_EQ(lvw->currentItem(), nullptr);
  Menu([&] { MenuKey(lvw), Keys(lvw, "Menu, Shift+F10, Return")(); }, "取消", items,
       [](auto, auto) {});
  EXPECT_EQ(items.size(), 6);
  EXPECT_EQ(server.Count("/entry/"), 0);
  EXPECT_TRUE(Menu([&] { Keys(lvw, "Down, Down")(), MenuKey(lvw); }, "取消", items));
  EXPECT_TRUE(Menu(Keys(lvw, "Down, Shift+F10"), "取消", items));
  EXPECT_EQ(lvw->SelectedItem(), 2);

  // Enter on a row does what "资源详情" does: the links of the row, loaded before the window
  // appears, whose list takes the first key.
  clipboard->setText("before");
  ListView* links = nullptr;
  Menu(Keys(lvw, "Home, Enter"), "", items, [&](QWidget* detail, ListView* list) {
    links = list;
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == links; }));
    EXPECT_EQ(links->currentItem(), nullptr) << "no row looks selected";
    EXPECT_TRUE(Centred(detail));
    EXPECT_EQ(detail->minimumSize(), detail->maximumSize());
    EXPECT_EQ(links->font().family(), "宋体");
    EXPECT_EQ(Column(links, -1).join(" "), "名称433 大小100 类型47 url0");
    EXPECT_EQ(Column(links, 0).mid(0, 2),
              (QStringList{"【点击复制链接】a.avi", "【点击复制链接】b &amp; <b>c</b>.mkv"}));
    EXPECT_EQ(Column(links, 2).join(" "), "电驴 电驴 电驴 电驴 电驴 电驴");
    EXPECT_EQ(links->SubItem(0, 3), "link/abc_1/0/");
    EXPECT_EQ(QStringList({Spoken(detail), Spoken(links), Spoken(links, 0, 3)}),
              QStringList({"资源详情", "资源链接", ""}));
    EXPECT_EQ(links->visualRect(links->model()->index(0, 0)).left(), 0) << "rows not indented";
    QTest::keyClick(links, Qt::Key_Escape);
    EXPECT_TRUE(detail->isVisible()) << "Escape does not close the window";

    // Enter and Space before any row is current, or a press beside the rows: nothing; a row
    // without a redirect, or a clipboard that another program holds: nothing said, the
    // clipboard as it was.
    const auto pressesThatCopyNothing = [&] {
      Keys(links, "Return, Space")();
      PressRow(links, -1, Qt::LeftButton);
      PressRow(links, 1, Qt::LeftButton);
      EXPECT_EQ(links->SelectedItem(), 1);
#ifdef _WIN32  // Windows lets another program hold the clipboard open
      std::atomic<bool> held = false;
      const std::jthread other([&held](std::stop_token stop) {
        OpenClipboard(nullptr), held = true;
        while (!stop.stop_requested()) std::this_thread::sleep_for(10ms);
        CloseClipboard();
      });
      while (!held) std::this_thread::sleep_for(1ms);
#else  // X11 lets one take the selection back at once, until `other` goes
      const QObject other;
      QObject::connect(clipboard, &QClipboard::dataChanged, &other, [&] {
        if (clipboard->text() != "before") clipboard->setText("before");
      });
#endif
      PressRow(links, 0, Qt::LeftButton);
    };
    EXPECT_EQ(MessageDuring(pressesThatCopyNothing), "");
    EXPECT_EQ(server.Count("/link/abc_1/"), 2);
#ifdef _WIN32  // a held clipboard refuses Quillon's text, and reads back empty once let go
    const QString leftOnClipboard = "";
#else
    const QString leftOnClipboard = "before";
#endif
    EXPECT_EQ(clipboard->text(), leftOnClipboard);
    // Any button, with keys held, and Enter and Space on the current row copy the final link
    // and confirm.
    std::vector<std::function<void()>> copies = {Keys(links, "End, Home, Return"),
                                                 Keys(links, "Space")};
    for (const auto button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
      copies.push_back([=] { PressRow(links, 0, button, Qt::ControlModifier); });
    for (const auto& copy : copies) {
      clipboard->setText("before");
      EXPECT_EQ(MessageDuring(copy), "提示: 链接已复制到剪切板 [确定]");
      EXPECT_EQ(clipboard->text(),
                "ed2k://|file|a.avi|734003200|0123456789ABCDEF0123456789ABCDEF|/");
    }
    // Escape, then a close, while a copy waits on a link page that never comes: the copy is
    // abandoned, nothing copied or said; Escape keeps the window. The wait shows while it lasts.
    for (const bool escape : {true, false}) {
      const QDeadlineTimer soon(5s);
      QString shown;
      During([&] { EXPECT_EQ(MessageDuring([&] { PressRow(links, 3, Qt::LeftButton); }), ""); },
             {Asked(server, "/link/abc_1/3/", [&] {
               shown = Shown(links);
               escape ? QTest::keyClick(links, Qt::Key_Escape) : (void)detail->close();
             })});
      EXPECT_FALSE(soon.hasExpired()) << "long before the server would have answered";
      EXPECT_EQ(shown + " then " + Shown(links), "wait, busy then arrow");
      EXPECT_EQ(detail->isVisible(), escape);
      EXPECT_EQ(clipboard->text().left(4), "ed2k");
    }
  });
  // Reopened for another row, the window holds only that row's links.
  Menu(Press(lvw, 1, Qt::RightButton), "资源详情", items, [](QWidget*, ListView* list) {
    EXPECT_EQ(Column(list, 0), QStringList{"【点击复制链接】only-b.mkv"});
  });
  ASSERT_NE(links, nullptr);
  EXPECT_EQ(links->Count(), 0) << "closing discards rows";
  EXPECT_EQ(server.Count("/entry/"), 2);

  // Escape, then a close, while the detail window loads an entry page the server holds: at once,
  // and no detail window appears; Escape keeps the search window. The row's list shows the wait
  // meanwhile. Shown again, the window works as before.
  QApplication::setQuitOnLastWindowClosed(false);
  QString shown;
  for (const bool escape : {true, false}) {
    const QDeadlineTimer loading(5s);
    During(
        [&] {
          EXPECT_FALSE(Menu(Press(lvw, 2, Qt::RightButton), "资源详情", items, [](auto, auto) {}));
        },
        {Asked(server, "/entry/e5/", [&] {
          shown = Shown(lvw);
          escape ? QTest::keyClick(lvw, Qt::Key_Escape) : (void)window.close();
        })});
    EXPECT_FALSE(loading.hasExpired()) << "long before the server would have answered";
    EXPECT_EQ(shown + " then " + Shown(lvw), "wait, busy then arrow");
    EXPECT_EQ(window.isVisible(), escape);
  }
  window.show();

  // An empty keyword empties the list and asks for one.
  EXPECT_EQ(MessageDuring([&] { Search(""); }), "提示: 请输入关键字 [确定]");
  EXPECT_EQ(lvw->Count(), 0);
  EXPECT_EQ(server.Count("/search/entry/"), 8);

  // Network text of any size or make: a cell shows, and a screen reader reads, at most
  // kShownLength characters of it, with nothing in it that reorders or lays out the row; the row
  // keeps it verbatim; painting it costs what an ordinary row costs.
  Search("long");
  ASSERT_EQ(lvw->Count(), 2);
  const QString cut = QString(kShownLength - 1, 'L') + "…";
  EXPECT_EQ(lvw->Text(0).toStdString(), kLong);
  EXPECT_EQ(QStringList({lvw->topLevelItem(0)->text(0), Spoken(lvw, 0, 0),
                         lvw->topLevelItem(1)->text(0), Spoken(lvw, 1, 0)}),
            QStringList({cut, cut, "movie\uFFFDiva.exe b\uFFFD", "movie\uFFFDiva.exe b\uFFFD"}));
  QElapsedTimer painting;
  painting.start();
  (void)window.grab();
  EXPECT_LT(painting.elapsed(), 1000) << "a 4 MiB title took 8 s to paint when shown whole";
  // Its detail window cuts a link name and size as long the same way; a link with a control or
  // direction character, or an empty one, is not copied, though an ordinary link follows it.
  Menu(Press(lvw, 0, Qt::RightButton), "资源详情", items, [&](QWidget*, ListView* list) {
    EXPECT_EQ(list->topLevelItem(0)->text(0) + list->topLevelItem(0)->text(1),
              ("【点击复制链接】" + cut).left(kShownLength) + "…" + cut);
    for (int i = 1; i < list->Count(); ++i) {
      clipboard->setText("before");
      EXPECT_EQ(MessageDuring([&] { PressRow(list, i, Qt::LeftButton); }) + clipboard->text(),
                "before")
          << kUnsafeLinks[i - 1];
    }
    EXPECT_EQ(server.Count("/link/x9/"), std::size(kUnsafeLinks));
  });
  // Memory that runs out in a search ends it as a failed fetch does: nothing listed, nothing said.
  EXPECT_EQ(MessageDuring([&] { Search("oom"); }), "");
  EXPECT_EQ(lvw->Count(), 0);

  // Escape ends a search that waits on a third page the server holds, and the window stays;
  // Alt+F4 closes the frameless window, also then: each at once, listing nothing of the first two
  // pages.
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  for (const bool escape : {true, false}) {
    const QDeadlineTimer soon(5s);
    During([&] { Search("hold"); },
           {Asked(server, "/search/entry/?query=hold&flag=1-1&page=3", [&] {
             shown = Shown(lvw);
             QTest::keyClick(txtSearch, escape ? Qt::Key_Escape : Qt::Key_F4,
                             escape ? Qt::NoModifier : Qt::AltModifier);
           })});
    EXPECT_FALSE(soon.hasExpired()) << "long before the server would have answered";
    EXPECT_EQ(shown + " then " + Shown(lvw), "wait, busy then arrow");
    EXPECT_EQ(lvw->Count(), 0);
    EXPECT_EQ(window.isVisible(), escape);
  }
}

// A catalogue whose first three result pages never come, so that a search lists the rows of the
// fourth after 3 s, and input through the window system while it waits: a click on 搜索, which
// waits for the search and then searches again; a press on the empty list, dropped, as its rows are
// gone; Escape, which ends the wait and keeps the window. Then the menu from the context-menu key
// and from Shift+F10, at the current row, and from a press, each taking its first Enter.
TEST(PointerTest, InputThroughTheWindowSystem) {
  TestServer server({{"/search/entry/", [](Connection& c, const Request& r) {
                        if (r.Target().back() < '4') return Silent()(c, r);
                        Page(ReadTestData("results_page1.html"))(c, r);
                      }}});
  std::atomic<int> fetches = 0;
  frm1 window(server.Url(), [&](const std::string& url) {  // pages of "wait" held for a minute
    ++fetches;
    const auto span = url.find("query=wait") == std::string::npos ? 1s : 60s;
    return Module1::FetchPage(url, false, {1s, span, 1024, 120s, 1u << 20});
  });
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  // A window manager gives the window the keyboard on a click, as it does for a user's.
  ASSERT_TRUE(ClickThroughSystem(&window, QPoint(window.width() - 20, 5)));
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  auto* cmbSearch = window.findChild<QPushButton*>("cmbSearch");
  auto* txtSearch = window.findChild<QLineEdit*>("txtSearch");
  txtSearch->setText("x");
  ListView* lvw = window.findChild<ListView*>("lvw");
  const auto rowAt = [lvw](int row) {
    return row < 0 ? QPoint(20, 8)  // where the first row will be
                   : lvw->visualItemRect(lvw->topLevelItem(row)).center();
  };
  QTimer::singleShot(500ms, [&] {
    EXPECT_TRUE(ClickThroughSystem(lvw->viewport(), rowAt(-1), Qt::RightButton) &&
                ClickThroughSystem(cmbSearch, cmbSearch->rect().center()));
    EXPECT_EQ(fetches, 1) << "both came, and wait, while the first page is fetched";
  });
  int menus = 0;
  During(
      [&] {
        QTest::mouseClick(cmbSearch, Qt::LeftButton);  // returns when the search has ended
        EXPECT_EQ(fetches, 4) << "the click was handled while the search ran";
        EXPECT_EQ(lvw->Count(), 5);
        EXPECT_TRUE(QTest::qWaitFor([&] { return fetches == 8; }, 15000)) << "click lost";
      },
      {When("QMenu", [&](QWidget* menu) { ++menus, menu->close(); })});
  EXPECT_EQ(menus, 0) << "a press made on the empty list acted on a row that came later";
  QElapsedTimer waited;
  waited.start();
  QTimer::singleShot(300ms, [] { TypeThroughSystem({kEscape}); });
  txtSearch->setText("wait");
  QTest::mouseClick(cmbSearch, Qt::LeftButton);
  EXPECT_LT(waited.elapsed(), 15000) << "long before the pages would have come";
  EXPECT_TRUE(lvw->Count() == 0 && window.isVisible());
  txtSearch->setText("x");
  QTest::mouseClick(cmbSearch, Qt::LeftButton);
  lvw->setFocus();
  // Down, then the key, opens the menu at the next row's lower left corner; a press, at the
  // pointer.
  for (const SystemKey* key : {&kMenuKey, &kShiftF10, static_cast<const SystemKey*>(nullptr)}) {
    QPoint at;
    bool detailed = false;
    const auto open = [&] {
      key ? TypeThroughSystem({kDown, *key}) : (void)ClickThroughSystem(lvw->viewport(), rowAt(1));
      (void)QTest::qWaitFor([&] { return detailed; });
    };
    EXPECT_TRUE(During(
        open, {When("QMenu",
                    [&](QWidget* menu) {
                      at = menu->pos();  // Enter a moment later, as a user's
                      QTimer::singleShot(200ms, [] { TypeThroughSystem({kReturn}); });
                      QTimer::singleShot(3s, menu, &QWidget::close);  // if Enter took nothing
                    }),
               When("frm2", [&](QWidget* detail) { detailed = true, detail->close(); })}))
        << (key ? key->name : "press");
    const QPoint corner = lvw->visualItemRect(lvw->currentItem()).bottomLeft();
    EXPECT_TRUE(!key || at == lvw->viewport()->mapToGlobal(corner)) << (key ? key->name : "press");
  }
  EXPECT_EQ(lvw->SelectedItem(), 1);
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32  // the walks need no display; on Windows they run on its own platform, under Wine
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  ScaleAsQt6();
  QApplication app(argc, argv);
  InstallChineseTranslation();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
