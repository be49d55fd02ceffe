#include "setup_window.h"

#include "texts.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace setup {

SetupWindow::SetupWindow() {
    setWindowTitle(LoadText(Text::WindowTitle));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Without a window manager "maximised" means nothing: take the desktop's space.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
}

void SetupWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(50);
    font.setItalic(true);
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    painter.setPen(QColor(247, 151, 46));
    painter.drawText(QRect(30, 30, width() - 30, height() - 30), Qt::AlignLeft | Qt::AlignTop,
                     LoadText(Text::Banner));
}

} // namespace setup
