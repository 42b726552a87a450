#include "config/export_state.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "test_support.h"
#include "util/date_time.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

class ExportStateTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    saved_format_ = ProcessFormat();
  }
  void TearDown() override {
    ProcessFormat() = saved_format_;
    TempDirTest::TearDown();
  }

  FormatSettings saved_format_;
};

TEST_F(ExportStateTest, WritesFixedDatesWhateverTheProcessFormat) {
  Put("[A]\r\nSerwer=s\r\nZamknietyMiesiac=2024.01\r\nOstatniEksport=2024.01.31\r\n\r\n[B]\r\n");
  FormatSettings& format = ProcessFormat();
  format.date_separator = '.';
  format.short_date_format = "dd.mm.yyyy";
  TSerwerInformacje entry;
  entry.Sekcja = "a";
  entry.OstatniEksport = EncodeDate(2024, 3, 31);
  entry.OstatniEksportMHD = EncodeDate(2024, 2, 29);
  entry.ZamknietyMiesiac = "";
  SaveExportState(path_, entry);
  EXPECT_EQ(Get(),
            "[A]\r\nSerwer=s\r\nZamknietyMiesiac=\r\nOstatniEksport=2024.03.31\r\n"
            "OstatniEksportMHD=2024.02.29\r\n\r\n[B]\r\n");
}

TEST_F(ExportStateTest, MissingSectionIsAddedInKeyOrder) {
  Put("[A]\n");
  TSerwerInformacje entry;
  entry.Sekcja = "S";
  entry.ZamknietyMiesiac = "2024.02";
  SaveExportState(path_, entry);
  EXPECT_EQ(Get(),
            "[A]\n[S]\nOstatniEksport=1899.12.31\nOstatniEksportMHD=1899.12.31\n"
            "ZamknietyMiesiac=2024.02\n");
}

TEST_F(ExportStateTest, ReadOnlyFileGivesPlainErrorWithPathAndReason) {
  const std::string before = "[S]\r\nOstatniEksport=2024.01.31\r\n";
  Put(before);
  ::chmod(path_.c_str(), 0444);
  TSerwerInformacje entry;
  entry.Sekcja = "S";
  try {
    SaveExportState(path_, entry);
    FAIL() << "write accepted";
  } catch (const EWyjatek&) {
    FAIL() << "a plain error is expected";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), Text1250("Błąd zapisu do pliku konfiguracyjnego: ") + path_ +
                                         "\r\nUnable to write to " + path_);
  }
  EXPECT_EQ(Get(), before);
}

// The run's write-back: the file as loaded by the run, then changed on disk
// by someone else, then a save of one entry.
struct WriteBackCase {
  const char* name;
  std::string loaded;                        // file at the start of the run
  std::string edit;                          // what another writer leaves meanwhile; empty: none
  void (*change)(TSerwerInformacje& entry);  // what the task changes in entry A
  std::string expected;
};

class ExportStateWriteBack : public ExportStateTest,
                             public ::testing::WithParamInterface<WriteBackCase> {};

TEST_P(ExportStateWriteBack, OnlyTheChangedKeysReachTheFileAsItIsOnDisk) {
  const WriteBackCase& c = GetParam();
  Put(c.loaded);
  std::vector<TSerwerInformacje> entries;
  IniFile ini(path_);
  std::vector<std::string> sections = ini.ReadSections();
  for (const std::string& section : sections) {
    TSerwerInformacje entry;
    entry.Sekcja = section;
    std::string text = ini.ReadString(section, "OstatniEksport", "");
    entry.OstatniEksport = text.empty() ? 1 : StrToDate(text);
    text = ini.ReadString(section, "OstatniEksportMHD", "");
    entry.OstatniEksportMHD = text.empty() ? 1 : StrToDate(text);
    entry.ZamknietyMiesiac = ini.ReadString(section, "ZamknietyMiesiac", "");
    entries.push_back(entry);
  }
  ExportState state;
  state.Attach(std::move(ini), entries);
  if (!c.edit.empty()) {
    // An old mtime first, so the edit shows even on a coarse file clock.
    std::filesystem::last_write_time(
        path_, std::filesystem::last_write_time(path_) - std::chrono::hours(24 * 365));
    Put(c.edit);
  }
  c.change(entries[0]);
  state.Save(entries[0]);
  EXPECT_EQ(Get(), c.expected);
}

