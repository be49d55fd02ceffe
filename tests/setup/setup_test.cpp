// The installer driven as a user drives it: its questions answered, its folder typed, its
// dialogs closed with the keyboard, installing from the distribution folder into a
// temporary home.
#include "folder_dialog.h"
#include "install_files.h"
#include "installer.h"
#include "setup_window.h"

#include "test_util.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

// Failures show the texts, not their code units.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using testutil::Exists;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

const std::string kDist = DIST_DIR "/";
const QString kAsk = QStringLiteral("Do you want to install Larkspan PLUS ?");
const QString kAskCreate =
    QStringLiteral("The directory does not exist,\ndo you want to create it?");
const QString kCopyFailed =
    QStringLiteral("An error ocurred, not all of the files could be copied.");
const QString kComplete = QStringLiteral("The setup is now complete.");
const QString kIncomplete = QStringLiteral("The setup is incomplete.");
const QString kFolderDialog = QStringLiteral("[Select Folder to install]");
const QString kShortcutDialog = QStringLiteral("[Create Shortcut]");

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("HOME", home.path().c_str(), 1);
        ::unsetenv("XDG_DATA_HOME");
        ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    }

    // Runs setup from the distribution folder. Every window it shows is recorded in `seen`
    // (message texts; dialogs by their title in brackets) and answered by the next of
    // `answers`: "yes"/"no" for a message ("yes" is OK where that is the only button),
    // "next" or "next:FOLDER" (typed into the folder field) for the folder dialog,
    // "finish" for the shortcut dialog, "cancel" for either dialog.
    bool Install(std::deque<std::string> answers) {
        seen.clear();
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] { Answer(answers); });
        driver.start(5);
        const bool complete = setup::RunInstallation(&window, QString::fromStdString(kDist));
        EXPECT_TRUE(answers.empty()) << answers.size() << " answers left";
        return complete;
    }

    void Answer(std::deque<std::string>& answers) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        const std::string answer = answers.empty() ? "cancel" : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen << box->text();
            EXPECT_EQ(box->windowTitle().toStdString(), "Setup");
            QAbstractButton* button =
                box->button(answer == "yes" ? QMessageBox::Yes : QMessageBox::No);
            (button ? button : box->button(QMessageBox::Ok))->click();
            return;
        }
        seen << QLatin1Char('[') + modal->windowTitle() + QLatin1Char(']');
        if (answer == "cancel") {
            QTest::keyClick(modal, Qt::Key_Escape);
            return;
        }
        QWidget* field = modal->findChild<QLineEdit*>(QStringLiteral("folder"));
        if (answer.rfind("next:", 0) == 0 && field) {
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(field, QString::fromStdString(answer.substr(5)));
        }
        QTest::keyClick(field ? field : modal, Qt::Key_Return);
    }

    // Every listed file lies under `folder` exactly as in the distribution folder.
    void ExpectInstalled(const std::string& folder) {
        for (const setup::ListedFile& file : setup::FileList()) {
            const std::string relative =
                std::string(file.subfolder) + (*file.subfolder ? "/" : "") + file.name;
            ASSERT_TRUE(Exists(folder + relative)) << relative;
            EXPECT_EQ(ReadBytes(folder + relative), ReadBytes(kDist + relative)) << relative;
        }
    }

    std::string Entry(const char* name) { return home / ".local/share/applications/" + name; }

    testutil::TempDir home;
    setup::SetupWindow window;
    QStringList seen;
};

