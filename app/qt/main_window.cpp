#include "app/qt/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTime>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/qt/cp1252.h"
#include "platform/paths.h"
#ifdef VIDURAVARE_CHART
#include "app/qt/chart/chart_window.h"
#endif

namespace vid {

// A read-only line that shows a text too long for it elided in the middle, with the whole text
// as its tooltip and in its "fullText" property.
class ElidedLine : public QLineEdit {
 public:
  explicit ElidedLine(QWidget* parent) : QLineEdit(parent) { setReadOnly(true); }
  void setFullText(const QString& text) {
    full_ = text;
    setProperty("fullText", text);
    elide();
  }
  const QString& fullText() const { return full_; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLineEdit::resizeEvent(event);
    elide();
  }

 private:
  void elide() {
    QStyleOptionFrame option;
    initStyleOption(&option);
    // The text's own margins of 2 pixels on either side, as the line edit draws it.
    const int room =
        style()->subElementRect(QStyle::SE_LineEditContents, &option, this).width() - 4;
    const QString shown = fontMetrics().elidedText(full_, Qt::ElideMiddle, room);
    setText(shown);
    setToolTip(shown == full_ ? QString() : full_);
    setCursorPosition(0);
  }
  QString full_;
};

namespace {

constexpr int kRecentFolders = 8;
// The drive list's entries of recent folders carry their folder under this role as well.
constexpr int kRecentRole = Qt::UserRole + 1;

std::string Encode(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

QString Decode(const std::string& name) {
  return QFile::decodeName(QByteArray::fromStdString(name));
}

// Status texts, message boxes and error texts are UTF-8 (platform/text_codec.h).
QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString CleanPath(const QString& path) {
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

const QStringList kFilePatterns = {QStringLiteral("*.pdb"), QStringLiteral("*.pdc")};

// A control's name for tests and settings, and its name for screen readers.
template <class W>
W* Named(W* w, const char* object_name, const QString& accessible) {
  w->setObjectName(QString::fromLatin1(object_name));
  w->setAccessibleName(accessible);
  return w;
}

QString OutcomeText(const Result& r) {
  switch (r.outcome) {
    case Outcome::kCompleted:
      return MainWindow::tr("Converted");
    case Outcome::kCompletedWithReports:
      return MainWindow::tr("Converted with reports");
    case Outcome::kStopped:
      return MainWindow::tr("Stopped");
    case Outcome::kNothingToConvert:
      break;
  }
  return MainWindow::tr("Nothing to convert");
}

// A result in the results list: the input and how it ended (the path written, or the reason of
// the stop), the other reports under it.
void AddResult(QTreeWidget* list, const QString& input, const Result& r) {
  QString summary = OutcomeText(r);
  std::vector<Report> under = r.reports;
  if (r.Completed() && !r.path.empty()) {
    summary += ": " + Decode(r.path);
    // The completion text says no more than the summary.
    if (!under.empty() && under.back().kind == ReportKind::kStatus) under.pop_back();
  } else if (!r.Completed() && !under.empty()) {
    summary += ": " + FromUtf8(under.back().text);
    under.pop_back();
  }
  auto* item = new QTreeWidgetItem(list, {input, summary});
  item->setToolTip(1, summary);
  for (const Report& report : under) {
    auto* line = new QTreeWidgetItem(item, {QString(), FromUtf8(report.text)});
    line->setToolTip(1, line->text(1));
  }
  item->setExpanded(true);
}

// The manual page as plain text, or nothing when it cannot be had.
QString ManualPage() {
  QProcess man;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
  man.setProcessEnvironment(env);
  man.start(QStringLiteral("man"),
            {QStringLiteral("-P"), QStringLiteral("cat"), QStringLiteral("viduravare-gui")});
  if (!man.waitForFinished(5000) || man.exitStatus() != QProcess::NormalExit ||
      man.exitCode() != 0) {
    man.kill();
    return {};
  }
  // Bold and underlined letters are struck over with a backspace.
  return QString::fromLocal8Bit(man.readAllStandardOutput())
      .remove(QRegularExpression(QStringLiteral(".\b")));
}

}  // namespace

MainWindow::MainWindow(const QString& program_folder, QWidget* parent)
    : QWidget(parent), program_folder_(program_folder) {
  setWindowTitle(QStringLiteral("VIDURAVARE"));
  setWindowIcon(QIcon::fromTheme(QStringLiteral("viduravare")));
  setAcceptDrops(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(createBrowser(), 3);
  layout->addWidget(createStatusLine(), 1);
  layout->addWidget(createOptionsAndButtons());
  layout->addWidget(createNameLines());
  layout->addWidget(createOutputGroup());
  layout->addWidget(createOutputFolderLine());
  createShortcuts();
  chainTabOrder({drive_list_, folder_list_, file_list_, status_line_, cancel_, written_line_,
                 results_, copy_to_clipboard_box_, select_all_box_, skip_date_check_box_});
  QList<QWidget*> rest = buttons_;
  rest.prepend(skip_date_check_box_);
  rest << last_error_box_ << file_name_box_ << name_after_serial_box_ << format_box_
       << encoding_box_ << dates_box_ << delimiter_box_ << output_folder_box_
       << findChild<QWidget*>(QStringLiteral("choose_output_folder"));
  chainTabOrder(rest);
  setMinimumSize(minimumSizeHint());
  // Roomy, but never larger than the screen.
  const QSize screen = this->screen()->availableGeometry().size() * 9 / 10;
  resize(sizeHint().expandedTo(QSize(760, 620)).boundedTo(screen).expandedTo(minimumSize()));

  choose_folder_ = [](QWidget* parent, const QString& current) {
    return QFileDialog::getExistingDirectory(parent, tr("Output folder"), current);
  };
  showOutputFolder();
  shell_.options.UseRegionalSeparators();
  fillDrives();
  openFolder(QDir::currentPath());
}

MainWindow::~MainWindow() = default;

// The drive list with the maker's name beside it, above the folder and the file lists side by
// side, which share the room the window gives them.
QWidget* MainWindow::createBrowser() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);

  drive_list_ = Named(new QComboBox(box), "drive_list", tr("Drive and recent folders"));
  drive_list_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  drive_list_->setMinimumContentsLength(20);
  connect(drive_list_, &QComboBox::currentIndexChanged, this, &MainWindow::onDriveChanged);

  auto* maker = Named(new QLabel(QStringLiteral("Kastenvol"), box), "maker_label", tr("Maker"));
  QFont comic(QStringLiteral("Comic Sans MS"));
  comic.setStyleHint(QFont::Cursive);
  comic.setPixelSize(20);
  maker->setFont(comic);
  maker->setAlignment(Qt::AlignCenter);

  // The folder list: the open folder under its parents, its subfolders under it. A click
  // highlights a folder, a double click (or Enter) opens it.
  folder_list_ = Named(new QTreeWidget, "folder_list", tr("Folders"));
  folder_list_->setHeaderHidden(true);
  folder_list_->setRootIsDecorated(false);
  folder_list_->setItemsExpandable(false);
  folder_list_->setExpandsOnDoubleClick(false);
  folder_list_->setIndentation(12);
  folder_list_->setStyleSheet(
      QStringLiteral("QTreeView::branch { image: none; }"));  // nothing folds
  folder_list_->setUniformRowHeights(true);
  connect(folder_list_, &QTreeWidget::itemClicked, this, &MainWindow::onDirClicked);
  connect(folder_list_, &QTreeWidget::itemActivated, this, &MainWindow::onDirActivated);

  // The file list: a click or the arrow keys show the current file's preview, Enter or a double
  // click converts.
  file_list_ = Named(new QListWidget, "file_list", tr("Files"));
  file_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  file_list_->installEventFilter(this);
  file_list_->viewport()->installEventFilter(this);
  connect(file_list_, &QListWidget::itemClicked, this, &MainWindow::onFileClicked);
  connect(file_list_, &QListWidget::currentItemChanged, this, &MainWindow::onCurrentFileChanged);
  connect(file_list_, &QListWidget::itemDoubleClicked, this, &MainWindow::onMake);

  auto* lists = new QSplitter(Qt::Horizontal, box);
  lists->setObjectName(QStringLiteral("lists"));
  lists->setChildrenCollapsible(false);
  lists->addWidget(folder_list_);
  lists->addWidget(file_list_);
  folder_list_->setMinimumSize(160, 72);
  file_list_->setMinimumSize(160, 72);

  grid->addWidget(drive_list_, 0, 0);
  grid->addWidget(maker, 0, 1);
  grid->addWidget(lists, 1, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setRowStretch(1, 1);
  return box;
}

// The status line with the progress bar and Cancel beside it, the line that says what the last
// run wrote, and the list of the last run's results.
QWidget* MainWindow::createStatusLine() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(2);

  status_line_ = Named(new ElidedLine(box), "status_line", tr("Status"));
  progress_ = Named(new QProgressBar(box), "progress", tr("Progress"));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);  // until a run shows what it counts
  progress_->setMaximumWidth(200);
  cancel_ = Named(new QPushButton(tr("&Cancel"), box), "cancel", tr("Cancel the conversion"));
  cancel_->setEnabled(false);
  cancel_->setAutoDefault(true);
  connect(cancel_, &QPushButton::clicked, this, &MainWindow::onCancel);

