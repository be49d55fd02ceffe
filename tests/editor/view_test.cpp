#include "editor_fixture.h"

#include "compiler_messages_dialog.h"
#include "doc_template.h"
#include "external_program.h"
#include "html_document.h"
#include "ids.h"
#include "ls_main_view.h"

#include <brevic/ls_files.h>
#include <brevic/ls_profile.h>
#include <brevic/ls_testing.h>

#include <QClipboard>
#include <QListWidget>
#include <QStatusBar>
#include <QTest>
#include <QTextDocument>

#include <sys/stat.h>
#include <unistd.h>

using testutil::Crlf;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kGreen = qRgb(0, 128, 0);
constexpr QRgb kBlue = qRgb(0, 0, 255);
constexpr QRgb kMagenta = qRgb(255, 0, 255);
constexpr QRgb kDarkRed = qRgb(128, 0, 0);
constexpr QRgb kOrange = qRgb(224, 78, 41);
constexpr QRgb kGrey = qRgb(128, 128, 128);

class ViewTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        theApp.editor.syntaxColoring = 1;
        // Typing tags here tests colours, not completions.
        WritePrivateProfileString("EDITOR", "Autotagging", "0", settingsFile.c_str());
        fw::SetStartHook([this](const QString& program, const QStringList& args) {
            started.emplace_back(program, args);
            return true;
        });
    }
    void TearDown() override {
        fw::SetStartHook({});
        theApp.editor.syntaxColoring = 1;
        EditorTest::TearDown();
    }
    CLs_mainView* View() { return qobject_cast<CLs_mainView*>(Frame().ActiveView()); }
    CLs_mainDoc* Doc() { return qobject_cast<CLs_mainDoc*>(Frame().ActiveDocument()); }
    // The colours of the characters of [from, from + n), one per character.
    std::vector<QRgb> Colours(int from, int n) {
        std::vector<QRgb> out;
        for (int i = 0; i < n; ++i)
            out.push_back(View()->ColorAt(from + i) | 0xFF000000u);
        return out;
    }

    std::vector<std::pair<QString, QStringList>> started;
};

TEST_F(ViewTest, ColoursLandOnTheRightCharacters) {
    ASSERT_TRUE(Start());
    CLs_mainView* v = View();
    v->InsertText("<A HREF=\"x\" NAME=y>t{#Title,2}</A>\n<!-- a\nb --> c << x > y\nz", false);
    EXPECT_EQ(v->GetText(), "<A HREF=\"x\" NAME=y>t{#Title,2}</A>\n<!-- a\nb --> c << x > y\nz");
    // < A _HREF = "x" _NAME = y >
    EXPECT_EQ(Colours(0, 19),
              (std::vector<QRgb>{kBlack, kOrange, kGreen, kGreen, kGreen, kGreen, kGreen, kDarkRed,
                                 kBlue, kBlue, kBlue, kGreen, kGreen, kGreen, kGreen, kGreen,
                                 kDarkRed, kDarkRed, kBlack}));
    // t { #Title , 2 }
    EXPECT_EQ(Colours(19, 11),
              (std::vector<QRgb>{kBlack, kBlack, kMagenta, kMagenta, kMagenta, kMagenta, kMagenta,
                                 kMagenta, kBlue, kBlue, kBlack}));
    const int comment = 35;
    EXPECT_EQ(v->ColorAt(comment) | 0xFF000000u, kGrey);
    EXPECT_EQ(v->ColorAt(comment + 8) | 0xFF000000u, kGrey)
        << "the comment stays grey on its next line";
    EXPECT_EQ(v->ColorAt(comment + 13) | 0xFF000000u, kBlack) << "after -->";
    EXPECT_EQ(v->ColorAt(comment + 15) | 0xFF000000u, kGrey) << "<< runs to the line end, past >";
    EXPECT_EQ(v->ColorAt(comment + 22) | 0xFF000000u, kGrey);
    EXPECT_EQ(v->ColorAt(comment + 24) | 0xFF000000u, kBlack) << "the next line";
}