TEST_F(SetupTest, TheProposedFolderIsMadeWithoutAQuestionAndASecondRunOverwrites) {
    const std::string folder = home / "Larkspan/";
    ASSERT_EQ(setup::ProposedFolder().toStdString() + "/", folder);
    EXPECT_TRUE(Install({"yes", "next", "finish", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, kShortcutDialog, kComplete}));
    ExpectInstalled(folder);
    struct stat st {};
    ASSERT_EQ(::stat((folder + "larkspan").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR) << "the program stays a program";
    const std::string entry = ReadBytes(Entry("larkspan.desktop"));
    EXPECT_NE(entry.find("\nName=Larkspan PLUS\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nExec=\"" + folder + "larkspan\" %f\n"), std::string::npos) << entry;
    const std::string help = ReadBytes(Entry("larkspan-help.desktop"));
    EXPECT_NE(help.find("\nName=Larkspan Help\n"), std::string::npos) << help;
    EXPECT_NE(help.find("\"" + folder + "help/index.html\""), std::string::npos) << help;

    // The licence and the demos' pages, built, come with it.
    EXPECT_NE(ReadBytes(folder + "licence.txt").find("Copyright 2026 The Larkspan PLUS developers"),
              std::string::npos);
    for (const char* page : {"demo1/Demo1/index1.htm", "demo1/Demo1/second1.htm",
                             "demo2/Demo2/english/index2.htm", "demo2/Demo2/english/about2.htm",
                             "demo2/Demo2/deutsch/index2.htm", "demo2/Demo2/deutsch/about2.htm"}) {
        EXPECT_EQ(ReadBytes(folder + page).rfind("<!DOCTYPE html>", 0), 0u) << page;
    }

    // The installed program runs with the installed library and builds the installed demo.
    QProcess build;
    build.start(QString::fromStdString(folder + "larkspan"),
                {QString::fromStdString(folder + "demo2/demo2.hpr"), QStringLiteral("/build")});
    ASSERT_TRUE(build.waitForFinished(60000));
    EXPECT_EQ(build.exitCode(), 0) << build.readAllStandardError().toStdString();

    // A second run replaces every file without asking.
    WriteBytes(folder + "autochar.txt", "changed");
    WriteBytes(folder + "new-htm/default.htm", "changed");
    EXPECT_TRUE(Install({"yes", "next", "finish", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, kShortcutDialog, kComplete}));
    ExpectInstalled(folder);
}

TEST_F(SetupTest, AnotherFolderIsMadeOnlyWhenTheUserAgrees) {
    // An existing folder: nothing asked.
    const std::string existing = home / "existing/";
    ASSERT_EQ(::mkdir(existing.c_str(), 0755), 0);
    EXPECT_TRUE(Install({"yes", "next:" + existing, "finish", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, kShortcutDialog, kComplete}));
    ExpectInstalled(existing);

    // A missing one: asked; No stops before anything is made, Yes makes every level.
    const std::string deep = home / "sites/tools/larkspan";
    EXPECT_FALSE(Install({"yes", "next:" + deep, "no", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, kAskCreate, kIncomplete}));
    EXPECT_FALSE(Exists(home / "sites"));
    EXPECT_TRUE(Install({"yes", "next:" + deep, "yes", "finish", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, kAskCreate, kShortcutDialog, kComplete}));
    ExpectInstalled(deep + "/");

    // A folder that cannot be made (a file stands in its way) says so and copies nothing.
    WriteBytes(home / "blocked", "a file");
    EXPECT_FALSE(Install({"yes", "next:" + home / "blocked/larkspan", "yes", "yes", "yes"}));
    ASSERT_EQ(seen.size(), 5);
    EXPECT_EQ(seen[3].toStdString(),
              "The folder could not be created:\n" + home / "blocked/larkspan");
    EXPECT_EQ(seen[4], kIncomplete);

    // Declining at the start or cancelling the folder dialog makes nothing.
    EXPECT_FALSE(Install({"no", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kIncomplete}));
    EXPECT_FALSE(Install({"yes", "cancel", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, kIncomplete}));
    EXPECT_FALSE(Exists(home / "Larkspan"));
}

TEST_F(SetupTest, CancellingTheShortcutsLeavesAllFilesAndNoEntries) {
    EXPECT_FALSE(Install({"yes", "next", "cancel", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, kShortcutDialog, kIncomplete}));
    ExpectInstalled(home / "Larkspan/");
    EXPECT_FALSE(Exists(Entry("larkspan.desktop")));
    EXPECT_FALSE(Exists(Entry("larkspan-help.desktop")));
}

// Files that cannot be copied are summed up in one warning; the others are copied, the
// shortcuts are still offered, and the installation is not called complete.
TEST_F(SetupTest, CopyErrorsGiveOneWarning) {
    const std::string folder = home / "Larkspan/";
    WriteBytes(folder + "help", "a file where the help folder goes");
    ASSERT_EQ(::mkdir((folder + "styles.dat").c_str(), 0755), 0);
    EXPECT_FALSE(Install({"yes", "next", "yes", "finish", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, kCopyFailed, kShortcutDialog, kIncomplete}));
    EXPECT_EQ(ReadBytes(folder + "help"), "a file where the help folder goes");
    EXPECT_EQ(ReadBytes(folder + "larkspan"), ReadBytes(kDist + "larkspan"));
    EXPECT_EQ(ReadBytes(folder + "demo2/Demo2/about2.tpl"),
              ReadBytes(kDist + "demo2/Demo2/about2.tpl"));
    EXPECT_TRUE(Exists(Entry("larkspan.desktop")));
}

// Desktop entries that cannot be written (a folder where an entry goes) are said, with the
// folder, and the installation is not called complete.
TEST_F(SetupTest, MenuEntriesThatCannotBeWrittenLeaveItIncomplete) {
    std::filesystem::create_directories(Entry("larkspan.desktop"));
    EXPECT_FALSE(Install({"yes", "next", "finish", "yes", "yes"}));
    ASSERT_EQ(seen.size(), 5) << seen.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(seen[3].toStdString(), "The menu entries could not be written into:\n" +
                                         home / ".local/share/applications/");
    EXPECT_EQ(seen[4], kIncomplete);
    ExpectInstalled(home / "Larkspan/");
}

// A symbolic link on the way is followed only as the editor's saves follow one: when this
// user made it, or the owner of its folder did, or that folder is not writable by
// everybody. Otherwise setup names the link and writes nothing behind it.
TEST_F(SetupTest, LinksAnotherUserPlantedAreNotFollowed) {
    const uid_t other = 12345;
    const std::string shared = home / "shared/"; // as /tmp: everybody may write, sticky
    const std::string theirs = home / "theirs";
    for (const std::string& dir : {shared, theirs})
        ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const auto plant = [&](const std::string& link, uid_t owner) {
        ::unlink(link.c_str());
        ASSERT_EQ(::symlink(theirs.c_str(), link.c_str()), 0);
        ASSERT_EQ(::lchown(link.c_str(), owner, owner), 0);
    };
    const auto refused = [](const std::string& links) {
        return QString::fromStdString(
            "Setup does not install through symbolic links that another user made in a "
            "folder everybody may write to:\n" +
            links);
    };

    // The folder itself, or a level on its way.
    plant(shared + "Larkspan", other);
    EXPECT_FALSE(Install({"yes", "next:" + shared + "Larkspan", "yes", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, refused(shared + "Larkspan"), kIncomplete}));
    EXPECT_FALSE(Install({"yes", "next:" + shared + "Larkspan/deeper", "yes", "yes", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, kAskCreate, refused(shared + "Larkspan"),
                                 kIncomplete}));
    EXPECT_TRUE(std::filesystem::is_empty(theirs));
    EXPECT_FALSE(Exists(Entry("larkspan.desktop")));

    // Inside an existing install folder that everybody may write to: what lies behind them
    // is not copied, all else is.
    const std::string folder = shared + "install/";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 01777), 0);
    plant(folder + "help", other);
    plant(folder + "demo2", other);
    EXPECT_FALSE(Install({"yes", "next:" + folder, "yes", "yes", "finish", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, refused(folder + "help\n" + folder + "demo2"),
                                 kCopyFailed, kShortcutDialog, kIncomplete}));
    EXPECT_TRUE(std::filesystem::is_empty(theirs));
    EXPECT_EQ(ReadBytes(folder + "larkspan"), ReadBytes(kDist + "larkspan"));
    EXPECT_EQ(ReadBytes(folder + "demo1/Demo1/index1.htm"),
              ReadBytes(kDist + "demo1/Demo1/index1.htm"));

    // Followed: a link this user made, and one in a folder only its owner may write to.
    plant(folder + "help", ::geteuid());
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    EXPECT_TRUE(Install({"yes", "next:" + folder, "finish", "yes"}));
    EXPECT_EQ(seen, QStringList({kAsk, kFolderDialog, kShortcutDialog, kComplete}));
    ExpectInstalled(folder);
    EXPECT_TRUE(Exists(theirs + "/index.html"));
    EXPECT_TRUE(Exists(theirs + "/demo2.hpr"));
}

