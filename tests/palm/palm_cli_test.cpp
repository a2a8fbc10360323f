// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli palm, run as a user runs it: what it prints, how it exits, and
// where the dump and its flight files end up.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/expand.h"
#include "support/cli_run.h"
#include "support/dump_builder.h"
#include "support/pdb_builder.h"

namespace varnix {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::quoted;
using test::twoFlightDump;
using test::readFile;
using test::TempDir;
using test::writeFile;

CliRun runCli(const TempDir& dir, const std::string& args) { return test::runCli(VARNIX_CLI, dir, args); }

// Every file below `folder`, by name relative to it, with its bytes; the
// first line of a CSV (today's date) is left out.
std::map<std::string, std::string> filesBelow(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    std::string bytes = readFile(e.path().string());
    if (e.path().extension() == ".CSV") bytes = bytes.substr(bytes.find('\n') + 1);
    files[fs::relative(e.path(), folder).string()] = bytes;
  }
  return files;
}

TEST(PalmCommand, ConvertsAndPrintsTheDumpPath) {
  TempDir dir;
  const std::string dump = twoFlightDump("N123AB");
  writeFile(dir.file("P1234567.PDB"), test::palmBackup(dump));
  const CliRun run = runCli(dir, "palm " + quoted(dir.file("P1234567.PDB")));
  EXPECT_EQ(run.exit, 0);
  EXPECT_EQ(run.out, dir.file("P1234567.DAT") + "\n");
  EXPECT_EQ(readFile(dir.file("P1234567.DAT")), dump);
  EXPECT_TRUE(fs::exists(dir.file("P1234567.PDB")));
}

TEST(PalmCommand, FailuresExitWithTheLibraryCode) {
  TempDir dir;
  CliRun run = runCli(dir, "palm " + quoted(dir.file("P7000001.PDB")));
  EXPECT_EQ(run.exit, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("File ' P7000001.PDB ' could not be decompressed."), std::string::npos) << run.err;

  writeFile(dir.file("P7000002.PDB"), test::palmDatabaseHeader(2) + "no dump");
  run = runCli(dir, "palm --expand --data-folder " + quoted(dir.path()) + " " + quoted(dir.file("P7000002.PDB")));
  EXPECT_EQ(run.exit, 3);
  EXPECT_FALSE(fs::exists(dir.file("P7000002.DAT")));

  // A folder's "." ("Flight.Logs", "./") does not hide the file's own: the
  // backup is converted beside itself all the same.
  fs::create_directory(dir.file("Flight.Logs"));
  for (const std::string backup : {"Flight.Logs/P7000003.PDB", "./P7000004.PDB"}) {
    writeFile(dir.file(backup), test::palmBackup(twoFlightDump("N123AB")));
    run = runCli(dir, "palm " + quoted(backup));
    const std::string dat = backup.substr(0, backup.size() - 4) + ".DAT";
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out, dat + "\n");
    EXPECT_EQ(readFile(dir.file(dat)), twoFlightDump("N123AB"));
  }
}

TEST(PalmCommand, ExpandFilesTheDumpAndMatchesADirectExpansion) {
  TempDir backups, data, direct;
  const std::string dump = twoFlightDump("N123AB");
  writeFile(backups.file("P1234567.PDB"), test::palmBackup(dump));

  const CliRun run = runCli(backups, "palm --expand --data-folder " + quoted(data.path()) + " " +
                                      quoted(backups.file("P1234567.PDB")));
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, data.file("N123AB/P1234567.DAT") + "\n");
  EXPECT_NE(run.err.find("The file ' P1234567.DAT ' was generated in 'N123AB ' folder and decompressed."),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(backups.file("P1234567.DAT"))) << "moved into the user folder";
  EXPECT_TRUE(fs::exists(backups.file("P1234567.PDB"))) << "kept without --delete-backup";

  // The same dump expanded straight from its user folder gives the same files.
  fs::create_directory(direct.file("N123AB"));
  writeFile(direct.file("N123AB/P1234567.DAT"), dump);
  HeaderState header{};
  ASSERT_EQ(ExpandDataFile(direct.file("N123AB/P1234567.DAT"), direct.folderArgument(), header), 0);
  const auto produced = filesBelow(data.path());
  EXPECT_EQ(produced, filesBelow(direct.path()));
  EXPECT_EQ(produced.size(), 4u) << "dump, index and two flight files";
  EXPECT_EQ(produced.count("N123AB/P1234567.TXT"), 1u);
}

