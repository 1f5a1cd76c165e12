// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/frm1.h"

#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

#include "detail/frm2.h"
#include "search/background_call.h"
#include "search/keyword_search.h"
#include "search/list_view.h"
#include "search/window_style.h"

namespace {

const QString kCaption = QStringLiteral("Quillon");
const QString kSearchCaption = QStringLiteral("搜索");
const QString kTagline = QStringLiteral("简单高效可信赖的资源搜索器");
const QString kMenuCaption = QStringLiteral("右键菜单");
const QString kResourceDetailCaption = QStringLiteral("资源详情");
const QString kCancelCaption = QStringLiteral("取消");
const QString kEnterKeyword = QStringLiteral("请输入关键字");
// What a screen reader says for the controls that show no text of their own.
const QString kKeywordName = QStringLiteral("关键字");
const QString kResultsName = QStringLiteral("搜索结果");
// The result list's columns: title, type label, and the entry id, kept but not shown.
const std::vector<ListView::Column> kColumns = {{"名称", 6500}, {"类型", 700}, {"url", 0}};

}  // namespace

frm1::frm1(std::string siteBase, PageSource source)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      m_siteBase(std::move(siteBase)),
      m_source(std::move(source)) {
  setObjectName("frm1");
  setWindowTitle(kCaption);
  setFixedSize(TwipsToPixels(7965), TwipsToPixels(5565));
  CreateControls();
  CreateMenu();
  // Without a title bar there is no close button: Alt+F4 closes the window itself, whatever the
  // window manager does with it.
  auto* close = new QShortcut(QKeySequence(static_cast<int>(Qt::ALT) | Qt::Key_F4), this);
  connect(close, &QShortcut::activated, this, &QWidget::close);
  CenterOnScreen(this);
  txtSearch->setFocus(Qt::OtherFocusReason);
}

frm1::~frm1() = default;

void frm1::closeEvent(QCloseEvent* event) {
  CancelWait();
  QWidget::closeEvent(event);
}

void frm1::CreateControls() {
  txtSearch = new QLineEdit(this);
  txtSearch->setObjectName("txtSearch");
  txtSearch->setAccessibleName(kKeywordName);
  txtSearch->setGeometry(TwipsToPixels(240), TwipsToPixels(360), TwipsToPixels(5655),
                         TwipsToPixels(375));

  cmbSearch = new QPushButton(kSearchCaption, this);
  cmbSearch->setObjectName("cmbSearch");
  cmbSearch->setGeometry(TwipsToPixels(6000), TwipsToPixels(360), TwipsToPixels(1455),
                         TwipsToPixels(375));
  cmbSearch->setAutoDefault(false);
  connect(cmbSearch, &QPushButton::clicked, this, &frm1::cmbSearch_Click);

  Label1 = new QLabel(kTagline, this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(TwipsToPixels(240), TwipsToPixels(80), TwipsToPixels(3495),
                      TwipsToPixels(255));
  Label1->setFont(SongTiFont());
  Label1->setFocusPolicy(Qt::NoFocus);

  lvw = new ListView(kColumns, this);
  lvw->setObjectName("lvw");
  lvw->setAccessibleName(kResultsName);
  lvw->setGeometry(0, TwipsToPixels(840), TwipsToPixels(7935), TwipsToPixels(4695));
  connect(lvw, &ListView::MouseDown, this, &frm1::lvw_MouseDown);
  connect(lvw, &ListView::KeyDown, this, &frm1::lvw_KeyDown);

  setTabOrder(txtSearch, cmbSearch);
  setTabOrder(cmbSearch, lvw);
}

void frm1::CreateMenu() {
  MouseDown = new QMenu(kMenuCaption, this);
  MouseDown->setObjectName("MouseDown");
  MouseDown->setAccessibleName(kMenuCaption);
  ResourceDetail = MouseDown->addAction(kResourceDetailCaption);
  ResourceDetail->setObjectName("ResourceDetail");
  Cancel = MouseDown->addAction(kCancelCaption);
  Cancel->setObjectName("Cancel");
  connect(ResourceDetail, &QAction::triggered, this, &frm1::ResourceDetail_Click);
}

void frm1::cmbSearch_Click() {
  lvw->Clear();
  const std::u16string keyword = txtSearch->text().toStdU16String();
  if (keyword.empty()) {
    ShowNotice(this, kEnterKeyword);
    return;
  }
  std::vector<ResultRow> rows;
  if (!RunWithoutFreezing([&] { rows = KeywordSearch(keyword, m_siteBase, m_source); }, *lvw,
                          Rows::kReplaced)) {
    return;
  }
  for (const ResultRow& row : rows) {
    const int i = lvw->Add();
    lvw->SetText(i, FromUtf8(row.title));
    lvw->SetSubItem(i, 1, FromUtf8(row.typeLabel));
    lvw->SetSubItem(i, 2, FromUtf8(row.entryId));
  }
}

void frm1::lvw_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, qreal x, qreal y) {
  lvw->SetSelectedItem(lvw->HitTest(x, y));
  if (!lvw->SelectedItem()) return;
  ShowMenu(QCursor::pos());
}

// The first entry comes highlighted, so that one Enter takes it (a menu with none highlighted
// spends the first Enter on highlighting one).
void frm1::ShowMenu(QPoint at) {
  MouseDown->setActiveAction(ResourceDetail);
  MouseDown->exec(at);
}

// The context-menu key and Shift+F10 open the menu at the current row, as a press on it does at
// the pointer; Enter does what the menu's first entry does.
void frm1::lvw_KeyDown(int key, Qt::KeyboardModifiers) {
  const std::optional<int> row = lvw->CurrentItem();
  if (!row || (!ListView::IsMenuKey(key) && !ListView::IsEnterKey(key))) return;
  lvw->SetSelectedItem(row);
  if (ListView::IsMenuKey(key)) {
    ShowMenu(lvw->MenuPosition(*row));
  } else {
    ResourceDetail_Click();
  }
}

void frm1::ResourceDetail_Click() {
  if (!m_detail) m_detail = std::make_unique<frm2>(*lvw, m_siteBase, m_source);
  m_detail->ShowModal();
}
