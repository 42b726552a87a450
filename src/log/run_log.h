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
  void Clear() {
    lines_.clear();
    saved_ = 0;
  }
  const std::vector<std::string>& Lines() const { return lines_; }

  // Appends the lines not yet written by an earlier Save to the log file, so
  // that a block never reaches the file twice (a task saves its block, and
  // an error that later reaches the run adds only its own line). The block
  // is on the disk when Save returns (see SaveLog).
  void Save(const std::string& path);

  // Makes what the run logged durable: appends the lines not yet saved.
  // Called before each save of serwery.ini, so that no bookkeeping on disk
  // is ahead of the log lines that report it, and at the end of the run.
  void Sync(const std::string& path);

 private:
  std::vector<std::string> lines_;
  size_t saved_ = 0;
};

// Appends every line followed by CR LF to the file, creating it when missing,
// and flushes it to the disk (AppendTextToFile): each block is durable before
// the next one is appended, so a power cut leaves no hole in the log.
// Throws Exception "Cannot open file ..." / "Cannot create file ...".
void SaveLog(const std::vector<std::string>& lines, const std::string& path);

}  // namespace zeph
