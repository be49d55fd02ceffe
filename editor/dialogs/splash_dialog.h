// The splash window: shown when the program starts without a file; closes itself after
// 2300 ms.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CSplashDlg;
}

class CSplashDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMilliseconds = 2300;

    // Created and shown at once, topmost and centred.
    explicit CSplashDlg(QWidget* parent = nullptr);
    ~CSplashDlg() override;

protected:
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<Ui::CSplashDlg> ui_;
    int timer_ = 0;
};
