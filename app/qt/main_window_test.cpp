// The window driven through its real widgets on the offscreen platform: mouse clicks on the
// file and folder lists, the check boxes and the buttons; the output file, the status line, the
// text boxes and the clipboard are read back.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStorageInfo>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "app/qt/cp1252.h"
#include "app/qt/main_window.h"
#include "fixture_writer.h"

namespace vid {
namespace {

const QString kSample = QStringLiteral("atelier_nord.pdb");

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool CopySample(const QString& folder, const QString& name = kSample) {
  QDir().mkpath(folder);
  return QFile::copy(QStringLiteral(VIDURAVARE_SAMPLES "/") + kSample, folder + "/" + name);
}

// The two header lines the sample's site gives: a 'g' central unit 00A1B2C3 named Atelier Nord
// with the current module 00012345 and the sensor module 00018002.
QByteArray SampleHeaderLines() {
  QByteArray line1 = "00A1B2C3\t";
  for (int i = 0; i < 12; ++i) line1 += "Volts\t";
  line1 += "s\t";
  for (int i = 0; i < 6; ++i) line1 += "00012345\t";
  for (int i = 0; i < 6; ++i) line1 += "00018002\t";
  const QByteArray line2 =
      "Atelier Nord\tPh 1\tPh 2\tPh 3\tVrms1\tVrms2\tVrms3\tUmin1\tUmin2\tUmin3\tUmax1\tUmax2\t"
      "Umax3\tDowntime\tI1\tI2\tI3\tIN\tSpare\tEmpty\tTemp\tHumid\tCount\tPulses\tMissing\tFreq\t";
  return line1 + "\r\n" + line2 + "\r\n";
}

// What the window system sends for a double click: press, release, the second press as a
// double click, release.
void DoubleClick(QWidget* viewport, QPoint at) {
  QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

// A temporary folder with `in/` holding the sample (when asked for) and `prog/` standing for
// the program's folder, and the window shown on it with `in/` open.
class Window {
 public:
  explicit Window(bool with_sample = true)
      : in(root() + "/in"), program(root() + "/prog"), w(program) {
    QDir().mkpath(in);
    QDir().mkpath(program);
    if (with_sample) CopySample(in);
    w.show();
    ready = QTest::qWaitForWindowExposed(&w);
    w.openFolder(in);
  }

  QString root() const { return QString::fromStdString(tmp.path()); }
  void write(const QString& relative) {
    QDir().mkpath(QFileInfo(root() + "/" + relative).path());
    fx::WriteFile((root() + "/" + relative).toStdString(), fx::Bytes().u8(1));
  }

  template <class T>
  T* get(const char* name) {
    return w.findChild<T*>(QString::fromLatin1(name));
  }
  QListWidget* files() { return get<QListWidget>("File1"); }
  QTreeWidget* dirs() { return get<QTreeWidget>("Dir1"); }
  QString text(const char* box) { return get<QLineEdit>(box)->text(); }
  QString etat() { return text("etat"); }
  void click(const char* name) { QTest::mouseClick(get<QAbstractButton>(name), Qt::LeftButton); }

  QStringList listed(bool only_selected = false) {
    QStringList names;
    for (int i = 0; i < files()->count(); ++i) {
      if (!only_selected || files()->item(i)->isSelected()) names << files()->item(i)->text();
    }
    return names;
  }
  QStringList selected() { return listed(true); }
  QPoint fileCentre(const QString& name) {
    const QList<QListWidgetItem*> found = files()->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? QPoint(-1, -1) : files()->visualItemRect(found.front()).center();
  }
  void clickFile(const QString& name) {
    QTest::mouseClick(files()->viewport(), Qt::LeftButton, {}, fileCentre(name));
  }
  void doubleClickFile(const QString& name) { DoubleClick(files()->viewport(), fileCentre(name)); }

  QTreeWidgetItem* folder(const QString& name) {
    const QList<QTreeWidgetItem*> found =
        dirs()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
  }
  QPoint folderCentre(const QString& name) {
    return folder(name) ? dirs()->visualItemRect(folder(name)).center() : QPoint(-1, -1);
  }
  void clickFolder(const QString& name) {
    QTest::mouseClick(dirs()->viewport(), Qt::LeftButton, {}, folderCentre(name));
  }
  void doubleClickFolder(const QString& name) {
    DoubleClick(dirs()->viewport(), folderCentre(name));
  }
  QStringList subfolders(const QString& name) {
    const QTreeWidgetItem* item = folder(name);
    if (!item) return {QStringLiteral("(no folder ") + name + ")"};
    QStringList names;
    for (int i = 0; i < item->childCount(); ++i) names << item->child(i)->text(0);
    return names;
  }
  QString highlightedFolder() {
    const QTreeWidgetItem* item = dirs()->currentItem();
    return item ? item->data(0, Qt::UserRole).toString() : QString();
  }

  // Runs `during` at the first event step of the next handler, while it is still running.
  void duringNextHandler(std::function<void()> during) {
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(get<QLineEdit>("etat"), &QLineEdit::textChanged, &w, [=, this] {
      QObject::disconnect(*connection);
      QMetaObject::invokeMethod(&w, during, Qt::QueuedConnection);
    });
  }

  fx::TempDir tmp;
  QString in, program;
  MainWindow w;
  bool ready = false;
};

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void makeWritesTheDumpsTextIntoTheProgramFolderAndOnTheClipboard();
  void doubleClickMakesUnderTheSerialNumberAndLeavesTheClipboardWhenUnticked();
  void fileClickShowsThePreviewLineOrTheOpenError();
  void makeAndFileClicksDuringAConversionAreIgnored();
  void quitDuringAConversionLeavesNoOutputAndClosesTheWindow();
  void fileListTakesBothPatternsInAnyCase();
  void selectAllFilesSelectsEveryFileAndFollowsFolderChanges();
  void folderClickListsWithoutOpeningAndRefreshRereadsTheDisk();
  void driveThatCannotBeReadIsReportedAndLeft();
  void messageBoxHasOnlyOkAndNoTitle();
  void loadHeaderReadsAHeaderRefusesADataFileAndOtherNames();
  void windows1252TextShowsItsOwnCharacters();
  void twoNameCommandLineConvertsWithoutTheWindowAndEnds();
  void everyControlFitsInTheWindowAndTheScreenshotIsTaken();
};

void MainWindowTest::makeWritesTheDumpsTextIntoTheProgramFolderAndOnTheClipboard() {
  Window win;
  QVERIFY(win.ready);
  QVERIFY(win.get<QCheckBox>("copyclip")->isChecked());
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));

