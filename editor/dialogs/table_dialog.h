// The Table dialog: the values from which the view's Table command builds a table skeleton.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class QLineEdit;
namespace Ui {
class CTableDlg;
}

// What the dialog shows and hands back. Numbers are integers; 0 means not given.
struct TableValues {
    int columns = 1;
    int rows = 1;
    QString caption;
    bool background = false;       // the background box: whether the colour is used
    QString colorText = "#000000"; // the chosen colour, "#" and six hexadecimal digits
    int colorValue = 0;            // the same as 0x00BBGGRR
    int cellspacing = 0;
    int cellpadding = 0;
    int width = 0;
    QString widthUnit = "pixel"; // "pixel" or "%", or what the user typed
    bool border = false;
};

class CTableDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 159;
    // A table is built in one piece of text: rows and columns are bounded so that it stays
    // a size the editor handles.
    static constexpr int kMaxRows = 1000;
    static constexpr int kMaxColumns = 100;

    explicit CTableDlg(QWidget* parent);
    ~CTableDlg() override;

    // Shows `values`; 1 after OK (values then hold what was entered), 2 after Cancel.
    int Run();

    // The colour button: the application's colour choice; the button shows the colour.
    void ChooseColor();

    TableValues values;

    // OK reads the fields; a number field that does not hold an integer (in range) is
    // refused with a message, and the dialog stays open with that field selected.
    void done(int result) override;

private:
    void ShowValues();
    void ShowColor();
    bool ReadNumber(QLineEdit* edit, int min, int max, int& number);

    std::unique_ptr<Ui::CTableDlg> ui_;
};
