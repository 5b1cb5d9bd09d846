#include "app/qt/chart/chart_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPromise>
#include <QSplitter>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/qt/cp1252.h"

namespace vid::chart {

namespace {

constexpr qint64 kProgressBarBytes = 4 << 20;  // smaller files are read in a blink
constexpr int kColumnRole = Qt::UserRole;
constexpr int kNoColumn = -1;

const QColor kPalette[] = {{31, 119, 180},  {255, 127, 14}, {44, 160, 44},   {214, 39, 40},
                           {148, 103, 189}, {140, 86, 75},  {227, 119, 194}, {127, 127, 127},
                           {188, 189, 34},  {23, 190, 207}};

QString Text(const std::string& bytes) {
  return FromCp1252(bytes);
}

// The local time of the recording on the time axis. The offset from UTC is looked up once per
// hour of wall-clock time: the changes of daylight saving time fall on whole hours.
std::vector<double> AxisTimes(const std::vector<int64_t>& wall) {
  std::vector<double> x(wall.size());
  int64_t hour = std::numeric_limits<int64_t>::min(), offset = 0;
  for (size_t i = 0; i < wall.size(); ++i) {
    const int64_t h = wall[i] >= 0 ? wall[i] / 3600 : (wall[i] - 3599) / 3600;
    if (h != hour) {
      hour = h;
      const QDateTime utc = QDateTime::fromSecsSinceEpoch(h * 3600, Qt::UTC);
      offset = QDateTime(utc.date(), utc.time(), Qt::LocalTime).toSecsSinceEpoch() - h * 3600;
    }
    x[i] = static_cast<double>(wall[i] + offset) * 1000.0;
  }
  return x;
}

void Load(QPromise<LoadedText>& promise, const QString& path) {
  LoadedText out;
  out.path = path;
  QFile file(path);
  // Only regular files: a pipe or a device would never end. The text is read, not mapped: a
  // mapped file that another program cuts short meanwhile would end the window with SIGBUS.
  if (!QFileInfo(path).isFile()) {
    out.error = QObject::tr("Cannot read %1: not a regular file").arg(path);
    promise.addResult(out);
    return;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    out.error = QObject::tr("Cannot read %1: %2").arg(path, file.errorString());
    promise.addResult(out);
    return;
  }
  const QByteArray bytes = file.readAll();
  const std::string_view text(bytes.constData(), static_cast<size_t>(bytes.size()));
  promise.setProgressRange(0, 100);
  auto table = std::make_shared<ChartTable>();
  std::string error;
  const bool ok = ParseChartText(text, table.get(), &error, [&](size_t done, size_t total) {
    promise.setProgressValue(static_cast<int>(done * 100 / std::max<size_t>(total, 1)));
    return !promise.isCanceled();
  });
  if (promise.isCanceled()) return;
  if (!ok) {
    out.error = QString::fromStdString(error);
  } else {
    out.x = AxisTimes(table->times);
    out.table = std::move(table);
  }
  promise.addResult(out);
}

// 1, 2 or 5 times a power of ten, the nearest at or above `step`.
double NiceStep(double step) {
  const double power = std::pow(10.0, std::floor(std::log10(step)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * power >= step) return m * power;
  }
  return 10 * power;
}

// A figure of a column with as many decimals as the column's cells have in the text.
QString Number(double v, int decimals) {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  if (std::abs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0;  // no "-0.0"
  return locale.toString(v, 'f', decimals);
}

// "1 row", "2 rows": `one` for 1, else `many` with the count.
QString Count(size_t n, const QString& one, const QString& many) {
  return n == 1 ? one : many.arg(n);
}

// Shows `title` above the plot while it lives, then the chart's own title again. The layout is
// applied at once: what is drawn meanwhile has the room for the title.
class ChartTitled {
 public:
  ChartTitled(QChart* chart, const QString& title) : chart_(chart), shown_(chart->title()) {
    if (!title.isEmpty()) show(title);
  }
  ~ChartTitled() { show(shown_); }
  ChartTitled(const ChartTitled&) = delete;
  ChartTitled& operator=(const ChartTitled&) = delete;

 private:
  void show(const QString& title) {
    if (chart_->title() == title) return;
    chart_->setTitle(title);
    chart_->layout()->activate();
  }
  QChart* chart_;
  QString shown_;
};

}  // namespace

ChartWindow::ChartWindow(QWidget* parent)
    : QMainWindow(parent, Qt::Window),
      table_(std::make_shared<ChartTable>()),
      idle_end_(static_cast<double>(QDateTime::currentMSecsSinceEpoch())) {
  setAttribute(Qt::WA_DeleteOnClose);
  // The program ends when its main window closes, whatever charts are still open.
  setAttribute(Qt::WA_QuitOnClose, false);
  setAcceptDrops(true);
  setWindowTitle(tr("Chart"));
  createChart();
  createPicker();
  createSummary();
  createActions();
  resetZoom();

  auto* right = new QSplitter(Qt::Vertical);
  right->addWidget(view_);
  right->addWidget(summary_);
  right->setStretchFactor(0, 1);
  right->setStretchFactor(1, 0);
  right->setSizes({560, 150});
  auto* left = new QWidget;
  auto* layout = new QVBoxLayout(left);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(filter_);
  layout->addWidget(picker_);
  auto* split = new QSplitter(Qt::Horizontal);
  split->addWidget(left);
  split->addWidget(right);
  split->setStretchFactor(1, 1);
  split->setSizes({240, 800});
  setCentralWidget(split);

  progress_ = new QProgressBar;
  progress_->setMaximumWidth(200);
  progress_->hide();
  statusBar()->addPermanentWidget(progress_);
  connect(&watcher_, &QFutureWatcher<LoadedText>::progressValueChanged, progress_,
          &QProgressBar::setValue);
  connect(&watcher_, &QFutureWatcher<LoadedText>::finished, this, &ChartWindow::onLoaded);
  resize(1100, 700);
}

ChartWindow::~ChartWindow() {
  watcher_.cancel();
  watcher_.waitForFinished();
}

void ChartWindow::createActions() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  QAction* open = file->addAction(tr("&Open..."), this, [this] {
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Open a converted text"), QFileInfo(path_).path(), tr("Texts (*.txt);;All (*)"));
    if (!path.isEmpty()) openFile(path);
  });
  open->setShortcut(QKeySequence::Open);
  QAction* png = file->addAction(tr("Save as &PNG..."), this, [this] {
    const QString path = askSavePath(QStringLiteral("png"), tr("PNG image (*.png)"));
    if (!path.isEmpty() && !savePng(path))
      statusBar()->showMessage(tr("Cannot write %1").arg(path));
  });
  QAction* svg = file->addAction(tr("Save as &SVG..."), this, [this] {
    const QString path = askSavePath(QStringLiteral("svg"), tr("SVG drawing (*.svg)"));
    if (!path.isEmpty() && !saveSvg(path))
      statusBar()->showMessage(tr("Cannot write %1").arg(path));
  });
  QAction* copy = file->addAction(tr("&Copy summary"), this, [this] {
    QGuiApplication::clipboard()->setText(summaryText());
    statusBar()->showMessage(tr("Summary copied"), 3000);
  });
  copy->setShortcut(QKeySequence::Copy);
  file->addSeparator();
  file->addAction(tr("&Close"), QKeySequence::Close, this, &QWidget::close);