  written_line_ = Named(new ElidedLine(box), "written", tr("Last file written"));
  written_line_->setFrame(false);
  written_line_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
  written_line_->setFullText(tr("Nothing written yet"));

  results_ = Named(new QTreeWidget(box), "results", tr("Results of the last run"));
  results_->setHeaderLabels({tr("File"), tr("Result")});
  results_->header()->setStretchLastSection(true);
  results_->setColumnWidth(0, 200);
  results_->setMinimumHeight(results_->fontMetrics().height() * 5);
  results_->setUniformRowHeights(true);

  grid->addWidget(status_line_, 0, 0);
  grid->addWidget(progress_, 0, 1);
  grid->addWidget(cancel_, 0, 2);
  grid->addWidget(written_line_, 1, 0, 1, 3);
  grid->addWidget(results_, 2, 0, 1, 3);
  grid->setColumnStretch(0, 1);
  grid->setRowStretch(2, 1);
  return box;
}

// The option boxes on the left, the buttons on the right in two rows, the version under them.
QWidget* MainWindow::createOptionsAndButtons() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);

  auto* options = new QVBoxLayout;
  options->setSpacing(2);
  copy_to_clipboard_box_ = Named(new QCheckBox(tr("Copy data to clip&board"), box),
                                 "copy_to_clipboard", tr("Copy data to clipboard"));
  copy_to_clipboard_box_->setChecked(true);
  select_all_box_ = Named(new QCheckBox(tr("Select all f&iles from the directory"), box),
                          "select_all", tr("Select all files from the directory"));
  connect(select_all_box_, &QCheckBox::toggled, this, &MainWindow::onSelectAllToggled);
  skip_date_check_box_ = Named(new QCheckBox(tr("Do&n't check  date/time formats"), box),
                               "skip_date_check", tr("Don't check date/time formats"));
  for (QCheckBox* c : {copy_to_clipboard_box_, select_all_box_, skip_date_check_box_})
    options->addWidget(c);
  options->addStretch(1);

  struct Button {
    const char* name;
    QString caption;
    QString accessible;
    void (MainWindow::*slot)();
  };
  const Button buttons[] = {
      {"make", tr("&Make"), tr("Make"), &MainWindow::onMake},
      {"load_header", tr("Load &Header"), tr("Load Header"), &MainWindow::onLoadHeader},
      {"refresh", tr("&Refresh"), tr("Refresh"), &MainWindow::onRefresh},
      {"quit", tr("&Quit"), tr("Quit"), &MainWindow::onQuit},
      {"convert_each", tr("Convert &each"), tr("Convert each selected file"),
       &MainWindow::onConvertEach},
      {"help", tr("Hel&p"), tr("Help"), &MainWindow::onHelp},
      {"about", tr("Abo&ut"), tr("About"), &MainWindow::onAbout},
  };
  auto* button_grid = new QGridLayout;
  int at = 0;
  for (const Button& b : buttons) {
    auto* button = Named(new QPushButton(b.caption, box), b.name, b.accessible);
    button->setAutoDefault(true);  // Enter on a focused button presses it
    connect(button, &QPushButton::clicked, this, b.slot);
    button_grid->addWidget(button, at / 4, at % 4);
    buttons_ << button;
    ++at;
  }
  buttons_[0]->setToolTip(
      tr("Converts the current file, or the selected logger files as one "
         "recording (Enter in the file list)"));
  buttons_[4]->setToolTip(
      tr("Converts every selected file into a file of its own, named after "
         "it, in the output folder"));
