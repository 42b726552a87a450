// The scenario file host-sim.ini: what every call of the simulator does.
//
// Sections [Host] (every call; keys before the first header belong to it)
// and [SERWER/BAZA] (calls made for that database, key by key over [Host]). Keys
// OBJECT.METHOD[.VALUE][#N]: a key with #N applies only to the N-th call of OBJECT.METHOD made for
// the same database. Databases are named by their folded "server/database" text; "" stands for
// calls made before any database is known.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>

namespace sim {

class Scenario {
 public:
  // Reads the file; a missing file leaves every call at its default. Each
  // line that cannot be used is reported once on `report` (stderr).
  void Load(const std::string& path, std::FILE* report);

  // Counts one call of object.method for the database; returns its number, from 1.
  int CountCall(const std::string& database, std::string_view object, std::string_view method);

  // Value of `key` (folded OBJECT.METHOD[.VALUE]) for call `number` made for
  // `database`; null when no key applies or its value is malformed (the
  // caller then uses the default).
  const std::string* Find(const std::string& database, const std::string& key, int number) const;
  // The same from [Host] alone (creation keys).
  const std::string* FindHost(const std::string& key, int number) const;

 private:
  struct Entry {
    std::string value;  // unquoted and unescaped
    bool valid = true;
  };
  using Section = std::unordered_map<std::string, Entry>;

  const std::string* Lookup(const Section* database, const std::string& key, int number) const;
  void ParseLine(std::string_view line, int line_number, std::FILE* report);

  Section host_;
  std::unordered_map<std::string, Section> databases_;
  Section* current_ = nullptr;  // null within an unusable section
  std::unordered_map<std::string, int> calls_;
};

}  // namespace sim
