#include "services/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include "services/Settings.h"

namespace blowden {

namespace {

int StateValue(Qt::WindowStates state) {
  if (state & Qt::WindowMinimized) return 1;
  if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) return 2;
  return 0;
}

Qt::WindowStates StateFromValue(int value) {
  switch (value) {
    case 1:
      return Qt::WindowMinimized;
    case 2:
      return Qt::WindowMaximized;
    default:
      return Qt::WindowNoState;
  }
}

// The integer stored under `key`, or `fallback` when it is missing or not a
// number.
int ReadInt(const QSettings& settings, const QString& key, int fallback) {
  bool ok = false;
  const int value = settings.value(key).toInt(&ok);
  return ok ? value : fallback;
}

// Keeps one coordinate on a screen of the given extent.
int KeepOnScreen(int value, int extent) {
  if (value < 0) return 0;
  if (value > extent - 100) return extent - 200;
  return value;
}

}  // namespace

void LoadPlacement(QWidget* window, bool readVisible, bool readSize) {
  if (!window) return;
  const auto settings = OpenSettings();
  settings->beginGroup(window->objectName());

  int left = ReadInt(*settings, QStringLiteral("Left"), window->x());
  int top = ReadInt(*settings, QStringLiteral("Top"), window->y());
  int width = window->width();
  int height = window->height();
  if (readSize) {
    width = ReadInt(*settings, QStringLiteral("Width"), width);
    height = ReadInt(*settings, QStringLiteral("Height"), height);
  }
  bool visible = window->isVisible();
  if (readVisible) visible = settings->value(QStringLiteral("Visible"), false).toBool();

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect bounds = screen->geometry();
    left = KeepOnScreen(left, bounds.width());
    top = KeepOnScreen(top, bounds.height());
  }
  const int state = ReadInt(*settings, QStringLiteral("WinState"), StateValue(window->windowState()));
  settings->endGroup();

  window->move(left, top);
  if (readSize) window->resize(width, height);
  const Qt::WindowStates kept =
      window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
  window->setWindowState(kept | StateFromValue(state));
  if (readVisible) window->setVisible(visible);
}

void SavePlacement(QWidget* window) {
  if (!window) return;
  const auto settings = OpenSettings();
  settings->beginGroup(window->objectName());
  settings->setValue(QStringLiteral("Left"), window->x());
  settings->setValue(QStringLiteral("Top"), window->y());
  settings->setValue(QStringLiteral("Width"), window->width());
  settings->setValue(QStringLiteral("Height"), window->height());
  settings->setValue(QStringLiteral("Visible"), window->isVisible());
  settings->setValue(QStringLiteral("WinState"), StateValue(window->windowState()));
  settings->endGroup();
  settings->sync();
}

}  // namespace blowden
