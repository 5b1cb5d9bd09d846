// viduravare-gui: the window. Started with an input and an output name (IN.pdb OUT.txt) it
// converts the input into the output in the program's folder without showing the window, and
// ends: exit status 0 when the conversion completed, 1 otherwise (the status text goes to stderr).
#include <QApplication>
#include <QStringList>
#include <cstdio>

#include "app/qt/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vid::MainWindow window(QCoreApplication::applicationDirPath());

  QStringList items = QCoreApplication::arguments();
  items.removeFirst();
  const std::optional<vid::MakeResult> result = window.formLoad(items.join(QLatin1Char(' ')));
  if (result) {
    if (*result == vid::MakeResult::kDone) return 0;
    std::fprintf(stderr, "viduravare-gui: %s\n", window.status().toLocal8Bit().constData());
    return 1;
  }
  window.show();
  return app.exec();
}
