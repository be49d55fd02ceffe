// The output window: a modeless list of the compiler's messages. Its list is the message
// list every build fills; Close (or Escape) only hides the window.
#pragma once

#include <brevic/ls_types.h>

#include <QDialog>
#include <memory>

class QListWidget;

namespace Ui {
class CCompilerMessagesDlg;
}

class CCompilerMessagesDlg : public QDialog, public tLS_ListBox {
    Q_OBJECT
public:
    explicit CCompilerMessagesDlg(QWidget* parent = nullptr);
    ~CCompilerMessagesDlg() override;

    // The message list of a build.
    void ResetContent() override;
    void AddString(const char* line) override;

    QListWidget* List() const;
    // The lines as shown: tabs expanded to tab stops, the text after the location of every
    // line in one column.
    QStringList Lines() const;

private:
    std::unique_ptr<Ui::CCompilerMessagesDlg> ui_;
    int firstStop_ = 8; // the column the first tab of each line reaches
};