TEST_F(ViewTest, ColoursArePaintedWhereTheTextIsShown) {
    ASSERT_TRUE(Start());
    CLs_mainView* v = View();
    // Pixels of the tags' orange in what the view shows.
    auto orange = [v] {
        const QImage shot = v->viewport()->grab().toImage();
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                n += c.red() > 150 && c.red() - c.blue() > 80 && c.green() < 140;
            }
        return n;
    };
    v->setCursorWidth(0); // the caret inverts what it stands on, the selection's blue too
    v->InsertText("<b>bold</b> <i>it</i>", false);
    EXPECT_GT(orange(), 0);
    QTest::keyClick(v, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(orange(), 0) << "selected text is drawn in the selection's colours";
    // Far along a long line, scrolled to: the tags there are painted in colour too.
    v->InsertText(QString(3000, 'a') + "<b>x</b>", false);
    QTest::keyClick(v, Qt::Key_End);
    EXPECT_GT(orange(), 0);
}

TEST_F(ViewTest, InsertTextIsOneUndoStepAndTypingAfterEmptyingIsOne) {
    ASSERT_TRUE(Start());
    CLs_mainView* v = View();
    v->SetText("hello world");
    EXPECT_FALSE(v->CanUndo());
    v->SetSel(6, 11);
    v->InsertText("<b>there</b>", true);
    EXPECT_EQ(v->GetText(), "hello <b>there</b>");
    int s = 0, e = 0;
    v->GetSel(s, e);
    EXPECT_EQ(s, 18) << "the caret ends behind the insertion";
    v->Undo();
    EXPECT_EQ(v->GetText(), "hello world");

    v->EmptyUndoBuffer();
    v->SetSel(11, 11);
    QTest::keyClicks(v, "abc");
    EXPECT_EQ(v->GetText(), "hello worldabc");
    v->Undo();
    EXPECT_EQ(v->GetText(), "hello world") << "everything typed since is one step";
}

