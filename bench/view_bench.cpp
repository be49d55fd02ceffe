// Figures for the HTML view: typing into a long line and a large page, pasting, undoing a
// Replace All, loading a large page with and without colouring into the same
// widget, recolouring one line of a large document, Find Next and Replace All in it, and
// Multiple File Replace against sed; Replace All with and without case. Prints the times and
// ratios.
//   view_bench [runs] [replace|editing]   (needs a display or QT_QPA_PLATFORM=offscreen;
//                                  "replace": only the Replace All figures, "editing": only
//                                  the typing, paste and undo figures)
#include "ls_main_app.h"
#include "ls_main_view.h"
#include "message_box.h"
#include "styles_file.h"
#include "text_search.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <algorithm>
#include <brevic/ls_profile.h>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

QString MakePage(int bytes) {
    const QString rows[] = {
        QStringLiteral("<tr><td class=\"name\" width=\"40%\">{#Product,12}</td><td "
                       "align=right>4.20</td></tr>\n"),
        QStringLiteral("<p>Fresh bread every morning, baked with <b>care</b> and <a "
                       "href=\"{#Link}\">love</a>.</p>\n"),
        QStringLiteral("<!-- the price list is built from macros -->\n"),
        QStringLiteral("<div style=\"color:#333; margin:0 auto\">{#\"<br>\"Address}</div>\n"),
    };
    QString page;
    page.reserve(bytes + 200);
    for (int i = 0; page.size() < bytes; ++i)
        page += rows[i % 4];
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

// Replace All of "td" by "TD" as the Replace dialog does it: the result put into the view as
// one undo step, coloured. The number of matches.
qsizetype ReplaceAllInView(CLs_mainView& view) {
    QString text = view.GetText();
    qsizetype count = 0;
    search::ReplaceAllInText(text, QStringLiteral("td"), QStringLiteral("TD"), true, false, &count);
    view.SetSel(0, -1);
    view.InsertText(text, true);
    QApplication::processEvents();
    return count;
}

// Find Next from the start to the one match near the end, and Replace All of "td" with the
// result put into the view (one undo step, coloured).
void SearchFigures(CLs_mainView& view, const QString& page) {
    view.InsertText(page + QStringLiteral("<p>needle</p>\n") + page.left(2000), false);
    QApplication::processEvents();
    view.SetSel(0, 0);
    QElapsedTimer t;
    t.start();
    const bool found = view.Search(QStringLiteral("needle"), false, false, true, true);
    const double findMs = t.nsecsElapsed() / 1e6;
    t.restart();
    const QString copy = view.GetText();
    const double textMs = t.nsecsElapsed() / 1e6;
    std::printf(
        "Find Next to a match near the end of %d MB: %.1f ms%s, of which taking the text %.1f ms "
        "(goal < 20 ms)\n",
        static_cast<int>(page.size() >> 20), findMs, found ? "" : " NOT FOUND", textMs);
    t.restart();
    const qsizetype count = ReplaceAllInView(view);
    std::printf(
        "Replace All of %lld matches, into the view and coloured: %.0f ms (goal < 500 ms)\n",
        static_cast<long long>(count), t.nsecsElapsed() / 1e6);
}

// Best of `runs` timings of ReplaceAllInText on a copy of `text`, in milliseconds.
double ReplaceAllMs(const QString& text, const QString& pattern, bool caseSensitive, int runs,
                    qsizetype& count) {
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        QString copy = text;
        QElapsedTimer t;
        t.start();
        search::ReplaceAllInText(copy, pattern, pattern.toUpper(), caseSensitive, false, &count);
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

// Replace All without and with case: on ordinary HTML, and on a text made of nothing but
// matches whose upper-case form never occurs.
void CaseFigures(const QString& page, int runs) {
    const struct {
        const char* what;
        QString text;
        QString pattern;
    } cases[] = {
        {"5 MB of HTML, \"td\"", page, QStringLiteral("td")},
        {"\"foo \" repeated to 1.28 MB", QStringLiteral("foo ").repeated(320 * 1024),
         QStringLiteral("foo ")},
    };
    for (const auto& c : cases) {
        qsizetype sensitive = 0, insensitive = 0;
        const double cs = ReplaceAllMs(c.text, c.pattern, true, runs, sensitive);
        const double ci = ReplaceAllMs(c.text, c.pattern, false, runs, insensitive);
        std::printf("Replace All in %s (%lld/%lld matches): case-sensitive %.1f ms, "
                    "case-insensitive %.1f ms, ratio %.2f (goal <= 2)\n",
                    c.what, static_cast<long long>(sensitive), static_cast<long long>(insensitive),
                    cs, ci, ci / cs);
    }
}

// Multiple File Replace over 1,000 files of 10 KB against sed -i on copies of them.
void MultipleReplaceFigures(const QString& page) {
    QTemporaryDir dir;
    const QString ours = dir.filePath(QStringLiteral("ours")),
                  theirs = dir.filePath(QStringLiteral("sed"));
    QDir().mkpath(ours);
    QDir().mkpath(theirs);
    const QByteArray body = page.left(10 * 1024).toUtf8();
    QStringList files, copies;
    for (int i = 0; i < 1000; ++i) {
        const QString name = QStringLiteral("/page%1.tpl").arg(i);
        for (const QString& path : {ours + name, theirs + name}) {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly)) f.write(body);
        }
        files.append(ours + name);
        copies.append(theirs + name);
    }
    QElapsedTimer t;
    t.start();
    const search::FilesResult r =
        search::ReplaceInFiles(files, QStringLiteral("price"), QStringLiteral("cost"), true, false);
    const double oursMs = t.nsecsElapsed() / 1e6;
    t.restart();
    QProcess sed;
    sed.start(QStringLiteral("sed"),
              QStringList{QStringLiteral("-i"), QStringLiteral("s/price/cost/g")} + copies);
    sed.waitForFinished(-1);
    const double sedMs = t.nsecsElapsed() / 1e6;
    std::printf("Multiple File Replace, 1,000 files of 10 KB (%lld replacements): ours %.0f ms, "
                "sed -i %.0f ms, "
                "ratio %.2f (goal <= 2)\n",
                static_cast<long long>(r.replacements), oursMs, sedMs, oursMs / sedMs);
}

