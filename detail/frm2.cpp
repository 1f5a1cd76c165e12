// SPDX-License-Identifier: GPL-3.0-or-later
#include "detail/frm2.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

#include "detail/link_copy.h"
#include "detail/link_list.h"
#include "search/background_call.h"
#include "search/list_view.h"
#include "search/network_text.h"
#include "search/window_style.h"

namespace {

const QString kCaption = QStringLiteral("资源详情");
const QString kCopied = QStringLiteral("链接已复制到剪切板");
const QString kLinksName = QStringLiteral("资源链接");  // what a screen reader calls the list
// The detail list's columns: the marked link name, size, type label, and the href, kept but not
// shown.
const std::vector<ListView::Column> kColumns = {
    {"名称", 6500}, {"大小", 1500}, {"类型", 700}, {"url", 0}};

// Replaces the clipboard's text with `link`; true only when the clipboard then holds it. An empty
// link, or one that a paste would run as keys or show reordered, is no link: the clipboard keeps
// what it held.
bool PutOnClipboard(const QString& link) {
  if (!IsCopyable(link)) return false;
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setText(link);
  return clipboard->text() == link;
}

}  // namespace

frm2::frm2(ListView& searchList, std::string siteBase, PageSource source)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_searchList(searchList),
      m_siteBase(std::move(siteBase)),
      m_source(std::move(source)) {
  setObjectName("frm2");
  setWindowTitle(kCaption);
  setFixedSize(TwipsToPixels(8910), TwipsToPixels(3405));
  lvw = new ListView(kColumns, this);
  lvw->setObjectName("lvw");
  lvw->setAccessibleName(kLinksName);
  lvw->setGeometry(0, 0, TwipsToPixels(8895), TwipsToPixels(3375));
  lvw->setFont(SongTiFont());
  connect(lvw, &ListView::MouseDown, this, &frm2::lvw_MouseDown);
  connect(lvw, &ListView::KeyDown, this, &frm2::lvw_KeyDown);
}

void frm2::ShowModal() {
  if (!Form_Load()) return;
  CenterOnScreen(this);
  lvw->setFocus(Qt::OtherFocusReason);
  // Without a current row set, the list would make its first row current when it takes the
  // focus, and that row would look selected though nothing is.
  lvw->SetSelectedItem(std::nullopt);
  exec();
  lvw->Clear();
}

void frm2::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void frm2::closeEvent(QCloseEvent* event) {
  CancelWait();
  QDialog::closeEvent(event);
}

bool frm2::Form_Load() {
  lvw->Clear();
  const std::optional<int> selected = m_searchList.SelectedItem();
  if (!selected) return true;
  const std::string label = m_searchList.SubItem(*selected, 1).toStdString();
  const std::string entryId = m_searchList.SubItem(*selected, 2).toStdString();
  std::vector<LinkRow> rows;
  if (!RunWithoutFreezing([&] { rows = LoadLinks(label, entryId, m_siteBase, m_source); },
                          m_searchList)) {
    return false;
  }
  for (const LinkRow& row : rows) {
    const int i = lvw->Add();
    lvw->SetText(i, FromUtf8(row.text));
    lvw->SetSubItem(i, 1, FromUtf8(row.size));
    lvw->SetSubItem(i, 2, FromUtf8(row.typeLabel));
    lvw->SetSubItem(i, 3, FromUtf8(row.href));
  }
  return true;
}

void frm2::lvw_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, qreal x, qreal y) {
  CopyLink(lvw->HitTest(x, y));
}

void frm2::lvw_KeyDown(int key, Qt::KeyboardModifiers) {
  if (!ListView::IsEnterKey(key) && key != Qt::Key_Space) return;
  if (const std::optional<int> row = lvw->CurrentItem()) CopyLink(row);
}

void frm2::CopyLink(std::optional<int> row) {
  lvw->SetSelectedItem(row);
  const std::optional<int> selected = lvw->SelectedItem();
  if (!selected) return;
  const std::string href = lvw->SubItem(*selected, 3).toStdString();
  std::optional<std::string> link;
  if (!RunWithoutFreezing([&] { link = ResolveLink(href, m_siteBase, m_source); }, *lvw)) return;
  if (!link || !PutOnClipboard(FromUtf8(*link))) return;
  ShowNotice(this, kCopied);
}
