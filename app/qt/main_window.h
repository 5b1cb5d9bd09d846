// The window "VIDURAVARE": the drive, folder and file lists, the status line with its progress
// bar and Cancel, the line that says what the last run wrote, the list of the last run's results,
// the option boxes, the buttons, the Output group and the output folder, laid out so that the
// lists and the results grow with the window. The window owns the toolkit-free `Shell` logic; its
// slots copy the controls into the shell (folder, current and selected files, text boxes,
// options, output style), call the handler and copy back what the handler changed.
// It is also the conversions' `Ui`: the status line, the progress bar, event processing, the
// clipboard and the message box. While a handler runs and lets the window process events, the
// other buttons and the file preview are ignored; Cancel (or Esc) stops the running conversion,
// Quit stops it too and closes the window once the handler has returned; either leaves no output
// file. The output files go to the output folder shown on the window's last line: the program's
// folder when it is the user's own and can be written, else the user's documents folder, or the
// folder the user chose there. Files and folders dropped on the window are selected in its lists.
// Built with Qt Charts, a Chart button opens a chart window on the text of the last Make.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/shell.h"
#include "app/ui.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QSettings;
class QTreeWidget;
class QTreeWidgetItem;

namespace vid {

class ElidedLine;

class MainWindow : public QWidget, public Ui {
  Q_OBJECT

 public:
  /// Asks the user for a folder, starting at `current`; an empty text when the user cancels.
  using FolderChooser = std::function<QString(QWidget* parent, const QString& current)>;

  /// `program_folder` receives the output files when it is the user's and can be written (and
  /// the command line's output in any case, unless it lies under a system prefix).
  explicit MainWindow(const QString& program_folder, QWidget* parent = nullptr);
  ~MainWindow() override;

  /// The output folder of an interactive window: `program_folder` when it lies under no system
  /// prefix and can be written, else the user's documents folder (made by the first Make).
  static QString defaultOutputFolder(const QString& program_folder);
  /// The output folder from now on, in place of the default one.
  void setOutputFolder(const QString& folder);
  /// The folder Make writes into: the one set, else the default one.
  QString outputFolder() const;
  /// Replaces the folder dialog of the "Choose folder" button.
  void setFolderChooser(FolderChooser chooser) { choose_folder_ = std::move(chooser); }

  /// Takes the remembered size, output folder, browsing folder, recent folders and output style
  /// from `settings`, and keeps them there from now on.
  void useSettings(QSettings* settings);

  /// The window's load with the text behind the program's name. Returns the result of the
  /// conversion when the text names an input and an output (the program then ends without
  /// showing the window), nothing when the window is for the user.
  std::optional<MakeResult> formLoad(const QString& command_line);

  /// Chooses the drive holding `folder`, then opens `folder` in the folder list.
  void openFolder(const QString& folder);
  /// Opens a folder, or the folder of the first file and selects there every file given (the
  /// first one current, its preview shown), as a drop or the command line does. False when no
  /// file could be selected.
  bool openPaths(const QStringList& paths);

  /// The whole text of the status line (the field may show it elided).
  QString status() const;
  /// After `formLoad` converted into the current folder because the program's folder is no
  /// place for it: where the output went. Empty otherwise.
  QString fallbackNotice() const;

  // Ui
  void SetStatus(std::string_view text) override;
  void SetProgress(const Progress& progress) override;
  void SetBatchProgress(size_t done, size_t total, std::string_view current) override;
  void ProcessEvents() override;
  bool QuitRequested() const override { return quit_requested_; }
  bool CancelRequested() const override { return cancel_requested_; }
  void ClearClipboard() override;
  void SetClipboard(std::string_view text) override;
  void MessageBox(std::string_view text) override;

 signals:
  /// The user chose `folder` as the output folder.
  void outputFolderChosen(const QString& folder);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void onDriveChanged(int index);
  void onDirClicked(QTreeWidgetItem* item);
  void onDirActivated(QTreeWidgetItem* item);
  void onFileClicked(QListWidgetItem* item);
  void onCurrentFileChanged(QListWidgetItem* current);
  void onMake();
  void onConvertEach();
  void onLoadHeader();
  void onRefresh();
  void onQuit();
  void onCancel();
  void onSelectAllToggled(bool on);
  void onChooseOutputFolder();
  void onFileNameEntered();
  void onFormatChanged();
  void onAbout();
  void onHelp();

 private:
  QWidget* createBrowser();
  QWidget* createStatusLine();
  QWidget* createOptionsAndButtons();
  QWidget* createNameLines();
  QWidget* createOutputGroup();
  QWidget* createOutputFolderLine();
  void createShortcuts();
  void chainTabOrder(const QList<QWidget*>& order);
  void showOutputFolder();
  void fillDrives();
  void fillRecentFolders();
  void rememberFolder(const QString& folder);

  /// Runs one of the shell's handlers between copying the controls into the shell and back. A
  /// click that arrives while a handler lets the window process events is ignored; a Quit that
  /// arrived meanwhile closes the window once the handler has returned.
  template <class Call>
  void runHandler(Call call);
  void toForm();
  void fromForm();
  /// The status line, the progress bar and Cancel as a run starts and ends.
  void startRun();
  void endRun(bool completed);
  /// The results list and the written line after a Make, a Load Header or a Convert each.
  void showMakeResult(const QString& input);
  void showEachResults();
  void saveStyle();

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
  QSettings* settings_ = nullptr;
  bool quit_requested_ = false;
  bool cancel_requested_ = false;
  bool handler_running_ = false;  ///< Make, Convert each, a preview or Load Header is under way
  QListWidgetItem* current_at_press_ = nullptr;  ///< the current file when the mouse went down

  QString drive_root_;                 ///< root of the drive chosen in Drive1
  QHash<QString, QString> drive_dir_;  ///< the folder last open on each drive
  QString dir_open_;                   ///< the folder open in Dir1
  QString files_folder_;               ///< the folder File1 lists
  QString last_text_;                  ///< the text the last completed Make wrote
  QStringList recent_folders_;         ///< the folders files were last used in, latest first

  QComboBox* drive_list_ = nullptr;
  QTreeWidget* folder_list_ = nullptr;
  QListWidget* file_list_ = nullptr;
  ElidedLine* status_line_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* cancel_ = nullptr;
  ElidedLine* written_line_ = nullptr;
  QTreeWidget* results_ = nullptr;
  QCheckBox* copy_to_clipboard_box_ = nullptr;
  QCheckBox* select_all_box_ = nullptr;
  QCheckBox* skip_date_check_box_ = nullptr;
  QCheckBox* name_after_serial_box_ = nullptr;
  QLineEdit* last_error_box_ = nullptr;
  QLineEdit* file_name_box_ = nullptr;
  QComboBox* format_box_ = nullptr;
  QComboBox* encoding_box_ = nullptr;
  QComboBox* dates_box_ = nullptr;
  QComboBox* delimiter_box_ = nullptr;
  QLineEdit* output_folder_box_ = nullptr;
  QList<QWidget*> buttons_;  ///< in the order of their rows
};

}  // namespace vid
