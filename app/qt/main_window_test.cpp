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
#include <QTreeWidgetItemIterator>
#include <functional>
#include <memory>

#include "app/qt/cp1252.h"
#include "app/qt/main_window.h"
#include "fixture_writer.h"

namespace vid {
namespace {

const QString kSample = QStringLiteral("atelier_nord.pdb");

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

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

// A window whose output goes to `program_folder`, shown so that its lists lay out their items.
class Window {
 public:
  explicit Window(const QString& program_folder) : w(program_folder) {
    w.show();
    visible = QTest::qWaitForWindowExposed(&w);
  }

  template <class T>
  T* get(const char* name) {
    return w.findChild<T*>(QString::fromLatin1(name));
  }
  QListWidget* files() { return get<QListWidget>("File1"); }
  QTreeWidget* dirs() { return get<QTreeWidget>("Dir1"); }
  QString etat() { return get<QLineEdit>("etat")->text(); }

  void click(const char* name) { QTest::mouseClick(get<QAbstractButton>(name), Qt::LeftButton); }

  QStringList listed() {
    QStringList names;
    for (int i = 0; i < files()->count(); ++i) names << files()->item(i)->text();
    return names;
  }
  QStringList selected() {
    QStringList names;
    for (int i = 0; i < files()->count(); ++i) {
      if (files()->item(i)->isSelected()) names << files()->item(i)->text();
    }
    return names;
  }

  QPoint fileCentre(const QString& name) {
    const QList<QListWidgetItem*> found = files()->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? QPoint(-1, -1) : files()->visualItemRect(found.front()).center();
  }
  void clickFile(const QString& name) {
    QTest::mouseClick(files()->viewport(), Qt::LeftButton, {}, fileCentre(name));
  }
  void doubleClickFile(const QString& name) { DoubleClick(files()->viewport(), fileCentre(name)); }

  // The folder list as it reads: one entry per line, indented by its level.
  QStringList folders() {
    QStringList lines;
    for (QTreeWidgetItemIterator it(dirs()); *it; ++it) {
      int level = 0;
      for (const QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent()) ++level;
      lines << QString(2 * level, QLatin1Char(' ')) + (*it)->text(0);
    }
    return lines;
  }
  QString highlightedFolder() {
    const QTreeWidgetItem* item = dirs()->currentItem();
    return item ? item->data(0, Qt::UserRole).toString() : QString();
  }
  QPoint folderCentre(const QString& name) {
    const QList<QTreeWidgetItem*> found =
        dirs()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? QPoint(-1, -1) : dirs()->visualItemRect(found.front()).center();
  }
  void clickFolder(const QString& name) {
    QTest::mouseClick(dirs()->viewport(), Qt::LeftButton, {}, folderCentre(name));
  }
  void doubleClickFolder(const QString& name) {
    DoubleClick(dirs()->viewport(), folderCentre(name));
  }
  QStringList subfolders(const QString& name) {
    QStringList names;
    const QList<QTreeWidgetItem*> found =
        dirs()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty()) return {QStringLiteral("(no folder ") + name + ")"};
    for (int i = 0; i < found.front()->childCount(); ++i) names << found.front()->child(i)->text(0);
    return names;
  }

  // Runs `during` at the first event step of the next handler, while it is still running.
  void duringNextHandler(std::function<void()> during) {
    auto* etat_box = get<QLineEdit>("etat");
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(etat_box, &QLineEdit::textChanged, &w, [=, this] {
      QObject::disconnect(*connection);
      QMetaObject::invokeMethod(&w, during, Qt::QueuedConnection);
    });
  }

  MainWindow w;
  bool visible = false;
};

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void makeWritesTheDumpsTextIntoTheProgramFolderAndOnTheClipboard();
  void makeLeavesTheClipboardAloneWhenCopyIsUnticked();
  void doubleClickOnAFileMakesIt();
  void makeWithNoFileSelectedConvertsNothing();
  void fileClickShowsThePreviewLineOrTheOpenError();
  void makeAndFileClicksDuringAConversionAreIgnored();
  void quitDuringAConversionLeavesNoOutputAndClosesTheWindow();
  void fileListShowsThePatternsFilesOfTheFolder();
  void selectAllFilesSelectsEveryFileAndFollowsFolderChanges();
  void folderClickListsWithoutOpeningAndRefreshRereadsTheDisk();
  void driveThatCannotBeReadIsReportedAndLeft();
  void messageBoxHasOnlyOkAndNoTitle();
  void windows1252TextShowsItsOwnCharacters();
  void twoNameCommandLineConvertsWithoutTheWindowAndEnds();
  void everyControlFitsInTheWindowAndTheScreenshotIsTaken();
};

