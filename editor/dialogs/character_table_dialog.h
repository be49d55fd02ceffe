// The character table: a small modeless window of the characters 32 to 255 (as
// Windows-1252 has them) and of the common named entities of HTML. It inserts nothing
// itself; its view does on its signal.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CCharacterTableDlg;
}

class CCharacterTableDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCharacterTableDlg(QWidget* parent);
    ~CCharacterTableDlg() override;

    // Shows the window in front, with the keyboard in the character grid.
    void Present();

signals:
    // A double click (or Enter) on a character gives the character itself, on a named
    // entity its reference ("&copy;"); the window stays open.
    void TextChosen(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillCharacters();
    void FillEntities();
    void ChooseCurrent(QWidget* from);

    std::unique_ptr<Ui::CCharacterTableDlg> ui_;
};
