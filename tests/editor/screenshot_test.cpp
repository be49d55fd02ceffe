// Not a test: makes the documentation's pictures of the editor at work. It does nothing
// unless LARKSPAN_SHOTS names the output folder; run it by hand under Xvfb:
//   LARKSPAN_SHOTS=docs QT_QPA_PLATFORM=xcb xvfb-run -a build/stage/editor_screenshots
#include "editor_fixture.h"

#include "ids.h"
#include "ls_main_view.h"
#include "styles_dialog.h"

#include <brevic/ls_profile.h>

#include <QComboBox>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScreen>
#include <QTest>

namespace {

TEST_F(EditorTest, ScreenshotOfAProjectWithTemplateAndMacroWindows) {
    const char* out = std::getenv("LARKSPAN_SHOTS");
    if (!out) GTEST_SKIP() << "set LARKSPAN_SHOTS to make the pictures";
    const std::string site = scratch / "demo2";
    std::filesystem::copy(std::string(STAGE_DIR) + "/demo2", site,
                          std::filesystem::copy_options::recursive);
    // The project opens with Organize Templates: choose the first template.
    modalAnswer = [](QDialog& d) {
        if (auto* list = d.findChild<QListWidget*>("templateList")) list->setCurrentRow(0);
        return 1;
    };
    ASSERT_TRUE(Start({site + "/demo2.hpr"}));
    modalAnswer = {};
    QComboBox* combo = Frame().LanguageCombo();
    combo->setCurrentIndex(combo->findText("english"));
    Frame().SelectLanguage();
    app::OpenMacroByName("Welcome");
    Frame().resize(1280, 800);
    Frame().show();
    Frame().MdiArea()->tileSubWindows();
    QTest::qWait(300);
    QPixmap shot = Frame().grab();
    ASSERT_TRUE(shot.save(QString::fromLocal8Bit(out) + "/project-with-macro-window.png"));
}

// The four settings dialogs of the Options menu, each opened through its command.
TEST_F(EditorTest, ScreenshotsOfTheSettingsDialogs) {
    const char* out = std::getenv("LARKSPAN_SHOTS");
    if (!out) GTEST_SKIP() << "set LARKSPAN_SHOTS to make the pictures";
    WritePrivateProfileString("BROWSER", "BrowserPath", "/usr/bin/xdg-open", settingsFile.c_str());
    ASSERT_TRUE(Start());
    QString name;
    modalAnswer = [&](QDialog& d) {
        if (auto* list = d.findChild<QListWidget*>("entryList")) list->setCurrentRow(1);
        d.show();
        QTest::qWait(300);
        EXPECT_TRUE(d.grab().save(QString::fromLocal8Bit(out) + "/" + name));
        return 0;
    };
    const std::pair<int, const char*> shots[] = {{cmd::OptionsCompiler, "compiler-settings.png"},
                                                 {cmd::OptionsEditor, "editor-settings.png"},
                                                 {cmd::OptionsBrowser, "browser-settings.png"}};
    for (const auto& [command, file] : shots) {
        name = QString::fromLatin1(file);
        Frame().Router().Execute(command);
    }
    name = QStringLiteral("autotags.png");
    auto* view = qobject_cast<CLs_mainView*>(Frame().ActiveView());
    ASSERT_NE(view, nullptr);
    view->Dispatch(cmd::OptionsAutotag);
}

TEST_F(EditorTest, ScreenshotOfTheStylesDialog) {
    const char* out = std::getenv("LARKSPAN_SHOTS");
    if (!out) GTEST_SKIP() << "set LARKSPAN_SHOTS to make the pictures";
    const std::string styles = scratch / "styles.dat";
    std::filesystem::copy_file(std::string(STAGE_DIR) + "/styles.dat", styles);
    CStylesDlg dialog(nullptr, QString::fromStdString(styles));
    dialog.findChild<QListWidget*>("styleList")->setCurrentRow(2);
    dialog.show();
    QTest::qWait(300);
    ASSERT_TRUE(dialog.grab().save(QString::fromLocal8Bit(out) + "/styles-dialog.png"));
}

} // namespace