void MainWindowTest::makeWritesTheDumpsTextIntoTheProgramFolderAndOnTheClipboard() {
  fx::TempDir tmp;
  const QString folder = Q(tmp.file("in")), program = Q(tmp.file("prog"));
  QVERIFY(CopySample(folder));
  QVERIFY(QDir().mkpath(program));
  Window win(program);
  QVERIFY(win.visible);
  QVERIFY(win.get<QCheckBox>("copyclip")->isChecked());
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));

  win.w.openFolder(folder);
  win.clickFile(kSample);
  win.click("BMake");

  QCOMPARE(win.etat(), QStringLiteral("Done..."));
  const QByteArray text = ReadAll(program + "/mv1.txt");
  QVERIFY(text.startsWith(SampleHeaderLines()));
  QCOMPARE(text.count("\r\n"), 2 + 144);  // one row per 10-minute record of the day
  QVERIFY(text.endsWith("\r\n"));
  QCOMPARE(QGuiApplication::clipboard()->text(), FromCp1252(text.toStdString()));
}

void MainWindowTest::makeLeavesTheClipboardAloneWhenCopyIsUnticked() {
  fx::TempDir tmp;
  const QString folder = Q(tmp.file("in")), program = Q(tmp.file("prog"));
  QVERIFY(CopySample(folder));
  QVERIFY(QDir().mkpath(program));
  Window win(program);
  QGuiApplication::clipboard()->setText(QStringLiteral("kept"));

  win.w.openFolder(folder);
  win.click("copyclip");
  QVERIFY(!win.get<QCheckBox>("copyclip")->isChecked());
  win.clickFile(kSample);
  win.click("BMake");

  QCOMPARE(win.etat(), QStringLiteral("Done..."));
  QVERIFY(ReadAll(program + "/mv1.txt").startsWith(SampleHeaderLines()));
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void MainWindowTest::doubleClickOnAFileMakesIt() {
  fx::TempDir tmp;
  const QString folder = Q(tmp.file("in")), program = Q(tmp.file("prog"));
  QVERIFY(CopySample(folder));
  QVERIFY(QDir().mkpath(program));
  Window win(program);
  win.click("Check_txt_name");

  win.w.openFolder(folder);
  win.doubleClickFile(kSample);

  QCOMPARE(win.etat(), QStringLiteral("Done..."));
  // Named after the concentrator's serial number, as the ticked box asks.
  QVERIFY(ReadAll(program + "/00A1B2C3.txt").startsWith(SampleHeaderLines()));
  QVERIFY(!QFile::exists(program + "/mv1.txt"));
}

void MainWindowTest::makeWithNoFileSelectedConvertsNothing() {
  fx::TempDir tmp;
  const QString folder = Q(tmp.file("in")), program = Q(tmp.file("prog"));
  QVERIFY(CopySample(folder));
  QVERIFY(QDir().mkpath(program));
  Window win(program);
  win.w.openFolder(folder);
  QVERIFY(win.selected().isEmpty());

  win.click("BMake");
  QCOMPARE(win.etat(), QStringLiteral("...Processing..."));
  QVERIFY(QDir(program).isEmpty());

  // Nothing is left running: the next Make is taken.
  win.clickFile(kSample);
  win.click("BMake");
  QCOMPARE(win.etat(), QStringLiteral("Done..."));
  QVERIFY(QFile::exists(program + "/mv1.txt"));
}

void MainWindowTest::fileClickShowsThePreviewLineOrTheOpenError() {
  fx::TempDir tmp;
  const QString folder = Q(tmp.file("in")), program = Q(tmp.file("prog"));
  QVERIFY(CopySample(folder));
  QVERIFY(CopySample(folder, QStringLiteral("gone.pdb")));
  Window win(program);
  win.w.openFolder(folder);

  win.clickFile(kSample);
  QCOMPARE(win.etat(), QStringLiteral("Concentrator SN: 00A1B2C3 - Atelier Nord"));
  QCOMPARE(win.get<QLineEdit>("Text2")->text(), folder + "/" + kSample);
  QCOMPARE(win.get<QLineEdit>("Text1")->text(), QString());
  QVERIFY(!QFile::exists(program + "/mv1.txt"));

  // A file removed after the list was read: the error goes to "Last Error :", the status line
  // keeps the previous preview.
  QVERIFY(QFile::remove(folder + "/gone.pdb"));
  win.clickFile(QStringLiteral("gone.pdb"));
  QCOMPARE(win.get<QLineEdit>("Text2")->text(), folder + "/gone.pdb");
  QVERIFY2(win.get<QLineEdit>("Text1")->text().startsWith(QStringLiteral("2: ")),
           qPrintable(win.get<QLineEdit>("Text1")->text()));
  QCOMPARE(win.etat(), QStringLiteral("Concentrator SN: 00A1B2C3 - Atelier Nord"));
}

void MainWindowTest::makeAndFileClicksDuringAConversionAreIgnored() {
  fx::TempDir tmp;
  const QString folder = Q(tmp.file("in")), program = Q(tmp.file("prog"));
  QVERIFY(CopySample(folder));
  QVERIFY(CopySample(folder, QStringLiteral("other.pdb")));
  QVERIFY(QDir().mkpath(program));
  Window win(program);
  win.w.openFolder(folder);
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
    text2_after_clicks = win.get<QLineEdit>("Text2")->text();
  });
  win.click("BMake");

  QVERIFY(ran);
  // Neither a second conversion ("Done...") nor a preview line came in between.
  QCOMPARE(etat_after_clicks, QStringLiteral("...Processing..."));
  QCOMPARE(text2_after_clicks, QString());
  QCOMPARE(win.etat(), QStringLiteral("Done..."));
  QVERIFY(ReadAll(program + "/mv1.txt").startsWith(SampleHeaderLines()));

  // The guard is down again afterwards.
  win.clickFile(QStringLiteral("other.pdb"));
  QCOMPARE(win.get<QLineEdit>("Text2")->text(), folder + "/other.pdb");
}

