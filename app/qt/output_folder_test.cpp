// The window's file and folders: Make acts on the current entry of the file list, status texts
// show UTF-8 paths and the recordings' single-byte names alike, and the output goes to the
// folder on the window's last line: the documents folder when the program's folder cannot be
// written, or the folder the user chose.
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/qt/main_window.h"
#include "fixture_writer.h"

namespace vid {
namespace {

// A window on `in` (a folder of a temporary folder) whose program folder is `program`.
struct Window {
  Window(const QString& in_name, const QString& program)
      : in(QString::fromStdString(tmp.path()) + "/" + in_name), w(program) {
    QDir().mkpath(in);
    w.show();
  }
  void put(const QString& name, const char* sample = "atelier_nord.pdb") {
    QFile::copy(QStringLiteral(VIDURAVARE_SAMPLES "/") + sample, in + "/" + name);
  }
  void clickFile(const QString& name, Qt::KeyboardModifiers mods = {}) {
    auto* files = w.findChild<QListWidget*>(QStringLiteral("File1"));
    const QRect at = files->visualItemRect(files->findItems(name, Qt::MatchExactly).value(0));
    QTest::mouseClick(files->viewport(), Qt::LeftButton, mods, at.center());
  }
  void click(const char* name) {
    QTest::mouseClick(w.findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
  }
  QString text(const char* name) {
    return w.findChild<QLineEdit*>(QString::fromLatin1(name))->text();
  }

  fx::TempDir tmp;
  QString in;
  MainWindow w;
};

class OutputFolderTest : public QObject {
  Q_OBJECT

 private slots:
  void makeActsOnTheCurrentEntryAndStatusTextsAreUtf8() {
    fx::TempDir program;
    const QString out = QString::fromStdString(program.path());
    Window win(QString::fromUtf8("Données été"), out);
    win.put(QStringLiteral("a_site.pdb"));
    win.put(QStringLiteral("b_mini.pdb"), "mini_site.pdb");
    fx::DumpLayout layout;
    layout.columns = {std::vector<uint8_t>(12, 0)};
    fx::WriteFile(
        QFile::encodeName(win.in + "/c_name.pdb").toStdString(),
        fx::BuildDump({.name = "Caf\xE9 \x80", .sn = 0x1A2B, .end_addr = 12}, {}, layout).bytes);
    win.w.openFolder(win.in);
    win.click("BMake");  // no entry is current yet
    QCOMPARE(win.text("etat"), QStringLiteral("No file selected"));

    win.clickFile(QStringLiteral("c_name.pdb"));
    QCOMPARE(win.text("etat"), QString::fromUtf8("Concentrator SN: 00001A2B - Café €"));
    QVERIFY(QFile::remove(win.in + "/c_name.pdb"));
    win.click("BMake");
    QCOMPARE(win.text("etat"),
             "Cannot open " + win.in + "/c_name.pdb : 2: No such file or directory");

    win.clickFile(QStringLiteral("a_site.pdb"));
    win.clickFile(QStringLiteral("b_mini.pdb"), Qt::ControlModifier);
    win.clickFile(QStringLiteral("b_mini.pdb"), Qt::ControlModifier);  // deselected, still current
    win.click("BMake");
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("mini1.txt")});
  }

  void unwritableProgramFolderGivesTheDocumentsFolderAndTheUserMayChoose() {
    fx::TempDir home;
    const QString documents = QString::fromStdString(home.path()) + "/Documents";
    qputenv("HOME", home.path().c_str());
    qunsetenv("XDG_CONFIG_HOME");
    Window win(QStringLiteral("in"), QStringLiteral("/nonexistent/bin"));
    win.put(QStringLiteral("site.pdb"));
    win.w.openFolder(win.in);
    QCOMPARE(win.text("OutputFolder"), documents);
    win.clickFile(QStringLiteral("site.pdb"));
    win.click("BMake");
    QVERIFY(QFile::exists(documents + "/mv1.txt"));

    QString offered;
    win.w.setFolderChooser([&](QWidget*, const QString& current) {
      offered = current;
      return win.in;
    });
    QSignalSpy chosen(&win.w, &MainWindow::outputFolderChosen);  // to be remembered
    win.click("BOutputFolder");
    QCOMPARE(offered, documents);
    QCOMPARE(chosen.value(0).value(0).toString(), win.in);
    QCOMPARE(win.text("OutputFolder"), win.in);
    win.click("BMake");
    QVERIFY(QFile::exists(win.in + "/mv1.txt"));
  }
};

}  // namespace
}  // namespace vid

QTEST_MAIN(vid::OutputFolderTest)
#include "output_folder_test.moc"
