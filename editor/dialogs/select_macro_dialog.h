// The Select Macro dialog: picks a macro name of one macro base (the active group) for a
// placeholder. A double click or Enter chooses; Cancel or Escape chooses nothing.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <memory>

class tLS_macrobase;

namespace Ui {
class CSelectMacroDlg;
}

class CSelectMacroDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 182;

    // `base` is not owned and may be null (an empty list).
    CSelectMacroDlg(QWidget* parent, tLS_macrobase* base);
    ~CSelectMacroDlg() override;

    // 1 after a double click or Enter (selectedName: the selected name as shown, empty
    // without one; selectedBytes: its bytes as the base holds them); 2 after Cancel or Escape.
    int Run();

    QString selectedName;
    QByteArray selectedBytes;

    // Accepting (result 1) reads the list selection, whichever way the dialog is closed.
    void done(int result) override;
    void reject() override;

protected:
    // Enter chooses, wherever the focus is: the dialog's only button is Cancel.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::CSelectMacroDlg> ui_;
};
