// The run log: lines collected while a task runs and appended to the log
// file as one block.
#pragma once

#include <string>
#include <vector>

namespace zeph {

class RunLog {
 public:
  // Adds a line: "yyyy.mm.dd hh:mm:ss" and two blanks before the text when
  // `timestamped`, otherwise 21 blanks.
  void AddLogLine(const std::string& text, bool timestamped);
  void Clear() { lines_.clear(); }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// Appends every line followed by CR LF to the file, creating it when missing.
// Throws Exception "Cannot open file ..." / "Cannot create file ...".
void SaveLog(const std::vector<std::string>& lines, const std::string& path);

}  // namespace zeph
