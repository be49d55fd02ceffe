#include "character_table_dialog.h"

#include "modal.h"
#include "text_codec.h"
#include "ui_character_table_dialog.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int kFirst = 32;
constexpr int kLast = 255;
constexpr int kColumns = 16;

// The named entities an author reaches for most, with their characters.
const struct {
    const char* name;
    char16_t character;
} kEntities[] = {
    {"nbsp", 0x00A0},   {"amp", '&'},       {"lt", '<'},        {"gt", '>'},
    {"quot", '"'},      {"copy", 0x00A9},   {"reg", 0x00AE},    {"trade", 0x2122},
    {"euro", 0x20AC},   {"pound", 0x00A3},  {"yen", 0x00A5},    {"cent", 0x00A2},
    {"sect", 0x00A7},   {"para", 0x00B6},   {"deg", 0x00B0},    {"plusmn", 0x00B1},
    {"times", 0x00D7},  {"divide", 0x00F7}, {"frac12", 0x00BD}, {"frac14", 0x00BC},
    {"frac34", 0x00BE}, {"sup2", 0x00B2},   {"sup3", 0x00B3},   {"micro", 0x00B5},
    {"middot", 0x00B7}, {"bull", 0x2022},   {"hellip", 0x2026}, {"ndash", 0x2013},
    {"mdash", 0x2014},  {"laquo", 0x00AB},  {"raquo", 0x00BB},  {"lsquo", 0x2018},
    {"rsquo", 0x2019},  {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"iexcl", 0x00A1},
    {"iquest", 0x00BF}, {"shy", 0x00AD},    {"auml", 0x00E4},   {"ouml", 0x00F6},
    {"uuml", 0x00FC},   {"Auml", 0x00C4},   {"Ouml", 0x00D6},   {"Uuml", 0x00DC},
    {"szlig", 0x00DF},  {"eacute", 0x00E9}, {"egrave", 0x00E8}, {"agrave", 0x00E0},
    {"ccedil", 0x00E7}, {"ntilde", 0x00F1},
};

constexpr int kTextRole = Qt::UserRole;

} // namespace

CCharacterTableDlg::CCharacterTableDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CCharacterTableDlg>()) {
    ui_->setupUi(this);
    FillCharacters();
    FillEntities();
    connect(ui_->characterGrid, &QTableWidget::itemDoubleClicked, this,
            [this] { ChooseCurrent(ui_->characterGrid); });
    connect(ui_->entityList, &QListWidget::itemDoubleClicked, this,
            [this] { ChooseCurrent(ui_->entityList); });
    connect(ui_->characterGrid, &QTableWidget::currentItemChanged, this,
            [this](QTableWidgetItem* item) {
                ui_->codeLabel->setText(item ? item->toolTip() : QString());
            });
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::close);
}

CCharacterTableDlg::~CCharacterTableDlg() = default;

void CCharacterTableDlg::FillCharacters() {
    QTableWidget* grid = ui_->characterGrid;
    grid->setColumnCount(kColumns);
    grid->setRowCount((kLast - kFirst + 1) / kColumns);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    // Square cells, no smaller than the style lets a column be.
    const int cell =
        std::max(fontMetrics().height() + 8, grid->horizontalHeader()->minimumSectionSize());
    grid->horizontalHeader()->setDefaultSectionSize(cell);
    grid->verticalHeader()->setDefaultSectionSize(cell);
    // All sixteen columns show; the rows scroll.
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int scrollBar = grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid);
    grid->setMinimumSize(cell * kColumns + scrollBar + 2 * grid->frameWidth(), cell * 8);
    for (int code = kFirst; code <= kLast; ++code) {
        const QString character =
            codec::Decode(QByteArray(1, static_cast<char>(code)), codec::Encoding::Windows1252);
        auto* item = new QTableWidgetItem;
        // Codes Windows-1252 leaves unused (and DEL) stay empty and cannot be chosen.
        if (character.size() == 1 && character[0].category() != QChar::Other_Control) {
            item->setText(character);
            item->setData(kTextRole, character);
            item->setToolTip(QStringLiteral("%1  &#%2;").arg(character).arg(code));
            item->setTextAlignment(Qt::AlignCenter);
        } else {
            item->setFlags(Qt::NoItemFlags);
        }
        grid->setItem((code - kFirst) / kColumns, (code - kFirst) % kColumns, item);
    }
}

void CCharacterTableDlg::FillEntities() {
    for (const auto& e : kEntities) {
        const QString reference = QStringLiteral("&%1;").arg(QLatin1String(e.name));
        auto* item = new QListWidgetItem(
            QStringLiteral("%1    %2").arg(QChar(e.character), reference), ui_->entityList);
        item->setData(kTextRole, reference);
    }
}

void CCharacterTableDlg::ChooseCurrent(QWidget* from) {
    QString text;
    if (from == ui_->characterGrid && ui_->characterGrid->currentItem()) {
        text = ui_->characterGrid->currentItem()->data(kTextRole).toString();
    } else if (from == ui_->entityList && ui_->entityList->currentItem()) {
        text = ui_->entityList->currentItem()->data(kTextRole).toString();
    }
    if (!text.isEmpty()) emit TextChosen(text);
}

void CCharacterTableDlg::Present() {
    fw::ShowModeless(*this, ui_->characterGrid);
}

void CCharacterTableDlg::keyPressEvent(QKeyEvent* event) {
    // Enter inserts what is current in the grid or the list, whichever has the keyboard.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        ChooseCurrent(focusWidget());
        return;
    }
    QDialog::keyPressEvent(event);
}
