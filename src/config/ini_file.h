// An INI file held in memory: read with the profile-function rules (trimmed,
// case-insensitive names, first section and first key of a name count),
// changed with every untouched line kept byte for byte, and written back as a
// whole, atomically, at Flush().
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zeph {

class IniFile {
 public:
  // Reads the file; a missing file reads as empty. Throws Exception when the
  // file cannot be read or is UTF-16 text.
  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }

  // Section names in file order, repeated names included.
  std::vector<std::string> ReadSections() const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  // Trimmed value with one pair of enclosing quotes removed, at most 2047
  // characters; `def` when the key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  // Decimal, "$" or "0x" hex; `def` for anything else.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;

  // Changes the key in place, or adds it at the end of its section, or adds
  // the section at the end of the file. Throws Exception "Unable to write to
  // %s" when the file or its directory is read-only.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);

  // Writes the file when its content changed: a temporary file in the same
  // directory, synced and renamed over the original. Throws Exception
  // "Unable to write to %s"; the original is then left as it was.
  void Flush();

  // The bytes Flush() would write.
  std::string Content() const;

  // Whole-number form of the INI layer; false for anything else.
  static bool TryParseInteger(std::string_view text, int32_t& out);
  static constexpr size_t kMaxValueLength = 2047;

 private:
  static constexpr uint32_t kNone = UINT32_MAX;

  struct Line {
    std::string text;  // without its line end
    std::string eol;   // "\r\n", "\r", "\n", or empty for a last line without one
    uint32_t next = kNone;
  };
  struct Section {
    uint32_t anchor;  // last non-blank, non-comment line; new keys go after it
    std::unordered_map<std::string, uint32_t> keys;  // folded name -> line
  };

  void Parse(std::string_view bytes);
  uint32_t AddLine(std::string text, uint32_t after);
  const Section* FindSection(std::string_view section) const;
  uint32_t FindKey(std::string_view section, std::string_view key) const;
  void CheckWritable();
  [[noreturn]] void WriteFailed() const;

  std::string path_;
  std::string original_;  // bytes as loaded or last written
  bool exists_ = false;
  bool have_stat_ = false;
  mode_t mode_ = 0;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool writable_checked_ = false;

  std::string bom_;
  std::string eol_ = "\r\n";
  std::vector<Line> lines_;  // storage; file order follows `next`
  uint32_t head_ = kNone;
  uint32_t tail_ = kNone;
  std::vector<std::string> section_names_;
  std::vector<Section> sections_;                            // first section of each name
  std::unordered_map<std::string, uint32_t> section_index_;  // folded name -> sections_
};

}  // namespace zeph
