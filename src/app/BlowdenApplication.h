#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <utility>

class QWidget;

namespace blowden {

// The program's application object. Its notify() is the standard error
// handler: a conversion error or a file error that escapes an event handler
// is shown in an error box and the event counts as handled, so the window
// that raised it stays usable.
class TBlowdenApplication : public QApplication {
  Q_OBJECT

 public:
  TBlowdenApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};

// The program's title, used for its message boxes.
QString ProgramTitle();

// Shows the exception held by `error` in the standard error box (the text of
// an EConvertError or any std::exception; a fixed text for anything else).
void ShowException(QWidget* parent, const std::exception_ptr& error);

// Runs `handler` and shows whatever it throws in the standard error box.
// Handlers connected to Qt signals go through this, so that no exception
// ever unwinds through Qt's own code.
template <class F>
void RunGuarded(QWidget* parent, F&& handler) {
  try {
    std::forward<F>(handler)();
  } catch (...) {
    ShowException(parent, std::current_exception());
  }
}

}  // namespace blowden