void MainWindowTest::quitDuringAConversionLeavesNoOutputAndClosesTheWindow() {
  fx::TempDir tmp;
  const QString folder = Q(tmp.file("in")), program = Q(tmp.file("prog"));
  QVERIFY(CopySample(folder));
  QVERIFY(QDir().mkpath(program));
  QFile earlier(program + "/mv1.txt");
  QVERIFY(earlier.open(QIODevice::WriteOnly));
  earlier.write("earlier output\r\n");
  earlier.close();
  Window win(program);
  win.w.openFolder(folder);
  win.clickFile(kSample);

  bool still_open_during = false;
  win.duringNextHandler([&] {
    win.click("BQuit");
    still_open_during = win.w.isVisible();  // the conversion is still on the stack
  });
  win.click("BMake");

  QVERIFY(still_open_during);
  QVERIFY(!win.w.isVisible());
  QCOMPARE(ReadAll(program + "/mv1.txt"), QByteArray("earlier output\r\n"));
  QCOMPARE(QDir(program).entryList(QDir::Files), QStringList{QStringLiteral("mv1.txt")});
}

void MainWindowTest::fileListShowsThePatternsFilesOfTheFolder() {
  fx::TempDir tmp;
  const QString folder = Q(tmp.file("in"));
  QVERIFY(QDir().mkpath(folder + "/sub.pdb"));
  for (const char* name : {"b.pdb", "A.PDB", "c.pdc", "notes.txt", "pdb", "d.pdbx"}) {
    QVERIFY(fx::WriteFile(tmp.file("in/") + name, fx::Bytes().u8(1)));
  }
  Window win(Q(tmp.path()));
  win.w.openFolder(folder);
  QCOMPARE(win.listed(), (QStringList{"A.PDB", "b.pdb", "c.pdc"}));
}

