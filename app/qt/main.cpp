// viduravare-gui: the window. Started with an input and an output name (IN.pdb OUT.txt) it
// converts the input into the output without showing the window, and ends: exit status 0 when
// the conversion completed, 1 otherwise (the status text goes to stderr). The output goes into
// the program's folder, or into the current folder when the program is installed under a system
// prefix or its folder cannot be written (and then it says so); an absolute output name is used
// as given. Started with files or a folder (as a file manager opens them), it shows the window
// with them selected. The window's size, folders and output choices are remembered for the next
// start. --help and --version print their text without a display.
#include <QApplication>
#include <QIcon>
#include <QSettings>
#include <QStringList>
#include <cstdio>
#include <string_view>

#include "app/qt/main_window.h"
#include "platform/standard_descriptors.h"

namespace {

const char kHelp[] =
    "usage: viduravare-gui [FILE...]\n"
    "       viduravare-gui IN.pdb OUT.txt\n"
    "       viduravare-gui --help | --version\n"
    "\n"
    "Opens the window that converts concentrator dumps (.pdb) and logger files (.pdc) into\n"
    "text or workbooks. Files or a folder given open the window with them selected in their\n"
    "folder, the first one current.\n"
    "\n"
    "IN.pdb (or IN.pdc) and OUT.txt convert IN into OUT.txt without showing the window: into\n"
    "the program's folder, or into the current folder when the program is installed under a\n"
    "system prefix or its folder cannot be written; an absolute OUT.txt is used as given.\n"
    "Exit status 0 when the conversion completed, 1 otherwise.\n";

}  // namespace

int main(int argc, char** argv) {
  // No output file may take the number of a closed standard stream.
  vid::OpenStandardDescriptors();
  if (argc == 2) {
    const std::string_view arg = argv[1];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::puts("viduravare-gui " VIDURAVARE_VERSION);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setDesktopFileName(QStringLiteral("viduravare-gui"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("viduravare")));
  vid::MainWindow window(QCoreApplication::applicationDirPath());

  QStringList items = QCoreApplication::arguments();
  items.removeFirst();
  const std::optional<vid::MakeResult> result = window.formLoad(items.join(QLatin1Char(' ')));
  if (result) {
    if (*result == vid::MakeResult::kDone) {
      const QString notice = window.fallbackNotice();
      if (!notice.isEmpty())
        std::fprintf(stderr, "viduravare-gui: %s\n", notice.toUtf8().constData());
      return 0;
    }
    std::fprintf(stderr, "viduravare-gui: %s\n", window.status().toUtf8().constData());
    return 1;
  }

  QSettings settings(QStringLiteral("viduravare"), QStringLiteral("viduravare-gui"));
  window.useSettings(&settings);
  window.show();
  if (!items.isEmpty()) window.openPaths(items);
  return app.exec();
}