// Every change is coloured at once: typing, a paste, an undo; a comment opened on one line
// colours the lines below it, and closing it colours them back.
TEST_F(ViewTest, EveryChangeIsColouredAtOnce) {
    ASSERT_TRUE(Start());
    CLs_mainView* v = View();
    v->SetText("<p class=\"a\">text</p>");
    v->SetSel(5, 5); // inside "class"
    QTest::keyClicks(v, "zz");
    EXPECT_EQ(v->GetText(), "<p clzzass=\"a\">text</p>");
    EXPECT_EQ(v->ColorAt(5) | 0xFF000000u, kGreen);
    EXPECT_EQ(v->ColorAt(12) | 0xFF000000u, kBlue) << "the value moved along";
    v->SetSel(15, 15);
    QTest::keyClicks(v, "<i>");
    EXPECT_EQ(v->ColorAt(16) | 0xFF000000u, kOrange);
    QTest::keyClick(v, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(v->GetText(), "<p clzzass=\"a\">text</p>");
    EXPECT_EQ(v->ColorAt(16) | 0xFF000000u, kBlack) << "the text that came back coloured again";

    v->SetText("a\n<b>x</b>\nc");
    v->SetSel(0, 0);
    QTest::keyClicks(v, "<!--");
    EXPECT_EQ(v->ColorAt(6) | 0xFF000000u, kGrey) << "the tag below is inside the comment";
    EXPECT_EQ(v->ColorAt(15) | 0xFF000000u, kGrey);
    v->SetSel(5, 5); // the end of the first line
    QTest::keyClicks(v, "-->");
    EXPECT_EQ(v->ColorAt(10) | 0xFF000000u, kOrange) << "closed, the tag is a tag again";

    v->SetText("");
    QApplication::clipboard()->setText("<em>x</em>\n<b>y</b>\n");
    QTest::keyClick(v, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(v->ColorAt(1) | 0xFF000000u, kOrange);
    EXPECT_EQ(v->ColorAt(12) | 0xFF000000u, kOrange) << "the pasted block's second line";
}

TEST_F(ViewTest, LongLinesAreRecolouredWhole) {
    ASSERT_TRUE(Start());
    CLs_mainView* v = View();
    QString longLine = QString(1500, 'a') + "<b>" + QString(600, 'c');
    v->SetText(longLine);
    v->SetSel(2000, 2000);
    QTest::keyClicks(v, "<i>");
    v->RecolorLine();
    QString expected = longLine;
    expected.insert(2000, "<i>");
    EXPECT_EQ(v->GetText(), expected) << "no text lost";
    EXPECT_EQ(v->ColorAt(1501) | 0xFF000000u, kOrange);
    EXPECT_EQ(v->ColorAt(2001) | 0xFF000000u, kOrange);
}

TEST_F(ViewTest, ColouringOffInsertsPlainText) {
    ASSERT_TRUE(Start());
    CLs_mainView* v = View();
    v->SetText("<b>bold</b>");
    EXPECT_EQ(v->ColorAt(1) | 0xFF000000u, kOrange);
    theApp.editor.syntaxColoring = 0;
    v->InsertText("<i>new</i>", false);
    EXPECT_EQ(v->GetText(), "<i>new</i>");
    v->SetSel(0, 0);
    v->InsertText("<u>", true);
    EXPECT_EQ(v->GetText(), "<u><i>new</i>");
}

// Opened and saved without an edit, a file comes back byte for byte, whatever it holds;
// an edit changes only what was edited.
TEST_F(ViewTest, FilesRoundTripByteForByteThroughTheView) {
    ASSERT_TRUE(Start());
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string exact(20000, 'x');
    for (size_t i = 99; i < exact.size(); i += 100)
        exact[i] = '\n';
    const std::string patterns[] = {
        "<p>\r\nline\r\n</p>\r\n",             // CR LF
        "<p>\nline\n</p>\n",                   // LF
        "crlf\r\nlf\ncr\rcrcrlf\r\r\nend",     // mixed, a lone CR, CR CR LF, no last end
        "\t<td>\ttab\t</td>\r\n\r\n\n\n",      // tabs, empty lines
        "\x01\x0b\x0c\x1b{\\rtf1}\\par{}\r\n", // control characters, RTF look-alikes
        exact,
    };
    const std::string utf8Only[] = {
        "nbsp\xC2\xA0here\r\n\xC2\xA0\r\n", // U+00A0
        "ls\xE2\x80\xA8"
        "ps\xE2\x80\xA9"
        "end\r\n",                                   // U+2028, U+2029
        "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", // no line end at all
        "\xEF\xBB\xBF<p>bom</p>\r\n",                // a byte-order mark
    };
    const std::string cp1252Only[] = {
        "nbsp\xA0here\r\n\xA0",                          // A0 is the no-break space
        "caf\xE9 \x80 \x93q\x94 \x81\x8D\x8F\x90\x9D\n", // with the five unassigned bytes
    };
    std::vector<std::string> cases(std::begin(patterns), std::end(patterns));
    cases.insert(cases.end(), std::begin(utf8Only), std::end(utf8Only));
    cases.insert(cases.end(), std::begin(cp1252Only), std::end(cp1252Only));
    int n = 0;
    for (const std::string& bytes : cases) {
        const std::string path = scratch / ("case" + std::to_string(n++) + ".tpl");
        WriteBytes(path, bytes);
        fw::Document* doc = theApp.OpenDocumentFile(QString::fromStdString(path));
        ASSERT_NE(doc, nullptr) << path;
        const std::string copy = path + ".copy";
        ASSERT_TRUE(doc->DoSave(QString::fromStdString(copy))) << path;
        EXPECT_EQ(ReadBytes(copy), bytes) << path;
        doc->CloseViews();
    }
    EXPECT_TRUE(messages.empty());

    // Edited at its end and saved with Ctrl+S, in both encodings: only the edit is new.
    for (const std::string& bytes : {std::string("a\xC2\xA0"
                                                 "b\r\nc\rd\ne"),
                                     std::string("a\xA0"
                                                 "b\r\nc\rd\ne")}) {
        const std::string path = scratch / "edited.tpl";
        WriteBytes(path, bytes);
        fw::Document* doc = theApp.OpenDocumentFile(QString::fromStdString(path));
        ASSERT_NE(doc, nullptr);
        View()->setFocus();
        QTest::keyClick(View(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(View(), Qt::Key_Return);
        QTest::keyClicks(View(), "f");
        QTest::keyClick(View(), Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(ReadBytes(path), bytes + "\r\nf") << "the new line ends like the first";
        doc->CloseViews();
    }
}

TEST_F(ViewTest, AFileWithNulBytesIsShownReadOnlyAndNeverWritten) {
    ASSERT_TRUE(Start());
    const std::string path = scratch / "binary.tpl";
    const std::string bytes = std::string("GIF89a\0\0\x01", 9) + "tail\r\n";
    WriteBytes(path, bytes);
    fw::Document* doc = theApp.OpenDocumentFile(QString::fromStdString(path));
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::NotATextFile);
    EXPECT_TRUE(View()->isReadOnly());
    EXPECT_TRUE(View()->GetText().endsWith("tail\n")) << "the text after the NUL bytes is there";
    View()->setFocus();
    QTest::keyClicks(View(), "x");
    QTest::keyClick(View(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(doc->DoFileSave());
    EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(ViewTest, AWindows1252FileIsNeverWrittenWithQuestionMarks) {
    ASSERT_TRUE(Start());
    const std::string path = scratch / "latin.tpl";
    WriteBytes(path, "caf\xE9\r\n");
    fw::Document* doc = theApp.OpenDocumentFile(QString::fromStdString(path));
    ASSERT_NE(doc, nullptr);
    View()->SetSel(0, 0);
    View()->InsertText(QString::fromUtf8("\xC5\x82\xE2\x82\xAC"),
                       true); // U+0142 has no byte there; the euro sign has
    answers = {QMessageBox::No};
    EXPECT_FALSE(doc->DoFileSave());
    EXPECT_EQ(messages.back().stringId, str::AskSaveAsUtf8);
    EXPECT_EQ(ReadBytes(path), "caf\xE9\r\n") << "No: nothing written";
    EXPECT_TRUE(doc->IsModified());
    answers = {QMessageBox::Yes};
    EXPECT_TRUE(doc->DoFileSave());
    EXPECT_EQ(ReadBytes(path), "\xC5\x82\xE2\x82\xAC"
                               "caf\xC3\xA9\r\n")
        << "Yes: all of it as UTF-8";
}

TEST_F(ViewTest, CopyingAnHtmlFileReplacesTheTemplateInOneStep) {
    ASSERT_TRUE(Start());
    const std::string html = scratch / "page.htm";
    const std::string tpl = scratch / "page.tpl";
    WriteBytes(html, "<p>new</p>");
    WriteBytes(tpl, "<p>old</p>");
    answers = {QMessageBox::Yes, QMessageBox::Yes};
    brevic::InjectFault(brevic::FaultOp::Write, 1);
    EXPECT_EQ(theApp.OpenDocumentFile(QString::fromStdString(html)), nullptr);
    brevic::ClearFaults();
    EXPECT_EQ(messages.back().stringId, str::TemplateNotCopied);
    EXPECT_EQ(ReadBytes(tpl), "<p>old</p>") << "a failed copy leaves the old template";
    answers = {QMessageBox::Yes, QMessageBox::Yes};
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(html)), nullptr);
    EXPECT_EQ(ReadBytes(tpl), "<p>new</p>");
}

TEST_F(ViewTest, AFileThatCannotBeWrittenStaysModified) {
    ASSERT_TRUE(Start());
    std::string path = scratch / "page.tpl";
    WriteBytes(path, "old");
    fw::Document* doc = theApp.OpenDocumentFile(QString::fromStdString(path));
    ASSERT_NE(doc, nullptr);
    View()->InsertText("new", false);
    EXPECT_TRUE(doc->IsModified());
    std::filesystem::create_directories(scratch / "dir.tpl");
    EXPECT_FALSE(doc->DoSave(QString::fromStdString(scratch / "dir.tpl")));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(messages.back().kind, fw::MessageKind::Error);
    EXPECT_EQ(ReadBytes(path), "old");
}

// Saving to a name that is a symbolic link writes into the file the links lead to and keeps
// the links and that file's mode; where the folder forbids a temporary file, the file is
// written in place.
TEST_F(ViewTest, SavingThroughLinksKeepsThemAndTheMode) {
    ASSERT_TRUE(Start());
    const std::string bytes = "<p>caf\xC3\xA9</p>\r\n";
    WriteBytes(scratch / "source.tpl", bytes);
    std::filesystem::create_directories(scratch / "site");
    std::filesystem::create_directories(scratch / "shared");
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links; // name in scratch -> link text
        std::string final;
        bool exists;
    };
    const Case cases[] = {
        {"same folder", {{"site/a.tpl", "real-a.tpl"}}, "site/real-a.tpl", true},
        {"relative, other folder", {{"site/b.tpl", "../shared/b.tpl"}}, "shared/b.tpl", true},
        {"chain",
         {{"site/c.tpl", "hop-c"}, {"site/hop-c", "../shared/c.tpl"}},
         "shared/c.tpl",
         true},
        {"dangling", {{"site/d.tpl", "../shared/d.tpl"}}, "shared/d.tpl", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.exists) {
            WriteBytes(scratch / c.final, "old");
            ::chmod((scratch / c.final).c_str(), 0640);
        }
        for (const auto& [link, text] : c.links)
            ASSERT_EQ(::symlink(text.c_str(), (scratch / link).c_str()), 0);
        fw::Document* doc = theApp.OpenDocumentFile(QString::fromStdString(scratch / "source.tpl"));
        ASSERT_NE(doc, nullptr);
        ASSERT_TRUE(doc->DoSave(QString::fromStdString(scratch / c.links[0].first)));
        EXPECT_EQ(ReadBytes(scratch / c.final), bytes);
        for (const auto& link : c.links)
            EXPECT_TRUE(std::filesystem::is_symlink(scratch / link.first)) << link.first;
        struct stat st {};
        ASSERT_EQ(::stat((scratch / c.final).c_str(), &st), 0);
        if (c.exists) {
            EXPECT_EQ(st.st_mode & 07777, 0640u);
        }
    }
    const std::string plain = scratch / "site/plain.tpl";
    WriteBytes(plain, "old");
    struct stat before {};
    ::stat(plain.c_str(), &before);
    fw::Document* doc = theApp.OpenDocumentFile(QString::fromStdString(scratch / "source.tpl"));
    ASSERT_NE(doc, nullptr);
    brevic::InjectFault(brevic::FaultOp::Temporary, 1);
    EXPECT_TRUE(doc->DoSave(QString::fromStdString(plain)));
    brevic::ClearFaults();
    struct stat after {};
    ::stat(plain.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino) << "written in place";
    EXPECT_EQ(ReadBytes(plain), bytes);
}

class BuildCommands : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        site = scratch / "site/";
        WriteBytes(site + "site.hpr",
                   Crlf("[Groups]\nGroupNumber=2\nGroup0=site.mcr\nGroup1=english.mcr\n"
                        "[Sources]\nSourceNumber=1\nSource0=index.tpl\n"));
        WriteBytes(site + "site.mcr", Crlf("{:Head:0:}\n<h1>{#Title}</h1>\n"));
        WriteBytes(site + "english.mcr", Crlf("{:Title:0:}\nHello\n"));
        WriteBytes(site + "index.tpl", Crlf("{#Head}\n"));
        WriteBytes(site + "page.htm", "<p>plain</p>");
    }
    void OpenSite() {
        ASSERT_TRUE(Start());
        Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
        ASSERT_TRUE(theProject.IsProject());
    }
    std::string site;
};

TEST_F(BuildCommands, BuildFileWritesTheLanguagesTarget) {
    OpenSite();
    fw::Document* doc = theApp.OpenDocumentFile(QString::fromStdString(site + "index.tpl"));
    ASSERT_NE(doc, nullptr);
    View()->SetSel(0, 0);
    View()->InsertText("{#Missing}", true); // unsaved edits take part
    Frame().Router().Execute(cmd::BuildFileTool);
    EXPECT_EQ(ReadBytes(site + "english/index.htm"), Crlf("<h1>Hello</h1>\n"));
    CCompilerMessagesDlg* out = Frame().CompilerMessages();
    EXPECT_TRUE(out->isVisible()) << "a warning shows the messages";
    EXPECT_EQ(out->windowTitle(), "Compiler messages of:index.tpl");
    ASSERT_FALSE(out->Lines().isEmpty());
    EXPECT_TRUE(out->Lines().first().contains("The macro \"Missing\" was not found."));
}

TEST_F(BuildCommands, UnsavedAndNonTemplateDocuments) {
    OpenSite();
    Frame().Router().Execute(cmd::FileNew);
    messages.clear();
    Frame().Router().Execute(cmd::BuildFileTool);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].stringId, str::SaveFirst);
    EXPECT_EQ(messages[0].text, "Please save the file first.");

    answers = {QMessageBox::No}; // do not copy into a template
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "page.htm")), nullptr);
    messages.clear();
    Frame().Router().Execute(cmd::BuildFileTool);
    EXPECT_TRUE(messages.empty()) << "not a template: silently not built";
}

