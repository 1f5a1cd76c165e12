// SPDX-License-Identifier: GPL-3.0-or-later
// The report-style list of both windows: rows of a text and sub-items 1 to 3 under column
// headers, a hit test, one selected row or none, a press signal for every mouse button and a key
// signal for the keys that act on a row.
//
//   ListView lvw({{"名称", 6500}, {"类型", 700}, {"url", 0}}, this);
//   const int row = lvw.Add();
//   lvw.SetText(row, title);
//   lvw.SetSubItem(row, 2, entryId);     // kept, though its column takes no space
//
// Rows stay in the order they were added. Every cell keeps the text written to it and reads it back
// verbatim; a cell shows, and a screen reader reads, what ShownText makes of it, so no text of any
// size or make can slow the list or reorder it. A column of width 0 is not seen and cannot be
// widened, yet its cells are written and read back like any other.
#pragma once

#include <QTreeWidget>
#include <optional>
#include <vector>

class ListView final : public QTreeWidget {
  Q_OBJECT

 public:
  struct Column {
    QString header;
    int widthTwips;
  };

  ListView(const std::vector<Column>& columns, QWidget* parent);

  void Clear();
  // Appends an empty row and returns its index.
  int Add();
  int Count() const;
  void SetText(int row, const QString& text);
  QString Text(int row) const;
  // Sub-item i (from 1) is the cell of column i. A column of width 0 keeps its cells for the
  // program but shows them to no one: a screen reader does not read them out either.
  void SetSubItem(int row, int i, const QString& text);
  QString SubItem(int row, int i) const;

  // The row under the point (viewport coordinates, as MouseDown reports them), or none.
  std::optional<int> HitTest(qreal x, qreal y) const;
  // Selects `row`, or leaves no row selected when given none.
  void SetSelectedItem(std::optional<int> row);
  std::optional<int> SelectedItem() const;
  // The row the keyboard is on (arrows, Home, End move it), or none.
  std::optional<int> CurrentItem() const;
  // Where a menu for `row` opens from the keyboard: the left end of the row's lower edge, in
  // screen coordinates.
  QPoint MenuPosition(int row) const;

  // While busy, the list tells assistive technology so (its accessible state), as one that is
  // being filled. Set and cleared by the wait that fills it.
  void SetBusy(bool busy);
  bool IsBusy() const { return m_busy; }

  // The keys that act on a row: the context-menu key and Shift+F10 (both signalled as
  // Qt::Key_Menu), Enter and Space.
  static bool IsMenuKey(int key) { return key == Qt::Key_Menu; }
  static bool IsEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

 signals:
  // A press of any mouse button over the list, with the keys held and the position.
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, qreal x, qreal y);
  // One of the keys that act on a row, with the keys held. The other keys keep their usual
  // meaning and are not signalled; Space also selects the current row, as it always did.
  void KeyDown(int key, Qt::KeyboardModifiers shift);

 protected:
  // The windows decide what a press selects; the list itself selects nothing on a press or a drag.
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // The keyboard's context-menu request, signalled as Qt::Key_Menu. The window systems send it for
  // the context-menu key (which then comes as a key press too, left alone) and Windows for
  // Shift+F10 (which then comes as no key press); elsewhere Shift+F10 is a key press.
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  std::vector<bool> m_unseen;  // by column: width 0
  bool m_busy = false;
};