// Enter in the directory list opens the directory (the folder field follows) and installs
// nothing yet; ".." goes back up.
TEST_F(SetupTest, EnterInTheDirectoryListOpensADirectory) {
    ASSERT_EQ(::mkdir((home / "sites").c_str(), 0755), 0);
    const QString top = QString::fromStdString(home.path()).chopped(1);
    CFolderDlg dialog(&window, top, setup::ProposedFolder());
    dialog.show();
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("directories"));
    ASSERT_NE(list, nullptr);
    const auto open = [&](const QString& name) {
        const QList<QListWidgetItem*> items = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        list->setCurrentItem(items.first());
        QTest::keyClick(list, Qt::Key_Return);
    };
    open(QStringLiteral("sites"));
    EXPECT_EQ(dialog.Folder(), top + QStringLiteral("/sites"));
    EXPECT_TRUE(dialog.isVisible()) << "Enter in the list does not press Next";
    open(QStringLiteral(".."));
    EXPECT_EQ(dialog.Folder(), top);
}

TEST_F(SetupTest, TheWindowIsBlackWithTheOrangeTitle) {
    window.resize(800, 200);
    const QImage image = window.grab().toImage();
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::black));
    bool orange = false;
    for (int y = 30; y < 100 && !orange; ++y) {
        for (int x = 30; x < 400 && !orange; ++x)
            orange = image.pixelColor(x, y) == QColor(247, 151, 46);
    }
    EXPECT_TRUE(orange);
    EXPECT_EQ(window.windowTitle().toStdString(), "SETUP");
}

} // namespace
