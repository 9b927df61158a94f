#pragma once

#include <QWidget>
#include <functional>

#include "charts/ChartPicture.h"

namespace blowden {

class TChartPanel;

// Receives Allow = true before a dragged point moves to pixel (x, y); setting
// it to false refuses the move and ends the dragging.
using TAllowPointMoveEvent =
    std::function<void(TChartPanel* sender, Qt::KeyboardModifiers shift, int x, int y, bool& allow)>;

// The interactive chart widget: TChartPicture on the screen, with point
// picking and dragging, the hand cursor over movable points, the position
// read-out, and the clipboard. The owner's mouse signals come in this order:
// MouseDown before the chart handles a press (MouseX/MouseY are still those
// of the last move), MouseMove after it handled a move, MouseUp before
// dragging ends. A right-click (or the menu key) emits ContextPopup with the
// screen position for a menu; the panel shows none itself.
// The title is published as the accessible name; objectName, when set, also
// becomes the accessible description.
class TChartPanel : public QWidget, public TChartPicture {
  Q_OBJECT

 public:
  explicit TChartPanel(QWidget* parent = nullptr);
  ~TChartPanel() override;

  void SetTitle(const QString& value) override;
  // Puts the chart's picture (inner size) on the clipboard.
  void CopyToClipboard();

  TAllowPointMoveEvent OnAllowPointMove;

  QSize sizeHint() const override { return QSize(250, 200); }

 signals:
  void MouseDown(QMouseEvent* event);
  void MouseMove(QMouseEvent* event);
  void MouseUp(QMouseEvent* event);
  void ContextPopup(const QPoint& globalPos);

 protected:
  void Invalidate(const QRect& rect) override;
  QSize PanelSize() const override { return size(); }
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  bool FInPaint = false;
};

}  // namespace blowden