TEST_F(BuildCommands, PreviewUsesTargetOrTemporaryFile) {
    OpenSite();
    WritePrivateProfileString("BROWSER", "BrowserPath", "/usr/bin/browser", settingsFile.c_str());
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "index.tpl")), nullptr);
    Frame().Router().Execute(cmd::ViewBrowserTool);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].first, "/usr/bin/browser");
    EXPECT_EQ(started[0].second, QStringList{QString::fromStdString(site + "english/index.htm")});

    // Temporary file mode: the target stays untouched; the path is stored on first use.
    std::filesystem::remove(site + "english/index.htm");
    WritePrivateProfileString("BROWSER", "UseTempOrTargetPath", "0", settingsFile.c_str());
    WritePrivateProfileString("BROWSER", "TempFilePath", (scratch / "preview.htm").c_str(),
                              settingsFile.c_str());
    Frame().Router().Execute(cmd::ViewBrowserTool);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1].second, QStringList{QString::fromStdString(scratch / "preview.htm")});
    EXPECT_EQ(ReadBytes(scratch / "preview.htm"), Crlf("<h1>Hello</h1>\n"));
    EXPECT_FALSE(testutil::Exists(site + "english/index.htm"));

    WritePrivateProfileString("BROWSER", "TempFilePath", "", settingsFile.c_str());
    QString path;
    ASSERT_TRUE(qobject_cast<CLs_mainDoc*>(Frame().ActiveDocument())->PreparePreviewFile(path));
    EXPECT_TRUE(path.endsWith("temp.htm"));
    std::string stored;
    brevic::ReadProfileValue("BROWSER", "TempFilePath", stored, settingsFile.c_str());
    EXPECT_EQ(QString::fromStdString(stored), path) << "written back to the settings";

    // A saved .htm file in target mode goes to the temporary file.
    WritePrivateProfileString("BROWSER", "UseTempOrTargetPath", "1", settingsFile.c_str());
    answers = {QMessageBox::No};
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "page.htm")), nullptr);
    Frame().Router().Execute(cmd::ViewBrowserTool);
    ASSERT_EQ(started.size(), 3u);
    EXPECT_EQ(started[2].second, QStringList{path});
}

