// Load and normalisation of serwery.ini with many entries, side by side
// with the floor of reading and copying the same file (`cat` + `cp`).
//
//   build/bench/load_server_list [entries...] [--trials N]
//
// For each size it builds a file as people write it, normalises it once,
// then alternates, in fresh processes, `cat` + `cp` of the normalised file
// with a load of it (steady state: nothing changes, nothing is written);
// then it loads the raw file (every entry gains its missing keys: one
// rewrite) as many times.
// Medians of CPU time (user + system) and of peak resident memory.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "config/server_list.h"

namespace zeph {
namespace {

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

struct Usage {
  double cpu = 0;  // seconds, user + system
  double rss = 0;  // MiB, peak of the largest child
};

// Runs `argv` in a fresh process and returns what it used.
Usage Run(const std::vector<std::string>& argv) {
  pid_t pid = ::fork();
  if (pid == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::execv(args[0], args.data());
    std::_Exit(127);
  }
  int status = 0;
  rusage ru{};
  ::wait4(pid, &status, 0, &ru);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", argv[0].c_str());
    std::exit(1);
  }
  Usage u;
  u.cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
          static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  u.rss = static_cast<double>(ru.ru_maxrss) / 1024.0;
  return u;
}

Usage Sum(Usage a, Usage b) {
  return {a.cpu + b.cpu, std::max(a.rss, b.rss)};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Row {
  int entries;
  double mib;
  double floor_cpu, steady_cpu, steady_rss, raw_cpu, raw_rss;
};

int Main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--load") {
    MailSettings mail;
    std::vector<TSerwerInformacje> entries;
    LoadServerList(argv[2], mail, entries);
    return entries.empty() ? 1 : 0;
  }
  std::vector<int> sizes;
  int trials = 5;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--trials" && i + 1 < argc) {
      trials = std::atoi(argv[++i]);
    } else {
      sizes.push_back(std::atoi(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {1000, 10000, 100000};

  char pattern[] = "/tmp/load_server_list_XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 1;
  const std::string dir = pattern;
  const std::string self = "/proc/self/exe";
  char exe[4096];
  ssize_t len = ::readlink(self.c_str(), exe, sizeof exe - 1);
  if (len <= 0) return 1;
  exe[len] = '\0';

  std::vector<Row> rows;
  for (int n : sizes) {
    const std::string raw_path = dir + "/raw.ini";
    const std::string path = dir + "/serwery.ini";
    const std::string copy = dir + "/copy.ini";
    const std::string work = dir + "/work";
    const std::string raw = RawFile(n, work);
    Write(raw_path, raw);
    Write(path, raw);
    Run({exe, "--load", path});  // normalised once: the steady state
    struct stat st {};
    ::stat(path.c_str(), &st);

    std::vector<double> floor_cpu, steady_cpu, steady_rss, raw_cpu, raw_rss;
    for (int t = 0; t < trials; ++t) {
      floor_cpu.push_back(Sum(Run({"/bin/cat", path}), Run({"/bin/cp", path, copy})).cpu);
      Usage steady = Run({exe, "--load", path});
      steady_cpu.push_back(steady.cpu);
      steady_rss.push_back(steady.rss);
    }
    // Apart from the side-by-side pairs: a raw load frees twice the memory
    // of a steady one, which the next process would find to page in again.
    for (int t = 0; t < trials; ++t) {
      const std::string fresh = dir + "/fresh.ini";
      Write(fresh, raw);
      Usage normalise = Run({exe, "--load", fresh});
      raw_cpu.push_back(normalise.cpu);
      raw_rss.push_back(normalise.rss);
    }
    rows.push_back({n, static_cast<double>(st.st_size) / (1 << 20), Median(floor_cpu),
                    Median(steady_cpu), Median(steady_rss), Median(raw_cpu), Median(raw_rss)});
    const Row& r = rows.back();
    std::printf(
        "%7d entries %7.1f MiB | cat+cp %.3f s | steady load %.3f s (%.1fx), peak %.1f MiB "
        "(%.2fx file) | raw load+rewrite %.3f s, peak %.1f MiB\n",
        r.entries, r.mib, r.floor_cpu, r.steady_cpu, r.steady_cpu / std::max(r.floor_cpu, 1e-3),
        r.steady_rss, r.steady_rss / r.mib, r.raw_cpu, r.raw_rss);
    std::fflush(stdout);
  }
  for (size_t i = 1; i < rows.size(); ++i) {
    std::printf("steady load %d -> %d entries: %.1fx CPU\n", rows[i - 1].entries, rows[i].entries,
                rows[i].steady_cpu / std::max(rows[i - 1].steady_cpu, 1e-3));
  }
  std::string command = "rm -rf '" + dir + "'";
  return std::system(command.c_str()) == 0 ? 0 : 1;
}

}  // namespace
}  // namespace zeph

int main(int argc, char** argv) {
  return zeph::Main(argc, argv);
}
