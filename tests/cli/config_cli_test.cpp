// quorvane config: reading and changing numbered settings, and the errors it gives.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using test::TempDir;

struct CliRun {
  int status;
  std::string out, err;
};

class ConfigCli : public ::testing::Test {
 protected:
  TempDir dir;
  std::string root = dir.path().string();

  void SetUp() override { ASSERT_EQ(cli({"init"}).status, 0); }

  CliRun cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--archive", root});
    std::ostringstream out, err;
    int status = cli::run(args, out, err);
    return {status, out.str(), err.str()};
  }
};

TEST_F(ConfigCli, GetsAndSetsEachKindOfSetting) {
  const struct {
    std::string setting, before, value;
  } cases[] = {
      {"10", "17", "6"},
      {"23", "12632256", "-1"},
      {"33", "Arial,8", "DejaVu Sans, Mono,11"},
      {"21", "", "Caf\xC3\xA9 au lait"},
      {"17", root + "/TEMP", "/var/tmp"},
      {"14", "", "/home/me/mail"},
      {"53", "1", "0"},
      {"56", "10000", "2500"},
  };
  for (const auto& c : cases) {
    CliRun r = cli({"config", "get", c.setting});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.before + "\n") << "setting " << c.setting;
    r = cli({"config", "set", c.setting, c.value});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Setting " + c.setting + " is now " + c.value + "\n");
    r = cli({"config", "get", c.setting});
    EXPECT_EQ(r.out, c.value + "\n") << "setting " << c.setting;
  }
}

TEST_F(ConfigCli, JsonOutput) {
  EXPECT_EQ(cli({"--json", "config", "get", "13"}).out, "{\"setting\": 13, \"value\": 7}\n");
  EXPECT_EQ(cli({"--json", "config", "get", "36"}).out,
            "{\"setting\": 36, \"font\": \"Arial\", \"size\": 8}\n");
  EXPECT_EQ(cli({"--json", "config", "get", "18"}).out,
            "{\"setting\": 18, \"value\": \"" + root + "\"}\n");
}

TEST_F(ConfigCli, RefusesWhatNoSettingTakes) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string error;
  } cases[] = {
      {{"config", "get", "15"}, 1, "no setting has the number 15"},
      {{"config", "set", "31", "4"}, 1, "no setting has the number 31"},
      {{"config", "get", "ten"}, 2, "'ten' is not a setting number"},
      {{"config", "set", "10", "6x"}, 1, "setting 10 takes a number, not '6x'"},
      {{"config", "set", "10", "99999999999"}, 1, "takes a number"},
      {{"config", "set", "20", "sixteen chars..."}, 1, "Setting 20 takes at most 15 characters"},
      {{"config", "set", "49", "256"}, 1, "Setting 49 takes a number from 0 to 255"},
      {{"config", "set", "33", "Arial"}, 1, "give NAME,SIZE"},
      {{"config", "set", "18", "relative/dir"}, 1, "takes an absolute directory"},
      {{"config", "get"}, 2, "usage: quorvane [--archive DIR] config get N"},
      {{"config", "set", "10"}, 2, "usage:"},
      {{"config", "list", "10"}, 2, "usage:"},
  };
  for (const auto& c : cases) {
    CliRun r = cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args.back();
    EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  // Nothing refused was stored.
  EXPECT_EQ(cli({"config", "get", "10"}).out, "17\n");
  EXPECT_EQ(cli({"config", "get", "20"}).out, "\n");
}

TEST(ConfigCliNoArchive, SaysThereIsNone) {
  TempDir dir;
  std::ostringstream out, err;
  int status = cli::run({"--archive", dir.path().string(), "config", "get", "10"}, out, err);
  EXPECT_EQ(status, 1);
  EXPECT_NE(err.str().find("no archive in"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace qv
