#include "font_face_dialog.h"

#include "ui_font_face_dialog.h"

#include <QFontDatabase>
#include <QListWidget>

#include <algorithm>

CFontFaceDlg::CFontFaceDlg(QWidget* parent)
    : CPickListDlg(parent), ui_(std::make_unique<Ui::CFontFaceDlg>()) {
    ui_->setupUi(this);
    // One entry per family, in alphabetical order whatever the letter case.
    QStringList families = QFontDatabase::families();
    families.removeDuplicates();
    std::sort(families.begin(), families.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    ui_->faceList->addItems(families);
    SetPickList(ui_->faceList, ui_->cancelButton);
}

CFontFaceDlg::~CFontFaceDlg() = default;

void CFontFaceDlg::Picked(const QListWidgetItem* item) {
    selectedName = item ? item->text() : QString();
}
