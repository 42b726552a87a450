#include "log/run_log.h"

#include "util/date_time.h"
#include "util/files.h"

namespace zeph {

void RunLog::AddLogLine(const std::string& text, bool timestamped) {
  if (timestamped) {
    lines_.push_back(FormatDateTime("yyyy\".\"mm\".\"dd hh:nn:ss", Now()) + "  " + text);
  } else {
    lines_.push_back(std::string(21, ' ') + text);
  }
}

void RunLog::Save(const std::string& path) {
  std::vector<std::string> unsaved(lines_.begin() + static_cast<std::ptrdiff_t>(saved_),
                                   lines_.end());
  SaveLog(unsaved, path);
  saved_ = lines_.size();
}

void RunLog::Sync(const std::string& path) {
  if (saved_ < lines_.size()) Save(path);
}

void SaveLog(const std::vector<std::string>& lines, const std::string& path) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  AppendTextToFile(text, path);
}

}  // namespace zeph