  QMenu* view = menuBar()->addMenu(tr("&View"));
  QAction* reset = view->addAction(tr("&Reset zoom"), this, &ChartWindow::resetZoom);
  reset->setShortcut(Qt::CTRL | Qt::Key_0);

  QToolBar* bar = addToolBar(tr("Chart"));
  bar->setObjectName(QStringLiteral("toolbar"));
  bar->setMovable(false);
  bar->addActions({open, reset, png, svg, copy});
}

void ChartWindow::createPicker() {
  filter_ = new QLineEdit;
  filter_->setObjectName(QStringLiteral("filter"));
  filter_->setPlaceholderText(tr("Filter columns"));
  filter_->setClearButtonEnabled(true);
  connect(filter_, &QLineEdit::textChanged, this, &ChartWindow::applyFilter);

  picker_ = new QTreeWidget;
  picker_->setObjectName(QStringLiteral("columns"));
  picker_->setColumnCount(2);
  picker_->setHeaderLabels({tr("Column"), tr("Unit")});
  picker_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  picker_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  picker_->header()->setStretchLastSection(false);
  picker_->setUniformRowHeights(true);
  connect(picker_, &QTreeWidget::itemChanged, this, &ChartWindow::onItemChanged);
}

void ChartWindow::createChart() {
  chart_ = new QChart;
  chart_->setTitle(tr("File > Open a converted text, or drop one here"));
  chart_->legend()->setAlignment(Qt::AlignBottom);
  chart_->setMargins(QMargins(4, 4, 4, 4));
  time_axis_ = new QDateTimeAxis;
  left_axis_ = new QValueAxis;
  right_axis_ = new QValueAxis;
  chart_->addAxis(time_axis_, Qt::AlignBottom);
  chart_->addAxis(left_axis_, Qt::AlignLeft);
  chart_->addAxis(right_axis_, Qt::AlignRight);
  right_axis_->hide();
  for (QValueAxis* axis : {left_axis_, right_axis_}) {
    // Labels at round values whatever the range.
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setLabelFormat(QStringLiteral("%.6g"));
  }

  view_ = new ChartView(chart_);
  view_->setObjectName(QStringLiteral("chart"));
  view_->setAcceptDrops(false);  // a dropped file goes to the window
  view_->nearest = [this](QPointF at) { return nearest(at); };
  connect(view_, &ChartView::zoomRequested, this, &ChartWindow::zoomBy);
  connect(time_axis_, &QDateTimeAxis::rangeChanged, this, &ChartWindow::scheduleRefresh);
  connect(chart_, &QChart::plotAreaChanged, this, &ChartWindow::scheduleRefresh);
}

void ChartWindow::createSummary() {
  summary_ = new QTableWidget(0, 8);
  summary_->setObjectName(QStringLiteral("summary"));
  summary_->setHorizontalHeaderLabels({tr("Column"), tr("Unit"), tr("Minimum"), tr("at"),
                                       tr("Mean"), tr("Maximum"), tr("at"), tr("Empty cells")});
  summary_->verticalHeader()->hide();
  summary_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  summary_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  summary_->horizontalHeader()->setStretchLastSection(true);
}

// ---- reading a text

void ChartWindow::openFile(const QString& path) {
  if (watcher_.isRunning()) {
    watcher_.cancel();
    watcher_.waitForFinished();
  }
  progress_->setValue(0);
  progress_->setVisible(QFileInfo(path).size() > kProgressBarBytes);
  statusBar()->showMessage(tr("Reading %1...").arg(QFileInfo(path).fileName()));
  watcher_.setFuture(QtConcurrent::run(Load, path));
}

bool ChartWindow::isLoading() const {
  return watcher_.isRunning();
}

void ChartWindow::onLoaded() {
  progress_->hide();
  if (watcher_.isCanceled() || watcher_.future().resultCount() == 0) return;
  LoadedText result = watcher_.result();
  if (!result.table) {
    statusBar()->showMessage(result.error);
    emit loaded(false);
    return;
  }
  for (const Trace& t : traces_) {
    chart_->removeSeries(t.series);
    delete t.series;
  }
  traces_.clear();
  placeSeries();
  path_ = result.path;
  table_ = std::move(result.table);
  x_ = std::move(result.x);
  ascending_ = IsAscending(x_);

  const ChartTable& t = *table_;
  QString title = QFileInfo(path_).fileName();
  if (!t.serial.empty()) title += QStringLiteral(" - ") + Text(t.serial);
  const QString name = Text(t.name).trimmed();
  if (!name.isEmpty()) title += QStringLiteral(" ") + name;
  setWindowTitle(title);
  chart_->setTitle(QString());
  fillPicker();
  std::vector<Span> outages;
  if (t.downtime_column >= 0) outages = OutageSpans(x_, t.columns[t.downtime_column].values);
  view_->setOutages(std::move(outages));
  resetZoom();
  refresh();

  QString message = Count(t.times.size(), tr("1 row"), tr("%1 rows")) + QStringLiteral(", ") +
                    Count(t.columns.size(), tr("1 column"), tr("%1 columns")) +
                    tr("; drag along the time or turn the wheel to zoom, right click to zoom out");
  if (t.skipped_lines > 0) {
    message += QStringLiteral("; ") + Count(t.skipped_lines, tr("1 line without a date skipped"),
                                            tr("%1 lines without a date skipped"));
  }
  if (t.times.empty()) message = tr("The text holds no rows");
  statusBar()->showMessage(message);
  emit loaded(true);
}

// ---- the column picker

void ChartWindow::fillPicker() {
  const QSignalBlocker quiet(picker_);
  picker_->clear();
  items_.clear();
  const ChartTable& t = *table_;
  std::vector<QTreeWidgetItem*> groups;
  for (const std::string& g : t.groups) {
    auto* item = new QTreeWidgetItem(picker_, {Text(g)});
    item->setData(0, kColumnRole, kNoColumn);
    item->setFlags(Qt::ItemIsEnabled);
    groups.push_back(item);
  }
  for (size_t c = 0; c < t.columns.size(); ++c) {
    const ChartColumn& col = t.columns[c];
    auto* item = new QTreeWidgetItem(groups.at(col.group), {Text(col.name), Text(col.unit)});
    item->setData(0, kColumnRole, static_cast<int>(c));
    item->setToolTip(0, Text(col.label));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    items_.push_back(item);
  }
  picker_->expandAll();
  applyFilter(filter_->text());
}

void ChartWindow::applyFilter(const QString& text) {
  const QString needle = text.trimmed();
  for (int g = 0; g < picker_->topLevelItemCount(); ++g) {
    QTreeWidgetItem* group = picker_->topLevelItem(g);
    const bool group_matches = group->text(0).contains(needle, Qt::CaseInsensitive);
    bool any = false;
    for (int i = 0; i < group->childCount(); ++i) {
      QTreeWidgetItem* item = group->child(i);
      const bool show = group_matches || item->text(0).contains(needle, Qt::CaseInsensitive) ||
                        item->toolTip(0).contains(needle, Qt::CaseInsensitive);
      item->setHidden(!show);
      any = any || show;
    }
    group->setHidden(!any);
  }
}

void ChartWindow::onItemChanged(QTreeWidgetItem* item) {
  const int column = item->data(0, kColumnRole).toInt();
  if (column == kNoColumn) return;
  setColumnChecked(column, item->checkState(0) == Qt::Checked);
}

bool ChartWindow::setColumnChecked(int column, bool on) {
  if (column < 0 || static_cast<size_t>(column) >= table_->columns.size()) return false;
  auto ticked = std::find_if(traces_.begin(), traces_.end(),
                             [&](const Trace& t) { return t.column == column; });
  auto mark = [&](bool checked) {
    const QSignalBlocker quiet(picker_);
    items_[column]->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
  };
  if (!on) {
    if (ticked != traces_.end()) {
      chart_->removeSeries(ticked->series);
      delete ticked->series;
      traces_.erase(ticked);
    }
    mark(false);
    placeSeries();
    refresh();
    return true;
  }
  if (ticked != traces_.end()) return true;

  const ChartColumn& col = table_->columns[column];
  QStringList units;
  for (const Trace& t : traces_) {
    const QString u = Text(table_->columns[t.column].unit);
    if (!units.contains(u)) units.append(u);
  }
  const QString unit = Text(col.unit);
  if (units.size() >= 2 && !units.contains(unit)) {
    mark(false);
    auto shown = [](const QString& u) {
      return u.isEmpty() ? tr("the columns without a unit") : tr("the columns in %1").arg(u);
    };
    statusBar()->showMessage(
        tr("Two units at most: untick %1 or %2 first").arg(shown(units[0]), shown(units[1])));
    return false;
  }

  auto* series = new QLineSeries;
  series->setName(Text(col.label));
  // The first colour that no ticked column uses.
  for (const QColor& colour : kPalette) {
    const bool used = std::any_of(traces_.begin(), traces_.end(),
                                  [&](const Trace& t) { return t.series->color() == colour; });
    if (!used) {
      series->setColor(colour);
      break;
    }
  }
  QPen pen = series->pen();
  pen.setWidthF(1.2);
  series->setPen(pen);
  chart_->addSeries(series);
  series->attachAxis(time_axis_);
  traces_.push_back({column, series, {}});
  mark(true);
  placeSeries();
  refresh();
  return true;
}

QLineSeries* ChartWindow::series(int column) const {
  for (const Trace& t : traces_) {
    if (t.column == column) return t.series;
  }
  return nullptr;
}

// Columns of the first ticked unit go on the left axis, the other unit on the right one.
void ChartWindow::placeSeries() {
  QString left_unit;
  bool right_used = false;
  for (size_t i = 0; i < traces_.size(); ++i) {
    const QString unit = Text(table_->columns[traces_[i].column].unit);
    if (i == 0) left_unit = unit;
    QValueAxis* want = unit == left_unit ? left_axis_ : right_axis_;
    QValueAxis* other = want == left_axis_ ? right_axis_ : left_axis_;
    right_used = right_used || want == right_axis_;
    QLineSeries* s = traces_[i].series;
    if (s->attachedAxes().contains(other)) s->detachAxis(other);
    if (!s->attachedAxes().contains(want)) s->attachAxis(want);
  }
  right_axis_->setVisible(right_used);
  left_axis_->setTitleText(unitTitle(left_unit, left_axis_));
  QString right_title;
  if (right_used) {
    const auto on_right = std::find_if(traces_.begin(), traces_.end(), [&](const Trace& t) {
      return t.series->attachedAxes().contains(right_axis_);
    });
    right_title = unitTitle(Text(table_->columns[on_right->column].unit), right_axis_);
  }
  right_axis_->setTitleText(right_title);
}

// The unit, or for columns without one the names of the columns on the axis.
QString ChartWindow::unitTitle(const QString& unit, QValueAxis* axis) const {
  if (!unit.isEmpty()) return unit;
  QStringList names;
  for (const Trace& t : traces_) {
    if (t.series->attachedAxes().contains(axis)) names.append(t.series->name());
  }
  if (names.size() > 3) names = names.mid(0, 3) << QStringLiteral("...");
  return names.join(QStringLiteral(", "));
}

// ---- zoom and drawing

std::pair<double, double> ChartWindow::fullRange() const {
  if (x_.empty()) return {idle_end_ - 3600e3, idle_end_};
  const auto [lo, hi] = std::minmax_element(x_.begin(), x_.end());
  if (*hi - *lo < 1000) return {*lo - 60e3, *hi + 60e3};
  return {*lo, *hi};
}

void ChartWindow::setTimeRange(double from, double to) {
  const auto [lo, hi] = fullRange();
  from = std::max(from, lo);
  to = std::min(to, hi);
  if (to - from < 1000) to = std::min(hi, from + 1000), from = to - 1000;
  time_axis_->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(from))),
                       QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::ceil(to))));
  refresh();
}

