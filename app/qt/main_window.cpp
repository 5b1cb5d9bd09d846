#include "app/qt/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>

#include "app/qt/cp1252.h"
#include "platform/paths.h"
#ifdef VIDURAVARE_CHART
#include "app/qt/chart/chart_window.h"
#endif

namespace vid {

namespace {

// Places are given in twips, as the window was drawn: 15 twips to a pixel.
constexpr int kTwipsPerPixel = 15;

void Place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

// A caption wider than its place in the system's font grows to the right rather than being cut.
void PlaceCaption(QWidget* w, int left, int top, int width, int height) {
  Place(w, left, top, width, height);
  if (w->sizeHint().width() > w->width()) w->resize(w->sizeHint().width(), w->height());
}

// A label that ends just left of `box`, on its line.
void PlaceLabelBefore(QLabel* label, const QWidget* box) {
  const QSize hint = label->sizeHint();
  label->setGeometry(box->x() - 4 - hint.width(), box->y(), hint.width(), box->height());
}

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

}  // namespace

MainWindow::MainWindow(const QString& program_folder, QWidget* parent)
    : QWidget(parent), program_folder_(program_folder) {
  setWindowTitle(QStringLiteral("VIDURAVARE"));
  // The places are fixed in pixels, so the text size is too.
  QFont small = font();
  small.setPixelSize(11);
  setFont(small);

  createBrowser();
  createStatusLine();
  createOptions();
  createButtons();
  createLabels();
  createOutputFolderLine();
  setFixedSize(672, 660);

  choose_folder_ = [](QWidget* parent, const QString& current) {
    return QFileDialog::getExistingDirectory(parent, tr("Output folder"), current);
  };
  showOutputFolder();
  shell_.options.UseRegionalSeparators();
  fillDrives();
  openFolder(QDir::currentPath());
}

MainWindow::~MainWindow() = default;

void MainWindow::createBrowser() {
  drive_list_ = new QComboBox(this);
  drive_list_->setObjectName(QStringLiteral("drive_list"));
  Place(drive_list_, 240, 120, 6855, 315);
  connect(drive_list_, &QComboBox::currentIndexChanged, this, &MainWindow::onDriveChanged);

  // The folder list: the open folder under its parents, its subfolders under it. A click
  // highlights a folder, a double click (or Enter) opens it.
  folder_list_ = new QTreeWidget(this);
  folder_list_->setObjectName(QStringLiteral("folder_list"));
  folder_list_->setHeaderHidden(true);
  folder_list_->setRootIsDecorated(false);
  folder_list_->setItemsExpandable(false);
  folder_list_->setExpandsOnDoubleClick(false);
  folder_list_->setIndentation(12);
  folder_list_->setStyleSheet(
      QStringLiteral("QTreeView::branch { image: none; }"));  // nothing folds
  folder_list_->setUniformRowHeights(true);
  Place(folder_list_, 240, 480, 4935, 5940);
  connect(folder_list_, &QTreeWidget::itemClicked, this, &MainWindow::onDirClicked);
  connect(folder_list_, &QTreeWidget::itemActivated, this, &MainWindow::onDirActivated);

  file_list_ = new QListWidget(this);
  file_list_->setObjectName(QStringLiteral("file_list"));
  file_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Place(file_list_, 5280, 480, 4575, 5940);
  connect(file_list_, &QListWidget::itemClicked, this, &MainWindow::onFileClicked);
  connect(file_list_, &QListWidget::itemDoubleClicked, this, &MainWindow::onMake);
}

void MainWindow::createStatusLine() {
  status_line_ = new QLineEdit(this);
  status_line_->setObjectName(QStringLiteral("status_line"));
  Place(status_line_, 360, 6480, 9255, 375);

  last_error_box_ = new QLineEdit(this);
  last_error_box_->setObjectName(QStringLiteral("last_error"));
  Place(last_error_box_, 1200, 8040, 2895, 375);
  auto* label4 = new QLabel(QStringLiteral("Last Error :"), this);
  label4->setObjectName(QStringLiteral("last_error_label"));
  PlaceLabelBefore(label4, last_error_box_);

  file_name_box_ = new QLineEdit(this);
  file_name_box_->setObjectName(QStringLiteral("file_name"));
  Place(file_name_box_, 1200, 8400, 8535, 375);
  auto* label5 = new QLabel(QStringLiteral("FileName:"), this);
  label5->setObjectName(QStringLiteral("file_name_label"));
  PlaceLabelBefore(label5, file_name_box_);
}

void MainWindow::createOptions() {
  copy_to_clipboard_box_ = new QCheckBox(QStringLiteral("Copy data to clipboard"), this);
  copy_to_clipboard_box_->setObjectName(QStringLiteral("copy_to_clipboard"));
  copy_to_clipboard_box_->setChecked(true);
  PlaceCaption(copy_to_clipboard_box_, 240, 6840, 2055, 255);

  select_all_box_ = new QCheckBox(QStringLiteral("Select all files from the directory"), this);
  select_all_box_->setObjectName(QStringLiteral("select_all"));
  PlaceCaption(select_all_box_, 240, 7080, 2775, 255);
  connect(select_all_box_, &QCheckBox::toggled, this, &MainWindow::onSelectAllToggled);

  skip_date_check_box_ = new QCheckBox(this);
  skip_date_check_box_->setObjectName(QStringLiteral("skip_date_check"));
  Place(skip_date_check_box_, 240, 7680, 255, 255);
  auto* label3 = new QLabel(QStringLiteral("Don't check  date/time formats"), this);
  label3->setObjectName(QStringLiteral("skip_date_check_label"));
  PlaceCaption(label3, 480, 7680, 0, 255);

  name_after_serial_box_ =
      new QCheckBox(QStringLiteral("Output TXT file name = concentrator SN"), this);
  name_after_serial_box_->setObjectName(QStringLiteral("name_after_serial"));
  PlaceCaption(name_after_serial_box_, 240, 8880, 3975, 375);
}

void MainWindow::createButtons() {
  struct Button {
    const char* name;
    const char* caption;
    int left, width;
    void (MainWindow::*slot)();
  };
  const Button buttons[] = {
      {"make", "Make", 4680, 1335, &MainWindow::onMake},
      {"load_header", "Load Header", 6120, 1215, &MainWindow::onLoadHeader},
      {"refresh", "Refresh", 7440, 1095, &MainWindow::onRefresh},
      {"quit", "Quit", 8640, 1215, &MainWindow::onQuit},
  };
  for (const Button& b : buttons) {
    auto* button = new QPushButton(QString::fromLatin1(b.caption), this);
    button->setObjectName(QString::fromLatin1(b.name));
    Place(button, b.left, 6960, b.width, 495);
    connect(button, &QPushButton::clicked, this, b.slot);
  }
#ifdef VIDURAVARE_CHART
  // Under Quit: a chart window on the text of the last completed Make (an empty one before).
  auto* chart = new QPushButton(QStringLiteral("Chart"), this);
  chart->setObjectName(QStringLiteral("chart"));
  Place(chart, 8640, 7500, 1215, 435);
  connect(chart, &QPushButton::clicked, this, [this] {
    auto* window = new chart::ChartWindow(this);
    window->show();
    if (!last_text_.isEmpty()) window->openFile(last_text_);
  });
#endif
}

void MainWindow::createLabels() {
  auto* maker = new QLabel(QStringLiteral("Kastenvol"), this);
  maker->setObjectName(QStringLiteral("maker_label"));
  QFont comic(QStringLiteral("Comic Sans MS"));
  comic.setStyleHint(QFont::Cursive);
  comic.setPixelSize(20);
  maker->setFont(comic);
  maker->setAlignment(Qt::AlignCenter);
  Place(maker, 7200, 0, 2415, 495);

  auto* version = new QLabel(QStringLiteral("Version " VIDURAVARE_VERSION), this);
  version->setObjectName(QStringLiteral("version_label"));
  PlaceCaption(version, 2400, 7320, 2295, 255);
}

// The output folder on a line of its own below everything else: its label, the folder, and the
// button that chooses another one.
void MainWindow::createOutputFolderLine() {
  auto* label = new QLabel(QStringLiteral("Output folder:"), this);
  label->setObjectName(QStringLiteral("output_folder_label"));
  PlaceCaption(label, 240, 9360, 0, 375);

  auto* choose = new QPushButton(QStringLiteral("Choose folder..."), this);
  choose->setObjectName(QStringLiteral("choose_output_folder"));
  Place(choose, 8280, 9360, 1575, 375);
  connect(choose, &QPushButton::clicked, this, &MainWindow::onChooseOutputFolder);

  output_folder_box_ = new QLineEdit(this);
  output_folder_box_->setObjectName(QStringLiteral("output_folder"));
  output_folder_box_->setReadOnly(true);
  const int left = label->geometry().right() + 5;
  output_folder_box_->setGeometry(left, label->y(), choose->x() - 6 - left, label->height());
}

QString MainWindow::defaultOutputFolder(const QString& program_folder) {
  if (FolderWritable(Encode(program_folder))) return program_folder;
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
  emit outputFolderChosen(folder);
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
  return status_line_->text();
}

QString MainWindow::fallbackNotice() const {
  return FromUtf8(shell_.FallbackNotice());
}

// ---- the Ui of the conversions

void MainWindow::SetStatus(std::string_view text) {
  status_line_->setText(FromUtf8(text));
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
  QMessageBox box(QMessageBox::NoIcon, QString(), FromUtf8(text), QMessageBox::Ok, this);
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
}

void MainWindow::fromForm() {
  last_error_box_->setText(FromUtf8(shell_.last_error));
  file_name_box_->setText(Decode(shell_.file_name));
  copy_to_clipboard_box_->setChecked(shell_.options.copy_to_clipboard);
}

// ---- handlers

template <class Call>
void MainWindow::runHandler(Call call) {
  if (handler_running_) return;
  handler_running_ = true;
  toForm();
  call();
  fromForm();
  handler_running_ = false;
  if (quit_requested_) close();
}

void MainWindow::onMake() {
  // The documents folder (or a chosen one) may not be there yet.
  if (!handler_running_) QDir().mkpath(outputFolder());
  runHandler([this] {
    if (shell_.Make() == MakeResult::kDone) last_text_ = Decode(shell_.output_path);
  });
}

void MainWindow::onFileClicked() {
  runHandler([this] { shell_.ClickFile(); });
}

void MainWindow::onLoadHeader() {
  runHandler([this] { shell_.LoadHeader(); });
}

void MainWindow::onQuit() {
  quit_requested_ = true;
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (handler_running_) {
    // The running conversion stops at its next event step; the window closes after it.
    quit_requested_ = true;
    event->ignore();
    return;
  }
  event->accept();
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
  if (i < 0) {
    drive_list_->addItem(root, root);
    i = drive_list_->count() - 1;
  }
  drive_list_->setCurrentIndex(i);
}

void MainWindow::onDriveChanged(int index) {
  const QString root = drive_list_->itemData(index).toString();
  const QFileInfo info(root);
  if (!QStorageInfo(root).isReady() || !info.isReadable() || !info.isExecutable()) {
    status_line_->setText(tr("Drive %1 cannot be read").arg(root));
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
  status_line_->clear();
  showFiles(path);
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
  status_line_->clear();
  showFiles(item->data(0, Qt::UserRole).toString());
}

void MainWindow::onDirActivated(QTreeWidgetItem* item) {
  openDir(item->data(0, Qt::UserRole).toString());
}

void MainWindow::onRefresh() {
  status_line_->clear();
  const QTreeWidgetItem* item = folder_list_->currentItem();
  const QString highlighted = item ? item->data(0, Qt::UserRole).toString() : dir_open_;
  fillDirList(highlighted);
  showFiles(folder_list_->currentItem()->data(0, Qt::UserRole).toString());
}

void MainWindow::showFiles(const QString& folder) {
  files_folder_ = folder;
  file_list_->clear();
  file_list_->addItems(
      QDir(folder).entryList(kFilePatterns, QDir::Files, QDir::Name | QDir::IgnoreCase));
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
