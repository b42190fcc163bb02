#pragma once
// Answers the program's modal boxes in tests: every modal window that comes up while a
// catcher lives is recorded (its text, for a message box) and accepted.

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

namespace kq505::test {

class MessageCatcher {
  public:
    MessageCatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
        timer_.start(10);
    }

    QStringList texts;
    QStringList titles;

  private:
    void Answer() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) texts << box->text();
        titles << dialog->windowTitle();
        dialog->accept();
    }

    QTimer timer_;
};

}  // namespace kq505::test
