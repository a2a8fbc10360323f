// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/data_folder/folder_browser.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QDateTime>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <algorithm>
#include <chrono>
#include <filesystem>

#include "platform/fs_path.h"
#include "render/library_text.h"
#include "app/shared/message_box.h"
#include "app/shared/pictures.h"

namespace varnix::app {

namespace {

constexpr int kPathRole = Qt::UserRole;
// A listed file's date and size, drawn to the right of its name; the
// item's text stays the bare name that the screens work with.
constexpr int kDetailRole = Qt::UserRole + 1;
constexpr int kNameRole = Qt::UserRole + 2;  // the file's name as the file system has it (see fromLibraryText)

QString nameOf(const QListWidgetItem* item) { return item->data(kNameRole).toString(); }

class FileDetailDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    const QString detail = index.data(kDetailRole).toString();
    if (detail.isEmpty()) return;
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
    painter->drawText(option.rect.adjusted(0, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter, detail);
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QString detail = index.data(kDetailRole).toString();
    if (!detail.isEmpty()) size.rwidth() += option.fontMetrics.horizontalAdvance(detail) + 24;
    return size;
  }
};

// "07.12.2026 10:53   4,775 bytes" in the user's own date format.
QString fileDetail(const QString& path) {
  const QLocale locale;
  QDateTime modified;
  qint64 size = 0;
  if (const QFileInfo info(path); info.exists()) {
    modified = info.lastModified();
    size = info.size();
  } else {
    // A name Qt cannot spell (see fromLibraryText): asked by its bytes.
    std::error_code ec;
    const std::filesystem::path bytes = platform::utf8Path(toLibraryText(path));
    const auto when = std::filesystem::last_write_time(bytes, ec);
    if (!ec) {
      const auto since = std::chrono::file_clock::to_sys(when).time_since_epoch();
      modified = QDateTime::fromSecsSinceEpoch(std::chrono::duration_cast<std::chrono::seconds>(since).count());
    }
    size = static_cast<qint64>(std::filesystem::file_size(bytes, ec));
    if (ec) size = 0;
  }
  return locale.toString(modified, QLocale::ShortFormat) + QStringLiteral("   ") + locale.toString(size) +
         QStringLiteral(" bytes");
}

QString cleanFolder(const QString& folder) {
  return QDir::cleanPath(QDir(QDir::fromNativeSeparators(folder)).absolutePath());
}

bool isFolder(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && info.isDir();
}

}  // namespace

FolderBrowser::FolderBrowser(QWidget* owner, const QString& filePattern) : QObject(owner) {
  drive_ = new QComboBox(owner);
  drive_->setObjectName(QStringLiteral("Drive1"));
  dir_ = new QListWidget(owner);
  dir_->setObjectName(QStringLiteral("Dir1"));
  dir_->setIconSize(QSize(16, 16));
  connect(dir_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { setFolder(item->data(kPathRole).toString()); });
  connect(drive_, &QComboBox::activated, this, &FolderBrowser::pickDrive);

  if (!filePattern.isEmpty()) {
    patterns_ = filePattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    file_ = new QListWidget(owner);
    file_->setObjectName(QStringLiteral("File1"));
    file_->setItemDelegate(new FileDetailDelegate(file_));
    connect(file_, &QListWidget::currentRowChanged, this, [this](int row) {
      if (row >= 0) emit fileClicked(pathOf(nameOf(file_->item(row))));
    });
    connect(file_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit fileClicked(pathOf(nameOf(item))); });
    connect(file_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { emit fileDoubleClicked(pathOf(nameOf(item))); });
  }
  setVolumes(systemVolumes());
}

void FolderBrowser::setVolumes(const QList<Volume>& volumes) {
  volumes_ = volumes;
  const QSignalBlocker blocker(drive_);
  drive_->clear();
  for (const Volume& v : volumes_) drive_->addItem(v.entry);
  if (!folder_.isEmpty()) showDriveOf(folder_);
}

