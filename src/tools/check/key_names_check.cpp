#include "tools/check/key_names_check.h"

#include <algorithm>
#include <map>

#include "config/server_list.h"
#include "util/closest_name.h"
#include "util/encoding.h"
#include "util/text.h"

namespace zeph {
namespace {

std::string Line(uint32_t line) {
  return "serwery.ini:" + std::to_string(line);
}

}  // namespace

void CheckKeyNames(const IniFile& ini, Findings& findings) {
  const std::vector<std::string> entry_keys = EntryKeyNames();
  const std::string mail_section = UpperCase1250("Konfiguracja");
  std::map<std::string, uint32_t> sections;  // upper-cased name: line of its first header
  std::map<std::string, uint32_t> keys;      // of the section being read
  std::string section;                       // upper-cased; empty above the first header
  bool section_read = false;                 // the first of its name
  for (const IniFile::LayoutLine& line : ini.Layout()) {
    const std::string name = AnsiToUtf8(line.key.empty() ? line.section : line.key);
    if (line.key.empty()) {
      section = UpperCase1250(std::string(line.section));
      keys.clear();
      const auto [first, inserted] = sections.try_emplace(section, line.line);
      section_read = inserted;
      if (!inserted) {
        findings.Warning(Line(line.line),
                         "[" + name + "] appears again; the section of line " +
                             std::to_string(first->second) +
                             " wins: only its keys are read, and this header runs as one more "
                             "entry with them");
      }
      continue;
    }
    if (line.section.empty()) {
      findings.Warning(Line(line.line), name + " lies above the first section; it is never read");
      continue;
    }
    if (!section_read) continue;  // told once, at its header
    const std::string where_in = " in [" + AnsiToUtf8(line.section) + "]";
    const std::string key = UpperCase1250(std::string(line.key));
    const auto [first, inserted] = keys.try_emplace(key, line.line);
    if (!inserted) {
      findings.Warning(Line(line.line), name + where_in + " appears again; the key of line " +
                                            std::to_string(first->second) +
                                            " wins, this value is never read");
      continue;
    }
    const std::vector<std::string>& known = section == mail_section ? MailKeyNames() : entry_keys;
    const bool is_known = std::any_of(
        known.begin(), known.end(), [&](const std::string& k) { return UpperCase1250(k) == key; });
    if (is_known) continue;
    const std::string closest = ClosestName(line.key, known);
    findings.Warning(Line(line.line), name + where_in + " is no key; " +
                                          (closest.empty() ? "the program ignores it"
                                                           : "did you mean " + closest + "?"));
  }
}

}  // namespace zeph
