#include "font_face_dialog.h"

#include "modal.h"
#include "ui_font_face_dialog.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

CFontFaceDlg::CFontFaceDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CFontFaceDlg>()) {
    ui_->setupUi(this);
    ui_->faceList->setSelectionMode(QAbstractItemView::SingleSelection);
    // One entry per family, in alphabetical order whatever the letter case.
    QStringList families = QFontDatabase::families();
    families.removeDuplicates();
    std::sort(families.begin(), families.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    ui_->faceList->addItems(families);
    if (ui_->faceList->count() > 0) ui_->faceList->setCurrentRow(0);
    connect(ui_->faceList, &QListWidget::itemDoubleClicked, this, [this] { done(QDialog::Accepted); });
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CFontFaceDlg::reject);
    ui_->faceList->setFocus();
}

CFontFaceDlg::~CFontFaceDlg() = default;

int CFontFaceDlg::Run() {
    fw::RunModal(*this);
    return result(); // as done() settled it: 1, or 2 for every way of cancelling
}

void CFontFaceDlg::done(int result) {
    if (result == QDialog::Rejected) result = 2;
    if (result == QDialog::Accepted) {
        const QList<QListWidgetItem*> selected = ui_->faceList->selectedItems();
        selectedName = selected.isEmpty() ? QString() : selected.first()->text();
    }
    QDialog::done(result);
}

void CFontFaceDlg::reject() { done(2); }

void CFontFaceDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        done(QDialog::Accepted);
        return;
    }
    QDialog::keyPressEvent(event);
}
