// Where compiler messages lead, and the site check in the editor.
#pragma once

#include <brevic/ls_types.h>

#include <QByteArray>
#include <QString>
#include <string>
#include <utility>
#include <vector>

class CCompilerMessagesDlg;
class QMainWindow;

namespace app {

// Passes a build's progress on to `inner`, tells the messages window where the lines of
// each page came from and, with `keep`, keeps the messages of every page.
class MessagePlaces : public tLS_Progress {
public:
    MessagePlaces(tLS_Progress& inner, CCompilerMessagesDlg* list, bool keep = false)
        : inner_(inner), list_(list), keep_(keep) {}
    void SetPos(int percent) override { inner_.SetPos(percent); }
    void TargetDone(const tLS_Target& target, const std::string& messages) override;

    // A page that had messages: its template, its language, its messages.
    struct Page {
        QString templatePath;
        QByteArray language;
        std::string messages;
    };
    // With `keep`: the pages that had messages, in build order.
    const std::vector<Page>& Pages() const { return pages_; }

private:
    tLS_Progress& inner_;
    CCompilerMessagesDlg* list_;
    bool keep_;
    std::vector<Page> pages_;
};

// Fills the messages window with the messages of every page `places` kept, in build order,
// each page's lines headed by its template and language and leading to their places.
void ListPageMessages(CCompilerMessagesDlg* list, const MessagePlaces& places);

// Builds the project, then checks the site: the messages of every page (each group headed
// by its page) and the findings fill the messages window, which is shown; the status bar
// gives the count.
void CheckSite(QMainWindow* frame);

} // namespace app
