// The window driven through its real widgets on the offscreen platform, in a temporary folder
// whose `in/` holds the inputs and whose `prog/` stands for the program's folder.
#pragma once

#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "app/qt/main_window.h"
#include "fixture_writer.h"

namespace vid::testing {

inline QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Window {
  /// Copies `samples` into the input folder `in_name`, shows the window and opens that folder.
  /// The program's folder is `program`, else `prog/`, made here.
  explicit Window(const QStringList& samples = {"atelier_nord.pdb", "entrepot_header.pdc"},
                  const QString& in_name = "in", const QString& program = {})
      : in(root() + "/" + in_name),
        program(program.isEmpty() ? root() + "/prog" : program),
        w(this->program) {
    if (program.isEmpty()) QDir().mkpath(this->program);
    QDir().mkpath(in);
    for (const QString& name : samples)
      QFile::copy(QStringLiteral(VIDURAVARE_SAMPLES "/") + name, in + "/" + name);
    w.show();
    w.openFolder(in);
  }
  QString root() const { return QString::fromStdString(tmp.path()); }
  /// The whole text of a line (a line that elides its text keeps the whole in "fullText").
  QString text(const char* box) {
    const auto* line = w.findChild<QLineEdit*>(box);
    const QVariant full = line->property("fullText");
    return full.isValid() ? full.toString() : line->text();
  }
  void click(const char* button) {
    QTest::mouseClick(w.findChild<QAbstractButton*>(button), Qt::LeftButton);
  }
  template <class T = QWidget>
  T* get(const char* name) {
    return w.findChild<T*>(name);
  }
  void clickFile(const QString& name, Qt::KeyboardModifiers modifiers = {}) {
    auto* files = w.findChild<QListWidget*>("file_list");
    const QRect at = files->visualItemRect(files->findItems(name, Qt::MatchExactly).value(0));
    QTest::mouseClick(files->viewport(), Qt::LeftButton, modifiers, at.center());
  }

  fx::TempDir tmp;
  QString in, program;
  MainWindow w;
};

}  // namespace vid::testing
