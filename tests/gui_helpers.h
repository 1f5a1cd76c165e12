// What window tests do as a user would: press on rows, answer popup menus and message boxes
// from a timer while they are open, and serve a small catalogue from 127.0.0.1.
#pragma once

#include <QMenu>
#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "search/list_view.h"
#include "test_server.h"

class QTimer;

// Steps to run while a nested event loop (a menu, a modal window, a message box) is open: every
// few milliseconds the first remaining step is tried, and it is done once it returns true.
class WhileOpen final {
 public:
  WhileOpen();
  ~WhileOpen();
  WhileOpen& Then(std::function<bool()> step);
  bool Done() const;

 private:
  std::unique_ptr<QTimer> m_timer;
  std::vector<std::function<bool()>> m_steps;
};

// Steps for WhileOpen: each waits until its kind of window is open.
std::function<bool()> ChooseMenuItem(const QString& caption, QStringList* shownItems = nullptr);
std::function<bool()> DismissMenu();
std::function<bool()> CloseMessageBox(QString* text, QString* title);
std::function<bool()> InWindow(const QString& objectName, std::function<void(QWidget*)> act);

// A press of `button` on row `row`, or beside the rows, of a list.
void PressRow(ListView* list, int row, Qt::MouseButton button = Qt::RightButton,
              Qt::KeyboardModifiers keys = Qt::NoModifier);
void PressBeside(ListView* list, Qt::MouseButton button = Qt::RightButton);

// A catalogue from the files in tests/data: the search gives rows a1, b2, ...; entry a1 has the
// links of entry_page.html, b2 one link of its own; only link/abc_1/0/ has a redirect.
std::function<void(httplib::Server&)> FixtureCatalogue();
