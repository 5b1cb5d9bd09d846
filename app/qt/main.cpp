// viduravare-gui: the window. Started with an input and an output name (IN.pdb OUT.txt) it
// converts the input into the output in the program's folder (in the current folder when the
// program's folder cannot be written, and then it says so) without showing the window, and
// ends: exit status 0 when the conversion completed, 1 otherwise (the status text goes to stderr).
// The output folder the user chooses in the window is remembered for the next start.
#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <cstdio>

#include "app/qt/main_window.h"
#include "platform/paths.h"
#include "platform/standard_descriptors.h"

int main(int argc, char** argv) {
  // No output file may take the number of a closed standard stream.
  vid::OpenStandardDescriptors();
  QApplication app(argc, argv);
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
  const QString chosen = settings.value(QStringLiteral("outputFolder")).toString();
  if (!chosen.isEmpty() && vid::FolderWritable(QFile::encodeName(chosen).toStdString())) {
    window.setOutputFolder(chosen);
  }
  QObject::connect(&window, &vid::MainWindow::outputFolderChosen, [&settings](const QString& f) {
    settings.setValue(QStringLiteral("outputFolder"), f);
  });
  window.show();
  return app.exec();
}
