#include "charts/widgets/QmChartPanel.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace blowden {

// ---------------------------------------------------------------- the widget

TChartPanel::TChartPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  resize(250, 200);
  connect(this, &QObject::objectNameChanged, this,
          [this](const QString& name) { setAccessibleDescription(name); });
}

TChartPanel::~TChartPanel() = default;

void TChartPanel::SetTitle(const QString& value) {
  TChartPicture::SetTitle(value);
  setAccessibleName(value);
}

void TChartPanel::CopyToClipboard() {
  if (Image().size() != size()) Redraw();
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setImage(Picture());
}

void TChartPanel::Invalidate(const QRect& rect) {
  if (!FInPaint) update(rect);
}

void TChartPanel::paintEvent(QPaintEvent* event) {
  FInPaint = true;
  if (Image().size() != size()) Redraw();
  FInPaint = false;
  QPainter screen(this);
  screen.drawImage(event->rect(), Image(), event->rect());
}

void TChartPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Redraw();
}

void TChartPanel::mousePressEvent(QMouseEvent* event) {
  emit MouseDown(event);
  const QPoint pixel = event->position().toPoint();
  UpdateMousePosition(pixel);
  if (HitTest(pixel)) PickHitPoint();
}

void TChartPanel::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pixel = event->position().toPoint();
  UpdateMousePosition(pixel);
  if (Dragging()) {
    if (!IsPixelInPlot(pixel.x(), pixel.y())) return;
    bool allow = true;
    if (OnAllowPointMove) OnAllowPointMove(this, event->modifiers(), pixel.x(), pixel.y(), allow);
    if (allow)
      MoveHitPoint();
    else
      EndDragging();
  } else if (HitTest(pixel)) {
    setCursor(Qt::PointingHandCursor);
  } else {
    unsetCursor();
  }
  if (ShowXYPos()) UpdateXYPos();
  emit MouseMove(event);
}

void TChartPanel::mouseReleaseEvent(QMouseEvent* event) {
  emit MouseUp(event);
  EndDragging();
  unsetCursor();
}

void TChartPanel::contextMenuEvent(QContextMenuEvent* event) {
  emit ContextPopup(event->globalPos());
  event->accept();
}

}  // namespace blowden