#ifdef VIDURAVARE_CHART
  // Under Quit: a chart window on the text of the last completed Make (an empty one before).
  auto* chart = Named(new QPushButton(tr("Ch&art"), box), "chart", tr("Chart"));
  chart->setAutoDefault(true);
  button_grid->addWidget(chart, 1, 3);
  buttons_ << chart;
  connect(chart, &QPushButton::clicked, this, [this] {
    auto* window = new chart::ChartWindow(this);
    window->show();
    if (!last_text_.isEmpty()) window->openFile(last_text_);
  });
#endif
  auto* version = Named(new QLabel(tr("Version %1").arg(QStringLiteral(VIDURAVARE_VERSION)), box),
                        "version_label", tr("Version"));
  version->setAlignment(Qt::AlignRight);
  button_grid->addWidget(version, 2, 0, 1, 4);

  grid->addLayout(options, 0, 0);
  grid->addLayout(button_grid, 0, 1);
  grid->setColumnStretch(0, 1);
  return box;
}

// "Last Error :" and "FileName:" on one line, the serial-number box under them.
QWidget* MainWindow::createNameLines() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(2);

  last_error_box_ = Named(new QLineEdit(box), "last_error", tr("Last Error"));
  last_error_box_->setReadOnly(true);
  auto* last_error_label =
      Named(new QLabel(tr("Last Error :"), box), "last_error_label", tr("Last Error"));
  last_error_label->setBuddy(last_error_box_);

  // A path typed here and confirmed with Enter (or Make) is the file Make converts.
  file_name_box_ = Named(new QLineEdit(box), "file_name", tr("FileName"));
  file_name_box_->setToolTip(tr("Type a path and press Enter to select that file"));
  connect(file_name_box_, &QLineEdit::returnPressed, this, &MainWindow::onFileNameEntered);
  auto* file_name_label =
      Named(new QLabel(tr("FileName:"), box), "file_name_label", tr("FileName"));
  file_name_label->setBuddy(file_name_box_);

  name_after_serial_box_ =
      Named(new QCheckBox(tr("Output TXT file name = concentrator &SN"), box), "name_after_serial",
            tr("Output file name = concentrator serial number"));

  grid->addWidget(last_error_label, 0, 0);
  grid->addWidget(last_error_box_, 0, 1);
  grid->addWidget(file_name_label, 0, 2);
  grid->addWidget(file_name_box_, 0, 3);
  grid->addWidget(name_after_serial_box_, 1, 0, 1, 4);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 3);
  return box;
}

