// The New Document dialog: chooses the initial content of a new HTML document, "Empty
// Page" or one of the start files (*.htm) of the start folder (new-htm beside the program).
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class CNewDocumentDlg;
}

class CNewDocumentDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 196;

    // Lists "Empty Page", then the files "*.htm" of `startFolder` by name (the name without
    // ".htm"); "Empty Page" is selected.
    CNewDocumentDlg(QWidget* parent, const QString& startFolder);
    ~CNewDocumentDlg() override;

    // 1 after OK, Enter or a double click; 2 after Escape.
    int Run();

    // The chosen start file's name without ".htm" (the caller reads startFolder/name.htm);
    // empty for "Empty Page" and after Escape: the document then starts empty.
    QString selectedName;

    void done(int result) override;
    void reject() override;

private:
    std::unique_ptr<Ui::CNewDocumentDlg> ui_;
};
