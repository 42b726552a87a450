#include "tools/check/findings.h"

#include "util/encoding.h"

namespace zeph {

void Findings::Add(Severity severity, std::string where, std::string text) {
  all_.push_back({severity, std::move(where), std::move(text)});
}

int Findings::Count(Severity severity) const {
  int count = 0;
  for (const Finding& f : all_) count += f.severity == severity ? 1 : 0;
  return count;
}

void Findings::Print(std::ostream& out) const {
  for (const Finding& f : all_) {
    const char* label = f.severity == Severity::kError     ? "error"
                        : f.severity == Severity::kWarning ? "warning"
                                                           : "note";
    out << label << ": " << f.where << ": " << f.text << '\n';
  }
}

std::string IniPlace(const std::string& file, const std::string& section_1250,
                     const std::string& key) {
  std::string place = file + ": [" + AnsiToUtf8(section_1250) + "]";
  if (!key.empty()) place += " " + key;
  return place;
}

}  // namespace zeph
