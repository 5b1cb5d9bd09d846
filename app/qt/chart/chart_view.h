// The chart's drawing surface: a QChartView that zooms along the time axis with a rubber band
// (a right click zooms out) and with the wheel, shades the outage periods over the plot, and
// shows the nearest point under the mouse as a tooltip with a marker. It knows nothing of the
// columns: the window answers `nearest` and applies the zoom it asks for.
#pragma once

#include <QChartView>
#include <functional>
#include <vector>

#include "app/qt/chart/series_math.h"

namespace vid::chart {

class ChartView : public QChartView {
  Q_OBJECT

 public:
  /// The tooltip text and the position of the point nearest to a position, both in the chart's
  /// coordinates (those of QChart::plotArea and QChart::mapToPosition); an empty text for none.
  struct Hover {
    QString text;
    QPointF at;
  };

  explicit ChartView(QChart* chart, QWidget* parent = nullptr);

  /// Periods to shade, in the time axis' milliseconds.
  void setOutages(std::vector<Span> spans);
  std::function<Hover(QPointF)> nearest;
  /// Takes the marker and the tooltip away, as when the points move under them.
  void clearHover();
  bool hoverShown() const { return marker_shown_; }

 signals:
  /// The wheel asks for the time range to shrink (factor < 1) or grow around time `at`.
  void zoomRequested(double factor, double at);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void drawForeground(QPainter* painter, const QRectF& rect) override;

 private:
  QPointF toChart(QPointF view_pos) const;
  /// The time at chart position `x`, from the time axis' range and the plot area, and back.
  double timeAt(double x) const;
  double xOf(double time) const;

  std::vector<Span> outages_;
  QPointF marker_;
  bool marker_shown_ = false;
};

}  // namespace vid::chart