  win.clickFile(kSample);
  win.click("BMake");

  QCOMPARE(win.etat(), QStringLiteral("Done..."));
  const QByteArray text = ReadAll(win.program + "/mv1.txt");
  QVERIFY(text.startsWith(SampleHeaderLines()));
  QCOMPARE(text.count("\r\n"), 2 + 144);  // one row per 10-minute record of the day
  QVERIFY(text.endsWith("\r\n"));
  QCOMPARE(QGuiApplication::clipboard()->text(), FromCp1252(text.toStdString()));
}

void MainWindowTest::doubleClickMakesUnderTheSerialNumberAndLeavesTheClipboardWhenUnticked() {
  Window win;
  QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
  win.click("copyclip");
  win.click("Check_txt_name");

  win.doubleClickFile(kSample);

  QCOMPARE(win.etat(), QStringLiteral("Done..."));
  QVERIFY(ReadAll(win.program + "/00A1B2C3.txt").startsWith(SampleHeaderLines()));
  QVERIFY(!QFile::exists(win.program + "/mv1.txt"));
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void MainWindowTest::fileClickShowsThePreviewLineOrTheOpenError() {
  Window win(false);
  QVERIFY(CopySample(win.in));
  QVERIFY(CopySample(win.in, QStringLiteral("gone.pdb")));
  win.click("Command1");

  win.clickFile(kSample);
  QCOMPARE(win.etat(), QStringLiteral("Concentrator SN: 00A1B2C3 - Atelier Nord"));
  QCOMPARE(win.text("Text2"), win.in + "/" + kSample);
  QCOMPARE(win.text("Text1"), QString());
  QVERIFY(QDir(win.program).isEmpty());

  // A file removed after the list was read: its error goes to "Last Error :", the status line
  // keeps the previous preview.
  QVERIFY(QFile::remove(win.in + "/gone.pdb"));
  win.clickFile(QStringLiteral("gone.pdb"));
  QCOMPARE(win.text("Text2"), win.in + "/gone.pdb");
  QVERIFY2(win.text("Text1").startsWith(QStringLiteral("2: ")), qPrintable(win.text("Text1")));
  QCOMPARE(win.etat(), QStringLiteral("Concentrator SN: 00A1B2C3 - Atelier Nord"));
}

void MainWindowTest::makeAndFileClicksDuringAConversionAreIgnored() {
  Window win;
  QVERIFY(CopySample(win.in, QStringLiteral("other.pdb")));
  win.click("Command1");
  win.clickFile(kSample);
  win.get<QLineEdit>("Text2")->clear();

  bool ran = false;
  QString etat_after_clicks, text2_after_clicks;
  win.duringNextHandler([&] {
    ran = true;
    win.click("BMake");
    win.clickFile(QStringLiteral("other.pdb"));
    win.doubleClickFile(QStringLiteral("other.pdb"));
    win.click("BHeader");
    etat_after_clicks = win.etat();
    text2_after_clicks = win.text("Text2");
  });
  win.click("BMake");

  QVERIFY(ran);
  // Neither a second conversion ("Done...") nor a preview line came in between.
  QCOMPARE(etat_after_clicks, QStringLiteral("...Processing..."));
  QCOMPARE(text2_after_clicks, QString());
  QCOMPARE(win.etat(), QStringLiteral("Done..."));
  QVERIFY(ReadAll(win.program + "/mv1.txt").startsWith(SampleHeaderLines()));

  // The guard is down again afterwards.
  win.clickFile(QStringLiteral("other.pdb"));
  QCOMPARE(win.text("Text2"), win.in + "/other.pdb");
}

void MainWindowTest::quitDuringAConversionLeavesNoOutputAndClosesTheWindow() {
  Window win;
  QFile earlier(win.program + "/mv1.txt");
  QVERIFY(earlier.open(QIODevice::WriteOnly));
  earlier.write("earlier output\r\n");
  earlier.close();
  win.clickFile(kSample);

  bool still_open_during = false;
  win.duringNextHandler([&] {
    win.click("BQuit");
    still_open_during = win.w.isVisible();  // the conversion is still on the stack
  });
  win.click("BMake");

  QVERIFY(still_open_during);
  QVERIFY(!win.w.isVisible());
  QCOMPARE(ReadAll(win.program + "/mv1.txt"), QByteArray("earlier output\r\n"));
  QCOMPARE(QDir(win.program).entryList(QDir::Files), QStringList{"mv1.txt"});
}

void MainWindowTest::fileListTakesBothPatternsInAnyCase() {
  Window win(false);
  QVERIFY(QDir().mkpath(win.in + "/sub.pdb"));
  for (const char* name : {"b.pdb", "A.PDB", "c.pdc", "notes.txt", "pdb", "d.pdbx"}) {
    win.write(QStringLiteral("in/") + name);
  }
  win.click("Command1");
  QCOMPARE(win.listed(), (QStringList{"A.PDB", "b.pdb", "c.pdc"}));
}

void MainWindowTest::selectAllFilesSelectsEveryFileAndFollowsFolderChanges() {
  Window win(false);
  for (const char* name : {"in/1.pdb", "in/2.pdc", "in/b/3.pdb", "in/b/4.pdb", "in/b/5.pdc"}) {
    win.write(QString::fromLatin1(name));
  }
  win.w.openFolder(win.in);
  QVERIFY(!win.get<QCheckBox>("select_all_files")->isChecked());
  QVERIFY(win.selected().isEmpty());

  win.click("select_all_files");
  QCOMPARE(win.selected(), (QStringList{"1.pdb", "2.pdc"}));

  // A folder clicked once, then opened: each new list comes fully selected.
  win.clickFolder(QStringLiteral("b"));
  QCOMPARE(win.selected(), (QStringList{"3.pdb", "4.pdb", "5.pdc"}));
  win.clickFile(QStringLiteral("4.pdb"));
  QCOMPARE(win.selected(), QStringList{"4.pdb"});
  win.doubleClickFolder(QStringLiteral("b"));
  QCOMPARE(win.selected(), (QStringList{"3.pdb", "4.pdb", "5.pdc"}));

  win.click("select_all_files");
  QVERIFY(win.selected().isEmpty());
  QCOMPARE(win.listed().size(), 3);
}

void MainWindowTest::folderClickListsWithoutOpeningAndRefreshRereadsTheDisk() {
  Window win(false);
  for (const char* name : {"in/1.pdb", "in/b/2.pdb", "in/b/c/x", "in/d/x"}) {
    win.write(QString::fromLatin1(name));
  }
  win.w.openFolder(win.in);
  // The drive's root on top, the open folder's parents under it (without their other
  // subfolders), then the open folder with its subfolders.
  QCOMPARE(win.dirs()->topLevelItemCount(), 1);
  QCOMPARE(win.dirs()->topLevelItem(0)->text(0), QStorageInfo(win.in).rootPath());
  QCOMPARE(win.subfolders(QFileInfo(win.root()).fileName()), QStringList{"in"});
  QCOMPARE(win.subfolders("in"), (QStringList{"b", "d"}));
  QCOMPARE(win.highlightedFolder(), win.in);
  QCOMPARE(win.listed(), QStringList{"1.pdb"});

  win.get<QLineEdit>("etat")->setText(QStringLiteral("old status"));
  win.clickFolder(QStringLiteral("b"));
  QCOMPARE(win.listed(), QStringList{"2.pdb"});
  QCOMPARE(win.etat(), QString());
  QCOMPARE(win.highlightedFolder(), win.in + "/b");
  QCOMPARE(win.subfolders("in"), (QStringList{"b", "d"}));  // highlighted, not opened
  QCOMPARE(win.subfolders("b"), QStringList());

  win.write(QStringLiteral("in/b/0.pdc"));
  win.write(QStringLiteral("in/e/x"));
  QCOMPARE(win.listed(), QStringList{"2.pdb"});
  win.click("Command1");
  QCOMPARE(win.listed(), (QStringList{"0.pdc", "2.pdb"}));
  QCOMPARE(win.subfolders("in"), (QStringList{"b", "d", "e"}));
  QCOMPARE(win.highlightedFolder(), win.in + "/b");

  win.doubleClickFolder(QStringLiteral("b"));
  QCOMPARE(win.subfolders("in"), QStringList{"b"});
  QCOMPARE(win.subfolders("b"), QStringList{"c"});
  QCOMPARE(win.listed(), (QStringList{"0.pdc", "2.pdb"}));
  win.doubleClickFolder(QStringLiteral("in"));
  QCOMPARE(win.subfolders("in"), (QStringList{"b", "d", "e"}));
  QCOMPARE(win.listed(), QStringList{"1.pdb"});
}

void MainWindowTest::driveThatCannotBeReadIsReportedAndLeft() {
  Window win;
  auto* drives = win.get<QComboBox>("Drive1");
  const QString chosen = drives->currentText();
  QVERIFY(!chosen.isEmpty());

  // A drive that went away after the list was made, as a removed stick does.
  const QString gone = win.root() + "/gone";
  drives->addItem(gone, gone);
  drives->setCurrentIndex(drives->count() - 1);

  QCOMPARE(win.etat(), QStringLiteral("Drive %1 cannot be read").arg(gone));
  QCOMPARE(drives->currentText(), chosen);
  QCOMPARE(win.highlightedFolder(), win.in);
  QCOMPARE(win.listed(), QStringList{kSample});
}

void MainWindowTest::loadHeaderReadsAHeaderRefusesADataFileAndOtherNames() {
  Window win;
  for (const char* name : {"entrepot_header.pdc", "entrepot_01.pdc"}) {
    QVERIFY(QFile::copy(QStringLiteral(VIDURAVARE_SAMPLES "/") + name, win.in + "/" + name));
  }
  win.click("Command1");
  QTRY_COMPARE(win.listed().size(), 3);

  win.clickFile(QStringLiteral("entrepot_header.pdc"));
  win.click("BHeader");
  QCOMPARE(win.etat(), QStringLiteral("Central SN: 20E1A7C5 - Header found 2 Modules"));

  win.clickFile(QStringLiteral("entrepot_01.pdc"));
  win.click("BHeader");
  QCOMPARE(win.etat(), QStringLiteral("Error in header file"));

  // Load Header lets the window repaint before the box opens: watch until it is there.
  QString box;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, &win.w, [&] {
    auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!shown) return;
    watch.stop();
    box = shown->text();
    shown->button(QMessageBox::Ok)->click();
  });
  watch.start(10);
  win.clickFile(kSample);
  win.click("BHeader");
  QCOMPARE(box, QStringLiteral("Only applies to .pdc files"));
}

