// The detail window with real widgets: loading links, copying one, and the window's settings.
#include "detail/frm2.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QTest>

#include "gui_helpers.h"

namespace {

const QString kFinalLink = "ed2k://|file|a.avi|734003200|0123456789ABCDEF0123456789ABCDEF|/";

class Frm2Test : public testing::Test {
 protected:
  // A search list holding one result row, selected, as the search window leaves it.
  void Select(const QString& label, const QString& id) {
    searchList.Clear();
    const int row = searchList.Add();
    searchList.SetText(row, "title");
    searchList.SetSubItem(row, 1, label);
    searchList.SetSubItem(row, 2, id);
    searchList.SetSelectedItem(row);
  }

  // Opens the detail window, runs `act` on its list while it is open, then closes it.
  void WhileShown(const std::function<void(frm2*, ListView*)>& act) {
    WhileOpen ui;
    ui.Then(InWindow("frm2", [&](QWidget* w) {
      act(static_cast<frm2*>(w), w->findChild<ListView*>("lvw"));
      w->close();
    }));
    detail.ShowModal();
    EXPECT_TRUE(ui.Done());
  }

  std::size_t Requests(const std::string& prefix) const {
    std::size_t n = 0;
    for (const auto& r : server.Requests()) n += r.path.rfind(prefix, 0) == 0;
    return n;
  }

  TestServer server{FixtureCatalogue()};
  ListView searchList{{{"名称", 6500}, {"类型", 700}, {"url", 0}}, nullptr};
  frm2 detail{searchList, server.Base(), NetworkPageSource()};
};

TEST_F(Frm2Test, WindowSettings) {
  Select("电驴", "a1");
  WhileShown([](frm2* w, ListView* lvw) {
    EXPECT_EQ(w->windowTitle(), "资源详情");
    EXPECT_TRUE(w->isModal());
    EXPECT_EQ(w->minimumSize(), QSize(594, 227));
    EXPECT_EQ(w->maximumSize(), QSize(594, 227));
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(lvw->geometry(), QRect(0, 0, 593, 225));
    EXPECT_EQ(lvw->font().family(), "宋体");
    EXPECT_EQ(lvw->font().pointSize(), 12);
    const QStringList headers = {"名称", "大小", "类型", "url"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(lvw->headerItem()->text(i), headers[i]);
    EXPECT_EQ(lvw->columnWidth(1), 100);
    EXPECT_EQ(lvw->columnWidth(3), 0);
    EXPECT_EQ(lvw->SubItem(0, 3), "link/abc_1/0/");  // the hidden column holds the href
  });
}

TEST_F(Frm2Test, LoadsBeforeShowingAndDiscardsRowsOnClose) {
  Select("电驴", "a1");
  int rowsWhenShown = -1;
  WhileShown([&](frm2*, ListView* lvw) { rowsWhenShown = lvw->Count(); });
  EXPECT_EQ(rowsWhenShown, 6);
  EXPECT_EQ(detail.findChild<ListView*>("lvw")->Count(), 0);
}

TEST_F(Frm2Test, OtherTypeLabelRequestsNothingAndOpensEmpty) {
  Select("电驴 ", "a1");
  int rows = -1;
  WhileShown([&](frm2*, ListView* lvw) { rows = lvw->Count(); });
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(Requests("/entry/"), 0u);
}

TEST_F(Frm2Test, EscapeLeavesTheWindowOpen) {
  Select("电驴", "a1");
  WhileShown([](frm2* w, ListView* lvw) {
    QTest::keyClick(lvw, Qt::Key_Escape);
    EXPECT_TRUE(w->isVisible());
  });
}

TEST_F(Frm2Test, PressOnALinkRowCopiesItsFinalLinkWithAnyButton) {
  Select("电驴", "a1");
  for (const auto button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    QGuiApplication::clipboard()->setText("before");
    QString text, title;
    WhileShown([&](frm2*, ListView* lvw) {
      WhileOpen box;
      box.Then(CloseMessageBox(&text, &title));
      PressRow(lvw, 0, button, Qt::ControlModifier);
      EXPECT_TRUE(box.Done());
      EXPECT_EQ(lvw->SelectedItem(), 0);
    });
    EXPECT_EQ(text, "链接已复制到剪切板");
    EXPECT_EQ(title, "提示");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kFinalLink);
  }
}

TEST_F(Frm2Test, LinkPageWithoutRedirectLeavesTheClipboardAndSaysNothing) {
  Select("电驴", "a1");
  QGuiApplication::clipboard()->setText("before");
  WhileShown([&](frm2*, ListView* lvw) {
    QString text, title;
    WhileOpen box;
    box.Then(CloseMessageBox(&text, &title));
    PressRow(lvw, 1);
    EXPECT_FALSE(box.Done());
    EXPECT_EQ(lvw->SelectedItem(), 1);
  });
  EXPECT_EQ(Requests("/link/abc_1/1/"), 1u);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
}

TEST_F(Frm2Test, PressBesideTheRowsRequestsNothing) {
  Select("电驴", "a1");
  WhileShown([&](frm2*, ListView* lvw) {
    lvw->SetSelectedItem(0);
    PressBeside(lvw);
    EXPECT_EQ(lvw->SelectedItem(), std::nullopt);
  });
  EXPECT_EQ(Requests("/link/"), 0u);
}

}  // namespace

namespace {

// Stands for another program on the clipboard: whenever the clipboard changes, `take` runs.
// It may put its own text there, as a clipboard owner that will not let go does, or empty the
// clipboard, as one that refuses the text does.
TEST_F(Frm2Test, ClipboardThatDoesNotKeepTheLinkGetsNoConfirmation) {
  Select("电驴", "a1");
  QClipboard* clipboard = QGuiApplication::clipboard();
  const std::vector<std::function<void()>> others{
      [clipboard] { clipboard->setText("held by another program"); },
      [clipboard] { clipboard->clear(); }};
  for (const auto& take : others) {
    clipboard->setText("before");
    bool taking = false;
    const auto connection = QObject::connect(clipboard, &QClipboard::dataChanged, [&] {
      if (taking) return;
      taking = true;
      take();
      taking = false;
    });
    QString text, title;
    WhileShown([&](frm2*, ListView* lvw) {
      WhileOpen box;
      box.Then(CloseMessageBox(&text, &title));
      PressRow(lvw, 0);
      EXPECT_FALSE(box.Done()) << text.toStdString();
    });
    QObject::disconnect(connection);
    EXPECT_NE(clipboard->text(), kFinalLink);
  }
  // The program goes on: with the clipboard free again, the same press copies and confirms.
  QString text, title;
  WhileShown([&](frm2*, ListView* lvw) {
    WhileOpen box;
    box.Then(CloseMessageBox(&text, &title));
    PressRow(lvw, 0);
    EXPECT_TRUE(box.Done());
  });
  EXPECT_EQ(text, "链接已复制到剪切板");
  EXPECT_EQ(clipboard->text(), kFinalLink);
}

}  // namespace
