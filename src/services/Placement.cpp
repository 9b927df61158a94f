#include "services/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <algorithm>

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

  const int state = ReadInt(*settings, QStringLiteral("WinState"), StateValue(window->windowState()));
  settings->endGroup();

  window->move(left, top);
  if (readSize) window->resize(width, height);
  FitOnScreen(window);
  const Qt::WindowStates kept =
      window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
  window->setWindowState(kept | StateFromValue(state));
  if (readVisible) window->setVisible(visible);
}

QRect FitInside(const QRect& window, const QRect& available, const QSize& minimum) {
  if (!available.isValid()) return window;
  const int width = std::max(std::min(window.width(), available.width()), minimum.width());
  const int height = std::max(std::min(window.height(), available.height()), minimum.height());
  // Right and bottom first, then left and top: a window larger than the
  // area keeps its top left corner on it.
  int left = std::min(window.left(), available.left() + available.width() - width);
  int top = std::min(window.top(), available.top() + available.height() - height);
  left = std::max(left, available.left());
  top = std::max(top, available.top());
  return QRect(left, top, width, height);
}

void FitOnScreen(QWidget* window) {
  if (!window) return;
  const QScreen* screen = window->isVisible() ? window->screen() : nullptr;
  if (!screen) screen = QGuiApplication::screenAt(window->pos());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  // The frame the window manager adds (none before the window is shown).
  const QRect frame = window->frameGeometry(), inner = window->geometry();
  const QSize extra(frame.width() - inner.width(), frame.height() - inner.height());
  const QRect fitted = FitInside(frame, screen->availableGeometry(), window->minimumSize() + extra);
  if (fitted.size() != frame.size()) window->resize(fitted.size() - extra);
  if (fitted.topLeft() != frame.topLeft()) window->move(fitted.topLeft());
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
