#include <gtest/gtest.h>

#include <filesystem>

#include "fan/QmFan.h"
#include "services/Database.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace blowden {
namespace {

using test::ReadFileBytes;

const char* const GoodFile =
    "[Catalog]\r\n"
    "Range=FX\r\n"
    "[F400]\r\n"
    "Diameter=400\r\n"
    "RefSpeed=1440\r\n"
    "QaNom=0.8\r\n"
    "Qa=0.2,0.4,0.6,0.8,1.0,1.2\r\n"
    "Ps=620,600,560,500,420,320\r\n"
    "Pw=0.50,0.62,0.72,0.80,0.86,0.90\r\n"
    "Lw=80,81,82,83,84,85\r\n";

// Four points: one verification line.
const char* const BadFile =
    "[Catalog]\n"
    "Range=FX\n"
    "[F500]\n"
    "Diameter=500\n"
    "RefSpeed=1440\n"
    "Qa=0.2,0.4,0.6,0.8\n"
    "Ps=620,600,560,500\n"
    "Pw=0.50,0.62,0.72,0.80\n"
    "Lw=80,81,82,83\n";

class InstallTest : public ::testing::Test {
 protected:
  std::string Db() const { return (Dir.Path() / "db").string() + "/"; }
  test::TTempDir Dir;
  TFan Fan;
};

TEST_F(InstallTest, CleanFileIsCopiedIntoCreatedFolder) {
  const std::string source = Dir.Write("src/FX.qfn", GoodFile);
  const TInstallResult r = InstallFanFile(source, Db(), Fan);
  EXPECT_TRUE(r.Errors.empty());
  ASSERT_TRUE(r.Installed) << r.Message;
  EXPECT_EQ(r.Target, Db() + "FX.qfn");
  EXPECT_EQ(ReadFileBytes(r.Target), GoodFile);
}

TEST_F(InstallTest, FileWithErrorsIsRefusedWithItsLines) {
  const std::string source = Dir.Write("src/Bad.qfn", BadFile);
  const TInstallResult r = InstallFanFile(source, Db(), Fan);
  EXPECT_FALSE(r.Installed);
  ASSERT_EQ(r.Errors.size(), 1u);
  EXPECT_EQ(r.Errors[0], "FX (F500)  Too few volume data points (must be more than 5)");
  EXPECT_FALSE(fs::exists(r.Target));
}

TEST_F(InstallTest, RefusedFileLeavesTheInstalledCopy) {
  Dir.Write("db/FX.qfn", GoodFile);
  const std::string source = Dir.Write("src/FX.qfn", BadFile);
  const TInstallResult r = InstallFanFile(source, Db(), Fan);
  EXPECT_FALSE(r.Installed);
  EXPECT_EQ(ReadFileBytes(Db() + "FX.qfn"), GoodFile);
}

TEST_F(InstallTest, VerifyFileReloadsTheFan) {
  const std::string bad = Dir.Write("src/Bad.qfn", BadFile);
  const std::string good = Dir.Write("src/FX.qfn", GoodFile);
  EXPECT_EQ(VerifyFile(bad, Fan).size(), 1u);
  EXPECT_TRUE(VerifyFile(good, Fan).empty());
}

TEST_F(InstallTest, FailedCopyIsReported) {
  const std::string source = Dir.Write("src/FX.qfn", GoodFile);
  Dir.Write("db", "a file where the database folder should be");
  const TInstallResult r = InstallFanFile(source, Db(), Fan);
  EXPECT_TRUE(r.Errors.empty());
  EXPECT_FALSE(r.Installed);
  EXPECT_FALSE(r.Message.empty());
}

}  // namespace
}  // namespace blowden