void MainWindowTest::messageBoxHasOnlyOkAndNoTitle() {
  Window win(false);
  QString title = QStringLiteral("(none)"), text;
  QMessageBox::StandardButtons buttons;
  QTimer::singleShot(0, &win.w, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    title = box->windowTitle();
    text = box->text();
    buttons = box->standardButtons();
    box->button(QMessageBox::Ok)->click();
  });
  win.w.MessageBox("Only applies to .pdc files");
  QCOMPARE(title, QString());
  QCOMPARE(text, QStringLiteral("Only applies to .pdc files"));
  QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void MainWindowTest::windows1252TextShowsItsOwnCharacters() {
  QCOMPARE(FromCp1252("Caf\xE9 \x80 \x93x\x94 \x9F"), QString::fromUtf8("Café € “x” Ÿ"));
  QCOMPARE(FromCp1252("\x81\x8D\x8F\x90\x9D"),
           QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"));
  QCOMPARE(FromCp1252(std::string_view("a\0b", 3)), QString::fromUtf16(u"a\u0000b", 3));
}

void MainWindowTest::twoNameCommandLineConvertsWithoutTheWindowAndEnds() {
  fx::TempDir tmp;
  const QString folder = QString::fromStdString(tmp.path());
  QVERIFY(CopySample(folder));
  // The output goes into the program's folder: a name no other run uses.
  const QString out_name = QStringLiteral("cmdline_%1.txt").arg(QCoreApplication::applicationPid());
  const QString out_path =
      QFileInfo(QStringLiteral(VIDURAVARE_GUI)).absolutePath() + "/" + out_name;
  QFile::remove(out_path);

  QProcess gui;
  gui.setWorkingDirectory(folder);
  gui.start(QStringLiteral(VIDURAVARE_GUI), {kSample, out_name});
  const bool ended = gui.waitForFinished(60000);
  const QByteArray text = ReadAll(out_path);
  QFile::remove(out_path);
  QVERIFY2(ended, "the program should end by itself");
  QCOMPARE(gui.exitStatus(), QProcess::NormalExit);
  QCOMPARE(gui.exitCode(), 0);
  QVERIFY(text.startsWith(SampleHeaderLines()));
  QCOMPARE(text.count("\r\n"), 2 + 144);

  // A missing input ends it as well, with the failure told.
  QProcess missing;
  missing.setWorkingDirectory(folder);
  missing.start(QStringLiteral(VIDURAVARE_GUI), {QStringLiteral("none.pdb"), out_name});
  QVERIFY(missing.waitForFinished(60000));
  QCOMPARE(missing.exitCode(), 1);
  QVERIFY(!QFile::exists(out_path));
}

void MainWindowTest::everyControlFitsInTheWindowAndTheScreenshotIsTaken() {
  Window win(false);
  const QString samples = win.root() + "/samples";
  QVERIFY(CopySample(samples));
  QCOMPARE(win.w.windowTitle(), QStringLiteral("VIDURAVARE"));
  win.w.openFolder(samples);
  win.clickFile(kSample);

  const QRect inside = win.w.rect();
  for (QWidget* child : win.w.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    QVERIFY2(inside.contains(child->geometry()), qPrintable(child->objectName()));
    // Captions are not cut: check boxes and labels are at least as wide as their text needs,
    // button captions fit inside the button.
    if (qobject_cast<QCheckBox*>(child) || qobject_cast<QLabel*>(child)) {
      QVERIFY2(child->width() >= child->sizeHint().width(), qPrintable(child->objectName()));
    }
    if (auto* button = qobject_cast<QPushButton*>(child)) {
      QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + 8 <= button->width(),
               qPrintable(button->objectName()));
    }
  }

  QString path = qEnvironmentVariable("VIDURAVARE_SCREENSHOT");
  if (path.isEmpty()) path = QStringLiteral(VIDURAVARE_SCREENSHOT_DEFAULT);
  QVERIFY2(win.w.grab().save(path), qPrintable(path));
}

}  // namespace
}  // namespace vid

QTEST_MAIN(vid::MainWindowTest)
#include "main_window_test.moc"
