// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/list_view.h"

#include <QHeaderView>
#include <QMouseEvent>

#include "search/window_style.h"

ListView::ListView(const std::vector<Column>& columns, QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(static_cast<int>(columns.size()));
  QStringList headers;
  for (const Column& column : columns) headers << column.header;
  setHeaderLabels(headers);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSortingEnabled(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAllColumnsShowFocus(true);
  QHeaderView* head = header();
  head->setStretchLastSection(false);
  head->setSectionsMovable(false);
  head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  head->setMinimumSectionSize(0);
  for (int i = 0; i < columnCount(); ++i) {
    const int width = columns[static_cast<std::size_t>(i)].widthTwips;
    head->resizeSection(i, TwipsToPixels(width));
    if (width == 0) head->setSectionResizeMode(i, QHeaderView::Fixed);
    m_unseen.push_back(width == 0);
  }
}

void ListView::Clear() { clear(); }

int ListView::Add() {
  addTopLevelItem(new QTreeWidgetItem);
  return topLevelItemCount() - 1;
}

int ListView::Count() const { return topLevelItemCount(); }

void ListView::SetText(int row, const QString& text) { topLevelItem(row)->setText(0, text); }

QString ListView::Text(int row) const { return topLevelItem(row)->text(0); }

void ListView::SetSubItem(int row, int i, const QString& text) {
  topLevelItem(row)->setData(i, Role(i), text);
}

QString ListView::SubItem(int row, int i) const {
  return topLevelItem(row)->data(i, Role(i)).toString();
}

int ListView::Role(int column) const {
  return m_unseen[static_cast<std::size_t>(column)] ? Qt::UserRole : Qt::DisplayRole;
}

std::optional<int> ListView::HitTest(qreal x, qreal y) const {
  QTreeWidgetItem* item = itemAt(QPointF(x, y).toPoint());
  if (item == nullptr) return std::nullopt;
  return indexOfTopLevelItem(item);
}

void ListView::SetSelectedItem(std::optional<int> row) {
  if (!row) {
    clearSelection();
    setCurrentItem(nullptr);
    return;
  }
  setCurrentItem(topLevelItem(*row));
  topLevelItem(*row)->setSelected(true);
}

std::optional<int> ListView::SelectedItem() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  return indexOfTopLevelItem(selected.front());
}

void ListView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  event->accept();
  emit MouseDown(event->button(), event->modifiers(), event->position().x(), event->position().y());
}

void ListView::mouseMoveEvent(QMouseEvent* event) { event->accept(); }
