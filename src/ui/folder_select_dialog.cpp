#include "ui/folder_select_dialog.h"

#include "imageinfo/exif_orientation.h"
#include "imageinfo/image_info.h"
#include "startup/errors.h"
#include "startup/startup.h"
#include "startup/vb_runtime.h"
#include "thumbs/picture_loader.h"
#include "thumbs/stretch.h"
#include "ui/message_box.h"
#include "ui/network_mount.h"
#include "ui/preview_frame.h"
#include "ui_folder_select_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QImage>
#include <QInputDialog>
#include <QStorageInfo>
#include <QTimer>

#include <cerrno>
#include <dirent.h>

namespace veldrin::ui {
namespace {

constexpr int kFolderRole = Qt::UserRole;

// Kernel and service file systems that hold no pictures; QStorageInfo already leaves out most.
bool isPseudoVolume(const QStorageInfo& volume) {
    static const QList<QByteArray> types = {
        "autofs",    "bpf",    "cgroup", "cgroup2", "configfs", "debugfs",    "devpts", "devtmpfs", "fusectl",
        "hugetlbfs", "mqueue", "nsfs",   "proc",    "pstore",   "securityfs", "sysfs",  "tracefs",
    };
    return types.contains(volume.fileSystemType());
}

// The volume root that holds folder, as the volume list names it.
QString volumeRootOf(const QString& folder) {
    const QStorageInfo volume(folder);
    return volume.isValid() ? volume.rootPath() : QStringLiteral("/");
}

// Why folder cannot be entered, "" when it can; the text a file operation would report.
QString enterError(const QString& folder) {
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return fileError(errno, QDir::toNativeSeparators(folder), false).description();
    ::closedir(dir);
    return {};
}

// The size a JPEG is shown at (EXIF turn applied), read from its header; invalid for other files.
QSize shownJpegSize(const QString& path) {
    try {
        const ImageInfo info = GetImageInfo(path, 0);
        if (info.ImageKind != image_kind::Jpeg || info.Width <= 0 || info.Height <= 0)
            return {};
        return jpegOrientation(path) >= 5 ? QSize(info.Height, info.Width) : QSize(info.Width, info.Height);
    } catch (const VeldrinError&) {
        return {};
    }
}

// The preview's place inside a frame whose inner size is inner: never enlarged, about 3 pixels of
// margin on each side, centred.
QRect previewPlacement(QSize inner, QSize picture) {
    double s = 100;
    const double rx = (inner.width() - 6) * 100.0 / picture.width();
    const double ry = (inner.height() - 6) * 100.0 / picture.height();
    if (std::min(rx, ry) < 100)
        s = std::min(rx, ry);
    const int w = std::max(1, static_cast<int>(roundHalfEven(picture.width() * s / 100)));
    const int h = std::max(1, static_cast<int>(roundHalfEven(picture.height() * s / 100)));
    return QRect((inner.width() - w) / 2, (inner.height() - h) / 2, w, h);
}

QString askLocation(QWidget* parent) {
    return QInputDialog::getText(parent, QStringLiteral("ﾈｯﾄﾜｰｸﾄﾞﾗｲﾌﾞ"),
                                 QStringLiteral("場所（smb://, sftp://, ftp://, dav://）:"))
        .trimmed();
}

} // namespace

FolderSelectDialog::FolderSelectDialog(QLineEdit* target, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmFileSelect>()), m_target(target), m_prompt(askLocation) {
    m_ui->setupUi(this);
    layout()->activate(); // the preview is sized from the frame, shown or not
    m_ui->dirDir->installEventFilter(this);
    m_ui->txtFileName->installEventFilter(this);

    connect(m_ui->drvDrive, &QComboBox::currentIndexChanged, this, &FolderSelectDialog::drvDrive_Change);
    connect(m_ui->dirDir, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { enterFolder(item->data(0, kFolderRole).toString()); });
    connect(m_ui->FilesSelect, &QComboBox::currentIndexChanged, this, &FolderSelectDialog::FilesSelect_Click);
    connect(m_ui->filFile, &QListWidget::currentItemChanged, this, &FolderSelectDialog::filFile_Click);
    connect(m_ui->cmdNet, &QPushButton::clicked, this, &FolderSelectDialog::cmdNet_Click);
    connect(m_ui->cmdOk, &QPushButton::clicked, this, &FolderSelectDialog::cmdOk_Click);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, [this] {
        m_ui->txtFileName->clear();
        reject();
    });