// One change of a value in the Styles dialog with 100 styles in the file: the whole style
// written in one replacement of the file, against the same keys written one by one.
void StylesFigures() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("styles.dat"));
    const styles::StylesFile file(path);
    styles::Style style;
    style.values[styles::FontFamily] = QStringLiteral("Arial, Helvetica, sans-serif");
    for (int n = 0; n < 100; ++n) {
        style.name = QStringLiteral("Style %1").arg(n);
        file.Save(n, style);
    }
    const int calls = 200;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < calls; ++i) {
        style.values[styles::FontSize] = QString::number(i);
        file.Save(50, style);
    }
    const double oneWrite = t.nsecsElapsed() / 1e6 / calls;
    const QByteArray bytes = QFile::encodeName(path);
    t.restart();
    for (int i = 0; i < calls / 10; ++i) {
        WritePrivateProfileString("STYLE_50", "Name", "Style 50", bytes.constData());
        WritePrivateProfileString("STYLE_50", "Del", "0", bytes.constData());
        for (int f = 0; f < styles::kFieldCount; ++f) {
            const QByteArray value =
                (f == styles::FontSize ? QString::number(i) : style.values[f]).toUtf8();
            WritePrivateProfileString("STYLE_50", styles::FieldKey(f), value.constData(),
                                      bytes.constData());
        }
    }
    const double keyByKey = t.nsecsElapsed() / 1e6 / (calls / 10);
    std::printf("Styles dialog, one value changed with 100 styles: %.2f ms in one write, %.2f ms "
                "key by key\n",
                oneWrite, keyByKey);
    // Reading the list when the dialog opens, with a large library.
    for (int n = 100; n < 1000; ++n) {
        style.name = QStringLiteral("Style %1").arg(n);
        file.Save(n, style);
    }
    t.restart();
    const qsizetype names = file.Names().size();
    std::printf("Styles dialog, the list of %lld styles read in %.0f ms\n",
                static_cast<long long>(names), t.nsecsElapsed() / 1e6);
}

