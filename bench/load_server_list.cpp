// Load and normalisation of serwery.ini with many entries: the INI layer must
// stay linear in the size of the file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "config/server_list.h"

namespace zeph {
namespace {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/load_server_list_XXXXXX";
    if (::mkdtemp(pattern) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempDir() {
    std::string command = "rm -rf '" + path_ + "'";
    if (std::system(command.c_str()) != 0) std::abort();
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A file as people write it: mail settings and, per entry, the login data,
// the working directory and a couple of enable keys; the rest is filled in
// by the load.
std::string RawFile(int entries, const std::string& work_dir) {
  std::string out =
      "[Konfiguracja]\r\nSerwerPocztowy=smtp.example\r\nAdresPocztowyOdbiorcy=a@example\r\n"
      "AdresPocztowyNadawcy=b@example\r\n\r\n";
  for (int i = 0; i < entries; ++i) {
    std::string n = std::to_string(i);
    out += "[Baza" + n + "]\r\nSerwer=srv" + n + "\r\nBaza=db" + n + "\r\nHaslo=pw\r\n" +
           "KatalogRoboczy=" + work_dir + "\r\nOstatniEksport=2024.03.31\r\n" +
           "EksportDoPelkTessaro=1\r\nRaportDzienny=1\r\n\r\n";
  }
  return out;
}

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Every iteration starts from the raw file, so each load also rewrites it.
void BM_LoadAndNormalise(benchmark::State& state) {
  TempDir dir;
  const std::string path = dir.path() + "/serwery.ini";
  const std::string raw = RawFile(static_cast<int>(state.range(0)), dir.path() + "/work");
  MailSettings mail;
  std::vector<TSerwerInformacje> entries;
  for (auto _ : state) {
    state.PauseTiming();
    Write(path, raw);
    state.ResumeTiming();
    LoadServerList(path, mail, entries);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(raw.size()));
}
BENCHMARK(BM_LoadAndNormalise)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A file already normalised: read and checked, not rewritten.
void BM_LoadNormalised(benchmark::State& state) {
  TempDir dir;
  const std::string path = dir.path() + "/serwery.ini";
  Write(path, RawFile(static_cast<int>(state.range(0)), dir.path() + "/work"));
  MailSettings mail;
  std::vector<TSerwerInformacje> entries;
  LoadServerList(path, mail, entries);
  for (auto _ : state) LoadServerList(path, mail, entries);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadNormalised)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zeph

BENCHMARK_MAIN();
