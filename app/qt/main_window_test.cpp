// The window driven through its real widgets on the offscreen platform: clicks and keys on the
// file list and the buttons, drops, and the window's size; the output file, the status line, the
// progress bar and the clipboard are read back. With VIDURAVARE_SCREENSHOTS set to a folder, the
// `screenshots` case draws the README's pictures there (scripts/screenshots.sh).
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

#include "platform/number_format.h"
#include "window_harness.h"

namespace vid {
namespace {

const QString kSample = QStringLiteral("atelier_nord.pdb"), kHeader = "entrepot_header.pdc";

// The sample's conversion committed beside the tests, with the decimal separator of the locale.
QByteArray Expected() {
  const char* name = LocaleDecimalSeparator() == ',' ? "atelier_nord_comma" : "atelier_nord";
  return testing::ReadAll(QStringLiteral(VIDURAVARE_SOURCE "/tests/expected/%1.txt").arg(name));
}

using testing::ReadAll;
using testing::Window;

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void makeWritesTheFileAndTheClipboardAfterThePreview() {
    Window win;
    QVERIFY(QTest::qWaitForWindowExposed(&win.w));
    QCOMPARE(win.w.windowTitle(), QStringLiteral("VIDURAVARE"));
    win.clickFile(kSample);
    QCOMPARE(win.text("status_line"), QStringLiteral("Concentrator SN: 00A1B2C3 - Atelier Nord"));
    QCOMPARE(win.text("file_name"), win.in + "/" + kSample);
    QVERIFY(QDir(win.program).isEmpty());

    QVERIFY(win.w.findChild<QCheckBox*>("copy_to_clipboard")->isChecked());
    auto* bar = win.get<QProgressBar>("progress");
    QList<int> steps;
    connect(bar, &QProgressBar::valueChanged, bar, [&](int v) { steps << v; });
    win.click("make");
    QCOMPARE(win.text("status_line"), QStringLiteral("Done..."));
    QCOMPARE(ReadAll(win.program + "/mv1.txt"), Expected());
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromLatin1(Expected()));
    // The conversion's own steps up to 100 %, then the path written stays on screen.
    QVERIFY2(steps.size() > 2 && steps.last() == 100, qPrintable(QString::number(steps.size())));
    QVERIFY(std::is_sorted(steps.begin(), steps.end()));
    QCOMPARE(bar->value(), 100);
    QVERIFY(win.text("written").startsWith("Wrote " + win.program + "/mv1.txt at "));
    QCOMPARE(win.get<QTreeWidget>("results")->topLevelItem(0)->text(1),
             "Converted: " + win.program + "/mv1.txt");
  }

  void listsGrowWithTheWindowWhoseSmallestSizeFitsSmallScreens() {
    Window win;
    // 1366x768 at scale 1 and 1920x1080 at scale 2 (960x540), less a title bar.
    QVERIFY(win.w.minimumWidth() <= 940 && win.w.minimumHeight() <= 500);
    QWidget* grow[] = {win.get("folder_list"), win.get("file_list"), win.get("results")};
    win.w.resize(win.w.minimumSize());
    QTRY_COMPARE(win.w.size(), win.w.minimumSize());
    QList<QSize> small;
    for (QWidget* g : grow) small << g->size();
    win.w.resize(1600, 1100);
    QTRY_COMPARE(win.w.size(), QSize(1600, 1100));
    for (int i = 0; i < 3; ++i) {
      QVERIFY2(grow[i]->width() > small[i].width() && grow[i]->height() > small[i].height(),
               qPrintable(grow[i]->objectName()));
    }
    // A status text too long for its field: cut in the middle, whole in the tooltip.
    const QString long_text = "Cannot open /" + QString(300, 'x') + "/end.pdb : 2";
    win.w.SetStatus(long_text.toStdString());
    auto* status = win.get<QLineEdit>("status_line");
    QVERIFY(status->text().startsWith("Cannot open /x") && status->text().endsWith("end.pdb : 2"));
    QVERIFY(status->text().size() < long_text.size() && status->toolTip() == long_text);
  }

  void arrowKeysShowThePreviewATypedPathIsSelectedAndEnterMakes() {
    Window win({"atelier_nord.pdb", "entrepot_header.pdc", "mini_site.pdb"});
    auto* files = win.get<QListWidget>("file_list");
    files->setFocus();
    for (int i = 0; i < 3; ++i) QTest::keyClick(files, Qt::Key_Down);
    QCOMPARE(win.text("status_line"), QStringLiteral("Concentrator SN: 0051A7E2 - Serre Est"));
    QCOMPARE(win.text("file_name"), win.in + "/mini_site.pdb");
    auto* file_name = win.get<QLineEdit>("file_name");  // a path typed there is selected
    file_name->clear();
    QTest::keyClicks(file_name, win.in + "/atelier_nord.pdb\r");
    QCOMPARE(files->currentItem()->text(), QStringLiteral("atelier_nord.pdb"));
    QTest::keyClick(files, Qt::Key_End);
    QTest::keyClick(files, Qt::Key_Return);
    QCOMPARE(win.text("status_line"), QStringLiteral("Done..."));
    QVERIFY(QFile::exists(win.program + "/mini1.txt"));
  }