void ChartWindow::resetZoom() {
  const auto [lo, hi] = fullRange();
  setTimeRange(lo, hi);
}

void ChartWindow::zoomBy(double factor, double at) {
  const double lo = time_axis_->min().toMSecsSinceEpoch();
  const double hi = time_axis_->max().toMSecsSinceEpoch();
  setTimeRange(at - (at - lo) * factor, at + (hi - at) * factor);
}

void ChartWindow::scheduleRefresh() {
  if (refresh_pending_) return;
  refresh_pending_ = true;
  // After the zoom that changed the range has finished with every axis.
  QTimer::singleShot(0, this, [this] {
    refresh_pending_ = false;
    refresh();
  });
}

void ChartWindow::refresh() {
  // The marker stood on a point where the old range and axes drew it.
  view_->clearHover();
  double x0 = time_axis_->min().toMSecsSinceEpoch();
  double x1 = time_axis_->max().toMSecsSinceEpoch();
  const auto [lo, hi] = fullRange();
  if (x0 < lo - 1 || x1 > hi + 1) {
    // A right click zooms out past the recording: back within it.
    x0 = std::max(x0, lo);
    x1 = std::min(x1, hi);
    if (x1 - x0 < 1000) x0 = lo, x1 = hi;
    time_axis_->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(x0)),
                         QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(x1)));
  }
  const double span = x1 - x0;
  time_axis_->setFormat(span > 3 * 86400e3  ? QStringLiteral("dd/MM/yy")
                        : span > 2 * 3600e3 ? QStringLiteral("dd/MM hh:mm")
                                            : QStringLiteral("hh:mm:ss"));
  const int width = std::max(1, static_cast<int>(chart_->plotArea().width()));
  time_axis_->setTickCount(std::clamp(width / 110, 2, 12) + 1);

  struct Fit {
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  } fit_left, fit_right;
  // A series with more points than pixels is a band: drawn without antialiasing it looks the
  // same and draws twice as fast.
  bool dense = false;
  for (Trace& t : traces_) {
    const std::vector<float>& v = table_->columns[t.column].values;
    const std::vector<XY> points = Decimate(x_, v, ascending_, x0, x1, width);
    QList<QPointF> list;
    list.reserve(static_cast<qsizetype>(points.size()));
    for (const XY& p : points) list.append(QPointF(p.x, p.y));
    t.series->replace(list);
    dense = dense || list.size() > width;
    t.summary = Summarize(x_, v, ascending_, x0, x1);
    if (t.summary.values == 0) continue;
    Fit& fit = t.series->attachedAxes().contains(right_axis_) ? fit_right : fit_left;
    fit.lo = std::min(fit.lo, t.summary.min);
    fit.hi = std::max(fit.hi, t.summary.max);
  }
  view_->setRenderHint(QPainter::Antialiasing, !dense);
  for (auto [axis, fit] : {std::pair{left_axis_, fit_left}, std::pair{right_axis_, fit_right}}) {
    // No number to scale to: no labels either, as on the empty chart.
    axis->setLabelsVisible(fit.lo <= fit.hi);
    if (!(fit.lo <= fit.hi)) {
      axis->setRange(0, 1);
      continue;
    }
    double pad = (fit.hi - fit.lo) * 0.05;
    if (pad == 0) pad = std::max(1.0, std::abs(fit.hi) * 0.05);
    axis->setRange(fit.lo - pad, fit.hi + pad);
    axis->setTickInterval(NiceStep((fit.hi - fit.lo + 2 * pad) / 6));
  }

  summary_->setRowCount(static_cast<int>(traces_.size()));
  for (int r = 0; r < static_cast<int>(traces_.size()); ++r) {
    const Trace& t = traces_[r];
    const ChartColumn& col = table_->columns[t.column];
    const Summary& s = t.summary;
    const bool any = s.values > 0;
    auto stamp = [&](long row) {
      return row < 0 ? QString() : QString::fromStdString(FormatStamp(table_->times[row]));
    };
    const QString cells[] = {Text(col.label),
                             Text(col.unit),
                             any ? Number(s.min, col.decimals) : QString(),
                             stamp(s.row_min),
                             any ? Number(s.mean, col.decimals) : QString(),
                             any ? Number(s.max, col.decimals) : QString(),
                             stamp(s.row_max),
                             QString::number(s.empty)};
    for (int c = 0; c < 8; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (c == 0) item->setData(Qt::DecorationRole, t.series->color());
      summary_->setItem(r, c, item);
    }
  }
}

