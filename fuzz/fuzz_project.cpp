// Fuzz target: opening and building a project whose project file is the input.
//
// Every run gets a fresh folder holding the input as site.hpr, two macro files (site.mcr,
// english.mcr) and two templates (index.tpl, pages/page.tpl). The project file is also the
// settings file, so its [COMPILER] section chooses the options. Then: InitProject, BuildAll,
// the getters for indices -1..5, AddSource, DeleteSource, closing.
//
// Source and group entries may point anywhere relative to the project folder, and a build
// creates missing templates and writes targets beside them. The project folder therefore
// lies a few levels deep inside the scratch folder, and inputs whose entries climb further
// up than that are passed over, so that no run writes outside the scratch folder.
#include "fuzz_util.h"

#include <brevic/ls_files.h>
#include <brevic/ls_profile.h>
#include <brevic/ls_project.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kDepth = 4;

const char kSiteMacros[] = "{:Head:1700000000:}\r\n<head><title>{#Title}</title></head>\r\n"
                           "{:Title:1700000000:}\r\nSite\r\n"
                           "{:Row:1700000000:}\r\n<tr><td>{#_MACRO_PARAM_0}</td></tr>\r\n";
const char kEnglishMacros[] = "{:Title:1700000001:}\r\nEnglish title\r\n"
                              "{:Hello:1700000001:}\r\nHello\r\nworld\r\n";
const char kIndex[] = "<html>\r\n{#Head}\r\n<body>{#Hello[2]} {#Row,a,b}\r\n"
                      "<td width=\"\">x</td> {#\"<br>\"Hello}\r\n<< note\r\n</body></html>\r\n";
const char kPage[] = "<p>{#Title}</p>\r\n";

// True when no source or group entry of the project text could lead out of the scratch
// folder: at most kDepth - 1 ".." among them, counted generously (also inside "...").
bool StaysInside(const std::string& text) {
    size_t climbs = 0;
    for (int i = 0; i < LS_MAX_SOURCES + 2; ++i) {
        std::string value;
        std::string key = "Source" + std::to_string(i);
        if (brevic::FindProfileValue(text, "Sources", key.c_str(), value))
            climbs += fuzzutil::Count(value, "..");
        key = "Group" + std::to_string(i);
        if (brevic::FindProfileValue(text, "Groups", key.c_str(), value))
            climbs += fuzzutil::Count(value, "..");
    }
    return climbs < static_cast<size_t>(kDepth);
}

void CheckName(const char* buffer, const char* what) {
    FUZZ_CHECK(std::memchr(buffer, '\0', LS_PATH_MAX) != nullptr, what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    tLS_project::SetMessageHook([](const char*) {});

    const std::string run = fuzzutil::ScratchDir() + "run/";
    std::string dir = run;
    for (int i = 0; i < kDepth; ++i)
        dir += "d/";
    fuzzutil::RemoveTree(run);
    std::error_code ec;
    std::filesystem::create_directories(dir + "pages", ec);
    FUZZ_CHECK(!ec, "cannot create the project folder");
    const std::string hpr = dir + "site.hpr";
    fuzzutil::WriteBytes(hpr, input);
    fuzzutil::WriteBytes(dir + "site.mcr", kSiteMacros);
    fuzzutil::WriteBytes(dir + "english.mcr", kEnglishMacros);
    fuzzutil::WriteBytes(dir + "index.tpl", kIndex);
    fuzzutil::WriteBytes(dir + "pages/page.tpl", kPage);

    std::string text;
    FUZZ_CHECK(brevic::ReadTextFile(hpr.c_str(), text), "cannot read the project file back");
    if (!StaysInside(text)) {
        fuzzutil::RemoveTree(run);
        return 0;
    }

    {
        tLS_project project;
        project.SetIniFilePath(hpr.c_str());
        tLS_Error opened = project.InitProject(hpr.c_str());
        FUZZ_CHECK(opened == LS_OK || opened == LS_NO_PROJECT || opened == LS_INVALID,
                   "InitProject unexpected code");
        if (opened == LS_OK) {
            FUZZ_CHECK(project.IsProject(), "opened but not a project");
            FUZZ_CHECK(project.GetLoadedGroupCount() == project.GetGroupCount(),
                       "loaded groups differ from GroupNumber");
        } else {
            FUZZ_CHECK(!project.IsProject() && project.GetLoadedGroupCount() == 0,
                       "a failed open left a project behind");
        }

        fuzzutil::RecordingList list;
        fuzzutil::RecordingProgress progress;
        tDebugContext ctx;
        ctx.messageList = &list;
        ctx.progress = &progress;
        tLS_Error built = project.BuildAll(&ctx);
        if (opened != LS_OK) FUZZ_CHECK(built == LS_NO_PROJECT, "built without a project");
        if (built == LS_OK) {
            FUZZ_CHECK(brevic::FileExists((dir + "debug.txt").c_str()),
                       "no debug.txt after a build");
        }
        FUZZ_CHECK(std::strlen(project.GetFailedFile()) < 4096, "failed file name runaway");

        // Getters with buffers of exactly LS_PATH_MAX bytes.
        auto buffer = std::make_unique<char[]>(LS_PATH_MAX);
        for (int i = -1; i <= 5; ++i) {
            if (project.GetSourcePath(i, buffer.get()) == LS_OK)
                CheckName(buffer.get(), "GetSourcePath result not terminated");
            if (project.GetSourceName(i, buffer.get()) == LS_OK) {
                CheckName(buffer.get(), "GetSourceName result not terminated");
                FUZZ_CHECK(!std::strpbrk(buffer.get(), "/\\"), "a source name with a separator");
            }
            if (project.GetGroupNameFromIni(i, buffer.get()) == LS_OK) {
                CheckName(buffer.get(), "GetGroupNameFromIni result not terminated");
                FUZZ_CHECK(buffer[0] != '\0', "an empty group name");
            }
            if (project.GetGroupName(i, buffer.get()) == LS_OK)
                CheckName(buffer.get(), "GetGroupName result not terminated");
        }
        if (project.GetProjectName()) CheckName(project.GetProjectName(), "project name");

        // A new source reads back under its own index.
        const int before = project.GetSourceCount();
        const std::string added = dir + "pages/added.tpl";
        tLS_Error r = project.AddSource(added.c_str());
        if (r == LS_OK && before >= 0 && before < LS_MAX_SOURCES) {
            FUZZ_CHECK(project.GetSourceCount() == before + 1,
                       "AddSource did not count the source");
            FUZZ_CHECK(project.GetSourcePath(before, buffer.get()) == LS_OK &&
                           added == buffer.get(),
                       "an added source does not read back");
        }
        // A long path is refused without harm.
        const std::string tooLong = dir + std::string(300, 'x') + ".tpl";
        FUZZ_CHECK(project.AddSource(tooLong.c_str()) != LS_OK, "AddSource took a 300-char name");

        const int count = project.GetSourceCount();
        r = project.DeleteSource(0);
        if (r == LS_OK) FUZZ_CHECK(project.GetSourceCount() == count - 1, "DeleteSource miscount");
        project.DeleteSource(project.GetSourceCount() - 1);
        project.InitProject(nullptr);
        FUZZ_CHECK(!project.IsProject(), "closing left the project open");
    }
    fuzzutil::RemoveTree(run);
    return 0;
}