  void droppedFilesAreSelectedInTheirFolderAndAFolderIsOpened() {
    Window win({"atelier_nord.pdb", "entrepot_header.pdc", "mini_site.pdb"});
    win.w.openFolder(win.root());
    // A drop comes after the drag entered the window and was accepted there.
    auto drop = [&](const QList<QUrl>& urls) {
      QMimeData data;
      data.setUrls(urls);
      QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
      QApplication::sendEvent(&win.w, &enter);
      QVERIFY(enter.isAccepted());
      QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
      QApplication::sendEvent(&win.w, &drop);
    };
    drop({QUrl::fromLocalFile(win.in + "/mini_site.pdb"),
          QUrl::fromLocalFile(win.in + "/atelier_nord.pdb"),
          QUrl::fromLocalFile(win.root() + "/elsewhere.pdb")});
    auto* files = win.get<QListWidget>("file_list");
    QStringList selected;
    for (const QListWidgetItem* item : files->selectedItems()) selected << item->text();
    selected.sort();
    QCOMPARE(selected, (QStringList{"atelier_nord.pdb", "mini_site.pdb"}));
    QCOMPARE(files->currentItem()->text(), QStringLiteral("mini_site.pdb"));
    QCOMPARE(win.text("status_line"), QStringLiteral("Concentrator SN: 0051A7E2 - Serre Est"));
    QVERIFY(win.text("last_error").endsWith(": elsewhere.pdb"));

    drop({QUrl::fromLocalFile(win.root())});
    QCOMPARE(files->count(), 0);
    QCOMPARE(win.get<QTreeWidget>("folder_list")->currentItem()->data(0, Qt::UserRole).toString(),
             win.root());
  }

  // The README's pictures: the window as it opens, and large with a workbook chosen and the
  // results of a Convert each.
  void screenshots() {
    const QString folder = qEnvironmentVariable("VIDURAVARE_SCREENSHOTS");
    if (folder.isEmpty()) QSKIP("VIDURAVARE_SCREENSHOTS names no folder");
    Window win;
    win.w.resize(win.w.minimumSize().expandedTo(QSize(760, 600)));
    win.clickFile(kSample);
    QVERIFY(win.w.grab().save(folder + "/window.png"));
    Window large({"atelier_nord.pdb", "entrepot_01.pdc", "mini_site.pdb", "quendar_chambre.pdc"});
    large.w.resize(1100, 760);
    auto* format = large.get<QComboBox>("format");
    format->setCurrentIndex(format->findData("xlsx"));
    large.get<QCheckBox>("select_all")->setChecked(true);
    large.click("convert_each");
    QVERIFY(large.w.grab().save(folder + "/window-large.png"));
  }

  void loadHeaderReadsAHeaderAndRefusesOtherNames() {
    Window win;
    win.clickFile(kHeader);
    win.click("load_header");
    QCOMPARE(win.text("status_line"),
             QStringLiteral("Central SN: 20E1A7C5 - Header found 2 Modules"));
    // Load Header lets the window repaint before the box opens: watch until it is there.
    QString box;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &win.w, [&] {
      if (auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        watch.stop();
        box = shown->text();
        shown->button(QMessageBox::Ok)->click();
      }
    });
    watch.start(10);
    win.clickFile(kSample);
    win.click("load_header");
    QCOMPARE(box, QStringLiteral("Only applies to .pdc files"));
  }

  // The timer fires at the conversion's first event step, while the handler still runs.
  void makeFileAndHeaderClicksDuringAConversionAreIgnored() {
    Window win;
    win.clickFile(kSample);
    win.w.findChild<QLineEdit*>("file_name")->clear();
    QString etat_during, text2_during = "(not run)";
    QTimer::singleShot(0, &win.w, [&] {
      win.click("make");
      win.clickFile(kHeader);
      win.click("load_header");
      etat_during = win.text("status_line");
      text2_during = win.text("file_name");
    });
    win.click("make");
    QCOMPARE(etat_during, QStringLiteral("...Processing..."));
    QCOMPARE(text2_during, QString());
    QCOMPARE(win.text("status_line"), QStringLiteral("Done..."));
    QCOMPARE(ReadAll(win.program + "/mv1.txt"), Expected());
    win.clickFile(kHeader);  // the guard is down again
    QCOMPARE(win.text("file_name"), win.in + "/" + kHeader);
  }

  // Cancel stops the conversion and the window stays; Quit stops it and closes the window.
  void cancelOrQuitDuringAConversionLeavesTheEarlierFileAlone() {
    Window win;
    fx::WriteFile((win.program + "/mv1.txt").toStdString(), fx::Bytes().text("earlier", 7));
    win.clickFile(kSample);
    bool open_during = false;
    for (const char* button : {"cancel", "quit"}) {
      QTimer::singleShot(0, &win.w, [&] {
        win.click(button);
        open_during = win.w.isVisible();  // the conversion is still on the stack
      });
      win.click("make");
      QVERIFY(open_during);
      QCOMPARE(ReadAll(win.program + "/mv1.txt"), QByteArray("earlier"));
      QCOMPARE(QDir(win.program).entryList(QDir::Files), QStringList{"mv1.txt"});
      const bool cancel = button == std::string_view("cancel");
      QCOMPARE(win.w.isVisible(), cancel);
      const QString why = QString::fromLatin1(cancel ? kCancelledText : kStoppedEnding);
      QCOMPARE(win.text("status_line"), why);
      QCOMPARE(win.get<QTreeWidget>("results")->topLevelItem(0)->text(1), "Stopped: " + why);
      QCOMPARE(win.get<QProgressBar>("progress")->value(), 0);
      QVERIFY(!win.get("cancel")->isEnabled());
    }
  }
};

}  // namespace
}  // namespace vid

QTEST_MAIN(vid::MainWindowTest)
#include "main_window_test.moc"
