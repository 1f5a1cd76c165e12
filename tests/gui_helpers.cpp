#include "gui_helpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

WhileOpen::WhileOpen() : m_timer(std::make_unique<QTimer>()) {
  m_timer->setInterval(10);
  QObject::connect(m_timer.get(), &QTimer::timeout, [this] {
    if (!m_steps.empty() && m_steps.front()()) m_steps.erase(m_steps.begin());
    if (m_steps.empty()) m_timer->stop();
  });
}

WhileOpen::~WhileOpen() = default;

WhileOpen& WhileOpen::Then(std::function<bool()> step) {
  m_steps.push_back(std::move(step));
  m_timer->start();
  return *this;
}

bool WhileOpen::Done() const { return m_steps.empty(); }

std::function<bool()> ChooseMenuItem(const QString& caption, QStringList* shownItems) {
  return [caption, shownItems] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return false;
    for (QAction* action : menu->actions()) {
      if (shownItems) shownItems->append(action->text());
      if (action->text() != caption) continue;
      // Clicked from a timer of its own: the item's work may open a modal window, and the
      // steps after this one must go on running meanwhile.
      const QPoint at = menu->actionGeometry(action).center();
      QTimer::singleShot(0, menu, [menu, at] { QTest::mouseClick(menu, Qt::LeftButton, {}, at); });
    }
    return true;
  };
}

std::function<bool()> DismissMenu() {
  return [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return false;
    menu->close();
    return true;
  };
}

std::function<bool()> CloseMessageBox(QString* text, QString* title) {
  return [text, title] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return false;
    *text = box->text();
    *title = box->windowTitle();
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->buttons().size(), 1);
    box->button(QMessageBox::Ok)->click();
    return true;
  };
}

std::function<bool()> InWindow(const QString& objectName, std::function<void(QWidget*)> act) {
  return [objectName, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal->objectName() != objectName || !modal->isVisible()) return false;
    act(modal);
    return true;
  };
}

void PressRow(ListView* list, int row, Qt::MouseButton button, Qt::KeyboardModifiers keys) {
  const QRect rect = list->visualItemRect(list->topLevelItem(row));
  QTest::mousePress(list->viewport(), button, keys, rect.center());
  QTest::mouseRelease(list->viewport(), button, keys, rect.center());
}

void PressBeside(ListView* list, Qt::MouseButton button) {
  const QPoint point(list->viewport()->width() / 2, list->viewport()->height() - 2);
  QTest::mousePress(list->viewport(), button, {}, point);
  QTest::mouseRelease(list->viewport(), button, {}, point);
}

std::function<void(httplib::Server&)> FixtureCatalogue() {
  return [](httplib::Server& s) {
    ServeResultPages(s);
    s.Get("/entry/a1/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(ReadTestData("entry_page.html"), "text/html");
    });
    s.Get("/entry/b2/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<input type=\"checkbox\" value=\"b\" name=\"selectemule\">"
          "<a target=\"_blank\" href=\"link/b2/0/\">only-b.mkv</a></td><td class=\"s\" title=\"1\">1 B</td>",
          "text/html");
    });
    s.Get("/link/abc_1/0/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(ReadTestData("link_page.html"), "text/html");
    });
    s.Get(R"(/link/.*)", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html>no redirect here</html>", "text/html");
    });
  };
}
