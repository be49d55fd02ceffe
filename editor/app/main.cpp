// larkspan: the site editor. With the build switch it builds a project without a window.
#include "command_line.h"
#include "headless_build.h"
#include "ls_main_app.h"
#include "places.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {
const char kUsage[] =
    "Usage: larkspan [FILE] [/build | -build]\n"
    "\n"
    "Larkspan PLUS, the site editor for multi-language web sites.\n"
    "\n"
    "  FILE            a template (.tpl), HTML file or project (.hpr) to open\n"
    "  /build, -build  build the project FILE for every language and exit,\n"
    "                  without a window; the exit status is 0 on success\n"
    "  --help          show this help and exit\n"
    "  --version       show the version and exit\n";
} // namespace

int main(int argc, char** argv) {
    larkspan::CommandLine cmd = larkspan::ParseCommandLine(argc, argv);
    if (cmd.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (cmd.version) {
        std::puts("larkspan (Larkspan PLUS) " LARKSPAN_VERSION);
        return 0;
    }
    if (cmd.build) {
        larkspan::HeadlessBuildOptions options;
        options.projectFile = cmd.file;
        options.settingsFile = larkspan::SettingsFilePath();
        options.showProgress = ::isatty(STDERR_FILENO) != 0;
        // A line per page: buffer the messages unless a person watches them.
        static char buffer[1 << 16];
        std::setvbuf(stderr, buffer, options.showProgress ? _IOLBF : _IOFBF, sizeof buffer);
        if (!options.showProgress) std::cerr.unsetf(std::ios::unitbuf);
        return larkspan::RunHeadlessBuild(options, std::cerr);
    }
    // Without a display Qt would abort; say what can be done instead.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::fputs("larkspan: no display available. To build a project without a window use:\n"
                   "  larkspan site.hpr /build\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("larkspan"));
    QApplication::setApplicationDisplayName(QStringLiteral("Larkspan PLUS 3.0"));
    QApplication::setApplicationVersion(QStringLiteral(LARKSPAN_VERSION));
    // For start-up measurements: leave at the first idle moment, closing the start-up
    // hint that waits for the user by then.
    QTimer exitAtIdle;
    // For documentation: a picture of the screen a moment after start-up, then exit.
    if (const char* shot = std::getenv("LARKSPAN_SCREENSHOT")) {
        QString file = QString::fromLocal8Bit(shot);
        QTimer::singleShot(1500, &app, [file] {
            if (QScreen* screen = QGuiApplication::primaryScreen()) screen->grabWindow(0).save(file);
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
        theApp.ExitInstance();
        return 1;
    }
    int status = QApplication::exec();
    theApp.ExitInstance();
    return status;
}