ChartView::Hover ChartWindow::nearest(QPointF at) const {
  const QRectF plot = chart_->plotArea();
  if (traces_.empty() || !plot.contains(at)) return {};
  const double x0 = time_axis_->min().toMSecsSinceEpoch();
  const double x1 = time_axis_->max().toMSecsSinceEpoch();
  const double time = x0 + (at.x() - plot.left()) / plot.width() * (x1 - x0);
  ChartView::Hover best;
  double best_distance = std::numeric_limits<double>::infinity();
  for (const Trace& t : traces_) {
    const ChartColumn& col = table_->columns[t.column];
    const long row = NearestRow(x_, col.values, ascending_, time);
    if (row < 0) continue;
    const QPointF pos = chart_->mapToPosition(QPointF(x_[row], col.values[row]), t.series);
    const double distance = std::hypot(pos.x() - at.x(), pos.y() - at.y());
    if (distance >= best_distance) continue;
    best_distance = distance;
    best.at = pos;
    best.text = QStringLiteral("%1\n%2\n%3 %4")
                    .arg(Text(col.label), QString::fromStdString(FormatStamp(table_->times[row])),
                         Number(col.values[row], col.decimals), Text(col.unit))
                    .trimmed();
  }
  return best;
}

// ---- output

QString ChartWindow::summaryText() const {
  QStringList lines;
  QStringList head;
  for (int c = 0; c < summary_->columnCount(); ++c) {
    head.append(summary_->horizontalHeaderItem(c)->text());
  }
  lines.append(head.join(QLatin1Char('\t')));
  for (int r = 0; r < summary_->rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < summary_->columnCount(); ++c) cells.append(summary_->item(r, c)->text());
    lines.append(cells.join(QLatin1Char('\t')));
  }
  return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString ChartWindow::message() const {
  return statusBar()->currentMessage();
}