    // Start in the folder of the box's text up to its last "/"; otherwise where the program runs.
    m_folder = QDir::currentPath();
    const QString text = m_target ? m_target->text() : QString();
    const qsizetype slash = text.lastIndexOf(u'/');
    if (slash >= 0) {
        const QString start = QDir::cleanPath(QFileInfo(text.left(slash + 1)).absoluteFilePath());
        if (QFileInfo(start).isDir())
            m_folder = start;
    }
    fillDrives();
    fillFolderList();
    m_ui->lblPath->setText(m_folder);

    m_ui->FilesSelect->addItem(QStringLiteral("PictureFiles(*.gif *.jpg *.jpeg *.bmp)"),
                               QStringLiteral("*.gif;*.jpg*;*.jpeg;*.bmp"));
    m_ui->FilesSelect->addItem(QStringLiteral("AllFiles(*.*)"), QStringLiteral("*.*"));
    FilesSelect_Click(0);
    m_ui->Picture_view->hide();
}

FolderSelectDialog::~FolderSelectDialog() = default;

void FolderSelectDialog::fillDrives() {
    QSignalBlocker block(m_ui->drvDrive);
    m_ui->drvDrive->clear();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || isPseudoVolume(volume) || roots.contains(volume.rootPath()))
            continue;
        roots << volume.rootPath();
        const QString name = volume.name();
        m_ui->drvDrive->addItem(name.isEmpty() ? volume.rootPath()
                                               : QStringLiteral("%1  [%2]").arg(volume.rootPath(), name),
                                volume.rootPath());
    }
    for (const QString& root : std::as_const(m_networkRoots)) {
        if (!roots.contains(root))
            m_ui->drvDrive->addItem(root, root);
    }
    selectDriveOf(m_folder);
}

void FolderSelectDialog::selectDriveOf(const QString& folder) {
    QSignalBlocker block(m_ui->drvDrive);
    // The deepest listed root above the folder: a network mount lies inside another volume.
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < m_ui->drvDrive->count(); ++i) {
        const QString root = m_ui->drvDrive->itemData(i).toString();
        if ((folder == root || folder.startsWith(withTrailingSlash(root))) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best < 0) {
        const QString root = volumeRootOf(folder);
        m_ui->drvDrive->addItem(root, root);
        best = m_ui->drvDrive->count() - 1;
    }
    m_ui->drvDrive->setCurrentIndex(best);
}

void FolderSelectDialog::drvDrive_Change(int index) {
    if (index < 0)
        return;
    const QString root = m_ui->drvDrive->itemData(index).toString();
    const QString error = enterError(root);
    if (error.isEmpty() && enterFolder(root))
        return;
    showMessageBox(this, {error.isEmpty() ? QStringLiteral("デバイスの準備ができていません。") : error,
                          QStringLiteral("ドライブ名変更エラー")});
    selectDriveOf(m_folder);
}

bool FolderSelectDialog::enterFolder(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir() || !enterError(folder).isEmpty())
        return false;
    m_folder = QDir::cleanPath(folder);
    fillFolderList();
    selectDriveOf(m_folder);
    fillFileList();
    if (m_ui->lblPath->text() != m_folder) {
        m_ui->lblPath->setText(m_folder);
        m_ui->txtFileName->clear();
    }
    return true;
}

void FolderSelectDialog::fillFolderList() {
    QTreeWidget* list = m_ui->dirDir;
    list->clear();
    // The ancestors from the root down, each inside the one before, then the folder's subfolders.
    QTreeWidgetItem* parent = new QTreeWidgetItem(list, {QStringLiteral("/")});
    parent->setData(0, kFolderRole, QStringLiteral("/"));
    parent->setIcon(0, style()->standardIcon(QStyle::SP_DirOpenIcon));
    QString path;
    for (const QString& part : m_folder.split(u'/', Qt::SkipEmptyParts)) {
        path += u'/' + part;
        parent = new QTreeWidgetItem(parent, {part});
        parent->setData(0, kFolderRole, path);
        parent->setIcon(0, style()->standardIcon(QStyle::SP_DirOpenIcon));
    }
    QTreeWidgetItem* current = parent;
    const QDir dir(m_folder);
    for (const QString& name :
         dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto* item = new QTreeWidgetItem(current, {name});
        item->setData(0, kFolderRole, dir.filePath(name));
        item->setIcon(0, style()->standardIcon(QStyle::SP_DirClosedIcon));
    }
    list->expandAll();
    list->setCurrentItem(current);
    list->scrollToItem(current);
}

QString FolderSelectDialog::highlightedFolder() const {
    const QTreeWidgetItem* item = m_ui->dirDir->currentItem();
    return item ? item->data(0, kFolderRole).toString() : m_folder;
}

void FolderSelectDialog::FilesSelect_Click(int index) {
    if (index < 0)
        return;
    m_patterns.clear();
    // The old platform matched "*.*" against every name, one without a dot too.
    for (const QString& pattern : m_ui->FilesSelect->itemData(index).toString().split(u';'))
        m_patterns << (pattern == u"*.*" ? QStringLiteral("*") : pattern);
    m_ui->txtFileName->clear();
    fillFileList();
}

