// SPDX-License-Identifier: GPL-3.0-or-later
// The search window: keyword box, search button, tagline and result list, with the result list's
// popup menu. It is the program's main window; closing it ends the program.
//
//   frm1 window("http://127.0.0.1:8750/");
//   window.show();
//
// The controls carry the program's own names as object names: txtSearch, cmbSearch, Label1, lvw,
// and the menu MouseDown with ResourceDetail and Cancel.
#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "web/page_source.h"

class ListView;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class frm2;

class frm1 final : public QWidget {
  Q_OBJECT

 public:
  // `siteBase` is the catalogue's address with a trailing "/"; `source` fetches its pages.
  explicit frm1(std::string siteBase, PageSource source = NetworkPageSource());
  ~frm1() override;
  frm1(const frm1&) = delete;
  frm1& operator=(const frm1&) = delete;

 protected:
  // A close request is never held back: it cancels the work a handler waits for, and the window
  // closes at once, which ends the program.
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void CreateMenu();
  void cmbSearch_Click();
  void lvw_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, qreal x, qreal y);
  // The keyboard's ways to the menu and the detail window, for the current row.
  void lvw_KeyDown(int key, Qt::KeyboardModifiers shift);
  void ResourceDetail_Click();
  // Opens the result menu at `at` (screen coordinates) and returns when it has closed.
  void ShowMenu(QPoint at);

  const std::string m_siteBase;
  const PageSource m_source;
  QLineEdit* txtSearch = nullptr;
  QPushButton* cmbSearch = nullptr;
  QLabel* Label1 = nullptr;
  ListView* lvw = nullptr;
  QMenu* MouseDown = nullptr;
  QAction* ResourceDetail = nullptr;
  QAction* Cancel = nullptr;
  std::unique_ptr<frm2> m_detail;  // made on first use, then reused
};
