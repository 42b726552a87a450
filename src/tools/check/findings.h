// What the configuration check found: errors (the run would not go as
// configured), warnings and notes, each with where it was found. Texts are
// UTF-8.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace zeph {

enum class Severity { kError, kWarning, kNote };

struct Finding {
  Severity severity;
  std::string where;  // "serwery.ini: [Baza1] KatalogRoboczy", "serwery.ini:12", ...
  std::string text;
  bool mail_only = false;  // an error that fails the mails while the tasks run
};

class Findings {
 public:
  void Error(std::string where, std::string text) {
    Add(Severity::kError, std::move(where), std::move(text));
  }
  // An error the run meets only when it mails: the tasks run, their mails fail.
  void MailError(std::string where, std::string text) {
    Add(Severity::kError, std::move(where), std::move(text));
    all_.back().mail_only = true;
  }
  void Warning(std::string where, std::string text) {
    Add(Severity::kWarning, std::move(where), std::move(text));
  }
  void Note(std::string where, std::string text) {
    Add(Severity::kNote, std::move(where), std::move(text));
  }
  void Add(Severity severity, std::string where, std::string text);

  int Count(Severity severity) const;
  const std::vector<Finding>& All() const { return all_; }

  // One line per finding: "error: <where>: <text>".
  void Print(std::ostream& out) const;

 private:
  std::vector<Finding> all_;
};

// "serwery.ini: [Section] Key" with the Windows-1250 section name in UTF-8.
std::string IniPlace(const std::string& file, const std::string& section_1250,
                     const std::string& key = "");

}  // namespace zeph