void MainWindowTest::selectAllFilesSelectsEveryFileAndFollowsFolderChanges() {
  fx::TempDir tmp;
  const QString a = Q(tmp.file("a")), b = Q(tmp.file("a/b"));
  QVERIFY(QDir().mkpath(b));
  for (const char* name : {"a/1.pdb", "a/2.pdc", "a/b/3.pdb", "a/b/4.pdb", "a/b/5.pdc"}) {
    QVERIFY(fx::WriteFile(tmp.file(name), fx::Bytes().u8(1)));
  }
  Window win(Q(tmp.path()));
  win.w.openFolder(a);
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
  fx::TempDir tmp;
  const QString a = Q(tmp.file("a")), b = Q(tmp.file("a/b"));
  QVERIFY(QDir().mkpath(b + "/c"));
  QVERIFY(QDir().mkpath(a + "/d"));
  QVERIFY(fx::WriteFile(tmp.file("a/1.pdb"), fx::Bytes().u8(1)));
  QVERIFY(fx::WriteFile(tmp.file("a/b/2.pdb"), fx::Bytes().u8(1)));
  Window win(Q(tmp.path()));
  win.w.openFolder(a);
  // The drive's root on top, the open folder's parents under it, then the open folder with its
  // subfolders.
  QCOMPARE(win.dirs()->topLevelItemCount(), 1);
  QCOMPARE(win.dirs()->topLevelItem(0)->text(0), QStorageInfo(a).rootPath());
  QCOMPARE(win.subfolders(QFileInfo(tmp.path().c_str()).fileName()), QStringList{"a"});
  QCOMPARE(win.subfolders("a"), (QStringList{"b", "d"}));
  QCOMPARE(win.highlightedFolder(), a);
  QCOMPARE(win.listed(), QStringList{"1.pdb"});

  win.get<QLineEdit>("etat")->setText(QStringLiteral("old status"));
  win.clickFolder(QStringLiteral("b"));
  QCOMPARE(win.listed(), QStringList{"2.pdb"});
  QCOMPARE(win.etat(), QString());
  QCOMPARE(win.highlightedFolder(), b);
  QCOMPARE(win.subfolders("a"), (QStringList{"b", "d"}));  // highlighted, not opened
  QCOMPARE(win.subfolders("b"), QStringList());

  QVERIFY(fx::WriteFile(tmp.file("a/b/0.pdc"), fx::Bytes().u8(1)));
  QVERIFY(QDir().mkpath(a + "/e"));
  QCOMPARE(win.listed(), QStringList{"2.pdb"});
  win.click("Command1");
  QCOMPARE(win.listed(), (QStringList{"0.pdc", "2.pdb"}));
  QCOMPARE(win.subfolders("a"), (QStringList{"b", "d", "e"}));
  QCOMPARE(win.highlightedFolder(), b);

  win.doubleClickFolder(QStringLiteral("b"));
  QCOMPARE(win.subfolders("a"), QStringList{"b"});
  QCOMPARE(win.subfolders("b"), QStringList{"c"});
  QCOMPARE(win.listed(), (QStringList{"0.pdc", "2.pdb"}));
  win.doubleClickFolder(QStringLiteral("a"));
  QCOMPARE(win.subfolders("a"), (QStringList{"b", "d", "e"}));
  QCOMPARE(win.listed(), QStringList{"1.pdb"});
}

void MainWindowTest::driveThatCannotBeReadIsReportedAndLeft() {
  fx::TempDir tmp;
  const QString a = Q(tmp.file("a"));
  QVERIFY(QDir().mkpath(a));
  QVERIFY(fx::WriteFile(tmp.file("a/1.pdb"), fx::Bytes().u8(1)));
  Window win(Q(tmp.path()));
  win.w.openFolder(a);
  auto* drives = win.get<QComboBox>("Drive1");
  const QString chosen = drives->currentText();
  QVERIFY(!chosen.isEmpty());

  // A drive that went away after the list was made, as a removed stick does.
  const QString gone = Q(tmp.file("gone"));
  drives->addItem(gone, gone);
  drives->setCurrentIndex(drives->count() - 1);

  QCOMPARE(win.etat(), QStringLiteral("Drive %1 cannot be read").arg(gone));
  QCOMPARE(drives->currentText(), chosen);
  QCOMPARE(win.highlightedFolder(), a);
  QCOMPARE(win.listed(), QStringList{"1.pdb"});
}

void MainWindowTest::messageBoxHasOnlyOkAndNoTitle() {
  fx::TempDir tmp;
  Window win(Q(tmp.path()));
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
  const QString folder = Q(tmp.path());
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
  fx::TempDir tmp;
  const QString folder = Q(tmp.file("samples"));
  QVERIFY(CopySample(folder));
  Window win(Q(tmp.path()));
  QCOMPARE(win.w.windowTitle(), QStringLiteral("VIDURAVARE"));
  win.w.openFolder(folder);
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
