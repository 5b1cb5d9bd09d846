// The window "VIDURAVARE": the drive, folder and file lists, the status line, the option boxes
// and the four buttons, each at its fixed place. The window owns the toolkit-free `Shell`
// logic; its slots copy the controls into the shell (folder, current and selected files, text
// boxes, options), call the handler and copy back what the handler changed.
// It is also the conversions' `Ui`: the status line, event processing, the clipboard and the
// message box. While a handler runs and lets the window process events, Make, the file preview
// and Load Header clicks are ignored; Quit stops a running conversion at its next event step
// (which leaves no output file) and closes the window once the handler has returned. The output
// files go to the output folder shown on the window's last line: the program's folder when it
// can be written, else the user's documents folder, or the folder the user chose there. Built
// with Qt Charts, a Chart button under Quit opens a chart window on the text of the last Make.
#pragma once

#include <QHash>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/shell.h"
#include "app/ui.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace vid {

class MainWindow : public QWidget, public Ui {
  Q_OBJECT

 public:
  /// Asks the user for a folder, starting at `current`; an empty text when the user cancels.
  using FolderChooser = std::function<QString(QWidget* parent, const QString& current)>;

  /// `program_folder` receives the output files when it can be written (and the command line's
  /// output in any case).
  explicit MainWindow(const QString& program_folder, QWidget* parent = nullptr);
  ~MainWindow() override;

  /// The output folder of an interactive window: `program_folder` when it can be written, else
  /// the user's documents folder (made by the first Make when missing).
  static QString defaultOutputFolder(const QString& program_folder);
  /// The output folder from now on, in place of the default one.
  void setOutputFolder(const QString& folder);
  /// The folder Make writes into: the one set, else the default one.
  QString outputFolder() const;
  /// Replaces the folder dialog of the "Choose folder" button.
  void setFolderChooser(FolderChooser chooser) { choose_folder_ = std::move(chooser); }

  /// The window's load with the text behind the program's name. Returns the result of the
  /// conversion when the text names an input and an output (the program then ends without
  /// showing the window), nothing when the window is for the user.
  std::optional<MakeResult> formLoad(const QString& command_line);

  /// Chooses the drive holding `folder`, then opens `folder` in the folder list.
  void openFolder(const QString& folder);

  /// The text of the status line.
  QString status() const;
  /// After `formLoad` converted into the current folder because the program's folder cannot
  /// be written: where the output went. Empty otherwise.
  QString fallbackNotice() const;

  // Ui
  void SetStatus(std::string_view text) override;
  void ProcessEvents() override;
  bool QuitRequested() const override { return quit_requested_; }
  void ClearClipboard() override;
  void SetClipboard(std::string_view text) override;
  void MessageBox(std::string_view text) override;

 signals:
  /// The user chose `folder` as the output folder.
  void outputFolderChosen(const QString& folder);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void onDriveChanged(int index);
  void onDirClicked(QTreeWidgetItem* item);
  void onDirActivated(QTreeWidgetItem* item);
  void onFileClicked();
  void onMake();
  void onLoadHeader();
  void onRefresh();
  void onQuit();
  void onSelectAllToggled(bool on);
  void onChooseOutputFolder();

 private:
  void createBrowser();
  void createStatusLine();
  void createOptions();
  void createButtons();
  void createLabels();
  void createOutputFolderLine();
  void showOutputFolder();
  void fillDrives();

  /// Runs one of the shell's handlers between copying the controls into the shell and back. A click
  /// that arrives while a handler lets the window process events is ignored; a Quit that
  /// arrived meanwhile closes the window once the handler has returned.
  template <class Call>
  void runHandler(Call call);
  void toForm();
  void fromForm();

  void setDriveRoot(const QString& root);
  void openDir(const QString& path);
  /// Lists the open folder's parents down from the drive root, the open folder and its
  /// subfolders, read from disk; highlights `highlight` (the open folder when it is not listed).
  void fillDirList(const QString& highlight);
  void showFiles(const QString& folder);

  Shell shell_{*this};
  QString program_folder_;
  QString chosen_output_folder_;  ///< set by the user (or from the settings); empty: the default
  FolderChooser choose_folder_;
  bool quit_requested_ = false;
  bool handler_running_ = false;  ///< Make, a preview or Load Header is under way

  QString drive_root_;                 ///< root of the drive chosen in Drive1
  QHash<QString, QString> drive_dir_;  ///< the folder last open on each drive
  QString dir_open_;                   ///< the folder open in Dir1
  QString files_folder_;               ///< the folder File1 lists
  QString last_text_;                  ///< the text the last completed Make wrote

  QComboBox* drive_list_ = nullptr;
  QTreeWidget* folder_list_ = nullptr;
  QListWidget* file_list_ = nullptr;
  QLineEdit* status_line_ = nullptr;
  QCheckBox* copy_to_clipboard_box_ = nullptr;
  QCheckBox* select_all_box_ = nullptr;
  QCheckBox* skip_date_check_box_ = nullptr;
  QCheckBox* name_after_serial_box_ = nullptr;
  QLineEdit* last_error_box_ = nullptr;
  QLineEdit* file_name_box_ = nullptr;
  QLineEdit* output_folder_box_ = nullptr;
};

}  // namespace vid