// The Output group: the format and, for text, the encoding, the dates and the delimiter, each
// remembered. A workbook has no encoding and no delimiter of its own.
QWidget* MainWindow::createOutputGroup() {
  auto* group = Named(new QGroupBox(tr("Output"), this), "output_group", tr("Output"));
  auto* row = new QHBoxLayout(group);
  row->setContentsMargins(6, 2, 6, 4);
  auto add = [&](QComboBox*& box, const char* name, const QString& label_text,
                 const QString& accessible,
                 std::initializer_list<std::pair<QString, QString>> items) {
    box = Named(new QComboBox(group), name, accessible);
    for (const auto& [text, key] : items) box->addItem(text, key);
    auto* label = new QLabel(label_text, group);
    label->setBuddy(box);
    row->addWidget(label);
    row->addWidget(box, 1);
    connect(box, &QComboBox::currentIndexChanged, this, &MainWindow::onFormatChanged);
  };
  add(format_box_, "format", tr("F&ormat:"), tr("Output format"),
      {{tr("Text (.txt)"), "txt"}, {tr("Workbook (.xlsx)"), "xlsx"}});
  add(encoding_box_, "encoding", tr("Enco&ding:"), tr("Text encoding"),
      {{tr("Windows-1252"), "cp1252"},
       {tr("UTF-8"), "utf-8"},
       {tr("UTF-8 with BOM"), "utf-8-bom"}});
  add(dates_box_, "dates", tr("Da&tes:"), tr("Dates"),
      {{tr("dd/mm/yy"), "dmy"}, {tr("ISO yyyy-mm-dd"), "iso"}});
  add(delimiter_box_, "delimiter", tr("De&limiter:"), tr("Delimiter"),
      {{tr("TAB"), "tab"}, {tr("; semicolon"), ";"}, {tr(", comma"), ","}});
  return group;
}

// The output folder on a line of its own below everything else: its label, the folder, and the
// button that chooses another one.
QWidget* MainWindow::createOutputFolderLine() {
  auto* box = new QWidget(this);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  auto* label =
      Named(new QLabel(tr("Output folder:"), box), "output_folder_label", tr("Output folder"));
  output_folder_box_ = Named(new QLineEdit(box), "output_folder", tr("Output folder"));
  output_folder_box_->setReadOnly(true);
  label->setBuddy(output_folder_box_);
  auto* choose = Named(new QPushButton(tr("Choose &folder..."), box), "choose_output_folder",
                       tr("Choose the output folder"));
  choose->setAutoDefault(true);
  connect(choose, &QPushButton::clicked, this, &MainWindow::onChooseOutputFolder);
  row->addWidget(label);
  row->addWidget(output_folder_box_, 1);
  row->addWidget(choose);
  return box;
}

void MainWindow::createShortcuts() {
  const std::pair<QKeySequence, void (MainWindow::*)()> keys[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_Q), &MainWindow::onQuit},
      {QKeySequence(Qt::Key_F5), &MainWindow::onRefresh},
      {QKeySequence(Qt::Key_Escape), &MainWindow::onCancel},
      {QKeySequence(Qt::Key_F1), &MainWindow::onHelp},
  };
  for (const auto& [key, slot] : keys) {
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, this, slot);
  }
}

void MainWindow::chainTabOrder(const QList<QWidget*>& order) {
  for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

QString MainWindow::defaultOutputFolder(const QString& program_folder) {
  const std::string folder = Encode(program_folder);
  if (!IsSystemFolder(folder) && FolderWritable(folder)) return program_folder;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return documents.isEmpty() ? QDir::homePath() : documents;
}

void MainWindow::setOutputFolder(const QString& folder) {
  chosen_output_folder_ = folder;
  showOutputFolder();
}

QString MainWindow::outputFolder() const {
  return chosen_output_folder_.isEmpty() ? defaultOutputFolder(program_folder_)
                                         : chosen_output_folder_;
}

void MainWindow::showOutputFolder() {
  output_folder_box_->setText(QDir::toNativeSeparators(outputFolder()));
  output_folder_box_->setCursorPosition(0);
}

void MainWindow::onChooseOutputFolder() {
  if (handler_running_) return;
  const QString folder = choose_folder_(this, outputFolder());
  if (folder.isEmpty()) return;
  setOutputFolder(folder);
  if (settings_) settings_->setValue(QStringLiteral("outputFolder"), folder);
  emit outputFolderChosen(folder);
}

void MainWindow::useSettings(QSettings* settings) {
  settings_ = settings;
  restoreGeometry(settings->value(QStringLiteral("geometry")).toByteArray());
  const QString chosen = settings->value(QStringLiteral("outputFolder")).toString();
  if (!chosen.isEmpty() && FolderWritable(Encode(chosen))) setOutputFolder(chosen);
  {
    const QSignalBlocker quiet_format(format_box_), quiet_encoding(encoding_box_),
        quiet_dates(dates_box_), quiet_delimiter(delimiter_box_);
    for (QComboBox* box : {format_box_, encoding_box_, dates_box_, delimiter_box_}) {
      const QVariant key = settings->value("output/" + box->objectName());
      const int i = key.isValid() ? box->findData(key) : -1;
      if (i >= 0) box->setCurrentIndex(i);
    }
  }
  onFormatChanged();
  recent_folders_ = settings->value(QStringLiteral("recentFolders")).toStringList();
  recent_folders_.removeIf([](const QString& f) { return !QFileInfo(f).isDir(); });
  fillRecentFolders();
  const QString browsing = settings->value(QStringLiteral("browseFolder")).toString();
  if (!browsing.isEmpty() && QFileInfo(browsing).isDir()) openFolder(browsing);
}

void MainWindow::saveStyle() {
  if (!settings_) return;
  for (QComboBox* box : {format_box_, encoding_box_, dates_box_, delimiter_box_})
    settings_->setValue("output/" + box->objectName(), box->currentData());
}

void MainWindow::onFormatChanged() {
  const bool text = format_box_->currentData() == QStringLiteral("txt");
  encoding_box_->setEnabled(text);
  dates_box_->setEnabled(text);
  delimiter_box_->setEnabled(text);
  saveStyle();
}

void MainWindow::fillDrives() {
  QList<QStorageInfo> volumes;
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    // Some mounts are single files (bound into a container); only folders are drives.
    if (!v.isValid() || !QFileInfo(v.rootPath()).isDir()) continue;
    const bool seen = std::any_of(volumes.begin(), volumes.end(), [&](const QStorageInfo& o) {
      return o.rootPath() == v.rootPath();
    });
    if (!seen) volumes.append(v);
  }
  std::sort(volumes.begin(), volumes.end(), [](const QStorageInfo& a, const QStorageInfo& b) {
    return a.rootPath() < b.rootPath();
  });
  const QSignalBlocker quiet(drive_list_);
  for (const QStorageInfo& v : volumes) {
    const QString name = v.name();
    drive_list_->addItem(name.isEmpty() ? v.rootPath() : v.rootPath() + " [" + name + "]",
                         v.rootPath());
  }
}