QString ChartWindow::askSavePath(const QString& suffix, const QString& filter) {
  QFileDialog dialog(this, tr("Save the chart"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(filter);
  dialog.setDefaultSuffix(suffix);
  const QFileInfo text(path_);
  if (!path_.isEmpty()) dialog.setDirectory(text.path());
  dialog.selectFile((path_.isEmpty() ? QStringLiteral("chart") : text.completeBaseName()) +
                    QLatin1Char('.') + suffix);
  if (dialog.exec() != QDialog::Accepted) return QString();
  return dialog.selectedFiles().value(0);
}

bool ChartWindow::savePng(const QString& path) const {
  const ChartTitled titled(chart_, path_.isEmpty() ? QString() : windowTitle());
  return view_->grab().save(path, "PNG");
}

bool ChartWindow::saveSvg(const QString& path) const {
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(view_->size());
  svg.setViewBox(view_->rect());
  svg.setTitle(windowTitle());
  const ChartTitled titled(chart_, path_.isEmpty() ? QString() : windowTitle());
  QPainter painter;
  if (!painter.begin(&svg)) return false;
  view_->render(&painter);
  return painter.end() && QFileInfo(path).size() > 0;
}

void ChartWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!urls.isEmpty() && urls.first().isLocalFile()) event->acceptProposedAction();
}

void ChartWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  openFile(urls.first().toLocalFile());
}

}  // namespace vid::chart
