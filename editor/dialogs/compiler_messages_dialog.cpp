#include "compiler_messages_dialog.h"

#include "ui_compiler_messages_dialog.h"

#include "app_context.h"
#include "settings.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QListWidget>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>

CCompilerMessagesDlg::CCompilerMessagesDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CCompilerMessagesDlg>()) {
    ui_->setupUi(this);
    setModal(false);
    setProperty("dialogId", kDialogId); // its help topic in the help mode
    // Messages hold a tab between location and line: a fixed font keeps them aligned.
    ui_->messages->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    connect(ui_->messages, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { GoToPlace(item); });
    ui_->messages->installEventFilter(this);
    stored_ = settings::LoadMessagesSize(app::SettingsFile());
    if (stored_.isValid()) resize(stored_.expandedTo(minimumSizeHint()));
}

void CCompilerMessagesDlg::RememberSize() {
    // Only a size the author gave it: a window never resized leaves the settings file as
    // it was.
    if (size() == shownSize_ || size() == stored_) return;
    stored_ = shownSize_ = size();
    settings::SaveMessagesSize(app::SettingsFile(), stored_);
}

void CCompilerMessagesDlg::hideEvent(QHideEvent* event) {
    RememberSize();
    QDialog::hideEvent(event);
}

bool CCompilerMessagesDlg::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a message goes to its place; the dialog would also take it for its default
    // button and close, while the author may want the next message too.
    if (watched == ui_->messages && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ui_->messages->currentItem()) {
            GoToPlace(ui_->messages->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

namespace {
constexpr int kTabWidth = 8;
constexpr int kFolderRole = Qt::UserRole + 1;
constexpr int kLanguageRole = Qt::UserRole + 2;
constexpr int kPlaceRole = Qt::UserRole + 3;
constexpr int kPlaceLineRole = Qt::UserRole + 4;
constexpr int kPlaceLanguageRole = Qt::UserRole + 5;
constexpr int kReadOnlyRole = Qt::UserRole + 6;

// The line with each tab expanded to the next stop; the first tab (after the location)
// goes to `firstStop`, so that the locations of all lines line up.
QString Expanded(const QString& line, int firstStop) {
    QString out;
    for (QChar c : line) {
        if (c != QLatin1Char('\t')) {
            out += c;
            continue;
        }
        int column = static_cast<int>(out.size());
        int stop = firstStop > column ? firstStop : (column / kTabWidth + 1) * kTabWidth;
        firstStop = 0;
        out += QString(stop - column, QLatin1Char(' '));
    }
    return out;
}
} // namespace

CCompilerMessagesDlg::~CCompilerMessagesDlg() {
    if (isVisible()) RememberSize();
}

void CCompilerMessagesDlg::ResetContent() {
    ui_->messages->clear();
    firstStop_ = kTabWidth;
    placed_ = 0;
}

void CCompilerMessagesDlg::NoteTarget(const QString& folder, const QByteArray& language) {
    for (; placed_ < ui_->messages->count(); ++placed_) {
        QListWidgetItem* item = ui_->messages->item(placed_);
        item->setData(kFolderRole, folder);
        item->setData(kLanguageRole, language);
    }
}

void CCompilerMessagesDlg::NotePlace(const QString& location, int line, const QByteArray& language,
                                     bool readOnly) {
    QListWidgetItem* item = ui_->messages->item(ui_->messages->count() - 1);
    if (!item) return;
    item->setData(kPlaceRole, location);
    item->setData(kPlaceLineRole, line);
    item->setData(kPlaceLanguageRole, language);
    item->setData(kReadOnlyRole, readOnly);
}

void CCompilerMessagesDlg::GoToPlace(const QListWidgetItem* item) const {
    if (item && !item->data(kPlaceRole).toString().isEmpty()) {
        app::GoToMessagePlace(item->data(kPlaceRole).toString(), item->data(kPlaceLineRole).toInt(),
                              item->data(kFolderRole).toString(),
                              item->data(kPlaceLanguageRole).toByteArray(),
                              item->data(kReadOnlyRole).toBool());
        return;
    }
    // A message reads: location, a tab, "(" line ") " and its text.
    static const QRegularExpression kMessage(QStringLiteral(R"(^([^\t]+)\t\((\d{1,9})\) )"));
    const QRegularExpressionMatch m =
        item ? kMessage.match(item->data(Qt::UserRole).toString()) : QRegularExpressionMatch();
    if (!m.hasMatch()) return;
    app::GoToMessagePlace(m.captured(1), m.captured(2).toInt(), item->data(kFolderRole).toString(),
                          item->data(kLanguageRole).toByteArray());
}

void CCompilerMessagesDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QListWidget* list = ui_->messages;
    int widest = 0;
    const QFontMetrics metrics(list->font());
    for (int i = 0; i < list->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list->item(i)->text()));
    // The list's frame and scroll bar, and the dialog's margins around it.
    const int wanted =
        widest + (width() - list->viewport()->width()) + 2 * metrics.averageCharWidth();
    const QScreen* screen = this->screen();
    shownSize_ = size();
    if (!screen || wanted <= width()) return;
    const QRect room = screen->availableGeometry();
    resize(std::min(wanted, room.width() * 9 / 10), height());
    // Grown, it still stands on the screen.
    const QRect frame = frameGeometry();
    if (frame.right() > room.right())
        move(std::max(room.left(), room.right() - frame.width()), pos().y());
    shownSize_ = size();
}

void CCompilerMessagesDlg::AddString(const char* line) {
    const QString text = QString::fromUtf8(line);
    const int tab = static_cast<int>(text.indexOf(QLatin1Char('\t')));
    if (tab >= firstStop_) {
        // A longer location moves the stop for every line shown.
        firstStop_ = (tab / kTabWidth + 1) * kTabWidth;
        for (int i = 0; i < ui_->messages->count(); ++i) {
            QListWidgetItem* item = ui_->messages->item(i);
            item->setText(Expanded(item->data(Qt::UserRole).toString(), firstStop_));
        }
    }
    auto* item = new QListWidgetItem(Expanded(text, firstStop_));
    item->setData(Qt::UserRole, text);
    ui_->messages->addItem(item);
}

QListWidget* CCompilerMessagesDlg::List() const {
    return ui_->messages;
}

QStringList CCompilerMessagesDlg::Lines() const {
    QStringList lines;
    for (int i = 0; i < ui_->messages->count(); ++i)
        lines << ui_->messages->item(i)->text();
    return lines;
}