// The recent folders follow the drives in the drive list, below a separator.
void MainWindow::fillRecentFolders() {
  const QSignalBlocker quiet(drive_list_);
  for (int i = drive_list_->count() - 1; i >= 0; --i) {
    if (drive_list_->itemData(i, kRecentRole).isValid() ||
        drive_list_->itemData(i, Qt::AccessibleDescriptionRole) == QStringLiteral("separator")) {
      drive_list_->removeItem(i);
    }
  }
  if (recent_folders_.isEmpty()) return;
  drive_list_->insertSeparator(drive_list_->count());
  for (const QString& folder : recent_folders_) {
    drive_list_->addItem(style()->standardIcon(QStyle::SP_DirIcon),
                         QDir::toNativeSeparators(folder), folder);
    drive_list_->setItemData(drive_list_->count() - 1, folder, kRecentRole);
  }
  drive_list_->setCurrentIndex(drive_list_->findData(drive_root_));
}

void MainWindow::rememberFolder(const QString& folder) {
  if (folder.isEmpty()) return;
  recent_folders_.removeAll(folder);
  recent_folders_.prepend(folder);
  while (recent_folders_.size() > kRecentFolders) recent_folders_.removeLast();
  fillRecentFolders();
  if (settings_) settings_->setValue(QStringLiteral("recentFolders"), recent_folders_);
}

std::optional<MakeResult> MainWindow::formLoad(const QString& command_line) {
  toForm();
  // The command line writes into the program's folder (or the current folder), as the
  // command-line program does, whatever folder the window shows.
  shell_.output_folder = Encode(program_folder_);
  const std::optional<MakeResult> result = shell_.Load(Encode(command_line));
  fromForm();
  return result;
}

QString MainWindow::status() const {
  return status_line_->fullText();
}

QString MainWindow::fallbackNotice() const {
  return FromUtf8(shell_.FallbackNotice());
}

// ---- the Ui of the conversions

void MainWindow::SetStatus(std::string_view text) {
  status_line_->setFullText(FromUtf8(text));
}

void MainWindow::SetProgress(const Progress& progress) {
  SetStatus(progress.text);
  progress_->setRange(0, 100);
  progress_->setValue(std::clamp(progress.percent, 0, 100));
  progress_->setFormat(progress.phase == Progress::Phase::kOlderPart ? tr("Part A %p%")
                                                                     : tr("%p%"));
}

void MainWindow::SetBatchProgress(size_t done, size_t total, std::string_view current) {
  progress_->setRange(0, static_cast<int>(total));
  progress_->setValue(static_cast<int>(done));
  progress_->setFormat(tr("%v/%m") +
                       (current.empty() ? QString() : "  " + Decode(std::string(current))));
}

void MainWindow::ProcessEvents() {
  QCoreApplication::processEvents();
}

void MainWindow::ClearClipboard() {
  QGuiApplication::clipboard()->clear();
}

void MainWindow::SetClipboard(std::string_view text) {
  QGuiApplication::clipboard()->setText(FromCp1252(text));
}

void MainWindow::MessageBox(std::string_view text) {
  QMessageBox box(QMessageBox::Warning, windowTitle(), FromUtf8(text), QMessageBox::Ok, this);
  box.exec();
}

// ---- the shell's fields and the controls

