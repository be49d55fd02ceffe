// The installer's window: black, covering the desktop, with its title in large orange
// italics at the top left.
#pragma once

#include <QWidget>

namespace setup {

class SetupWindow : public QWidget {
public:
    SetupWindow();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace setup