// Milliseconds per key of typing `keys` letters at the caret, each shown (coloured and
// painted) before the next.
double TypedKeyMs(QPlainTextEdit& view, int keys) {
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < keys; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(&view, &press);
        view.repaint();
    }
    return t.nsecsElapsed() / 1e6 / keys;
}

// Typing into a line of 100,000 characters and into the 5 MB page, pasting 3,000 lines, and
// the undo of a Replace All in the 5 MB page.
void EditingFigures() {
    CLs_mainView view(nullptr);
    view.resize(1000, 700);
    view.show();
    QString line = MakePage(100000);
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    view.InsertText(line.left(100000), false);
    view.SetSel(50000, 50000);
    QApplication::processEvents();
    const double ours = TypedKeyMs(view, 50);
    // The peer: Qt's own plain-text control, uncoloured, with Qt's default font options.
    QPlainTextEdit peer;
    peer.setLineWrapMode(QPlainTextEdit::NoWrap);
    peer.resize(1000, 700);
    peer.show();
    peer.setPlainText(line.left(100000));
    QTextCursor middle = peer.textCursor();
    middle.setPosition(50000);
    peer.setTextCursor(middle);
    QApplication::processEvents();
    const double plain = TypedKeyMs(peer, 50);
    std::printf("a typed key on a line of 100,000 characters: %.2f ms (goal < 5 ms); an uncoloured "
                "QPlainTextEdit: %.2f ms (%.2fx)\n",
                ours, plain, ours / plain);
    const QString page = MakePage(5 << 20);
    view.InsertText(page, false);
    view.SetSel(static_cast<int>(page.size() / 2), static_cast<int>(page.size() / 2));
    QApplication::processEvents();
    std::printf("a typed key in the 5 MB page: %.2f ms (goal < 2 ms)\n", TypedKeyMs(view, 50));

    QString block;
    for (int i = 0; block.count(QLatin1Char('\n')) < 3000; ++i)
        block += MakePage(200);
    block = block.section(QLatin1Char('\n'), 0, 2999) + QLatin1Char('\n');
    QApplication::clipboard()->setText(block);
    QElapsedTimer t;
    t.start();
    view.paste();
    view.repaint();
    std::printf("pasting 3,000 lines, coloured and shown: %.0f ms (goal < 100 ms)\n",
                t.nsecsElapsed() / 1e6);

    view.InsertText(page, false);
    const qsizetype count = ReplaceAllInView(view);
    t.restart();
    view.UndoColored();
    view.repaint();
    std::printf("undo of Replace All of %lld matches in 5 MB: %.0f ms (goal < 500 ms)\n",
                static_cast<long long>(count), t.nsecsElapsed() / 1e6);
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
    // "replace" as the last argument: only the Replace All figures.
    const bool replaceOnly = argc > 1 && std::strcmp(argv[argc - 1], "replace") == 0;
    const int runs = argc > 1 + replaceOnly ? std::max(1, std::atoi(argv[1])) : 3;
    // "editing" as the last argument: only the typing, paste and undo figures.
    if (argc > 1 && std::strcmp(argv[argc - 1], "editing") == 0) {
        EditingFigures();
        return 0;
    }
    CaseFigures(MakePage(5 << 20), runs);
    if (replaceOnly) return 0;
    EditingFigures();
    for (int mb : {1, 5}) {
        const QString page = MakePage(mb << 20);
        const double plain = LoadMs(page, false, runs);
        const double coloured = LoadMs(page, true, runs);
        std::printf("load %d MB: uncoloured %.0f ms, coloured %.0f ms, ratio %.2f (goal <= 3)\n",
                    mb, plain, coloured, coloured / plain);
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
    SearchFigures(view, MakePage(5 << 20));
    MultipleReplaceFigures(MakePage(16 << 10));
    StylesFigures();
    return 0;
}