void MainWindow::toForm() {
  FileList& list = shell_.file_list;
  list.folder = Encode(files_folder_);
  list.selected.clear();
  for (int row = 0; row < file_list_->count(); ++row) {
    const QListWidgetItem* item = file_list_->item(row);
    if (item->isSelected()) list.selected.push_back(Encode(item->text()));
  }
  // The current entry is the file, selected or not (a ctrl-click deselects it and leaves it
  // current); with no current entry there is no file.
  const QListWidgetItem* current = file_list_->currentItem();
  list.current = current ? Encode(current->text()) : std::string();
  shell_.last_error = last_error_box_->text().toStdString();
  shell_.file_name = Encode(file_name_box_->text());
  shell_.output_folder = Encode(outputFolder());
  showOutputFolder();

  Options& o = shell_.options;
  o.copy_to_clipboard = copy_to_clipboard_box_->isChecked();
  o.skip_date_check = skip_date_check_box_->isChecked();
  o.name_after_serial = name_after_serial_box_->isChecked();

  OutputStyle& s = shell_.style;
  s.format = format_box_->currentData() == QStringLiteral("xlsx") ? OutputFormat::kWorkbook
                                                                  : OutputFormat::kText;
  const QString encoding = encoding_box_->currentData().toString();
  const QString delimiter = delimiter_box_->currentData().toString();
  const bool text = s.format == OutputFormat::kText;
  s.text.encoding =
      text && encoding != QStringLiteral("cp1252") ? Encoding::kUtf8 : Encoding::kCp1252;
  s.text.bom = text && encoding == QStringLiteral("utf-8-bom");
  s.text.dates = text && dates_box_->currentData() == QStringLiteral("iso") ? DateStyle::kIso
                                                                            : DateStyle::kDayFirst;
  s.text.delimiter = text && delimiter != QStringLiteral("tab") ? delimiter.at(0).toLatin1() : '\t';
}

void MainWindow::fromForm() {
  last_error_box_->setText(FromUtf8(shell_.last_error));
  file_name_box_->setText(Decode(shell_.file_name));
  file_name_box_->setModified(false);
  copy_to_clipboard_box_->setChecked(shell_.options.copy_to_clipboard);
}

// ---- handlers

template <class Call>
void MainWindow::runHandler(Call call) {
  if (handler_running_) return;
  handler_running_ = true;
  cancel_requested_ = false;
  toForm();
  call();
  fromForm();
  handler_running_ = false;
  if (quit_requested_) close();
}

void MainWindow::startRun() {
  progress_->setRange(0, 0);  // busy until the first step
  progress_->setFormat(QString());
  progress_->setTextVisible(true);
  cancel_->setEnabled(true);
}

void MainWindow::endRun(bool completed) {
  cancel_->setEnabled(false);
  if (progress_->maximum() == 0) progress_->setRange(0, 100);
  progress_->setValue(completed ? progress_->maximum() : 0);
}

