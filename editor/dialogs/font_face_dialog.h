// The Select Font Face dialog: picks one of the desktop's font families, for a font face
// name in the text or a style. A double click or Enter chooses; Cancel or Escape chooses
// nothing.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class CFontFaceDlg;
}

class CFontFaceDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 183;

    // The list holds every font family of the desktop, sorted, the first one selected.
    explicit CFontFaceDlg(QWidget* parent);
    ~CFontFaceDlg() override;

    // 1 after a double click or Enter (selectedName: the selected family, empty without
    // one); 2 after Cancel or Escape (selectedName stays empty).
    int Run();

    QString selectedName;

    // Accepting (result 1) reads the list selection, whichever way the dialog is closed.
    void done(int result) override;
    void reject() override;

protected:
    // Enter chooses, wherever the focus is: the dialog's only button is Cancel.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::CFontFaceDlg> ui_;
};
