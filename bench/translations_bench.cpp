// The Translations window's figure: from the command to the window shown, filled, on a
// project (the largest: 99 languages of 200 macros, made by po_bench.sh). Goal: < 300 ms.
//   translations_bench PROJECT.hpr   (needs a display or QT_QPA_PLATFORM=offscreen)
#include "bench_editor.h"
#include "ids.h"
#include "ls_main_app.h"
#include "main_frame.h"
#include "translations_dialog.h"

#include <brevic/ls_project.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: translations_bench PROJECT.hpr\n");
        return 2;
    }
    QTemporaryDir scratch;
    ::setenv("XDG_CONFIG_HOME",
             QFile::encodeName(scratch.filePath(QStringLiteral("config"))).constData(), 1);
    QApplication qt(argc, argv);
    if (!StartBenchEditor(QString::fromLocal8Bit(argv[1]))) return 1;
    double best = 1e9;
    int rows = 0;
    int columns = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        theApp.MainFrame()->Router().Execute(cmd::Translations);
        auto* window = theApp.MainFrame()->findChild<CTranslationsDlg*>();
        if (!window || !QTest::qWaitForWindowExposed(window)) return 1;
        QApplication::processEvents();
        best = std::min(best, t.nsecsElapsed() / 1e6);
        rows = static_cast<int>(window->Data().rows.size());
        columns = static_cast<int>(window->Data().languages.size());
        window->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::printf("  Translations window, %d macros x %d languages: opened and shown in best "
                "%.1f ms of 5 (goal < 300 ms)\n",
                rows, columns, best);
    theApp.ExitInstance();
    return 0;
}
