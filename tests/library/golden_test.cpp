// Runs every case folder under tests/golden: the template is expanded with the folder's
// macro files and options, and the output, the message lines and the result must match the
// expected files byte for byte. See tests/golden/README.md for the folder format.
#include "test_util.h"

#include <brevic/ls_compiler.h>
#include <brevic/ls_macrobase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(GOLDEN_DIR)) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, ExpandsToTheExpectedBytes) {
    const std::string dir = std::string(GOLDEN_DIR) + "/" + GetParam() + "/";
    // The macro files are copied: loading creates nothing, but a case must never be able to
    // change the checked-in files.
    testutil::TempDir scratch;
    std::vector<std::unique_ptr<tLS_macrobase>> bases;
    tLS_Error slot = LS_OK;
    for (const char* name : {"neutral.mcr", "language.mcr"}) {
        // A case without a basis macro file has an empty basis group.
        bool exists = testutil::Exists(dir + name);
        if (!exists && std::string(name) != "neutral.mcr") continue;
        testutil::WriteBytes(scratch / name, exists ? testutil::ReadBytes(dir + name) : "");
        bases.push_back(std::make_unique<tLS_macrobase>((scratch / name).c_str(), &slot));
        ASSERT_EQ(slot, LS_OK) << name;
    }
    std::vector<tLS_macrobase*> list;
    for (auto& b : bases)
        list.push_back(b.get());
    list.push_back(nullptr);

    std::string source;
    {
        std::string raw = testutil::ReadBytes(dir + "template.tpl");
        // Text mode: CR LF pairs become "\n".
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
            source += raw[i];
        }
    }
    tCompilerSettings settings = brevic::ReadCompilerSettings((dir + "options.ini").c_str());
    tDebugContext context;
    std::string output;
    brevic::SetCharacterCounter(0);
    tLS_compiler compiler;
    tLS_Error result =
        compiler.BuildTarget(source, output, &context, list.data(), "template.tpl", &settings);

    std::string expectedResult = "LS_OK";
    if (testutil::Exists(dir + "expected.result")) {
        expectedResult = testutil::ReadBytes(dir + "expected.result");
        expectedResult.erase(expectedResult.find_last_not_of(" \r\n") + 1);
    }
    EXPECT_EQ(LS_ErrorName(result), expectedResult);
    EXPECT_EQ(output, testutil::ReadBytes(dir + "expected.htm"));
    std::string expectedLog;
    if (testutil::Exists(dir + "expected.log"))
        expectedLog = testutil::ReadBytes(dir + "expected.log");
    EXPECT_EQ(context.log, expectedLog);
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

} // namespace
