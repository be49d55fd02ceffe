// A modal dialog that picks one entry of a list: a double click, or Enter wherever the
// focus is (the dialog's only button is Cancel), chooses the selected entry and gives 1;
// Cancel, Escape or closing the window give 2.
#pragma once

#include <QDialog>

class QAbstractButton;
class QListWidget;
class QListWidgetItem;

class CPickListDlg : public QDialog {
    Q_OBJECT
public:
    // 1 or 2, as above.
    int Run();

    // Accepting (result 1) hands the selected entry to Picked, whichever way the dialog closes.
    void done(int result) override;
    void reject() override;

protected:
    explicit CPickListDlg(QWidget* parent) : QDialog(parent) {}
    // After setupUi: the list (single selection, its first entry selected, the focus) and
    // the Cancel button.
    void SetPickList(QListWidget* list, QAbstractButton* cancel);
    // The entry chosen on accepting; null when none is selected.
    virtual void Picked(const QListWidgetItem* item) = 0;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QListWidget* list_ = nullptr;
};