TEST_F(BuildCommands, ViewBrowserWithoutBrowserOrWithAFailedBuild) {
    OpenSite();
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "index.tpl")), nullptr);
    messages.clear();
    Frame().Router().Execute(cmd::ViewBrowserTool);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].stringId, str::NoBrowser);
    EXPECT_TRUE(started.empty());

    // A build that fails starts no viewer.
    WritePrivateProfileString("BROWSER", "BrowserPath", "/usr/bin/browser", settingsFile.c_str());
    View()->InsertText("{#Loop}", false);
    WriteBytes(site + "english.mcr", Crlf("{:Loop:0:}\n{#Loop}\n"));
    Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "index.tpl")), nullptr);
    View()->InsertText("{#Loop}", false);
    messages.clear();
    Frame().Router().Execute(cmd::ViewBrowserTool);
    EXPECT_TRUE(started.empty());
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[0].stringId, str::CompileError);
    EXPECT_EQ(messages.back().stringId, str::SystemError);
}

TEST_F(BuildCommands, BuildProjectSaysWhatHappenedInTheStatusBar) {
    OpenSite();
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "index.tpl")), nullptr);
    Frame().Router().Execute(cmd::BuildProjectTool);
    EXPECT_EQ(Frame().statusBar()->currentMessage(),
              "Build finished: 1 page built, 1 written, 0 errors, 0 warnings.");
    WriteBytes(site + "english.mcr", Crlf("{:Title:0:}\nHello {#Missing}\n"));
    // Within the same second the page would count as up to date: the build must write it.
    std::filesystem::remove_all(site + "english");
    Frame().OpenProjectFile(QString::fromStdString(site + "site.hpr"));
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "index.tpl")), nullptr);
    Frame().Router().Execute(cmd::BuildProjectTool);
    const QString line = Frame().statusBar()->currentMessage();
    EXPECT_TRUE(line.startsWith("Build finished: 1 page built, 1 written, ")) << line.toStdString();
    EXPECT_TRUE(line.endsWith(" F8 shows the messages.")) << line.toStdString();
}

