// A chart window on one converted text. The column picker (the text's groups, a check box per
// column and a filter field) stands beside the chart, and a summary row per ticked column below
// it. File > Open, a file dropped onto the window or `openFile` reads a text on a worker thread,
// with a progress bar for large files; the window stays responsive, and a new file replaces the
// one shown. Each ticked column is drawn decimated to the plot's width and drawn again on every
// zoom. Columns of one unit share a y axis, a second unit gets an axis on the right, and a third
// is refused with a message in the status bar. The window deletes itself when closed.
#pragma once

#include <QFutureWatcher>
#include <QMainWindow>
#include <memory>
#include <vector>

#include "app/qt/chart/chart_table.h"
#include "app/qt/chart/chart_view.h"
#include "app/qt/chart/series_math.h"

class QDateTimeAxis;
class QLineEdit;
class QLineSeries;
class QProgressBar;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QValueAxis;

namespace vid::chart {

/// What the worker thread hands over: the file read, its table and the time of each row on the
/// time axis, or why it is none.
struct LoadedText {
  QString path;
  std::shared_ptr<const ChartTable> table;
  std::vector<double> x;
  QString error;
};

class ChartWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit ChartWindow(QWidget* parent = nullptr);
  ~ChartWindow() override;

  /// Starts reading `path`; `loaded` follows. A read under way is abandoned. A file that is no
  /// converted text leaves the text shown as it was.
  void openFile(const QString& path);
  bool isLoading() const;

  const ChartTable& table() const { return *table_; }
  /// The time of each row on the time axis, in milliseconds since the epoch.
  const std::vector<double>& times() const { return x_; }
  QChart* chart() const { return chart_; }
  ChartView* view() const { return view_; }

  /// Ticks or unticks `column` as its check box does. Ticking a column of a third unit is
  /// refused: false, with a message.
  bool setColumnChecked(int column, bool on);
  /// The series of a ticked column, nullptr for an unticked one.
  QLineSeries* series(int column) const;
  /// Shows [from, to] (time axis milliseconds), kept within the recording.
  void setTimeRange(double from, double to);
  void resetZoom();

  /// The summary as tab-separated text with CR LF line ends, as the converted texts: a title
  /// line, then one line per ticked column.
  QString summaryText() const;
  /// The text of the status bar: the last message.
  QString message() const;
  /// The chart as the view shows it, with the window's title above the plot.
  bool savePng(const QString& path) const;
  bool saveSvg(const QString& path) const;

 signals:
  void loaded(bool ok);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct Trace {
    int column;
    QLineSeries* series;
    Summary summary;
  };

  void createActions();
  void createPicker();
  void createChart();
  void createSummary();
  /// Asks where to save the chart: `<text name>.<suffix>` beside the text is proposed, and a
  /// name typed without an extension gets `suffix`. Empty when the user cancels.
  QString askSavePath(const QString& suffix, const QString& filter);

  void onLoaded();
  void fillPicker();
  void applyFilter(const QString& text);
  void onItemChanged(QTreeWidgetItem* item);
  void zoomBy(double factor, double at);
  void scheduleRefresh();
  /// Decimates every ticked column to the visible range, fits the y axes, fills the summary.
  void refresh();
  void placeSeries();
  ChartView::Hover nearest(QPointF at) const;
  QString unitTitle(const QString& unit, QValueAxis* axis) const;
  /// The time range of the rows.
  std::pair<double, double> fullRange() const;

  std::shared_ptr<const ChartTable> table_;
  std::vector<double> x_;
  bool ascending_ = true;
  QString path_;               ///< the text shown
  std::vector<Trace> traces_;  ///< the ticked columns, in the order they were ticked
  QFutureWatcher<LoadedText> watcher_;
  bool refresh_pending_ = false;
  double idle_end_;  ///< the time axis ends here while no row is shown

  QTreeWidget* picker_ = nullptr;
  QLineEdit* filter_ = nullptr;
  std::vector<QTreeWidgetItem*> items_;  ///< the picker's item of each column
  QChart* chart_ = nullptr;
  ChartView* view_ = nullptr;
  QDateTimeAxis* time_axis_ = nullptr;
  QValueAxis* left_axis_ = nullptr;
  QValueAxis* right_axis_ = nullptr;
  QTableWidget* summary_ = nullptr;
  QProgressBar* progress_ = nullptr;
};

}  // namespace vid::chart
