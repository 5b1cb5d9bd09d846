#include "app/qt/chart/chart_view.h"

#include <QDateTime>
#include <QDateTimeAxis>
#include <QMouseEvent>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace vid::chart {

namespace {

QDateTimeAxis* TimeAxis(QChart* chart) {
  const QList<QAbstractAxis*> axes = chart->axes(Qt::Horizontal);
  return axes.isEmpty() ? nullptr : qobject_cast<QDateTimeAxis*>(axes.first());
}

}  // namespace

ChartView::ChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
  setRubberBand(QChartView::HorizontalRubberBand);
  setRenderHint(QPainter::Antialiasing);
  setMouseTracking(true);
  // The shading and the marker are drawn over the whole plot: a partial update would leave
  // pieces of them behind when the plot moves.
  setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
}

void ChartView::setOutages(std::vector<Span> spans) {
  outages_ = std::move(spans);
  viewport()->update();
}

double ChartView::timeAt(double x) const {
  const QDateTimeAxis* axis = TimeAxis(chart());
  const QRectF plot = chart()->plotArea();
  if (!axis || plot.width() <= 0) return 0;
  const double lo = axis->min().toMSecsSinceEpoch(), hi = axis->max().toMSecsSinceEpoch();
  return lo + (x - plot.left()) / plot.width() * (hi - lo);
}

double ChartView::xOf(double time) const {
  const QDateTimeAxis* axis = TimeAxis(chart());
  const QRectF plot = chart()->plotArea();
  const double lo = axis->min().toMSecsSinceEpoch(), hi = axis->max().toMSecsSinceEpoch();
  return hi > lo ? plot.left() + (time - lo) / (hi - lo) * plot.width() : plot.left();
}

QPointF ChartView::toChart(QPointF view_pos) const {
  return chart()->mapFromScene(mapToScene(view_pos.toPoint()));
}

void ChartView::wheelEvent(QWheelEvent* event) {
  const QPointF at = toChart(event->position());
  if (!TimeAxis(chart()) || !chart()->plotArea().contains(at)) return QChartView::wheelEvent(event);
  const double steps = event->angleDelta().y() / 120.0;
  if (steps != 0) emit zoomRequested(std::pow(0.8, steps), timeAt(at.x()));
  event->accept();
}

void ChartView::mouseMoveEvent(QMouseEvent* event) {
  QChartView::mouseMoveEvent(event);
  Hover hover;
  if (event->buttons() == Qt::NoButton && nearest) hover = nearest(toChart(event->position()));
  if (hover.text.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(event->globalPosition().toPoint(), hover.text, this);
  }
  const bool shown = !hover.text.isEmpty();
  if (shown != marker_shown_ || (shown && hover.at != marker_)) {
    marker_shown_ = shown;
    marker_ = hover.at;
    viewport()->update();
  }
}

bool ChartView::viewportEvent(QEvent* event) {
  // The scene's own tooltip would hide the nearest point's once the mouse rests.
  if (event->type() == QEvent::ToolTip) return true;
  return QChartView::viewportEvent(event);
}

void ChartView::leaveEvent(QEvent* event) {
  QChartView::leaveEvent(event);
  clearHover();
}

void ChartView::clearHover() {
  if (!marker_shown_) return;
  marker_shown_ = false;
  QToolTip::hideText();
  viewport()->update();
}

void ChartView::drawForeground(QPainter* painter, const QRectF& rect) {
  QChartView::drawForeground(painter, rect);
  if (!TimeAxis(chart())) return;
  // The painter works in scene coordinates, the plot area and the marker are the chart's.
  painter->save();
  painter->setTransform(chart()->sceneTransform(), true);
  const QRectF plot = chart()->plotArea();
  painter->setClipRect(plot);
  painter->setPen(Qt::NoPen);
  painter->setBrush(QColor(220, 60, 60, 70));
  for (const Span& s : outages_) {
    double left = xOf(s.from), right = xOf(s.to);
    if (right < plot.left() || left > plot.right()) continue;
    // A short outage still gets a visible band.
    if (right - left < 3) left = (left + right) / 2 - 1.5, right = left + 3;
    painter->drawRect(QRectF(left, plot.top(), right - left, plot.height()));
  }
  if (marker_shown_) {
    painter->setPen(QPen(Qt::black, 1.5));
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(marker_, 4, 4);
  }
  painter->restore();
}

}  // namespace vid::chart
