#include "new_document_dialog.h"

#include "app_context.h"
#include "modal.h"
#include "ui_new_document_dialog.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>

namespace {
const char kExtension[] = ".htm";
}

CNewDocumentDlg::CNewDocumentDlg(QWidget* parent, const QString& startFolder)
    : QDialog(parent), ui_(std::make_unique<Ui::CNewDocumentDlg>()) {
    ui_->setupUi(this);
    QListWidget* list = ui_->choiceList;
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->addItem(tr("Empty Page"));
    if (!startFolder.isEmpty()) {
        // The caller opens name + ".htm", so only names ending exactly so are offered; the
        // order is by name, the same on every file system.
        const QStringList files =
            QDir(startFolder)
                .entryList({QStringLiteral("*.htm")},
                           QDir::Files | QDir::Readable | QDir::CaseSensitive, QDir::Name);
        for (const QString& file : files) {
            const QString name = file.chopped(static_cast<qsizetype>(sizeof kExtension - 1));
            if (!name.isEmpty()) list->addItem(name);
        }
    }
    list->setCurrentRow(0);
    connect(list, &QListWidget::itemDoubleClicked, this, [this] { done(QDialog::Accepted); });
    connect(ui_->okButton, &QPushButton::clicked, this, &CNewDocumentDlg::accept);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { app::ShowDialogHelp(kDialogId); });
    list->setFocus();
}

CNewDocumentDlg::~CNewDocumentDlg() = default;

int CNewDocumentDlg::Run() {
    fw::RunModal(*this);
    return result();
}

void CNewDocumentDlg::done(int result) {
    if (result == QDialog::Rejected) result = 2;
    // Row 0 is "Empty Page"; a start file might be called so too, and is still found by
    // its row.
    const int row = ui_->choiceList->currentRow();
    const bool chosen = !ui_->choiceList->selectedItems().isEmpty();
    selectedName = result == QDialog::Accepted && chosen && row > 0
                       ? ui_->choiceList->item(row)->text()
                       : QString();
    QDialog::done(result);
}

void CNewDocumentDlg::reject() {
    done(2);
}