void MainWindow::showMakeResult(const QString& input) {
  results_->clear();
  AddResult(results_, input, shell_.last_result);
  if (shell_.last_result.Completed() && !shell_.last_result.path.empty()) {
    written_line_->setFullText(tr("Wrote %1 at %2")
                                   .arg(Decode(shell_.last_result.path),
                                        QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
  }
}

void MainWindow::showEachResults() {
  results_->clear();
  int written = 0;
  for (const EachResult& each : shell_.each_results) {
    AddResult(results_, QFileInfo(Decode(each.input)).fileName(), each.result);
    written += each.result.Completed();
  }
  if (written > 0) {
    const QString files = written == 1 ? tr("1 file") : tr("%1 files").arg(written);
    written_line_->setFullText(
        tr("Wrote %1 into %2 at %3")
            .arg(files, outputFolder(), QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
  }
}

void MainWindow::onMake() {
  if (handler_running_) return;
  // A path typed into FileName and not yet confirmed is the file to convert.
  const QString typed = file_name_box_->text().trimmed();
  const bool typed_new = file_name_box_->isModified() && !typed.isEmpty();
  if (typed_new) openPaths({typed});
  // The documents folder (or a chosen one) may not be there yet.
  QDir().mkpath(outputFolder());
  runHandler([&] {
    if (typed_new && Decode(shell_.file_list.current) != QFileInfo(typed).fileName()) {
      shell_.SelectFile(Encode(typed));  // not in the list: the conversion says why
    }
    const QString input = Decode(shell_.file_list.current);
    startRun();
    const MakeResult made = shell_.Make();
    endRun(made == MakeResult::kDone);
    if (made == MakeResult::kDone) {
      const bool text = shell_.style.format == OutputFormat::kText;
      last_text_ = text ? Decode(shell_.output_path) : QString();
      rememberFolder(files_folder_);
    }
    QString shown = input;
    if (!shell_.file_list.current.empty() && EndsWith(shell_.file_list.current, "pdc") &&
        shell_.file_list.selected.size() > 1) {
      shown = tr("%1 and %n more", nullptr, static_cast<int>(shell_.file_list.selected.size() - 1))
                  .arg(input);
    }
    showMakeResult(shown);
  });
}

void MainWindow::onConvertEach() {
  if (handler_running_) return;
  QDir().mkpath(outputFolder());
  runHandler([this] {
    startRun();
    shell_.ConvertEach();
    endRun(!cancel_requested_ && !quit_requested_);
    showEachResults();
    if (!shell_.each_results.empty()) rememberFolder(files_folder_);
  });
}

void MainWindow::onFileClicked(QListWidgetItem* item) {
  // A click on another file made it current, and that showed its preview already.
  if (item != current_at_press_) return;
  runHandler([this] { shell_.ClickFile(); });
}

void MainWindow::onCurrentFileChanged(QListWidgetItem* current) {
  if (!current) return;
  runHandler([this] { shell_.ClickFile(); });
}

void MainWindow::onLoadHeader() {
  runHandler([this] {
    const QString input = Decode(shell_.file_list.current);
    shell_.LoadHeader();
    if (!input.isEmpty()) {
      results_->clear();
      AddResult(results_, input, shell_.last_result);
    }
  });
}

void MainWindow::onQuit() {
  quit_requested_ = true;
  close();
}

void MainWindow::onCancel() {
  if (handler_running_) cancel_requested_ = true;
}

void MainWindow::onFileNameEntered() {
  if (handler_running_) return;
  const QString typed = file_name_box_->text().trimmed();
  if (!typed.isEmpty()) openPaths({typed});
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (handler_running_) {
    // The running conversion stops at its next event step; the window closes after it.
    quit_requested_ = true;
    event->ignore();
    return;
  }
  if (settings_) {
    settings_->setValue(QStringLiteral("geometry"), saveGeometry());
    settings_->setValue(QStringLiteral("browseFolder"), dir_open_);
  }
  event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == file_list_->viewport() && event->type() == QEvent::MouseButtonPress) {
    current_at_press_ = file_list_->currentItem();
  } else if (watched == file_list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      onMake();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- drops and paths from outside

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); }) &&
      !handler_running_) {
    event->acceptProposedAction();
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  if (paths.isEmpty() || handler_running_) return;
  event->acceptProposedAction();
  activateWindow();
  openPaths(paths);
}

bool MainWindow::openPaths(const QStringList& paths) {
  if (paths.isEmpty() || handler_running_) return false;
  const QFileInfo first(paths.front());
  if (first.isDir()) {
    openFolder(first.absoluteFilePath());
    rememberFolder(dir_open_);
    return false;
  }
  const QString folder = CleanPath(first.absolutePath());
  if (!QFileInfo(folder).isDir()) {
    last_error_box_->setText(tr("No such folder: %1").arg(folder));
    return false;
  }
  openFolder(folder);
  QListWidgetItem* current = nullptr;
  QStringList refused;
  file_list_->clearSelection();
  for (const QString& path : paths) {
    const QFileInfo info(path);
    const QList<QListWidgetItem*> found =
        CleanPath(info.absolutePath()) == folder
            ? file_list_->findItems(info.fileName(), Qt::MatchExactly)
            : QList<QListWidgetItem*>();
    if (found.isEmpty()) {
      refused << info.fileName();
      continue;
    }
    found.front()->setSelected(true);
    if (!current) current = found.front();
  }
  if (current) {
    rememberFolder(folder);
    // Made current without touching the selection: its preview follows.
    file_list_->setCurrentItem(current, QItemSelectionModel::NoUpdate);
    file_list_->scrollToItem(current);
  }
  if (!refused.isEmpty()) {
    last_error_box_->setText(
        tr("Not selected (no .pdb or .pdc file of %1): %2").arg(folder, refused.join(", ")));
  }
  return current != nullptr;
}

// ---- About and Help

void MainWindow::onAbout() {
  const QString text =
      tr("<h3>VIDURAVARE %1</h3>"
         "<p>Converts the recordings of an energy-monitoring installation (concentrator dumps "
         "<i>.pdb</i>, logger files <i>.pdc</i>) into text or workbooks.</p>"
         "<p>Libraries: Qt %2, %3.</p>"
         "<p>Copyright 2026 the viduravare developers. All rights reserved: no licence to copy, "
         "change or redistribute this program has been granted yet.</p>")
          .arg(QStringLiteral(VIDURAVARE_VERSION), QString::fromLatin1(qVersion()),
               FromUtf8(WorkbookLibraryVersion()));
  QMessageBox box(QMessageBox::Information, tr("About VIDURAVARE"), text, QMessageBox::Ok, this);
  box.setObjectName(QStringLiteral("about_box"));
  if (!windowIcon().isNull()) box.setIconPixmap(windowIcon().pixmap(64));
  box.exec();
}

void MainWindow::onHelp() {
  QString page = ManualPage();
  if (page.isEmpty()) {
    page =
        tr("The manual page viduravare-gui(1) is not installed.\n\n"
           "Pick a folder and a file (.pdb or .pdc): its serial number and name show in the "
           "status line. Make (Enter, Alt+M) converts it into the output folder; Convert each "
           "converts every selected file on its own. The Output group chooses a text or a "
           "workbook, the encoding, the dates and the delimiter. Esc cancels a conversion, "
           "F5 refreshes the lists, Ctrl+Q quits. Files dropped on the window are selected.");
  }
  QDialog dialog(this);
  dialog.setObjectName(QStringLiteral("help_dialog"));
  dialog.setWindowTitle(tr("VIDURAVARE Help"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* text = Named(new QPlainTextEdit(page, &dialog), "help_text", tr("Help"));
  text->setReadOnly(true);
  text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text->setMinimumSize(text->fontMetrics().horizontalAdvance(QString(82, 'x')), 200);
  auto* close = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  connect(close, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(text);
  layout->addWidget(close);
  dialog.resize(dialog.sizeHint().width(), 480);
  dialog.exec();
}

// ---- the file browser

void MainWindow::openFolder(const QString& folder) {
  const QString path = CleanPath(folder);
  const QString root = QStorageInfo(path).rootPath();
  setDriveRoot(root.isEmpty() ? QDir::rootPath() : root);
  openDir(path);
}

void MainWindow::setDriveRoot(const QString& root) {
  drive_root_ = root;
  const QSignalBlocker quiet(drive_list_);
  int i = drive_list_->findData(root);
  if (i < 0 || drive_list_->itemData(i, kRecentRole).isValid()) {
    const int drives = drive_list_->count() - static_cast<int>(recent_folders_.size()) -
                       (recent_folders_.isEmpty() ? 0 : 1);
    drive_list_->insertItem(drives, root, root);
    i = drives;
  }
  drive_list_->setCurrentIndex(i);
}

void MainWindow::onDriveChanged(int index) {
  const QString recent = drive_list_->itemData(index, kRecentRole).toString();
  if (!recent.isEmpty()) {
    if (QFileInfo(recent).isDir()) {
      openFolder(recent);
    } else {
      status_line_->setFullText(tr("Folder %1 is gone").arg(recent));
      const QSignalBlocker quiet(drive_list_);
      drive_list_->setCurrentIndex(drive_list_->findData(drive_root_));
    }
    return;
  }
  const QString root = drive_list_->itemData(index).toString();
  const QFileInfo info(root);
  if (!QStorageInfo(root).isReady() || !info.isReadable() || !info.isExecutable()) {
    status_line_->setFullText(tr("Drive %1 cannot be read").arg(root));
    const QSignalBlocker quiet(drive_list_);
    drive_list_->setCurrentIndex(drive_list_->findData(drive_root_));
    return;
  }
  setDriveRoot(root);
  openDir(drive_dir_.value(root, root));
}

void MainWindow::openDir(const QString& path) {
  dir_open_ = path;
  drive_dir_[drive_root_] = path;
  fillDirList(path);
  status_line_->setFullText(QString());
  showFiles(path);
  if (settings_) settings_->setValue(QStringLiteral("browseFolder"), path);
}

void MainWindow::fillDirList(const QString& highlight) {
  const QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed_icon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  QStringList chain;
  for (QDir d(dir_open_);;) {
    chain.prepend(d.absolutePath());
    if (d.absolutePath() == drive_root_ || !d.cdUp()) break;
  }
  folder_list_->clear();
  QTreeWidgetItem* parent = nullptr;
  QTreeWidgetItem* highlighted = nullptr;
  auto add = [&](const QString& path, const QString& text, const QIcon& icon) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(folder_list_);
    item->setText(0, text);
    item->setIcon(0, icon);
    item->setData(0, Qt::UserRole, path);
    if (path == highlight) highlighted = item;
    return item;
  };
  for (const QString& path : chain) {
    parent = add(path, parent ? QFileInfo(path).fileName() : path, open_icon);
  }
  QTreeWidgetItem* open = parent;
  const QDir folder(dir_open_);
  const QStringList subfolders =
      folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& name : subfolders) add(folder.filePath(name), name, closed_icon);
  folder_list_->expandAll();
  folder_list_->setCurrentItem(highlighted ? highlighted : open);
  folder_list_->scrollToItem(folder_list_->currentItem());
}

void MainWindow::onDirClicked(QTreeWidgetItem* item) {
  status_line_->setFullText(QString());
  showFiles(item->data(0, Qt::UserRole).toString());
}

void MainWindow::onDirActivated(QTreeWidgetItem* item) {
  openDir(item->data(0, Qt::UserRole).toString());
}

void MainWindow::onRefresh() {
  if (handler_running_) return;
  status_line_->setFullText(QString());
  const QTreeWidgetItem* item = folder_list_->currentItem();
  const QString highlighted = item ? item->data(0, Qt::UserRole).toString() : dir_open_;
  fillDirList(highlighted);
  showFiles(folder_list_->currentItem()->data(0, Qt::UserRole).toString());
}

void MainWindow::showFiles(const QString& folder) {
  files_folder_ = folder;
  {
    // Filling the list makes no file current for the preview.
    const QSignalBlocker quiet(file_list_);
    file_list_->clear();
    file_list_->addItems(
        QDir(folder).entryList(kFilePatterns, QDir::Files, QDir::Name | QDir::IgnoreCase));
  }
  if (select_all_box_->isChecked()) file_list_->selectAll();
}

void MainWindow::onSelectAllToggled(bool on) {
  if (on) {
    file_list_->selectAll();
  } else {
    file_list_->clearSelection();
  }
}

}  // namespace vid
