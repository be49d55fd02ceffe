// Where the program finds its data: beside itself (setup's folder, the build's stage
// folder) or in the package's data folder (cmake --install, the .deb).
#include "places.h"

#include "test_util.h"

#include <gtest/gtest.h>

TEST(Places, DataLiesBesideTheProgramOrInThePackagesDataFolder) {
    testutil::TempDir root;
    const std::string program = root / "usr/lib/larkspan/";
    testutil::WriteBytes(program + "larkspan", "");
    EXPECT_EQ(larkspan::DataDirectoryOf(program), program)
        << "nothing anywhere: beside the program";

    testutil::WriteBytes(root / "usr/share/larkspan/autochar.txt", "");
    const std::string data = larkspan::DataDirectoryOf(program);
    EXPECT_EQ(data, root / "usr/share/larkspan/");
    EXPECT_TRUE(testutil::Exists(data + "autochar.txt"));

    testutil::WriteBytes(program + "autochar.txt", "");
    EXPECT_EQ(larkspan::DataDirectoryOf(program), program) << "files beside the program win";
}
