#include "scenario.h"

#include <fstream>

#include "scenario_keys.h"
#include "sim_text.h"
#include "util/text.h"

namespace sim {
namespace {

void Report(std::FILE* report, int line_number, const char* reason, std::string_view line) {
  if (report == nullptr) return;
  std::fprintf(report, "host-sim.ini line %d: %s: %.*s\n", line_number, reason,
               static_cast<int>(line.size()), line.data());
  std::fflush(report);
}

// Splits "name#N" into name and N; N is 0 when the key has no call number,
// -1 when the digits are unusable.
int SplitCallNumber(std::string& key) {
  size_t hash = key.rfind('#');
  if (hash == std::string::npos || hash + 1 == key.size()) return 0;
  for (size_t i = hash + 1; i < key.size(); ++i) {
    if (key[i] < '0' || key[i] > '9') return 0;
  }
  long number = 0;
  for (size_t i = hash + 1; i < key.size() && number < 1000000000; ++i) {
    number = number * 10 + (key[i] - '0');
  }
  key = std::string(zeph::TrimView(std::string_view(key).substr(0, hash)));
  return number >= 1 && number < 1000000000 ? static_cast<int>(number) : -1;
}

std::string Numbered(const std::string& key, int number) {
  return key + "#" + std::to_string(number);
}

}  // namespace

void Scenario::Load(const std::string& path, std::FILE* report) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  // Keys before the first section header belong to [Host].
  current_ = &host_;
  std::string line;
  int line_number = 0;
  while (std::getline(in, line)) {
    ++line_number;
    std::string_view view = line;
    if (line_number == 1 && view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
    ParseLine(view, line_number, report);
  }
  current_ = nullptr;
}

void Scenario::ParseLine(std::string_view raw, int line_number, std::FILE* report) {
  std::string_view line = zeph::TrimView(raw);
  if (line.empty() || line.front() == ';' || line.front() == '#') return;
  if (line.front() == '[') {
    current_ = nullptr;
    if (line.back() != ']') {
      Report(report, line_number, "malformed section header, its keys are ignored", line);
      return;
    }
    std::string name = Fold(zeph::TrimView(line.substr(1, line.size() - 2)));
    if (name == "host") {
      current_ = &host_;
    } else if (name.find('/') != std::string::npos) {
      current_ = &databases_[name];
    } else {
      Report(report, line_number,
             "section is neither [Host] nor [SERWER/BAZA], its keys are ignored", line);
      return;
    }
    return;
  }
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    Report(report, line_number, "line is no key=value, ignored", line);
    return;
  }
  if (current_ == nullptr) return;  // key of an unusable section, reported with its header
  std::string key = Fold(zeph::TrimView(line.substr(0, eq)));
  int number = SplitCallNumber(key);
  if (number < 0) {
    Report(report, line_number, "call number #N must be 1 or more, line ignored", line);
    return;
  }
  size_t dot1 = key.find('.');
  size_t dot2 = dot1 == std::string::npos ? std::string::npos : key.find('.', dot1 + 1);
  KeyKind kind = KeyKind::kUnknown;
  if (dot1 != std::string::npos) {
    std::string_view k = key;
    std::string_view object = k.substr(0, dot1);
    std::string_view method =
        dot2 == std::string::npos ? k.substr(dot1 + 1) : k.substr(dot1 + 1, dot2 - dot1 - 1);
    std::string_view value = dot2 == std::string::npos ? std::string_view() : k.substr(dot2 + 1);
    if (dot2 == std::string::npos || !value.empty()) {
      kind = ClassifyKey(object, method, value, current_ == &host_);
    }
  }
  if (kind == KeyKind::kUnknown) {
    Report(report, line_number, "unknown key, ignored", line);
    return;
  }
  Entry entry;
  entry.value = Unescape(zeph::Unquote(zeph::TrimView(line.substr(eq + 1))));
  entry.valid = IsValidValue(kind, entry.value);
  if (!entry.valid) Report(report, line_number, "malformed value, the default applies", line);
  // As with profile files, the first of two equal keys wins.
  current_->emplace(number == 0 ? key : Numbered(key, number), std::move(entry));
}

int Scenario::CountCall(const std::string& database, std::string_view object,
                        std::string_view method) {
  std::string counter = database;
  counter += '\n';
  counter += Fold(object);
  counter += '.';
  counter += Fold(method);
  return ++calls_[counter];
}

const std::string* Scenario::Lookup(const Section* database, const std::string& key,
                                    int number) const {
  const std::string numbered = Numbered(key, number);
  for (const std::string* name : {&numbered, &key}) {
    for (const Section* section : {database, &host_}) {
      if (section == nullptr) continue;
      auto found = section->find(*name);
      if (found != section->end()) return found->second.valid ? &found->second.value : nullptr;
    }
  }
  return nullptr;
}

const std::string* Scenario::Find(const std::string& database, const std::string& key,
                                  int number) const {
  const Section* section = nullptr;
  if (!database.empty()) {
    auto found = databases_.find(database);
    if (found != databases_.end()) section = &found->second;
  }
  return Lookup(section, key, number);
}

const std::string* Scenario::FindHost(const std::string& key, int number) const {
  return Lookup(nullptr, key, number);
}

}  // namespace sim
