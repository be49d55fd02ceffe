#include "compiler_messages_dialog.h"

#include "ui_compiler_messages_dialog.h"

#include <QFontDatabase>
#include <QListWidget>

CCompilerMessagesDlg::CCompilerMessagesDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CCompilerMessagesDlg>()) {
    ui_->setupUi(this);
    setModal(false);
    setProperty("dialogId", 148); // its help topic in the help mode
    // Messages hold a tab between location and line: a fixed font keeps them aligned.
    ui_->messages->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

namespace {
constexpr int kTabWidth = 8;

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

CCompilerMessagesDlg::~CCompilerMessagesDlg() = default;

void CCompilerMessagesDlg::ResetContent() {
    ui_->messages->clear();
    firstStop_ = kTabWidth;
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

QListWidget* CCompilerMessagesDlg::List() const { return ui_->messages; }

QStringList CCompilerMessagesDlg::Lines() const {
    QStringList lines;
    for (int i = 0; i < ui_->messages->count(); ++i) lines << ui_->messages->item(i)->text();
    return lines;
}