const std::string kLoaded =
    "[A]\r\nOstatniEksport=2024.01.01\r\nOstatniEksportMHD=2024.01.01\r\n"
    "ZamknietyMiesiac=2024.01\r\n[B]\r\nOstatniEksportMHD=2024.01.01\r\n";

// Entry A of kLoaded as the run read it.
std::vector<TSerwerInformacje> LoadedEntryA() {
  std::vector<TSerwerInformacje> entries(1);
  entries[0].Sekcja = "A";
  entries[0].OstatniEksport = EncodeDate(2024, 1, 1);
  entries[0].OstatniEksportMHD = EncodeDate(2024, 1, 1);
  entries[0].ZamknietyMiesiac = "2024.01";
  return entries;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportStateWriteBack,
    ::testing::Values(
        WriteBackCase{"NothingChangedNothingWritten", kLoaded, "", [](TSerwerInformacje&) {},
                      kLoaded},
        WriteBackCase{"UntouchedFileGetsTheChangedKey", kLoaded, "",
                      [](TSerwerInformacje& e) { e.OstatniEksportMHD = EncodeDate(2024, 3, 5); },
                      "[A]\r\nOstatniEksport=2024.01.01\r\nOstatniEksportMHD=2024.03.05\r\n"
                      "ZamknietyMiesiac=2024.01\r\n[B]\r\nOstatniEksportMHD=2024.01.01\r\n"},
        // Another run's /MHD advanced both entries while /EK ran.
        WriteBackCase{"AnotherWritersDateSurvives", kLoaded,
                      "[A]\r\nOstatniEksport=2024.01.01\r\nOstatniEksportMHD=2024.02.02\r\n"
                      "ZamknietyMiesiac=2024.01\r\n[B]\r\nOstatniEksportMHD=2024.02.02\r\n",
                      [](TSerwerInformacje& e) {
                        e.OstatniEksport = EncodeDate(2024, 3, 5);
                        e.ZamknietyMiesiac = "2024.03";
                      },
                      "[A]\r\nOstatniEksport=2024.03.05\r\nOstatniEksportMHD=2024.02.02\r\n"
                      "ZamknietyMiesiac=2024.03\r\n[B]\r\nOstatniEksportMHD=2024.02.02\r\n"},
        // Same size as the loaded file, edited in place.
        WriteBackCase{"HandEditOfTheSameSizeSurvives", kLoaded,
                      "[A]\r\nOstatniEksport=2024.01.01\r\nOstatniEksportMHD=2024.01.01\r\n"
                      "ZamknietyMiesiac=2024.01\r\n[B]\r\nOstatniEksportMHD=2023.12.31\r\n",
                      [](TSerwerInformacje& e) { e.OstatniEksportMHD = EncodeDate(2024, 3, 5); },
                      "[A]\r\nOstatniEksport=2024.01.01\r\nOstatniEksportMHD=2024.03.05\r\n"
                      "ZamknietyMiesiac=2024.01\r\n[B]\r\nOstatniEksportMHD=2023.12.31\r\n"},
        WriteBackCase{"HandAddedKeyAndCommentSurvive", kLoaded,
                      "; edited\r\n" + kLoaded + "Serwer=nowy\r\n",
                      [](TSerwerInformacje& e) { e.OstatniEksport = EncodeDate(2024, 3, 5); },
                      "; edited\r\n[A]\r\nOstatniEksport=2024.03.05\r\n"
                      "OstatniEksportMHD=2024.01.01\r\nZamknietyMiesiac=2024.01\r\n[B]\r\n"
                      "OstatniEksportMHD=2024.01.01\r\nSerwer=nowy\r\n"},
        // The section was removed by hand: the changed key comes back alone.
        WriteBackCase{"RemovedSectionGetsOnlyTheChangedKey", kLoaded,
                      "[B]\r\nOstatniEksportMHD=2024.01.01\r\n",
                      [](TSerwerInformacje& e) { e.OstatniEksportMHD = EncodeDate(2024, 3, 5); },
                      "[B]\r\nOstatniEksportMHD=2024.01.01\r\n[A]\r\n"
                      "OstatniEksportMHD=2024.03.05\r\n"}),
    CaseName());