TEST(PalmCommand, ExistingDumpIsNeverReplaced) {
  TempDir backups, data;
  writeFile(backups.file("P1234567.PDB"), test::palmBackup(twoFlightDump("N123AB")));
  fs::create_directory(data.file("N123AB"));
  writeFile(data.file("N123AB/P1234567.DAT"), "the older dump");

  const CliRun run = runCli(backups, "palm --expand --delete-backup --data-folder " + quoted(data.path()) + " " +
                                      quoted(backups.file("P1234567.PDB")));
  EXPECT_EQ(run.exit, 10);
  EXPECT_NE(run.err.find("The file ' P1234567.DAT ' already existed in ' N123AB ' folder"), std::string::npos)
      << run.err;
  EXPECT_EQ(readFile(data.file("N123AB/P1234567.DAT")), "the older dump");
  EXPECT_TRUE(fs::exists(backups.file("P1234567.DAT"))) << "the new dump stays beside the backup";
  EXPECT_TRUE(fs::exists(backups.file("P1234567.PDB")));
  EXPECT_FALSE(fs::exists(data.file("N123AB/P1234567.TXT")));
}

TEST(PalmCommand, BackupInItsUserFolderIsExpandedInPlace) {
  // As on the Palm screen: the dump lies where it belongs already, so
  // nothing is moved and nothing is "not overwritten".
  TempDir data;
  fs::create_directory(data.file("N123AB"));
  writeFile(data.file("N123AB/P1234567.PDB"), test::palmBackup(twoFlightDump("N123AB")));
  const CliRun run =
      runCli(data, "palm --expand --data-folder " + quoted(data.path()) + " " + quoted(data.file("N123AB/P1234567.PDB")));
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.err.find("already existed"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(data.file("N123AB/P1234567.TXT")));
}

TEST(PalmCommand, DumpWithoutUsableIdGoesToBadDataUnexpanded) {
  TempDir backups, data;
  writeFile(backups.file("P1234567.PDB"), test::palmBackup(twoFlightDump("..")));
  const CliRun run = runCli(backups, "palm --expand --delete-backup --data-folder " + quoted(data.path()) + " " +
                                      quoted(backups.file("P1234567.PDB")));
  EXPECT_EQ(run.exit, 2);
  EXPECT_NE(run.err.find("The file ' P1234567.DAT ' was generated in ' BadData ' folder. and couldn't be "
                         "decompressed."),
            std::string::npos)
      << run.err;
  EXPECT_TRUE(fs::exists(data.file("BadData/P1234567.DAT")));
  EXPECT_FALSE(fs::exists(data.file("BadData/P1234567.TXT")));
  EXPECT_TRUE(fs::exists(backups.file("P1234567.PDB"))) << "only a successful expansion deletes it";
}

TEST(PalmCommand, DeleteBackupAfterASuccessfulExpansion) {
  TempDir backups, data;
  writeFile(backups.file("P1234567.pdb"), test::palmBackup(twoFlightDump("N123AB")));
  const CliRun run = runCli(backups, "palm --expand --delete-backup --data-folder " + quoted(data.path() + "/") +
                                      " " + quoted(backups.file("P1234567.pdb")));
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_FALSE(fs::exists(backups.file("P1234567.pdb")));
  EXPECT_TRUE(fs::exists(data.file("N123AB/P1234567.TXT")));
}

}  // namespace
}  // namespace varnix
