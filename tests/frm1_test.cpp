// The search window with real widgets over a catalogue served from 127.0.0.1.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "gui_helpers.h"
#include "search/frm1.h"

namespace {

class Frm1Test : public testing::Test {
 protected:
  void SetUp() override {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  int EntryRequests() const {
    int n = 0;
    for (const auto& r : server.Requests()) n += r.path.rfind("/entry/", 0) == 0;
    return n;
  }

  void Search(const QString& keyword) {
    txtSearch->setText(keyword);
    QTest::mouseClick(cmbSearch, Qt::LeftButton);
  }

  TestServer server{FixtureCatalogue()};
  frm1 window{server.Base()};
  QLineEdit* txtSearch = window.findChild<QLineEdit*>("txtSearch");
  QPushButton* cmbSearch = window.findChild<QPushButton*>("cmbSearch");
  QLabel* Label1 = window.findChild<QLabel*>("Label1");
  ListView* lvw = window.findChild<ListView*>("lvw");
};

TEST_F(Frm1Test, StartsEmptyWithTheFocusInTheKeywordBox) {
  EXPECT_EQ(window.windowTitle(), "Quillon");
  EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(window.focusWidget(), txtSearch);
  EXPECT_TRUE(txtSearch->text().isEmpty());
  EXPECT_EQ(cmbSearch->text(), "搜索");
  EXPECT_EQ(Label1->text(), "简单高效可信赖的资源搜索器");
  EXPECT_EQ(Label1->font().family(), "宋体");
  EXPECT_EQ(Label1->font().pointSize(), 12);
  EXPECT_EQ(lvw->Count(), 0);
  EXPECT_FALSE(lvw->isHeaderHidden());
  EXPECT_EQ(lvw->headerItem()->text(0), "名称");
  EXPECT_EQ(lvw->headerItem()->text(1), "类型");
  EXPECT_EQ(lvw->columnWidth(2), 0);
  EXPECT_EQ(lvw->header()->sectionResizeMode(2), QHeaderView::Fixed);
}

TEST_F(Frm1Test, LayoutIsFixedInTwips) {
  EXPECT_EQ(window.minimumSize(), QSize(531, 371));
  EXPECT_EQ(window.maximumSize(), QSize(531, 371));
  EXPECT_EQ(txtSearch->geometry(), QRect(16, 24, 377, 25));
  EXPECT_EQ(cmbSearch->geometry(), QRect(400, 24, 97, 25));
  EXPECT_EQ(Label1->geometry(), QRect(16, 5, 233, 17));
  EXPECT_EQ(lvw->geometry(), QRect(0, 56, 529, 313));
  EXPECT_EQ(lvw->columnWidth(0), 433);
  EXPECT_EQ(lvw->columnWidth(1), 47);
}

TEST_F(Frm1Test, TabMovesThroughBoxButtonAndListAndSkipsTheLabel) {
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  txtSearch->setFocus();
  const std::vector<QWidget*> expected = {cmbSearch, lvw, txtSearch};
  for (QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
}

TEST_F(Frm1Test, AltF4ClosesTheFramelessWindow) {
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keyClick(txtSearch, Qt::Key_F4, Qt::AltModifier);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(Frm1Test, EnterInTheKeywordBoxDoesNotSearch) {
  txtSearch->setText("中");
  QTest::keyClick(txtSearch, Qt::Key_Return);
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_EQ(lvw->Count(), 0);
}

TEST_F(Frm1Test, SearchFillsTheListWithTitleTypeAndId) {
  Search(" ");  // blanks are a keyword
  ASSERT_EQ(server.Requests().size(), 4u);
  ASSERT_EQ(lvw->Count(), 7);
  EXPECT_EQ(lvw->Text(0), "Alpha 第1集");
  EXPECT_EQ(lvw->SubItem(0, 1), "电驴");
  EXPECT_EQ(lvw->SubItem(0, 2), "a1");
  EXPECT_EQ(lvw->Text(1), "Beta &amp; <em>Gamma</em>");
  Search("again");
  EXPECT_EQ(lvw->Count(), 7);  // replaced, not added to
}

TEST_F(Frm1Test, EmptyKeywordEmptiesTheListAndAsks) {
  Search("x");
  ASSERT_GT(lvw->Count(), 0);
  QString text, title;
  WhileOpen ui;
  ui.Then(CloseMessageBox(&text, &title));
  Search("");
  EXPECT_TRUE(ui.Done());
  EXPECT_EQ(text, "请输入关键字");
  EXPECT_EQ(title, "提示");
  EXPECT_EQ(lvw->Count(), 0);
  EXPECT_EQ(server.Requests().size(), 4u);  // only the first search's
}

TEST(Frm1FailureTest, AllFetchesFailingGivesAnEmptyListAndNoMessage) {
  std::string deadBase;
  { deadBase = TestServer([](httplib::Server&) {}).Base(); }
  frm1 window(deadBase);
  window.show();
  QString text, title;
  WhileOpen ui;
  ui.Then(CloseMessageBox(&text, &title));
  window.findChild<QLineEdit*>("txtSearch")->setText("中");
  QTest::mouseClick(window.findChild<QPushButton*>("cmbSearch"), Qt::LeftButton);
  EXPECT_FALSE(ui.Done());
  EXPECT_EQ(window.findChild<ListView*>("lvw")->Count(), 0);
}

TEST_F(Frm1Test, PressBesideTheRowsSelectsNothingAndOpensNoMenu) {
  WhileOpen ui;
  ui.Then(DismissMenu());
  PressBeside(lvw);  // empty list
  Search("x");
  lvw->SetSelectedItem(0);
  PressBeside(lvw);
  EXPECT_FALSE(ui.Done());
  EXPECT_EQ(lvw->SelectedItem(), std::nullopt);
}

TEST_F(Frm1Test, AnyButtonOnARowSelectsItAndOpensTheMenu) {
  Search("x");
  for (const auto button : {Qt::RightButton, Qt::LeftButton, Qt::MiddleButton}) {
    QStringList items;
    WhileOpen ui;
    ui.Then(ChooseMenuItem("取消", &items));
    const int row = button == Qt::LeftButton ? 2 : 3;
    PressRow(lvw, row, button, Qt::ShiftModifier);
    EXPECT_TRUE(ui.Done());
    EXPECT_EQ(items, (QStringList{"资源详情", "取消"}));
    EXPECT_EQ(lvw->SelectedItem(), row);  // "取消" leaves the selection in place
  }
  EXPECT_EQ(EntryRequests(), 0);
}

TEST_F(Frm1Test, ResourceDetailShowsTheLinksOfTheRowSelectedThen) {
  Search("x");
  std::vector<QStringList> shown;
  const auto readAndClose = [&](QWidget* detail) {
    auto* links = detail->findChild<ListView*>("lvw");
    QStringList texts;
    for (int i = 0; i < links->Count(); ++i) texts << links->Text(i);
    shown.push_back(texts);
    detail->close();
  };
  for (const int row : {0, 1}) {
    WhileOpen ui;
    ui.Then(ChooseMenuItem("资源详情")).Then(InWindow("frm2", readAndClose));
    PressRow(lvw, row);
    EXPECT_TRUE(ui.Done());
  }
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].size(), 6);
  EXPECT_EQ(shown[0].front(), "【点击复制链接】a.avi");
  EXPECT_EQ(shown[1], QStringList{"【点击复制链接】only-b.mkv"});
  EXPECT_EQ(EntryRequests(), 2);
}

TEST(Frm1SlowServerTest, WindowKeepsPaintingWhileASearchWaits) {
  TestServer slow([](httplib::Server& s) {
    s.Get("/search/entry/", [](const httplib::Request&, httplib::Response& res) {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      res.set_content("nothing", "text/html");
    });
  });
  frm1 window(slow.Base());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  int paints = 0;
  struct PaintCounter : QObject {
    int* count;
    explicit PaintCounter(int* c) : count(c) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++*count;
      return false;
    }
  } counter(&paints);
  window.installEventFilter(&counter);
  QTimer repaint;
  QObject::connect(&repaint, &QTimer::timeout, [&] { window.update(); });
  repaint.start(20);
  window.findChild<QLineEdit*>("txtSearch")->setText("slow");
  QTest::mouseClick(window.findChild<QPushButton*>("cmbSearch"), Qt::LeftButton);
  EXPECT_EQ(slow.Requests().size(), 4u);
  EXPECT_GT(paints, 0);  // painted while the click was still being handled
}

}  // namespace
