#include "folder_dialog.h"

#include "ui_folder_dialog.h"

#include <QDir>
#include <QKeyEvent>
#include <QStorageInfo>

CFolderDlg::CFolderDlg(QWidget* parent, const QString& listed, const QString& proposed)
    : QDialog(parent), ui_(std::make_unique<Ui::CFolderDlg>()) {
    ui_->setupUi(this);
    // At its own place on the screen, not centred over the window.
    move(100, 150);
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) ui_->drives->addItem(volume.rootPath());
    }
    ListDirectory(listed);
    ui_->folder->setText(proposed);
    SelectVolumeOf(proposed);
    ui_->folder->setFocus();
    ui_->folder->selectAll();

    // A double click opens a directory, and so does Enter in the list: there it must not
    // also press "Next ->" and install into the folder just opened.
    connect(ui_->directories, &QListWidget::itemDoubleClicked, this, &CFolderDlg::OpenDirectory);
    ui_->directories->installEventFilter(this);
    connect(ui_->drives, &QComboBox::activated, this, [this](int index) {
        const QString root = ui_->drives->itemText(index);
        ListDirectory(root);
        SelectVolumeOf(root);
    });
}

CFolderDlg::~CFolderDlg() = default;

bool CFolderDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->directories && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ui_->directories->currentItem()) {
            OpenDirectory(ui_->directories->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CFolderDlg::OpenDirectory(QListWidgetItem* item) {
    ListDirectory(QDir::cleanPath(QDir(listed_).absoluteFilePath(item->text())));
}

QString CFolderDlg::Folder() const {
    const QString text = ui_->folder->text();
    if (text.isEmpty() || QDir::isAbsolutePath(text)) return text;
    return QDir(listed_).absoluteFilePath(text);
}

void CFolderDlg::ListDirectory(const QString& dir) {
    listed_ = dir;
    ui_->directories->clear();
    if (!QDir(dir).isRoot()) ui_->directories->addItem(QStringLiteral(".."));
    ui_->directories->addItems(QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name));
    ui_->folder->setText(dir);
}

void CFolderDlg::SelectVolumeOf(const QString& path) {
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < ui_->drives->count(); ++i) {
        QString root = ui_->drives->itemText(i);
        if (!root.endsWith(QLatin1Char('/'))) root += QLatin1Char('/');
        if ((path + QLatin1Char('/')).startsWith(root) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best >= 0) ui_->drives->setCurrentIndex(best);
}
