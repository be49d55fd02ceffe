// The output window: a modeless list of the compiler's messages. Its list is the message
// list every build fills; Close (or Escape) only hides the window.
#pragma once

#include <brevic/ls_types.h>

#include <QDialog>
#include <memory>

class QListWidget;
class QListWidgetItem;

namespace Ui {
class CCompilerMessagesDlg;
}

class CCompilerMessagesDlg : public QDialog, public tLS_ListBox {
    Q_OBJECT
public:
    static constexpr int kDialogId = 148;

    explicit CCompilerMessagesDlg(QWidget* parent = nullptr);
    ~CCompilerMessagesDlg() override;

    // The message list of a build.
    void ResetContent() override;
    void AddString(const char* line) override;

    // The lines added since the last call came from a template (or page) in `folder`
    // built for `language` (empty: the active one). A double click or Enter on such a line
    // that names a line number opens its template, or for a location "{#Name}" that macro
    // in a macro window of the language, at that line.
    void NoteTarget(const QString& folder, const QByteArray& language);
    // The last line added leads to `location` (a file from the folder NoteTarget gives, or
    // "{#Name}") at `line`, in `language`, whatever its text names; with `readOnly`, to that
    // file opened read-only.
    void NotePlace(const QString& location, int line, const QByteArray& language, bool readOnly);

    QListWidget* List() const;
    // The lines as shown: tabs expanded to tab stops, the text after the location of every
    // line in one column.
    QStringList Lines() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Shown, the window grows to the width of its longest line (up to the screen's); a
    // size the author gave it stays while it is enough.
    void showEvent(QShowEvent* event) override;
    // Hidden, the window's size is kept for the next run.
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<Ui::CCompilerMessagesDlg> ui_;
    void GoToPlace(const QListWidgetItem* item) const;
    void RememberSize();

    QSize stored_;    // the size the settings file holds
    QSize shownSize_; // the size it was given when last shown

    int firstStop_ = 8; // the column the first tab of each line reaches
    int placed_ = 0;    // the lines that know where they came from
};
