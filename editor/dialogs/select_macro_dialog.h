// The Select Macro dialog: picks a macro name of one macro base (the active group) for a
// placeholder. A double click or Enter chooses; Cancel or Escape chooses nothing.
#pragma once

#include "pick_list_dialog.h"
#include <QByteArray>

#include <QString>
#include <memory>

class tLS_macrobase;

namespace Ui {
class CSelectMacroDlg;
}

class CSelectMacroDlg : public CPickListDlg {
    Q_OBJECT
public:
    static constexpr int kDialogId = 182;

    // `base` is not owned and may be null (an empty list).
    CSelectMacroDlg(QWidget* parent, tLS_macrobase* base);
    ~CSelectMacroDlg() override;

    // After Run gave 1: the selected name as shown (empty without one) and its bytes as
    // the base holds them.
    QString selectedName;
    QByteArray selectedBytes;

private:
    void Picked(const QListWidgetItem* item) override;

    std::unique_ptr<Ui::CSelectMacroDlg> ui_;
};
