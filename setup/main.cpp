// setup: installs Larkspan PLUS from the folder it is started from into a folder the user
// chooses, and adds the program and its help to the desktop's menu.
#include "installer.h"
#include "setup_window.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    setup::SetupWindow window;
    window.showMaximized();
    // The installation runs once the window is up; then the program ends.
    QTimer::singleShot(0, &window, [&window] {
        setup::RunInstallation(&window, QCoreApplication::applicationDirPath());
        QCoreApplication::quit();
    });
    return app.exec();
}
