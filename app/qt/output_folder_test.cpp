// The window's files, folders and outputs: Make acts on the current entry of the file list,
// status texts show UTF-8 paths and the recordings' single-byte names alike, and the output goes
// to the folder on the window's last line: the documents folder when the program's folder is an
// installed program's or cannot be written, or the folder the user chose. Every choice of the
// Output group writes what the command line's matching options write; Convert each converts
// the selection file by file; the window remembers its choices.
#include <QCheckBox>
#include <QComboBox>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTreeWidget>

#include "window_harness.h"

namespace vid {
namespace {

using testing::ReadAll;
using testing::Window;

// `viduravare convert IN -o OUT args`, in this process's locale.
void RunCli(const QString& in, const QString& out, const QStringList& args) {
  QProcess cli;
  cli.start(QStringLiteral(VIDURAVARE_CLI), QStringList{"convert", in, "-o", out} + args);
  QVERIFY(cli.waitForFinished(10000));
  QCOMPARE(cli.exitCode(), 0);
}

// Two workbooks hold the same parts, but for the time they were made.
bool SameWorkbook(const QString& a, const QString& b) {
  const char* compare =
      "import sys, zipfile\n"
      "a, b = (zipfile.ZipFile(p) for p in sys.argv[1:])\n"
      "names = [n for n in a.namelist() if n != 'docProps/core.xml']\n"
      "sys.exit(names != [n for n in b.namelist() if n != 'docProps/core.xml'] or\n"
      "         any(a.read(n) != b.read(n) for n in names))\n";
  return QProcess::execute(QStringLiteral("python3"), {"-c", compare, a, b}) == 0;
}

void Choose(Window& win, const char* box, const QString& key) {
  auto* combo = win.get<QComboBox>(box);
  combo->setCurrentIndex(combo->findData(key));
}

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
    // An installed program's folder is no output folder, whoever runs the program.
    QCOMPARE(MainWindow::defaultOutputFolder(QStringLiteral("/usr/bin")), documents);
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

  void eachOutputChoiceWritesWhatTheCommandLineWrites() {
    Window win;
    const QString in = win.in + "/atelier_nord.pdb", cli = win.root() + "/cli";
    win.clickFile(QStringLiteral("atelier_nord.pdb"));
    struct Case {
      const char *format, *encoding, *dates, *delimiter;
      QStringList args;
    };
    const Case cases[] = {
        {"txt", "utf-8", "dmy", "tab", {"--encoding", "utf-8"}},
        {"txt",
         "utf-8-bom",
         "iso",
         ";",
         {"--encoding", "utf-8", "--bom", "--dates", "iso", "--delimiter", ";"}},
        {"txt", "cp1252", "dmy", ",", {"--delimiter", ","}},
        // The text's choices do not reach a workbook.
        {"xlsx", "utf-8", "iso", ";", {"--format", "xlsx"}},
    };
    for (const Case& c : cases) {
      Choose(win, "format", c.format);
      Choose(win, "encoding", c.encoding);
      Choose(win, "dates", c.dates);
      Choose(win, "delimiter", c.delimiter);
      win.click("make");
      const QString out = win.program + "/mv1." + c.format;
      QCOMPARE(win.text("status_line"), QStringLiteral("Done..."));
      RunCli(in, cli + "." + c.format, c.args);
      if (QString(c.format) == "txt") {
        QCOMPARE(ReadAll(out), ReadAll(cli + ".txt"));
      } else {
        QVERIFY(SameWorkbook(out, cli + ".xlsx"));
      }
    }
    // A workbook named after the serial number.
    win.get<QCheckBox>("name_after_serial")->setChecked(true);
    win.click("make");
    QVERIFY(QFile::exists(win.program + "/00A1B2C3.xlsx"));
  }

  void convertEachConvertsEveryFileAloneAndKeepsTheResults() {
    Window win({"atelier_nord.pdb", "mini_site.pdb", "quendar_chambre.pdc"});
    fx::WriteFile((win.in + "/bad.pdb").toStdString(),
                  fx::BuildDump({.end_addr = 1, .type = 'f'}, std::vector<fx::DumpModule>(26),
                                {.columns = {{0}}})
                      .bytes);
    win.w.openFolder(win.in);
    win.get<QCheckBox>("select_all")->setChecked(true);
    win.click("convert_each");
    QCOMPARE(win.text("status_line"), QStringLiteral("3 converted, 1 stopped"));
    QCOMPARE(QDir(win.program).entryList(QDir::Files),
             (QStringList{"atelier_nord.txt", "mini_site.txt", "quendar_chambre.txt"}));
    QVERIFY(win.text("written").startsWith("Wrote 3 files into " + win.program));
    win.clickFile(QStringLiteral("mini_site.pdb"));  // the results stay
    auto* results = win.get<QTreeWidget>("results");
    QStringList shown;
    for (int i = 0; i < results->topLevelItemCount(); ++i)
      shown << results->topLevelItem(i)->text(0) + " " + results->topLevelItem(i)->text(1);
    QCOMPARE(shown, (QStringList{
                        "atelier_nord.pdb Converted: " + win.program + "/atelier_nord.txt",
                        "bad.pdb Stopped: Error in file : 26 modules, no more than 25 can be "
                        "read; conversion stopped",
                        "mini_site.pdb Converted: " + win.program + "/mini_site.txt",
                        "quendar_chambre.pdc Converted: " + win.program + "/quendar_chambre.txt",
                    }));
  }

  void choicesFoldersAndSizeAreRemembered() {
    Window first;
    QSettings settings(first.root() + "/settings.ini", QSettings::IniFormat);
    first.w.useSettings(&settings);
    first.w.resize(900, 700);
    Choose(first, "format", "xlsx");
    first.w.setFolderChooser([&](QWidget*, const QString&) { return first.root(); });
    first.click("choose_output_folder");
    first.w.openFolder(first.in);
    first.clickFile(QStringLiteral("atelier_nord.pdb"));
    first.click("make");
    first.w.openFolder(first.root());
    first.w.close();

    Window next(QStringList{});
    next.w.useSettings(&settings);
    QCOMPARE(next.w.size(), QSize(900, 700));
    QCOMPARE(next.get<QComboBox>("format")->currentData().toString(), QStringLiteral("xlsx"));
    QVERIFY(!next.get("delimiter")->isEnabled());
    QCOMPARE(next.text("output_folder"), first.root());
    QCOMPARE(next.get<QTreeWidget>("folder_list")->currentItem()->data(0, Qt::UserRole).toString(),
             first.root());
    auto* drives = next.get<QComboBox>("drive_list");
    drives->setCurrentIndex(drives->findText(first.in));  // a recent folder
    QCOMPARE(next.get<QListWidget>("file_list")->count(), 2);
  }
};

}  // namespace
}  // namespace vid

QTEST_MAIN(vid::OutputFolderTest)
#include "output_folder_test.moc"
