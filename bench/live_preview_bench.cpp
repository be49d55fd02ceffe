// Live Preview's figure: from a key typed in a template window to the reload event reaching
// a browser listening on its page. The page is built again kPauseMs after the last key;
// the goal is under 50 ms on top of that pause.
//   live_preview_bench PROJECT.hpr TEMPLATE.tpl [LANGUAGE] [KEYS]
//   (needs a display or QT_QPA_PLATFORM=offscreen)
#include "bench_editor.h"
#include "html_document.h"
#include "live_preview.h"
#include "ls_main_app.h"
#include "ls_main_view.h"
#include "main_frame.h"

#include <brevic/ls_project.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// A connection listening for the events of `page`.
int Listen(int port, const std::string& page) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) std::exit(1);
    const std::string request = "GET /.larkspan/events?v=999999999&page=" + page +
                                " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
    if (::send(fd, request.data(), request.size(), 0) < 0) std::exit(1);
    return fd;
}

// Runs the event loop until `fd` has brought `what`; the milliseconds that took.
double WaitFor(int fd, const char* what, const QElapsedTimer& since) {
    std::string got;
    char buffer[4096];
    while (got.find(what) == std::string::npos && since.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 1);
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) got.append(buffer, static_cast<size_t>(n));
    }
    return since.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: live_preview_bench PROJECT.hpr TEMPLATE.tpl [LANGUAGE] [KEYS]\n");
        return 2;
    }
    const int keys = argc > 4 ? std::max(3, std::atoi(argv[4])) : 15;
    QTemporaryDir scratch;
    ::setenv("XDG_CONFIG_HOME",
             QFile::encodeName(scratch.filePath(QStringLiteral("config"))).constData(), 1);
    QApplication qt(argc, argv);
    if (!StartBenchEditor(QString::fromLocal8Bit(argv[1]))) return 1;
    if (argc > 3) theProject.SetActiveLanguageName(argv[3]);
    auto* doc =
        qobject_cast<CLs_mainDoc*>(theApp.OpenDocumentFile(QString::fromLocal8Bit(argv[2])));
    if (!doc || !doc->View()) return 1;
    CLs_mainView* view = doc->View();
    app::LivePreview& preview = theApp.Preview();
    preview.SetOpensBrowser(false);
    if (!preview.Show(doc)) return 1;
    const std::string address = preview.PageAddress();
    const std::string page = address.substr(address.find('/', 7));
    const int fd = Listen(preview.Port(), page);
    QElapsedTimer connected;
    connected.start();
    WaitFor(fd, "text/event-stream", connected);
    view->setFocus();
    std::vector<double> times;
    for (int i = 0; i <= keys; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QElapsedTimer t;
        t.start();
        QApplication::sendEvent(view, &press);
        QApplication::sendEvent(view, &release);
        const double ms = WaitFor(fd, "event: reload", t);
        if (i > 0) times.push_back(ms); // the first build warms the caches
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("  %-34s median %6.1f ms (min %.1f, max %.1f); less the %d ms pause: %.1f ms "
                "(goal < 50)\n",
                ("key to reload, " + page).c_str(), median, times.front(), times.back(),
                app::LivePreview::kPauseMs, median - app::LivePreview::kPauseMs);
    ::close(fd);
    theApp.ExitInstance();
    return 0;
}
