#include "editor_main.h"

#include "command_line.h"
#include "ls_main_app.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdlib>

int larkspan_run_editor(int argc, char** argv) {
    larkspan::CommandLine cmd = larkspan::ParseCommandLine(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("larkspan"));
    // No display name: the toolkit would append it to every window title, and the
    // captions are exactly the program's own ("Larkspan PLUS 3.0 - site", "Compiler messages").
    QApplication::setApplicationVersion(QStringLiteral(LARKSPAN_VERSION));
    // For start-up measurements: leave at the first idle moment, closing the start-up
    // hint that waits for the user by then.
    QTimer exitAtIdle;
    // For documentation: a picture of the screen a moment after start-up, then exit.
    if (const char* shot = std::getenv("LARKSPAN_SCREENSHOT")) {
        QString file = QString::fromLocal8Bit(shot);
        QTimer::singleShot(1500, &app, [file] {
            if (QScreen* screen = QGuiApplication::primaryScreen())
                screen->grabWindow(0).save(file);
            QCoreApplication::quit();
        });
    }
    if (std::getenv("LARKSPAN_EXIT_AT_IDLE")) {
        QObject::connect(&exitAtIdle, &QTimer::timeout, &app, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            } else {
                QCoreApplication::quit();
            }
        });
        exitAtIdle.start(0);
    }
    if (!theApp.InitInstance(cmd, CLs_mainApp::Options{})) {
        const int status = theApp.ExitStatus();
        theApp.ExitInstance();
        return status;
    }
    int status = QApplication::exec();
    theApp.ExitInstance();
    return status;
}
