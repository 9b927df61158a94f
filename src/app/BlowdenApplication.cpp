#include "app/BlowdenApplication.h"

#include "base/Convert.h"
#include "services/MessageBox.h"

namespace blowden {

TBlowdenApplication::TBlowdenApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TBlowdenApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowException(activeWindow(), std::current_exception());
  }
  return true;
}

QString ProgramTitle() { return QStringLiteral("Blowden"); }

void ShowException(QWidget* parent, const std::exception_ptr& error) {
  if (!error) return;
  QString text;
  try {
    std::rethrow_exception(error);
  } catch (const EConvertError& e) {
    text = QString::fromStdString(e.what());
  } catch (const std::exception& e) {
    text = QString::fromStdString(e.what());
  } catch (...) {
    text = QStringLiteral("An unexpected error occurred.");
  }
  TMessageBox::Error(parent, ProgramTitle(), text);
}

}  // namespace blowden