void FolderSelectDialog::fillFileList() {
    QSignalBlocker block(m_ui->filFile);
    m_ui->filFile->clear();
    // Without QDir::Hidden names beginning with "." stay out; patterns match without regard to case.
    m_ui->filFile->addItems(QDir(m_folder).entryList(m_patterns, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void FolderSelectDialog::filFile_Click() {
    const QListWidgetItem* item = m_ui->filFile->currentItem();
    if (!item)
        return;
    m_ui->txtFileName->setText(item->text());
    ShowPreview(withTrailingSlash(m_ui->lblPath->text()) + item->text());
}

bool FolderSelectDialog::ShowPreview(const QString& path) {
    QLabel* view = m_ui->Picture_view;
    PreviewFrame* frame = m_ui->Picture_frame;
    view->hide();
    view->clear();
    frame->setMessage({});
    const QRect inner = frame->contentsRect();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    try {
        // A large photograph is decoded at the smallest JPEG scale that still covers the preview.
        QSize picture = shownJpegSize(path);
        QRect place = picture.isValid() ? previewPlacement(inner.size(), picture) : QRect();
        const Bitmap loaded = loadPicture(path, place.width(), place.height());
        if (!picture.isValid()) {
            picture = QSize(loaded.width, loaded.height);
            place = previewPlacement(inner.size(), picture);
        }
        const Bitmap scaled =
            stretchCopy(loaded, place.width(), place.height(), static_cast<int>(StretchMode::Halftone));
        const QImage image(reinterpret_cast<const uchar*>(scaled.pixels.data()), scaled.width, scaled.height,
                           scaled.stride(), QImage::Format_RGB32);
        // A deep copy: the pixmap may share the image's memory, which goes with scaled.
        view->setPixmap(QPixmap::fromImage(image.copy()));
        view->setGeometry(place.translated(inner.topLeft()));

        const QString line = QStringLiteral("%1x%2 %3KB ")
                                 .arg(picture.width())
                                 .arg(picture.height())
                                 .arg(formatNumber(QFileInfo(path).size() / 1024.0, u"###,###,###"));
        m_ui->Label_FileStatus->setText(line);
        view->setToolTip(line);
    } catch (const VeldrinError& e) {
        error = e.description().trimmed();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what()).trimmed();
    }
    QApplication::restoreOverrideCursor();

    if (!error.isEmpty()) {
        frame->setMessage(error);
        view->setToolTip({});
        m_ui->Label_FileStatus->clear();
        return false;
    }
    view->show();
    return true;
}

void FolderSelectDialog::cmdNet_Click() {
    const QString location = m_prompt ? m_prompt(this) : QString();
    if (location.isEmpty())
        return;
    if (!m_mount) {
        m_ownMount = makeGioNetworkMount();
        m_mount = m_ownMount.get();
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const MountResult result = m_mount->mount(location, this);
    QApplication::restoreOverrideCursor();
    if (!result.mounted) {
        showMessageBox(this, {result.error, AppTitle() + QStringLiteral(" エラー"), MessageButtons::Ok,
                              MessageIcon::Critical});
        return;
    }
    if (!result.localPath.isEmpty() && !m_networkRoots.contains(result.localPath))
        m_networkRoots << QDir::cleanPath(result.localPath);
    fillDrives();
    if (!result.localPath.isEmpty())
        enterFolder(result.localPath);
}

void FolderSelectDialog::cmdOk_Click() {
    // A first OK on a highlighted folder enters it, as a double click would.
    // A folder that cannot be entered loses the highlight, so that the next OK takes the current one.
    const QString highlighted = highlightedFolder();
    if (highlighted != m_folder) {
        if (!enterFolder(highlighted))
            fillFolderList();
        return;
    }
    if (m_target)
        m_target->setText(withTrailingSlash(m_ui->lblPath->text()));
    accept();
}

bool FolderSelectDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->dirDir && event->type() == QEvent::FocusOut) {
        // Leaving the list enters the highlighted folder, unless the focus goes to OK or Cancel,
        // which decide for themselves; a window switch is no leaving.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        QWidget* next = QApplication::focusWidget();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && next != m_ui->cmdOk &&
            next != m_ui->cmdCancel && highlightedFolder() != m_folder)
            enterFolder(highlightedFolder());
    } else if (watched == m_ui->txtFileName && event->type() == QEvent::FocusIn) {
        // After the click that gave the focus, which would place the cursor.
        QTimer::singleShot(0, m_ui->txtFileName, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace veldrin::ui