TEST_F(BuildCommands, BuildProjectWithoutTemplates) {
    WriteBytes(site + "site.hpr", Crlf("[Groups]\nGroupNumber=1\nGroup0=site.mcr\n"));
    OpenSite();
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "index.tpl")), nullptr);
    messages.clear();
    Frame().Router().Execute(cmd::BuildProjectTool);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "There are no templates in the project.");
}

// Enter or a double click on a message leads to its place: the template's line, or the
// macro's line in a macro window of the language built.
TEST_F(BuildCommands, MessagesLeadToTheirTemplateOrMacroLine) {
    WriteBytes(site + "english.mcr", Crlf("{:Title:0:}\nHello\n{#Gone}\n"));
    WriteBytes(site + "index.tpl", Crlf("{#Head}\n<p>\n{#Missing}\n"));
    OpenSite();
    ASSERT_NE(theApp.OpenDocumentFile(QString::fromStdString(site + "page.htm")), nullptr);
    Frame().Router().Execute(cmd::BuildProject);
    Frame().CompilerMessages()->show(); // as F8 shows it
    QListWidget* list = Frame().CompilerMessages()->List();
    auto row = [&](const QString& start) {
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(Qt::UserRole).toString().startsWith(start)) return i;
        return -1;
    };
    ASSERT_GE(row("index.tpl\t(3) "), 0);
    list->setFocus();
    list->setCurrentRow(row("index.tpl\t(3) "));
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(Frame().ActiveDocument()->PathName().endsWith("/site/index.tpl"));
    EXPECT_EQ(View()->GetSelText(), "{#Missing}");
    EXPECT_TRUE(list->isVisible()) << "the messages stay for the next one";

    const int macroRow = row("{#Title}\t(2) ");
    ASSERT_GE(macroRow, 0);
    list->scrollToItem(list->item(macroRow));
    const QRect rect = list->visualItemRect(list->item(macroRow));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      rect.center()); // as a hand does: press, release, then the double click
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(Frame().ActiveDocument()->metaObject()->className(), QByteArray("ClsMacroDoc"));
    EXPECT_EQ(View()->GetSelText(), "{#Gone}");
}

