// SPDX-License-Identifier: GPL-3.0-or-later
// The detail window: the links of the entry selected in the search window. Each showing loads
// the list afresh before the window appears; a press on a link row copies its final link to the
// clipboard.
//
//   frm2 detail(searchList, siteBase, NetworkPageSource());
//   detail.ShowModal();   // returns when the user has closed it
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "web/page_source.h"

class ListView;

class frm2 final : public QDialog {
  Q_OBJECT

 public:
  // `searchList` is the search window's result list, whose selected row is read at each load.
  // It shows as busy while the links of its row load.
  frm2(ListView& searchList, std::string siteBase, PageSource source);
  frm2(const frm2&) = delete;
  frm2& operator=(const frm2&) = delete;

  // Loads the links, shows the window modally and discards the rows once it is closed. When the
  // load is cancelled (the search window was closed meanwhile) the window is not shown.
  void ShowModal();

 protected:
  // Escape does not close the window; only its close button does.
  void keyPressEvent(QKeyEvent* event) override;
  // A close request is never held back: it abandons a link copy in flight and closes at once.
  void closeEvent(QCloseEvent* event) override;

 private:
  // False when the load was cancelled.
  bool Form_Load();
  void lvw_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, qreal x, qreal y);
  // Enter and Space copy the current row's link, as a press on the row does.
  void lvw_KeyDown(int key, Qt::KeyboardModifiers shift);
  // Selects `row` (or no row) and copies its final link, confirming it.
  void CopyLink(std::optional<int> row);

  ListView& m_searchList;
  const std::string m_siteBase;
  const PageSource m_source;
  ListView* lvw = nullptr;
};
