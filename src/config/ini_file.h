// An INI file held in memory: read with the profile-function rules (trimmed,
// case-insensitive names, first section and first key of a name count),
// changed with every untouched line kept byte for byte, and written back as a
// whole, atomically, at Flush(). A UTF-8 or UTF-16 file is read as
// Windows-1250 text and written back in its own encoding.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "config/ini_encoding.h"
#include "util/atomic_file.h"

namespace zeph {

// Something the reader took a decision on that a person may not expect.
struct IniWarning {
  enum class Kind : uint8_t {
    kMixedEncoding,   // bytes of another encoding than the file's own
    kUnconvertible,   // a line Windows-1250 cannot hold, kept as it is
    kCtrlZ,           // an end-of-file byte (0x1A), read as a blank
    kEmptySection,    // "[]": no section; it and its keys are ignored
    kUnclosedHeader,  // "[Name" without "]" opens section Name
  };
  Kind kind;
  uint32_t line;  // 1-based
};

class IniFile {
 public:
  // Reads the file; a missing file reads as empty. Throws Exception when the
  // file cannot be read, or when a section name or a key line that counts
  // holds a character Windows-1250 cannot hold (naming section and key).
  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }
  // The encoding the file was found in (Windows-1250 for a new file).
  IniEncoding Encoding() const { return encoding_; }
  // What the reader noticed, in line order within each kind.
  const std::vector<IniWarning>& Warnings() const { return warnings_; }

  // Section names in file order, repeated names included.
  std::vector<std::string> ReadSections() const;
  bool SectionExists(std::string_view section) const;

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

  // True when a write changed the content since it was read or flushed.
  bool Changed() const { return changed_; }

  // Writes the file when its content changed, atomically (AtomicFile): a
  // symlink is written through, owner, ACL and mode are kept, a new file
  // gets 0600. Throws Exception "Unable to write to %s" and says why on
  // standard error; the original is then left as it was.
  void Flush();

  // True when the file on disk is no longer the one this object last read
  // or wrote (another inode, size, mtime or ctime); cheap, one stat().
  bool ChangedOnDisk() const;
  // Reads the file again, dropping every change not yet flushed.
  void Reload();

  // The bytes Flush() would write, in the file's encoding.
  std::string Content() const;

  // Whole-number form of the INI layer; false for anything else.
  static bool TryParseInteger(std::string_view text, int32_t& out);
  static constexpr size_t kMaxValueLength = 2047;

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  enum Eol : uint8_t { kNoEol, kCr, kLf, kCrLf };

  // A line is a slice of the loaded bytes until it is changed; then its text
  // lives in `owned_`. This keeps a large file to a few allocations.
  struct Line {
    uint32_t begin = 0;  // in `loaded_`, or 0 when owned
    uint32_t size = 0;
    uint32_t owned = kNone;    // index in `owned_`
    uint32_t next = kNone;     // the following line in file order
    uint32_t section = kNone;  // for key lines: the section they count in
    uint32_t name_begin = 0;   // key name within the text, trimmed
    uint32_t name_size = 0;
    Eol eol = kNoEol;
  };
  struct Section {
    std::string name;  // trimmed, as first spelt
    uint32_t anchor;   // last non-blank, non-comment line; new keys go after it
    // The section's own key table: `key_cap` slots of `key_pool_` from
    // `key_begin`, so the keys of one section lie together in memory.
    uint32_t key_begin = 0;
    uint32_t key_cap = 0;
    uint32_t key_count = 0;
  };

  std::string_view Text(const Line& line) const;
  std::string_view Value(uint32_t id) const;  // trimmed, unquoted, cut
  void SetText(uint32_t id, std::string text);
  void SetKeyName(uint32_t id);
  void Parse();
  uint32_t AddLine(std::string text, uint32_t after);
  uint32_t AddSection(std::string_view name, uint32_t header);
  uint32_t FindSection(std::string_view section) const;
  uint32_t FindKey(std::string_view section, std::string_view key) const;
  uint32_t FindKeyIn(uint32_t section, std::string_view key) const;
  bool IndexKey(uint32_t id);  // false when a key of that name counts already
  void GrowSections();
  void GrowKeys(Section& section);
  void CheckWritable();
  void Decode();
  void Warn(IniWarning::Kind kind, uint32_t id) { warnings_.push_back({kind, id + 1}); }
  [[noreturn]] void Unconvertible(std::string_view section, std::string_view key) const;
  [[noreturn]] void WriteFailed() const;

  std::string path_;
  std::string loaded_;  // the text as read, in Windows-1250; lines point into it
  bool changed_ = false;
  bool exists_ = false;
  FileStamp stamp_;  // of the file as last read or written
  bool writable_checked_ = false;

  IniEncoding encoding_ = IniEncoding::kWindows1250;
  // Loaded lines that keep their original bytes while untouched: line id to
  // index in `raw_`.
  std::vector<RawLine> raw_;
  std::unordered_map<uint32_t, uint32_t> raw_index_;
  std::vector<IniWarning> warnings_;
  Eol eol_ = kCrLf;
  std::vector<Line> lines_;  // storage; file order follows `next`
  std::vector<std::string> owned_;
  uint32_t head_ = kNone;
  uint32_t tail_ = kNone;
  std::vector<std::string> section_names_;  // every header, repeats included
  std::vector<Section> sections_;           // first section of each name
  // Open-addressing hash tables of section indexes and of key line ids,
  // keyed by names compared without regard to case.
  std::vector<uint32_t> section_slots_;
  std::vector<uint32_t> key_pool_;
  // The last section found; sections are never removed, so it stays valid.
  mutable std::string last_section_query_;
  mutable uint32_t last_section_index_ = kNone;
};

}  // namespace zeph
