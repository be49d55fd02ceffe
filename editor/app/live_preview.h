// Live Preview: the open project's folder served on this machine (the same server as
// /serve) and one page shown in the browser, built from the text of its window in memory a
// moment after the author stops typing, in the template window or in any macro window.
// Nothing is written: the page's file on disk stays as the last build left it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <string>

class CLs_mainDoc;
namespace larkspan {
class LiveServer;
}

namespace app {

class LivePreview : public QObject {
    Q_OBJECT
public:
    // The pause after the last key before the page is built again.
    static constexpr int kPauseMs = 300;

    LivePreview();
    ~LivePreview() override;

    // Shows the page of `doc` (a template's page in the active language, or an HTML file
    // itself): starts the server on first use (or for another project), builds the page
    // and opens the browser on it. False after telling the author why not.
    bool Show(CLs_mainDoc* doc);
    // The active language changed: the page follows to the same template's page in it, and
    // the browsers showing the old page go there.
    void LanguageChanged();
    // The previewed page's address ("" when none), and the server's port (0 when none).
    std::string PageAddress() const;
    int Port() const;
    // Whether a browser is started by Show (tests switch it off).
    void SetOpensBrowser(bool opens) { opensBrowser_ = opens; }

private slots:
    void Touched();
    void Closed(QObject* doc);
    void Rebuild();
    void WatchWindows();

private:
    // The request path of the page of doc_ in the active language, "" when none.
    std::string PagePath() const;
    void OpenBrowser(const QString& address);

    std::unique_ptr<larkspan::LiveServer> server_;
    QPointer<CLs_mainDoc> doc_;
    std::string page_; // the request path served from memory
    QTimer pause_;
    bool opensBrowser_ = true;
};

} // namespace app
