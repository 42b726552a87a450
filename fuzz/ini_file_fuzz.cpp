// Feeds arbitrary bytes to the INI layer as serwery.ini: reading, writing a
// key and reading the result back must never crash, what was written must
// read back as written, and keys found many at once must read as keys
// looked up one by one.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "util/error.h"

namespace {

const std::string& Path() {
  static const std::string path = [] {
    char dir[] = "/tmp/ini_file_fuzz_XXXXXX";
    if (::mkdtemp(dir) == nullptr) std::abort();
    return std::string(dir) + "/serwery.ini";
  }();
  return path;
}

void Put(const std::string& path, std::string_view bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = Path();
  Put(path, std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    zeph::IniFile ini(path);
    std::vector<std::string> sections = ini.ReadSections();
    std::string section = sections.empty() ? "Baza" : sections.front();
    // Keys found in one pass read as keys looked up one by one.
    static const std::vector<std::string> kNames = {"Serwer", "Baza", "Haslo", "ZakresDanych",
                                                    "k",      "a",    "b",     "OstatniEksport"};
    static const zeph::IniKeySet kKeys(kNames);
    std::vector<uint32_t> lines;
    for (const std::string& name : sections) {
      ini.FindKeys(name, kKeys, lines);
      for (size_t i = 0; i < kNames.size(); ++i) {
        if (ini.ReadKey(lines[i], kNames[i], "<none>") != ini.ReadString(name, kNames[i], "<none>"))
          std::abort();
      }
    }
    ini.ReadInteger(section, "ZakresDanych", 44);
    ini.WriteString(section, "Haslo", "nowe");
    ini.WriteString("Nowa", "Klucz", "wartosc");
    std::string content = ini.Content();
    Put(path, content);
    zeph::IniFile again(path);
    // A file without a byte-order mark read as Windows-1250 because one line
    // was not UTF-8 reads as UTF-8 once that line is replaced: its names
    // change with it (the reader warned of the mix).
    if (again.Encoding() == ini.Encoding()) {
      if (again.ReadString(section, "Haslo", "") != "nowe") std::abort();
      if (again.ReadString("Nowa", "Klucz", "") != "wartosc") std::abort();
      if (again.Content() != content) std::abort();
    }
    ini.FindKeys(section, kKeys, lines);  // its keys are indexed by now
    if (ini.ReadKey(lines[2], "Haslo", "") != "nowe") std::abort();
  } catch (const zeph::Exception&) {
    // A clear refusal is a valid answer to bad input.
  }
  return 0;
}
