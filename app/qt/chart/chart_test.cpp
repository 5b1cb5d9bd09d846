// The chart window on the offscreen platform, over the texts the command line makes from the
// samples and over small hand-made texts: what the picker lists, what the series hold, the axes,
// the zoom, the summary and the saved images. Expected figures are read from the texts here
// with QString, apart from the reader under test.
#include <QDateTimeAxis>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QValueAxis>
#include <cmath>
#include <memory>

#include "app/qt/chart/chart_window.h"
#include "app/qt/main_window.h"

namespace vid::chart {
namespace {

// Converts with the command line into `dir` (sample files named alone); returns the text's path.
QString Convert(const QTemporaryDir& dir, const QStringList& inputs, const QString& out) {
  QStringList args{QStringLiteral("convert")};
  for (const QString& in : inputs) {
    args << (in.endsWith(".pdb") || in.endsWith(".pdc") ? VIDURAVARE_SAMPLES "/" + in : in);
  }
  QProcess::execute(QStringLiteral(VIDURAVARE_CLI), args << "-o" << dir.filePath(out));
  return dir.filePath(out);
}

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
  QFile f(dir.filePath(name));
  return f.open(QIODevice::WriteOnly) && f.write(text) == text.size() ? f.fileName() : QString();
}

// The cells of column `c` (0 = the first after the time) as the text writes them.
std::vector<double> CellsOf(const QString& path, int c) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QList<QByteArray> lines = f.readAll().split('\n');
  std::vector<double> out;
  for (qsizetype i = 2; i < lines.size(); ++i) {
    const QList<QByteArray> cells = lines[i].trimmed().split('\t');
    if (cells.size() > c + 1) out.push_back(QString(cells[c + 1]).replace(',', '.').toDouble());
  }
  return out;
}

// A chart window that has read `path`.
struct Opened {
  std::unique_ptr<ChartWindow> w = std::make_unique<ChartWindow>();
  bool ok = false;
  explicit Opened(const QString& path) {
    QSignalSpy spy(w.get(), &ChartWindow::loaded);
    w->resize(1000, 640);
    w->show();
    w->openFile(path);
    ok = spy.wait(20000) && spy.at(0).at(0).toBool();
    QCoreApplication::processEvents();
  }
  QValueAxis* yAxisOf(int c) const {
    for (QAbstractAxis* a : w->series(c)->attachedAxes()) {
      if (auto* v = qobject_cast<QValueAxis*>(a)) return v;
    }
    return nullptr;
  }
  QDateTimeAxis* timeAxis() const {
    return qobject_cast<QDateTimeAxis*>(w->chart()->axes(Qt::Horizontal).value(0));
  }
};

// The hand-made text: three columns of one unit, empty cells in two of them.
const char kSmall[] =
    "00000001\tVolts\tVolts\tVolts\t\r\nTest\tPh 1\tPh 2\tPh 3\t\r\n"
    "01/02/18 10:00:00\t230.0\t\t1.5\r\n01/02/18 10:10:00\t232.5\t\t-2.5\r\n"
    "01/02/18 10:20:00\t\t\t4.0\r\n01/02/18 10:30:00\t228.0\t\t4.0\r\n";

}  // namespace

class ChartTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void StampsTakeEitherSeparatorAndTheProgramsCentury() {
    int64_t t = 0, u = 0;
    QVERIFY(ParseStamp("05/03/18 14:30:00", &t) && ParseStamp("05.03.2018 14.30.00", &u));
    QCOMPARE(u, t);
    QCOMPARE(FormatStamp(t), std::string("05/03/18 14:30:00"));
    QVERIFY(ParseStamp("31/12/29 00:00:00", &t) && ParseStamp("01/01/30 00:00:00", &u));
    QVERIFY(t > u);                                 // 2029 after 1930
    QVERIFY(!ParseStamp("31/02/18 00:00:00", &t));  // no such day
  }

  void OpensTheTextOfEverySample_data() {
    QTest::addColumn<QStringList>("inputs");  // and options
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<QString>("unit");  // of the last group's first column, as the picker shows it
    const QStringList g{"Phase voltages", "Quality and downtime", "Module 00012345",
                        "Module 00018002"};
    // The g unit's text is read with a point by the test below.
    QTest::newRow("g unit, decimal comma")
        << QStringList{"atelier_nord.pdb", "--decimal-separator", ","} << 25 << g << "";
    QTest::newRow("pages") << QStringList{"--header", "entrepot_header.pdc", "entrepot_01.pdc",
                                          "entrepot_02.pdc"}
                           << 15
                           << QStringList{"Phase voltages", "Module 00012346", "Module 00018003"}
                           << "";
    QTest::newRow("energy") << QStringList{"compteur_blocs.pdc"} << 9
                            << QStringList{"Meter 20C0A1B2"} << "Wh";
    QTest::newRow("mini") << QStringList{"mini_site.pdb"} << 9 << QStringList{"Volt", "Watt", "Amp"}
                          << "A";
    QTest::newRow("quendar") << QStringList{"quendar_chambre.pdc"} << 2
                             << QStringList{"Logger 00051A2B"} << QString::fromUtf8("°C");
  }
  void OpensTheTextOfEverySample() {
    QFETCH(QStringList, inputs);
    QFETCH(int, columns);
    QFETCH(QStringList, groups);
    QFETCH(QString, unit);
    const QString text = Convert(dir_, inputs, QTest::currentDataTag() + QString(".txt"));
    Opened o(text);
    QVERIFY(o.ok);
    const ChartTable& t = o.w->table();
    QCOMPARE(int(t.columns.size()), columns);
    QCOMPARE(t.times.size(), CellsOf(text, 0).size());
    QCOMPARE(t.columns[1].values[0], float(CellsOf(text, 1)[0]));
    auto* picker = o.w->findChild<QTreeWidget*>(QStringLiteral("columns"));
    QStringList shown;
    for (int g = 0; g < picker->topLevelItemCount(); ++g) shown << picker->topLevelItem(g)->text(0);
    QCOMPARE(shown, groups);
    QCOMPARE(picker->topLevelItem(groups.size() - 1)->child(0)->text(1), unit);
    // The filter hides what does not match, groups included.
    o.w->findChild<QLineEdit*>(QStringLiteral("filter"))->setText(QStringLiteral("zzz"));
    QVERIFY(picker->topLevelItem(0)->isHidden());
  }

  void TickedColumnsHoldEveryPointWithinTheirAxesAndAreSaved() {
    const QString text = Convert(dir_, {"atelier_nord.pdb"}, "g.txt");
    Opened o(text);
    QVERIFY(o.ok);
    std::vector<double> volts;
    for (int c = 0; c < 3; ++c) {
      const std::vector<double> cells = CellsOf(text, c);
      QVERIFY(o.w->setColumnChecked(c, true));
      QCOMPARE(o.w->series(c)->count(), int(cells.size()));  // fewer rows than pixels: all
      QCOMPARE(float(o.w->series(c)->at(5).y()), float(cells[5]));
      volts.insert(volts.end(), cells.begin(), cells.end());
    }
    const auto [lo, hi] = std::minmax_element(volts.begin(), volts.end());
    QValueAxis* axis = o.yAxisOf(0);
    QVERIFY(axis->min() <= *lo && axis->max() >= *hi &&
            axis->max() - axis->min() < 3 * (*hi - *lo));
    QCOMPARE(axis->titleText(), QStringLiteral("Volts"));
    // The rows' times, in local time: 05/03/18 00:00 in St John's is 03:30 UTC.
    QCOMPARE(o.timeAxis()->min().toString("dd/MM/yy hh:mm"), QStringLiteral("05/03/18 00:00"));
    QCOMPARE(double(o.timeAxis()->max().toMSecsSinceEpoch()), o.w->times().back());

    // A module channel has no unit of its own: the right axis, named after the column.
    QVERIFY(o.w->setColumnChecked(13, true));
    QVERIFY(o.yAxisOf(13) != axis && o.yAxisOf(13)->alignment() == Qt::AlignRight);
    QCOMPARE(o.yAxisOf(13)->titleText(), QStringLiteral("I1 (00012345)"));
    // Saved as it stands, with the title above the plot that the window leaves out: the phase
    // voltages and one current. The README's screenshot is taken here when asked for.
    QCoreApplication::processEvents();  // the legend and the axes take their places
    QFile svg(dir_.filePath("c.svg"));
    const QImage shown = o.w->view()->grab().toImage();
    QVERIFY(o.w->savePng(dir_.filePath("c.png")) && o.w->saveSvg(svg.fileName()));
    const QImage png(dir_.filePath("c.png"));
    QCOMPARE(png.size(), shown.size());
    QVERIFY(png.copy(0, 0, png.width(), 20) !=
            shown.copy(0, 0, png.width(), 20).convertToFormat(png.format()));
    QVERIFY(svg.open(QIODevice::ReadOnly) &&
            svg.readAll().count("g.txt - 00A1B2C3 Atelier Nord") == 2);
    QVERIFY(o.w->chart()->title().isEmpty());
    const QString shot = qEnvironmentVariable("VIDURAVARE_CHART_SCREENSHOT");
    QVERIFY2(shot.isEmpty() || o.w->grab().save(shot), qPrintable(shot));
    QVERIFY(o.w->setColumnChecked(20, true));  // Temp, no unit either: the same axis
    QCOMPARE(o.yAxisOf(20), o.yAxisOf(13));
    QVERIFY(!o.w->setColumnChecked(12, true));  // Downtime, in s: a third unit
    QVERIFY(o.w->message().contains("Two units") && !o.w->series(12));
    // With the volts gone, the other unit moves to the left.
    for (int c = 0; c < 3; ++c) QVERIFY(o.w->setColumnChecked(c, false));
    QCOMPARE(o.yAxisOf(13)->alignment(), Qt::AlignLeft);

    // The outage of the period without samples is shaded: 1.63 s before 16:40.
    const std::vector<Span> outages =
        OutageSpans(o.w->times(), o.w->table().columns[o.w->table().downtime_column].values);
    QCOMPARE(outages.size(), size_t{1});
    QCOMPARE(QDateTime::fromMSecsSinceEpoch(qint64(outages[0].to)).toString("hh:mm:ss"),
             QStringLiteral("16:40:00"));
    QVERIFY(std::abs(outages[0].to - outages[0].from - 1630) < 1);
  }

  void LargeColumnsAreDecimatedAndRedrawnOnZoom() {
    QByteArray text = "00000001\tVolts\t\r\nBig\tPh 1\t\r\n";
    for (int i = 0; i < 50000; ++i) {  // from 05/01/18 00:00, a minute apart
      text += QByteArray(FormatStamp(1515110400 + i * 60).c_str()) + '\t' +
              QByteArray::number(i == 31000 ? 999.0 : 230 + (i % 7), 'f', 1) + "\r\n";
    }
    Opened o(Write(dir_, "big.txt", text));
    QVERIFY(o.ok && o.w->setColumnChecked(0, true));
    QCoreApplication::processEvents();  // the axes take their width, the plot area its own
    QLineSeries* s = o.w->series(0);
    const int width = int(o.w->chart()->plotArea().width());
    QVERIFY(s->count() <= 2 * width + 2 && s->count() > width);
    QCOMPARE(std::ranges::max(s->points(), {}, &QPointF::y).y(), 999.0);  // the spike survives

    // The wheel over the plot narrows the range around the mouse, and the series follows.
    auto span = [&] { return double(o.timeAxis()->min().msecsTo(o.timeAxis()->max())); };
    const double full = span();
    const QPointF centre = o.w->view()->mapFromScene(o.w->chart()->plotArea().center());
    QWheelEvent wheel(centre, o.w->view()->mapToGlobal(centre), {}, {0, 120 * 10}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(o.w->view()->viewport(), &wheel);
    QVERIFY(std::abs(span() - full * std::pow(0.8, 10)) < 2000);
    // Zoomed to 100 minutes, every row is a point, and the rows just outside reach the edges.
    o.w->setTimeRange(o.w->times()[30950], o.w->times()[30950] + 99 * 60e3);
    QCOMPARE(s->count(), 100 + 2);
    o.w->resetZoom();
    QCOMPARE(span(), full);
  }

  void EmptyCellsAreGapsAndTheSummaryCountsThem() {
    // With a row whose stamp was written unchecked: skipped.
    Opened o(Write(dir_, "small.txt", kSmall + QByteArray("05/03/1A 00:00:00\t1\t2\t3\r\n")));
    QVERIFY(o.ok && o.w->message().startsWith("4 rows, 3 columns;"));
    QVERIFY(o.w->message().endsWith("; 1 line without a date skipped"));
    for (int c = 0; c < 3; ++c) QVERIFY(o.w->setColumnChecked(c, true));
    // 230, 232.5, a break, then 228 alone, drawn as a short stroke; no line for Ph 2.
    const QList<QPointF> p = o.w->series(0)->points();
    QCOMPARE(p.size(), 5);
    QVERIFY(std::isnan(p[2].y()) && p[3].y() == 228.0 && p[4].y() == 228.0);
    QCOMPARE(o.w->series(1)->count(), 0);
    // The figures with the decimals of the column's cells, CR LF as in the texts.
    QCOMPARE(
        o.w->summaryText(),
        QStringLiteral("Column\tUnit\tMinimum\tat\tMean\tMaximum\tat\tEmpty cells\r\n"
                       "Ph 1\tVolts\t228.0\t01/02/18 10:30:00\t230.2\t232.5\t01/02/18 "
                       "10:10:00\t1\r\n"
                       "Ph 2\tVolts\t\t\t\t\t\t4\r\n"
                       "Ph 3\tVolts\t-2.5\t01/02/18 10:10:00\t1.8\t4.0\t01/02/18 10:20:00\t0\r\n"));
    // Over the visible range only.
    o.w->setTimeRange(o.w->times()[1] - 1, o.w->times()[2] + 1);
    QCOMPARE(o.w->summaryText().split("\r\n")[1],
             QStringLiteral("Ph 1\tVolts\t232.5\t01/02/18 10:10:00\t232.5\t232.5\t01/02/18 "
                            "10:10:00\t1"));
    // Hovering near a point names it (the first point is the row left of the range).
    const QPointF at = o.w->chart()->mapToPosition(o.w->series(2)->at(1), o.w->series(2));
    QCOMPARE(o.w->view()->nearest(at + QPointF(3, 1)).text,
             QStringLiteral("Ph 3\n01/02/18 10:10:00\n-2.5 Volts"));
    // The marker goes when the zoom moves the points from under it.
    QWidget* viewport = o.w->view()->viewport();
    const QPoint pos = o.w->view()->mapFromScene(o.w->chart()->mapToScene(at + QPointF(3, 1)));
    QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), {}, {}, {});
    QCoreApplication::sendEvent(viewport, &move);
    QVERIFY(o.w->view()->hoverShown());
    QTest::mouseClick(viewport, Qt::RightButton, {}, pos);
    QTRY_VERIFY(!o.w->view()->hoverShown());
  }

  void AClockThatWentBackIsStillDrawnAndSummed() {
    const std::vector<double> x{0, 600e3, 450e3, 300e3, 900e3};  // set back after row 2
    const std::vector<float> v{1, 5, NAN, 2, 4};
    QVERIFY(!IsAscending(x));
    const std::vector<XY> p = Decimate(x, v, false, 0, 1200e3, 1000);
    QCOMPARE(p.size(), size_t{5});  // in time order: 1, 2, the empty cell's break, 5, 4
    QVERIFY(p[1].y == 2 && std::isnan(p[2].y) && p[3].y == 5);
    const Summary s = Summarize(x, v, false, 0, 1200e3);
    QVERIFY(s.values == 4 && s.empty == 1 && s.max == 5 && s.row_max == 1);
    QCOMPARE(NearestRow(x, v, false, 350e3), 3L);
  }

  void MakeThenChartOpensTheTextJustWrittenAndADroppedFileReplacesIt() {
    const QString folder = dir_.filePath("make");
    QDir().mkpath(folder);
    QFile::copy(QStringLiteral(VIDURAVARE_SAMPLES "/atelier_nord.pdb"), folder + "/g.pdb");
    MainWindow main(folder);
    main.openFolder(folder);
    main.findChild<QListWidget*>(QStringLiteral("file_list"))->setCurrentRow(0);
    main.findChild<QPushButton*>(QStringLiteral("make"))->click();
    main.findChild<QPushButton*>(QStringLiteral("chart"))->click();
    auto* chart = main.findChild<ChartWindow*>();
    QVERIFY(chart);
    QTRY_COMPARE(chart->table().times.size(), size_t{144});

    QVERIFY(chart->setColumnChecked(0, true) && chart->setColumnChecked(13, true));
    auto drop = [&](const QString& path) {
      QMimeData mime;
      mime.setUrls({QUrl::fromLocalFile(path)});
      QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
      QCoreApplication::sendEvent(chart, &enter);
      QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
      QCoreApplication::sendEvent(chart, &drop);
      return enter.isAccepted();
    };
    QVERIFY(drop(Write(dir_, "drop.txt", kSmall)));
    QTRY_COMPARE(chart->table().times.size(), size_t{4});
    for (QAbstractAxis* axis : chart->chart()->axes(Qt::Vertical))
      QVERIFY(axis->titleText().isEmpty() && !axis->labelsVisible());  // as on the empty chart

    // A file that is no converted text leaves the chart as it was.
    for (const QString& path :
         {Write(dir_, "one_line.txt", "one line only\r\n"), folder + "/g.pdb"}) {
      QSignalSpy spy(chart, &ChartWindow::loaded);
      QVERIFY(drop(path) && spy.wait(5000) && !spy.at(0).at(0).toBool());
      QVERIFY(chart->message().startsWith("Not a converted text"));
      QCOMPARE(chart->table().times.size(), size_t{4});
    }
    // Saving proposes the shown text's name, and a name typed alone gets the extension.
    QString proposed;
    QTimer::singleShot(0, chart, [&] {
      auto* dialog = chart->findChild<QFileDialog*>();
      proposed = dialog->selectedFiles().value(0);
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      name->setText("typed");
      QTest::keyClick(name, Qt::Key_Return);
    });
    chart->findChild<QToolBar*>()->actions().at(2)->trigger();
    QCOMPARE(proposed, dir_.filePath("drop.png"));
    QVERIFY(!QImage(dir_.filePath("typed.png")).isNull());
  }
};

}  // namespace vid::chart

QTEST_MAIN(vid::chart::ChartTest)
#include "chart_test.moc"
