#include "splash_dialog.h"

#include "ui_splash_dialog.h"

#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QTimerEvent>

CSplashDlg::CSplashDlg(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ui_(std::make_unique<Ui::CSplashDlg>()) {
    ui_->setupUi(this);
    ui_->picture->setPixmap(QIcon(QStringLiteral(":/icons/splash.svg")).pixmap(QSize(400, 240)));
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    timer_ = startTimer(kMilliseconds);
}

CSplashDlg::~CSplashDlg() = default;

void CSplashDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_) return;
    killTimer(timer_);
    timer_ = 0;
    close();
}

void CSplashDlg::mousePressEvent(QMouseEvent*) {
    close();
}