void FolderBrowser::openOn(const QString& folder) {
  QString target = cleanFolder(folder.isEmpty() ? QDir::homePath() : folder);
  while (!isFolder(target)) {
    const QString parent = QFileInfo(target).path();
    if (parent == target || parent.isEmpty()) {
      target = QDir::homePath();
      break;
    }
    target = parent;
  }
  folder_ = target;
  showDriveOf(folder_);
  fillFolderList();
  refreshFiles();
  emit folderChanged(this->folder());
}

bool FolderBrowser::setFolder(const QString& folder) {
  const QString target = cleanFolder(folder);
  if (!isFolder(target)) return false;
  if (target == folder_) return true;
  folder_ = target;
  showDriveOf(folder_);
  fillFolderList();
  refreshFiles();
  emit folderChanged(this->folder());
  return true;
}

QString FolderBrowser::folder() const { return QDir::toNativeSeparators(folder_); }

void FolderBrowser::pickDrive(int index) {
  if (index < 0 || index >= volumes_.size()) return;
  const Volume& volume = volumes_[index];
  // On its own drive the folder list stays where it is.
  if (volumeOf(volumes_, folder_) == index && isFolder(folder_)) return;
  const QFileInfo root(volume.root);
  if (!root.exists() || !root.isDir() || !root.isReadable() || !setFolder(volume.root)) {
    MsgBox(QStringLiteral("The drive ") + volume.entry + QStringLiteral(" is not ready."), kProgramTitle,
           MsgIcon::Exclamation);
    showDriveOf(folder_);
  }
}

QString FolderBrowser::pathOf(const QString& name) const {
  const QString base = folder();
  if (base.endsWith(QLatin1Char('/')) || base.endsWith(QDir::separator())) return base + name;
  return base + QDir::separator() + name;
}

void FolderBrowser::refreshFiles() {
  if (!file_) return;
  const QSignalBlocker blocker(file_);
  file_->clear();
  if (folder_.isEmpty()) return;
  // Every name the folder holds, also one that is not valid UTF-8.
  QStringList names = fileNamesIn(folder_);
  if (!patterns_.isEmpty()) {
    names.erase(std::remove_if(names.begin(), names.end(),
                               [this](const QString& name) { return !QDir::match(patterns_, shownName(name)); }),
                names.end());
  }
  std::sort(names.begin(), names.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  for (const QString& name : names) {
    auto* item = new QListWidgetItem(shownName(name), file_);
    item->setData(kNameRole, name);
    item->setData(kDetailRole, fileDetail(pathOf(name)));
  }
  file_->setCurrentRow(-1);
}

void FolderBrowser::showDriveOf(const QString& path) {
  const QSignalBlocker blocker(drive_);
  drive_->setCurrentIndex(volumeOf(volumes_, path));
}

void FolderBrowser::fillFolderList() {
  dir_->clear();
  // The open folders from the root down to the current one, then the
  // current folder's subfolders.
  QStringList chain;
  for (QString p = folder_;;) {
    chain.prepend(p);
    const QString parent = QFileInfo(p).path();
    if (parent == p || parent.isEmpty() || QDir(p).isRoot()) break;
    p = parent;
  }
  const QIcon open = pictureIcon(QStringLiteral("folder_open"));
  const QIcon closed = pictureIcon(QStringLiteral("folder_closed"));
  int depth = 0;
  QListWidgetItem* current = nullptr;
  for (const QString& p : chain) {
    const QString name = QDir(p).isRoot() ? QDir::toNativeSeparators(p) : QFileInfo(p).fileName();
    auto* item = new QListWidgetItem(open, QString(depth * 3, QLatin1Char(' ')) + name, dir_);
    item->setData(kPathRole, p);
    current = item;
    ++depth;
  }
  const QStringList children = QDir(folder_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& child : children) {
    auto* item = new QListWidgetItem(closed, QString(depth * 3, QLatin1Char(' ')) + child, dir_);
    item->setData(kPathRole, QDir(folder_).filePath(child));
  }
  dir_->setCurrentItem(current);
}

}  // namespace varnix::app
