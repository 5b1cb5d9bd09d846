// The window's file and folders: Make acts on the current entry of the file list, status texts
// show UTF-8 paths and the recordings' single-byte names alike, and the output goes to the
// folder on the window's last line: the documents folder when the program's folder cannot be
// written, or the folder the user chose.
#include <QSignalSpy>

#include "window_harness.h"

namespace vid {
namespace {

using testing::Window;

class OutputFolderTest : public QObject {
  Q_OBJECT

 private slots:
  void makeActsOnTheCurrentEntryAndStatusTextsAreUtf8() {
    Window win({"atelier_nord.pdb", "mini_site.pdb"}, QString::fromUtf8("Données été"));
    fx::WriteFile(
        QFile::encodeName(win.in + "/c_name.pdb").toStdString(),
        fx::BuildDump({.name = "Caf\xE9 \x80", .sn = 0x1A2B, .end_addr = 1}, {}, {.columns = {{0}}})
            .bytes);
    win.w.openFolder(win.in);
    win.click("make");  // no entry is current yet
    QCOMPARE(win.text("status_line"), QStringLiteral("No file selected"));

    win.clickFile(QStringLiteral("c_name.pdb"));
    QCOMPARE(win.text("status_line"), QString::fromUtf8("Concentrator SN: 00001A2B - Café €"));
    QVERIFY(QFile::remove(win.in + "/c_name.pdb"));
    win.click("make");
    QCOMPARE(win.text("status_line"),
             "Cannot open " + win.in + "/c_name.pdb : 2: No such file or directory");

    win.clickFile(QStringLiteral("atelier_nord.pdb"));
    win.clickFile(QStringLiteral("mini_site.pdb"), Qt::ControlModifier);
    win.clickFile(QStringLiteral("mini_site.pdb"),
                  Qt::ControlModifier);  // deselected, still current
    win.click("make");
    QCOMPARE(QDir(win.program).entryList(QDir::Files), QStringList{QStringLiteral("mini1.txt")});
  }

  void unwritableProgramFolderGivesTheDocumentsFolderAndTheUserMayChoose() {
    fx::TempDir home;
    const QString documents = QString::fromStdString(home.path()) + "/Documents";
    qputenv("HOME", home.path().c_str());
    qunsetenv("XDG_CONFIG_HOME");
    Window win({"atelier_nord.pdb"}, "in", "/nonexistent/bin");
    QCOMPARE(win.text("output_folder"), documents);
    win.clickFile(QStringLiteral("atelier_nord.pdb"));
    win.click("make");
    QVERIFY(QFile::exists(documents + "/mv1.txt"));

    QString offered;
    win.w.setFolderChooser([&](QWidget*, const QString& current) {
      offered = current;
      return win.in;
    });
    QSignalSpy chosen(&win.w, &MainWindow::outputFolderChosen);  // to be remembered
    win.click("choose_output_folder");
    QCOMPARE(offered, documents);
    QCOMPARE(chosen.value(0).value(0).toString(), win.in);
    QCOMPARE(win.text("output_folder"), win.in);
    win.click("make");
    QVERIFY(QFile::exists(win.in + "/mv1.txt"));
  }
};

}  // namespace
}  // namespace vid

QTEST_MAIN(vid::OutputFolderTest)
#include "output_folder_test.moc"
