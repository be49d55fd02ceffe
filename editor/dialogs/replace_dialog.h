// The Replace dialog: a modeless window of its view with the text to find, its
// replacement, and Search, Replace and Replace All. The view does the work on its signals.
#pragma once

#include "search_dialog.h"

namespace Ui {
class CReplaceDlg;
}

class CReplaceDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 143;

    explicit CReplaceDlg(QWidget* parent);
    ~CReplaceDlg() override;

    // The text to find and the options; the replacement apart.
    SearchValues Values() const;
    QString Replacement() const;
    bool SelectionOnly() const;
    // Shows the dialog in front, with the keyboard in its text to find (selected).
    void Present();

signals:
    void SearchRequested();
    void ReplaceRequested();
    void ReplaceAllRequested();

private:
    std::unique_ptr<Ui::CReplaceDlg> ui_;
};
