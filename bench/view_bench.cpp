// Figures for the HTML view: loading a large page with and without colouring into the same
// widget, and recolouring one line of a large document. Prints the times and ratios.
//   view_bench [runs]        (needs a display or QT_QPA_PLATFORM=offscreen)
#include "ls_main_app.h"
#include "ls_main_view.h"
#include "message_box.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextBlock>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString MakePage(int bytes) {
    const QString rows[] = {
        QStringLiteral("<tr><td class=\"name\" width=\"40%\">{#Product,12}</td><td align=right>4.20</td></tr>\n"),
        QStringLiteral("<p>Fresh bread every morning, baked with <b>care</b> and <a href=\"{#Link}\">love</a>.</p>\n"),
        QStringLiteral("<!-- the price list is built from macros -->\n"),
        QStringLiteral("<div style=\"color:#333; margin:0 auto\">{#\"<br>\"Address}</div>\n"),
    };
    QString page;
    page.reserve(bytes + 200);
    for (int i = 0; page.size() < bytes; ++i) page += rows[i % 4];
    return page;
}

// Best of `runs` timings of loading `text` into a fresh view, in milliseconds.
double LoadMs(const QString& text, bool colouring, int runs) {
    theApp.editor.syntaxColoring = colouring ? 1 : 0;
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        CLs_mainView view(nullptr);
        view.resize(1000, 700);
        view.show();
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        view.InsertText(text, false);
        view.repaint();
        QApplication::processEvents();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    theApp.editor.syntaxColoring = 1;
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // No message box may wait for a person here; the views use an empty autotag table.
    fw::SetMessageHook([](const fw::MessageRequest& r) {
        std::fprintf(stderr, "message: %s\n", r.text.toUtf8().constData());
        return static_cast<int>(QMessageBox::Ok);
    });
    QTemporaryDir dir;
    CLs_mainView::SetAutocharPath(dir.filePath(QStringLiteral("autochar.txt")));
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    for (int mb : {1, 5}) {
        const QString page = MakePage(mb << 20);
        const double plain = LoadMs(page, false, runs);
        const double coloured = LoadMs(page, true, runs);
        std::printf("load %d MB: uncoloured %.0f ms, coloured %.0f ms, ratio %.2f (goal <= 3)\n", mb, plain,
                    coloured, coloured / plain);
    }
    // RecolorLine in a 5 MB document, lines spread over the text.
    CLs_mainView view(nullptr);
    view.resize(1000, 700);
    view.show();
    view.InsertText(MakePage(5 << 20), false);
    QApplication::processEvents();
    const int lines = view.document()->blockCount();
    const int calls = 1000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < calls; ++i) {
        const int pos = view.document()->findBlockByNumber((i * 7919) % lines).position();
        view.SetSel(pos, pos);
        view.RecolorLine();
    }
    std::printf("RecolorLine: %.3f ms per call over %d calls in %d lines (goal < 5 ms)\n",
                t.nsecsElapsed() / 1e6 / calls, calls, lines);
    return 0;
}