TEST_F(ExportStateTest, SavesOfSeveralEntriesEachKeepTheOthers) {
  Put(kLoaded);
  std::vector<TSerwerInformacje> entries(2);
  entries[0].Sekcja = "A";
  entries[1].Sekcja = "B";
  for (TSerwerInformacje& e : entries) {
    e.OstatniEksport = e.Sekcja == "A" ? EncodeDate(2024, 1, 1) : 1;
    e.OstatniEksportMHD = EncodeDate(2024, 1, 1);
    e.ZamknietyMiesiac = e.Sekcja == "A" ? "2024.01" : "";
  }
  ExportState state;
  state.Attach(IniFile(path_), entries);
  entries[0].OstatniEksportMHD = EncodeDate(2024, 3, 5);
  state.Save(entries[0]);
  entries[1].OstatniEksportMHD = EncodeDate(2024, 3, 6);
  state.Save(entries[1]);
  state.Save(entries[0]);  // nothing new: no write
  EXPECT_EQ(Get(),
            "[A]\r\nOstatniEksport=2024.01.01\r\nOstatniEksportMHD=2024.03.05\r\n"
            "ZamknietyMiesiac=2024.01\r\n[B]\r\nOstatniEksportMHD=2024.03.06\r\n");
}

// The run makes its log durable in the hook, so that no bookkeeping on disk
// is ahead of the log: the hook runs before the file changes, only for a
// save that writes, and one that fails leaves the file as it was.
TEST_F(ExportStateTest, HookRunsBeforeEachSaveThatWrites) {
  Put(kLoaded);
  std::vector<TSerwerInformacje> entries = LoadedEntryA();
  ExportState state;
  state.Attach(IniFile(path_), entries);
  std::vector<std::string> found;  // the file as each run of the hook found it
  state.BeforeEachSave([&] { found.push_back(Get()); });
  state.Save(entries[0]);
  EXPECT_TRUE(found.empty()) << "nothing changed, nothing to save";
  entries[0].OstatniEksportMHD = EncodeDate(2024, 3, 5);
  state.Save(entries[0]);
  EXPECT_EQ(found, std::vector<std::string>{kLoaded});

  state.BeforeEachSave([] { throw Exception("the log is not on the disk"); });
  const std::string saved = Get();
  entries[0].OstatniEksport = EncodeDate(2024, 3, 6);
  EXPECT_THROW(state.Save(entries[0]), Exception);
  EXPECT_EQ(Get(), saved);
}

TEST_F(ExportStateTest, FailedSaveIsRetriedByTheEntrysNextSave) {
  Put(kLoaded);
  std::vector<TSerwerInformacje> entries = LoadedEntryA();
  ExportState state;
  state.Attach(IniFile(path_), entries);
  // Read-only: a mode without write bits, on Windows the read-only attribute.
  namespace fs = std::filesystem;
  fs::permissions(path_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  entries[0].OstatniEksport = EncodeDate(2024, 3, 5);
  ::testing::internal::CaptureStderr();
  EXPECT_THROW(state.Save(entries[0]), Exception);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find(path_), std::string::npos) << err;
  EXPECT_NE(err.find("Permission denied"), std::string::npos) << err;
  EXPECT_EQ(Get(), kLoaded);
  fs::permissions(path_, fs::perms::owner_write, fs::perm_options::add);
  entries[0].OstatniEksportMHD = EncodeDate(2024, 3, 6);
  state.Save(entries[0]);
  EXPECT_EQ(Get(),
            "[A]\r\nOstatniEksport=2024.03.05\r\nOstatniEksportMHD=2024.03.06\r\n"
            "ZamknietyMiesiac=2024.01\r\n[B]\r\nOstatniEksportMHD=2024.01.01\r\n");
}

}  // namespace
}  // namespace zeph
