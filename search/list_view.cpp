// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/list_view.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "search/network_text.h"
#include "search/qt_compat.h"
#include "search/window_style.h"

namespace {

// Qt's own accessible face of a list (rows, cells, selection) knows no busy state: this one is
// Qt's with the list's busy state added, and hands every other question to Qt's.
class BusyAwareList final : public QAccessibleInterface {
 public:
  explicit BusyAwareList(QAccessibleInterface* table) : m_table(table) {}
  // Qt's cache forgets all but the newest face of a list when the list goes (Qt 5), or deletes
  // each (Qt 6, where the second delete finds nothing): Qt's own goes with this one.
  ~BusyAwareList() override {
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(m_table));
  }
  bool isValid() const override { return m_table->isValid(); }
  QObject* object() const override { return m_table->object(); }
  QWindow* window() const override { return m_table->window(); }
  QAccessibleInterface* focusChild() const override { return m_table->focusChild(); }
  QAccessibleInterface* childAt(int x, int y) const override { return m_table->childAt(x, y); }
  QAccessibleInterface* parent() const override { return m_table->parent(); }
  QAccessibleInterface* child(int index) const override { return m_table->child(index); }
  int childCount() const override { return m_table->childCount(); }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return m_table->indexOfChild(child);
  }
  QString text(QAccessible::Text t) const override { return m_table->text(t); }
  void setText(QAccessible::Text t, const QString& text) override { m_table->setText(t, text); }
  QRect rect() const override { return m_table->rect(); }
  QAccessible::Role role() const override { return m_table->role(); }
  QAccessible::State state() const override {
    QAccessible::State state = m_table->state();
    const auto* list = qobject_cast<const ListView*>(m_table->object());
    state.busy = list != nullptr && list->IsBusy();
    return state;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return m_table->interface_cast(type);
  }

 private:
  QAccessibleInterface* const m_table;
};

// Asked by Qt for each class of a widget, most derived first: for a ListView it has Qt make its
// own face first, as for any tree view, and puts BusyAwareList in front of it.
QAccessibleInterface* AccessibleListView(const QString& className, QObject* object) {
  static bool qtsOwn = false;  // while Qt makes its own
  if (qtsOwn || className != QLatin1String("ListView")) return nullptr;
  qtsOwn = true;
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(object);
  qtsOwn = false;
  return table == nullptr ? nullptr : new BusyAwareList(table);
}

}  // namespace

ListView::ListView(const std::vector<Column>& columns, QWidget* parent) : QTreeWidget(parent) {
  static const bool installed = (QAccessible::installFactory(AccessibleListView), true);
  (void)installed;
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

void ListView::SetText(int row, const QString& text) { SetSubItem(row, 0, text); }

QString ListView::Text(int row) const { return SubItem(row, 0); }

void ListView::SetSubItem(int row, int i, const QString& text) {
  QTreeWidgetItem* item = topLevelItem(row);
  item->setData(i, Qt::UserRole, text);
  if (!m_unseen[static_cast<std::size_t>(i)]) item->setData(i, Qt::DisplayRole, ShownText(text));
}

QString ListView::SubItem(int row, int i) const {
  return topLevelItem(row)->data(i, Qt::UserRole).toString();
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

std::optional<int> ListView::CurrentItem() const {
  if (currentItem() == nullptr) return std::nullopt;
  return indexOfTopLevelItem(currentItem());
}

QPoint ListView::MenuPosition(int row) const {
  return viewport()->mapToGlobal(visualItemRect(topLevelItem(row)).bottomLeft());
}

void ListView::SetBusy(bool busy) {
  if (busy == m_busy) return;
  m_busy = busy;
  QAccessible::State changed;
  changed.busy = true;
  QAccessibleStateChangeEvent event(this, changed);
  QAccessible::updateAccessibility(&event);
}

void ListView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  event->accept();
  const QPointF at = MousePosition(*event);
  emit MouseDown(event->button(), event->modifiers(), at.x(), at.y());
}

void ListView::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void ListView::keyPressEvent(QKeyEvent* event) {
  int key = event->key();
  if (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) key = Qt::Key_Menu;
  // The context-menu key itself comes as a context-menu request too, which opens the menu.
  if (event->key() == Qt::Key_Menu ||
      (!IsMenuKey(key) && !IsEnterKey(key) && key != Qt::Key_Space)) {
    QTreeWidget::keyPressEvent(event);
    return;
  }
  if (key == Qt::Key_Space) QTreeWidget::keyPressEvent(event);
  event->accept();
  emit KeyDown(key, event->modifiers());
}

void ListView::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() != QContextMenuEvent::Keyboard) {
    event->ignore();
    return;
  }
  event->accept();
  emit KeyDown(Qt::Key_Menu, event->modifiers());
}
