// The Insert a System Macro dialog: builds a date-and-time placeholder, a parameter
// placeholder, or the current date and time as plain text, for the view to insert.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <memory>

namespace Ui {
class CSystemMacroDlg;
}

class CSystemMacroDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 179;
    // The results of a run.
    static constexpr int kMacroResult = 1077; // "Macro" or a parameter button
    static constexpr int kStringResult = 1;   // "String"
    static constexpr int kCancelResult = 2;   // "Cancel" or Escape

    // The date and time formats (strftime conventions), one row of the format box each.
    static const std::array<const char*, 18> dateFormats;

    explicit CSystemMacroDlg(QWidget* parent);
    ~CSystemMacroDlg() override;

    // 1077, 1 or 2 (above); resultText holds the text to insert (empty after Cancel).
    int Run();

    QString resultText;

    // "Macro": {#"<format of the selected row>"_DATE_AND_TIME_}, result 1077. When the
    // user has typed into the box no row is selected; row 0's format is taken then.
    void OnMacro();
    // Parameter button `digit` (0 to 9): {#_MACRO_PARAM_<digit>}, result 1077.
    void OnParameter(int digit);
    // "String": the box's text as it stands (a formatted row or what was typed), result 1.
    void OnString();

    void done(int result) override;
    void reject() override;

private:
    int SelectedRow() const;

    std::unique_ptr<Ui::CSystemMacroDlg> ui_;
    bool typed_ = false; // the user typed into the box since the last row was chosen
};
