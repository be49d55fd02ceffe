// The Select Font Face dialog: picks one of the desktop's font families, for a font face
// name in the text or a style. A double click or Enter chooses; Cancel or Escape chooses
// nothing.
#pragma once

#include "pick_list_dialog.h"

#include <QString>
#include <memory>

namespace Ui {
class CFontFaceDlg;
}

class CFontFaceDlg : public CPickListDlg {
    Q_OBJECT
public:
    static constexpr int kDialogId = 183;

    // The list holds every font family of the desktop, sorted, the first one selected.
    explicit CFontFaceDlg(QWidget* parent);
    ~CFontFaceDlg() override;

    // After Run gave 1: the selected family (empty without one).
    QString selectedName;

private:
    void Picked(const QListWidgetItem* item) override;
    std::unique_ptr<Ui::CFontFaceDlg> ui_;
};
