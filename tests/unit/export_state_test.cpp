#include "config/export_state.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

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

}  // namespace
}  // namespace zeph
