#include "translations_dialog.h"

#include "ids.h"
#include "string_table.h"
#include "ui_translations_dialog.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>

namespace {
// How much of a text a cell shows: its first line, cut.
constexpr int kCellChars = 40;
// Up to this many languages the columns share the table's width; more are this wide.
constexpr int kSharedWidth = 4;
constexpr int kColumnWidth = 180;

QString Start(const QString& text) {
    QString line = text.section(QLatin1Char('\n'), 0, 0);
    if (line.size() > kCellChars) return line.left(kCellChars) + QChar(0x2026);
    if (text.contains(QLatin1Char('\n'))) line += QStringLiteral(" \u21b5");
    return line;
}
} // namespace

CTranslationsDlg::CTranslationsDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CTranslationsDlg>()) {
    ui_->setupUi(this);
    connect(ui_->missingOnly, &QCheckBox::toggled, this, [this] { Filter(); });
    connect(ui_->table, &QTableWidget::cellDoubleClicked, this, &CTranslationsDlg::Activated);
    connect(ui_->table, &QTableWidget::cellActivated, this, &CTranslationsDlg::Activated);
    connect(ui_->exportButton, &QPushButton::clicked, this, &CTranslationsDlg::ExportPo);
    connect(ui_->importButton, &QPushButton::clicked, this, &CTranslationsDlg::ImportPo);
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::close);
}

CTranslationsDlg::~CTranslationsDlg() = default;

bool CTranslationsDlg::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) emit Refresh();
    return QDialog::event(e);
}

void CTranslationsDlg::SetData(const TranslationsData& data) {
    if (data == data_ && ui_->table->rowCount() == data_.rows.size()) return;
    const int row = ui_->table->currentRow();
    const int column = ui_->table->currentColumn();
    const QString name = row >= 0 && row < data_.rows.size() ? data_.rows[row].name : QString();
    data_ = data;
    Fill();
    for (int r = 0; r < data_.rows.size(); ++r)
        if (data_.rows[r].name == name) ui_->table->setCurrentCell(r, std::max(column, 0));
}

void CTranslationsDlg::Fill() {
    QTableWidget* table = ui_->table;
    table->clearSpans();
    table->setColumnCount(static_cast<int>(data_.languages.size()));
    table->setHorizontalHeaderLabels(data_.languages);
    // A few languages share the width; many scroll, each column wide enough to read.
    table->horizontalHeader()->setSectionResizeMode(
        data_.languages.size() <= kSharedWidth ? QHeaderView::Stretch : QHeaderView::Interactive);
    table->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    table->setRowCount(static_cast<int>(data_.rows.size()));
    const QString missing = fw::LoadString(str::TranslationMissing);
    const QString shared = fw::LoadString(str::TranslationShared);
    for (int r = 0; r < data_.rows.size(); ++r) {
        const TranslationsData::Row& row = data_.rows[r];
        table->setVerticalHeaderItem(
            r, new QTableWidgetItem(row.shared ? shared.arg(row.name) : row.name));
        for (int c = 0; c < row.texts.size(); ++c) {
            auto* item = new QTableWidgetItem;
            if (row.present.value(c)) {
                item->setText(Start(row.texts[c]));
                item->setToolTip(row.texts[c]);
            } else {
                item->setText(missing);
                item->setForeground(QColor(0xb7, 0x1c, 0x1c));
                item->setBackground(QColor(0xff, 0xeb, 0xee));
                QFont italic = item->font();
                italic.setItalic(true);
                item->setFont(italic);
            }
            table->setItem(r, c, item);
        }
        if (row.shared && table->columnCount() > 1) table->setSpan(r, 0, 1, table->columnCount());
    }
    Filter();
}

bool CTranslationsDlg::RowShown(int row) const {
    if (!ui_->missingOnly->isChecked()) return true;
    const QList<bool>& present = data_.rows[row].present;
    return std::find(present.begin(), present.end(), false) != present.end();
}

void CTranslationsDlg::Filter() {
    for (int r = 0; r < data_.rows.size(); ++r)
        ui_->table->setRowHidden(r, !RowShown(r));
}

void CTranslationsDlg::Activated(int row, int column) {
    if (row < 0 || row >= data_.rows.size()) return;
    const TranslationsData::Row& r = data_.rows[row];
    emit OpenMacro(r.name, r.shared ? -1 : column);
}