TEST_F(BuildCommands, CheckSiteListsFindingsThatLeadToTheTemplateLine) {
    WriteBytes(site + "index.tpl", Crlf("{#Head}\n<a href=\"missing.htm\">gone</a>\n"));
    OpenSite();
    Frame().Router().Execute(cmd::CheckSite);
    EXPECT_EQ(Frame().statusBar()->currentMessage(),
              "Site check finished: 1 problem found. Double-click a message to go to its place.");
    CCompilerMessagesDlg* out = Frame().CompilerMessages();
    ASSERT_TRUE(out->isVisible());
    QListWidget* list = out->List();
    ASSERT_GE(list->count(), 2);
    EXPECT_TRUE(list->item(list->count() - 1)
                    ->data(Qt::UserRole)
                    .toString()
                    .startsWith("Site check finished"));
    QListWidgetItem* finding = list->item(list->count() - 2);
    EXPECT_EQ(finding->data(Qt::UserRole).toString(),
              "english/index.htm\t(2) from index.tpl (2): Error: link to missing.htm, a file that "
              "does not exist");
    list->setFocus();
    list->setCurrentItem(finding);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_NE(Frame().ActiveDocument(), nullptr);
    EXPECT_TRUE(Frame().ActiveDocument()->PathName().endsWith("/site/index.tpl"));
    EXPECT_EQ(View()->GetSelText(), "<a href=\"missing.htm\">gone</a>");
}

} // namespace
