// The Search dialog: a modeless window of its view that searches forward or backward for
// its text. It searches nothing itself; the view does on its signals.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CSearchDlg;
}

// What the search and replace dialogs hand their view.
struct SearchValues {
    QString text;
    bool caseSensitive = false;
    bool wholeWords = false;
};

class CSearchDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 142;

    explicit CSearchDlg(QWidget* parent);
    ~CSearchDlg() override;

    SearchValues Values() const;
    // Shows the dialog in front, with the keyboard in its search text (selected).
    void Present();

signals:
    // "Forward" (also Enter) and "Backward"; the dialog stays open.
    void SearchRequested(bool forward);

private:
    std::unique_ptr<Ui::CSearchDlg> ui_;
};
