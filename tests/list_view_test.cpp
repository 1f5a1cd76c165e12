// The list control of both windows.
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "gui_helpers.h"

namespace {

TEST(ListViewTest, CellsReadBackExactlyAlsoInAHiddenColumn) {
  ListView list({{"名称", 6500}, {"大小", 1500}, {"类型", 700}, {"url", 0}}, nullptr);
  const int row = list.Add();
  list.SetText(row, "【点击复制链接】a&amp;b\r");
  list.SetSubItem(row, 3, " link/x y/ ");
  EXPECT_EQ(list.Text(row), "【点击复制链接】a&amp;b\r");
  EXPECT_EQ(list.SubItem(row, 3), " link/x y/ ");
  EXPECT_EQ(list.SubItem(row, 1), "");
}

TEST(ListViewTest, RowsKeepTheirOrderAndClearEmpties) {
  ListView list({{"名称", 6500}, {"url", 0}}, nullptr);
  for (const char* text : {"b", "a", "c"}) list.SetText(list.Add(), text);
  EXPECT_EQ(list.Text(0), "b");
  EXPECT_EQ(list.Text(2), "c");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(ListViewTest, SelectionIsOneRowOrNone) {
  ListView list({{"名称", 6500}}, nullptr);
  for (int i = 0; i < 3; ++i) list.Add();
  list.SetSelectedItem(1);
  list.SetSelectedItem(2);
  EXPECT_EQ(list.SelectedItem(), 2);
  EXPECT_EQ(list.selectedItems().size(), 1);
  list.SetSelectedItem(std::nullopt);
  EXPECT_EQ(list.SelectedItem(), std::nullopt);
}

TEST(ListViewTest, HitTestFindsTheRowUnderThePoint) {
  ListView list({{"名称", 6500}}, nullptr);
  list.resize(300, 200);
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  EXPECT_EQ(list.HitTest(10, 10), std::nullopt);  // empty list
  for (int i = 0; i < 3; ++i) list.SetText(list.Add(), QString::number(i));
  const QPoint second = list.visualItemRect(list.topLevelItem(1)).center();
  EXPECT_EQ(list.HitTest(second.x(), second.y()), 1);
  EXPECT_EQ(list.HitTest(10, list.viewport()->height() - 2), std::nullopt);
}

TEST(ListViewTest, PressReportsButtonKeysAndPositionAndSelectsNothingByItself) {
  ListView list({{"名称", 6500}}, nullptr);
  list.resize(300, 200);
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  list.SetText(list.Add(), "row");
  QSignalSpy spy(&list, &ListView::MouseDown);
  PressRow(&list, 0, Qt::MiddleButton, Qt::ShiftModifier);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).value<Qt::MouseButton>(), Qt::MiddleButton);
  EXPECT_EQ(spy.at(0).at(1).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
  const QPoint center = list.visualItemRect(list.topLevelItem(0)).center();
  EXPECT_EQ(spy.at(0).at(2).toReal(), center.x());
  EXPECT_EQ(spy.at(0).at(3).toReal(), center.y());
  EXPECT_EQ(list.SelectedItem(), std::nullopt);
}

}  // namespace
