// The window driven through its real widgets on the offscreen platform: clicks on the file list
// and the buttons; the output file, the status line and the clipboard are read back.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/number_format.h"
#include "window_harness.h"

namespace vid {
namespace {

const QString kSample = QStringLiteral("atelier_nord.pdb"), kHeader = "entrepot_header.pdc";

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The sample's conversion committed beside the tests, with the decimal separator of the locale.
QByteArray Expected() {
  const char* name = LocaleDecimalSeparator() == ',' ? "atelier_nord_comma" : "atelier_nord";
  return ReadAll(QStringLiteral(VIDURAVARE_SOURCE "/tests/expected/%1.txt").arg(name));
}

using testing::Window;

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // The picture of the window goes where VIDURAVARE_SCREENSHOT says (docs/window.png is made
  // so), else into the build folder.
  void makeWritesTheFileAndTheClipboardAfterThePreview() {
    Window win;
    QVERIFY(QTest::qWaitForWindowExposed(&win.w));
    QCOMPARE(win.w.windowTitle(), QStringLiteral("VIDURAVARE"));
    win.clickFile(kSample);
    QCOMPARE(win.text("status_line"), QStringLiteral("Concentrator SN: 00A1B2C3 - Atelier Nord"));
    QCOMPARE(win.text("file_name"), win.in + "/" + kSample);
    QString path = qEnvironmentVariable("VIDURAVARE_SCREENSHOT");
    if (path.isEmpty()) path = QStringLiteral(VIDURAVARE_SCREENSHOT_DEFAULT);
    QVERIFY2(win.w.grab().save(path), qPrintable(path));
    QVERIFY(QDir(win.program).isEmpty());

    QVERIFY(win.w.findChild<QCheckBox*>("copy_to_clipboard")->isChecked());
    win.click("make");
    QCOMPARE(win.text("status_line"), QStringLiteral("Done..."));
    QCOMPARE(ReadAll(win.program + "/mv1.txt"), Expected());
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromLatin1(Expected()));
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

  void quitDuringAConversionLeavesNoOutputAndClosesTheWindow() {
    Window win;
    fx::WriteFile((win.program + "/mv1.txt").toStdString(), fx::Bytes().text("earlier", 7));
    win.clickFile(kSample);
    bool open_during = false;
    QTimer::singleShot(0, &win.w, [&] {
      win.click("quit");
      open_during = win.w.isVisible();  // the conversion is still on the stack
    });
    win.click("make");
    QVERIFY(open_during);
    QVERIFY(!win.w.isVisible());
    QCOMPARE(ReadAll(win.program + "/mv1.txt"), QByteArray("earlier"));
    QCOMPARE(QDir(win.program).entryList(QDir::Files), QStringList{"mv1.txt"});
  }
};

}  // namespace
}  // namespace vid

QTEST_MAIN(vid::MainWindowTest)
#include "main_window_test.moc"
