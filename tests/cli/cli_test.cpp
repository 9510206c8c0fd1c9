// The command-line tool: init, db list and dump, in-process and as the built program.
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "app/headless_runtime.h"
#include "storage/archive.h"
#include "storage/records.h"
#include "storage/text.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using test::TempDir;

struct CliRun {
  int status;
  std::string out, err;
};

CliRun cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  int status = cli::run(args, out, err);
  return {status, out.str(), err.str()};
}

// An archive with one forum database holding three messages.
void makeArchive(const std::string& root) {
  ASSERT_EQ(cli({"--archive", root, "init"}).status, 0);
  HeadlessRuntime rt;
  Session s(root, rt);
  std::string error;
  ASSERT_EQ(openNumbered(s, kForums, true, error), kStoreOk) << error;
  StoreFile& forums = *s.file(kForums);
  forums.clear();
  forums.rec<Forums>().ID = 250001;
  forums.rec<Forums>().DIRNUMBER = 1;
  forums.rec<Forums>().TYPE = kDbForum;
  setField(forums.rec<Forums>().DESCRIPTION, "Caf\xE9 \"Forum\"");
  ASSERT_EQ(forums.add(), kStoreOk);
  std::filesystem::create_directory(root + "/F1");
  ASSERT_EQ(selectDatabase(s, 250001, error), kStoreOk) << error;
  ASSERT_EQ(openNumbered(s, kMsgNmbr, true, error), kStoreOk) << error;
  ASSERT_EQ(openNumbered(s, kMsgText, true, error), kStoreOk) << error;
  StoreFile& msg = *s.file(kMsgNmbr);
  StoreFile& txt = *s.file(kMsgText);
  for (uint32_t n : {250010, 250012, 250011}) {
    msg.clear();
    msg.rec<MsgNmbr>().MSGNUMBER = n;
    msg.rec<MsgNmbr>().DATE = static_cast<int32_t>(80000 - n % 250000);
    setField(msg.rec<MsgNmbr>().THREADALPHA, "Thread");
    ASSERT_EQ(msg.add(), kStoreOk);
    txt.clear();
    txt.rec<MsgText>().MSGNUMBER = n;
    txt.text() = "Text of " + std::to_string(n) + "\r\nline two";
    ASSERT_EQ(txt.add(), kStoreOk);
  }
}

TEST(Cli, DumpsRecordsInKeyOrderAsJson) {
  TempDir dir;
  std::string root = dir.path().string();
  makeArchive(root);

  CliRun r = cli({"--archive", root, "dump", "MsgNmbr", "--db", "250001", "--key", "IdKey"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
            "{\"MSG:MSGNUMBER\": 250012, \"MSG:SECSYSID\": 0, \"MSG:REFNUMBER\": 0, "
            "\"MSG:THREADNUMBER\": 0, \"MSG:THREADALPHA\": \"Thread\", \"MSG:FROMID\": 0, "
            "\"MSG:FROMALPHA\": \"\", \"MSG:TOID\": 0, \"MSG:TOALPHA\": \"\", \"MSG:DATE\": 79988, "
            "\"MSG:DUMMY\": 0, \"MSG:FG\": 0}");

  auto numbers = [](const std::string& out) {
    std::vector<std::string> v;
    size_t p = 0;
    while ((p = out.find("MSGNUMBER\": ", p)) != std::string::npos) {
      p += 12;
      v.push_back(out.substr(p, 6));
    }
    return v;
  };
  EXPECT_EQ(numbers(r.out), (std::vector<std::string>{"250012", "250011", "250010"}));
  r = cli({"--archive", root, "dump", "3", "--db", "250001", "--key", "MSG:IdKey", "--reverse",
           "--limit", "2"});
  EXPECT_EQ(numbers(r.out), (std::vector<std::string>{"250010", "250011"}));
  r = cli({"--archive", root, "dump", "IDX003", "--db", "250001"});  // record order
  EXPECT_EQ(numbers(r.out), (std::vector<std::string>{"250010", "250012", "250011"}));

  r = cli({"--archive", root, "dump", "MsgText", "--db", "250001", "--text", "--limit", "1"});
  EXPECT_NE(r.out.find("\"TXT:MSGTEXT\": \"Text of 250010\\r\\nline two\"}"), std::string::npos)
      << r.out;

  r = cli({"--archive", root, "dump", "Forums"});
  EXPECT_NE(r.out.find("\"FOR:DESCRIPTION\": \"Caf\xC3\xA9 \\\"Forum\\\"\""), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"FOR:ALTADDRESS\": [\"\", \"\", \"\""), std::string::npos);

  r = cli({"--archive", root, "--json", "db", "list"});
  EXPECT_EQ(r.out,
            "{\"description\": \"Caf\xC3\xA9 \\\"Forum\\\"\", \"type\": \"Forum\", "
            "\"directory\": \"F1\", \"messages\": 0, \"counted\": \"Yes\", \"import\": \"Yes\", "
            "\"id\": 250001}\n");
}

TEST(Cli, ErrorsGoToStderrWithNonZeroStatus) {
  TempDir dir;
  std::string root = dir.path().string();
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } before[] = {
      {{"dump", "Forums"}, "no archive in"},
      {{"db", "list"}, "no archive in"},
  };
  for (auto& c : before) {
    std::vector<std::string> args = {"--archive", root};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliRun r = cli(args);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
  makeArchive(root);
  Case after[] = {
      {{"dump", "Nonsense"}, "unknown file 'Nonsense'"},
      {{"dump", "MsgNmbr"}, "belongs to a database"},
      {{"dump", "MsgNmbr", "--db", "999"}, "has no database 999"},
      {{"dump", "MsgNmbr", "--db", "250001", "--key", "NoKey"}, "has no key 'NoKey'"},
      {{"dump", "HRE"}, "another program's file"},
      {{"dump", "Search"}, "does not exist"},
      {{"dump", "Forums", "--limit", "x"}, "--limit"},
      {{"frobnicate"}, "unknown command"},
  };
  for (auto& c : after) {
    std::vector<std::string> args = {"--archive", root};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliRun r = cli(args);
    EXPECT_NE(r.status, 0) << c.args[0];
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

TEST(Cli, TheBuiltProgramInitialisesAndListsAnArchive) {
  TempDir dir;
  std::string cmd = std::string(QV_CLI_BINARY) + " --archive " + dir.path().string() + " init && " +
                    QV_CLI_BINARY + " --archive " + dir.path().string() + " db list 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  std::array<char, 256> buf;
  while (fgets(buf.data(), buf.size(), p)) out += buf.data();
  EXPECT_EQ(pclose(p), 0) << out;
  EXPECT_NE(out.find("Archive ready in"), std::string::npos) << out;
  EXPECT_NE(out.find("The archive has no databases yet."), std::string::npos) << out;
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "CFG/IDX008.TPS"));
  // The control file is encrypted: its counter record shows nothing in clear.
  EXPECT_EQ(test::readFile((dir.path() / "CFG/IDX008.TPS").string()).find("SQLite"),
            std::string::npos);
}

}  // namespace
}  // namespace qv
