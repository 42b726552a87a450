// An INI file held in memory: read with the profile-function rules (trimmed,
// case-insensitive names, first section and first key of a name count),
// changed with every untouched line kept byte for byte, and written back as a
// whole, atomically, at Flush(). A UTF-8 or UTF-16 file is read as
// Windows-1250 text and written back in its own encoding.
#pragma once

#include <charconv>
#include <cstdint>
#include <functional>
#include <memory>
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

// A fixed list of key names, for reading many keys of one section at once.
class IniKeySet {
 public:
  // Names, each once; a name with '=' is never found in a file.
  explicit IniKeySet(std::vector<std::string> names);
  size_t size() const { return names_.size(); }
  std::string_view Name(size_t i) const { return names_[i]; }
  // The index of `name` without regard to case, or size().
  size_t Find(std::string_view name) const;
  // True when `text` is a key line of name `i`, spelt alike, as "Name=...".
  bool StartsLine(size_t i, std::string_view text) const;

 private:
  std::vector<std::string> names_;
  std::vector<uint8_t> findable_;
  std::vector<uint32_t> slots_;  // open addressing, at most half full
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

  // Section names in file order, repeated names included; a write that adds
  // a section adds its name.
  const std::vector<std::string>& ReadSections() const { return section_names_; }
  bool SectionExists(std::string_view section) const;

  // Trimmed value with one pair of enclosing quotes removed, at most 2047
  // characters; `def` when the key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  // True when the key's value is longer than ReadString returns.
  bool ValueIsCut(std::string_view section, std::string_view key) const;
  // Decimal, "$" or "0x" hex; `def` for anything else.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;

  // Many keys of one section at once: `lines[i]` becomes the line of key
  // `keys.Name(i)`, or kNoLine. ReadKey, ReadKeyInteger, WriteKey and
  // WriteKeyInteger then do what ReadString, ReadInteger, WriteString and
  // WriteInteger do with the same key, without looking it up again; a line
  // stays valid until Reload().
  static constexpr uint32_t kNoLine = UINT32_MAX;
  void FindKeys(std::string_view section, const IniKeySet& keys,
                std::vector<uint32_t>& lines) const;
  std::string ReadKey(uint32_t line, std::string_view key, std::string_view def) const;
  int32_t ReadKeyInteger(uint32_t line, std::string_view key, int32_t def) const;
  void WriteKey(std::string_view section, uint32_t line, std::string_view key,
                std::string_view value);
  // Defined here to be inlined into loops over many keys.
  void WriteKeyInteger(std::string_view section, uint32_t line, std::string_view key,
                       int32_t value) {
    char text[16];
    char* end = std::to_chars(text, text + sizeof text, value).ptr;
    WriteKey(section, line, key, std::string_view(text, static_cast<size_t>(end - text)));
  }

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

  // The section headers and key lines of the loaded file in file order, for
  // a tool that reports on its layout. A key line before the first header
  // has an empty `section`; "[]" and the keys under it are left out, as the
  // reader ignores them.
  struct LayoutLine {
    uint32_t line;             // 1-based
    std::string_view section;  // the section the line opens or lies in
    std::string_view key;      // empty for a header
  };
  std::vector<LayoutLine> Layout() const;
  // The names of the keys of `section` as the file was loaded, in file order.
  std::vector<std::string_view> KeyNamesOf(std::string_view section) const;

  // The bytes Flush() would write, in the file's encoding.
  std::string Content() const;

  // Calls `out` with the bytes Flush() would write, in order, in pieces.
  void EmitContent(const std::function<void(std::string_view)>& out) const;

  // Whole-number form of the INI layer; false for anything else.
  static bool TryParseInteger(std::string_view text, int32_t& out);
  static constexpr size_t kMaxValueLength = 2047;

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  enum Eol : uint8_t { kNoEol, kCr, kLf, kCrLf };

  // A line is a slice of the loaded text until it is changed; then its text
  // lives in `added_`, like the text of added lines. Loaded lines keep file
  // order by their index; added lines are chained after the line they follow.
  // Eight bytes a line keep a large file to about twice its size in memory.
  struct Line {
    uint32_t begin = 0;
    uint32_t size : 28 = 0;
    uint32_t eol : 2 = kNoEol;
    uint32_t added : 1 = 0;
    uint32_t counts : 1 = 0;  // the key of its name that its section reads
  };
  static constexpr size_t kMaxLineSize = (1u << 28) - 1;

  struct Section {
    uint32_t header = 0;
    uint32_t anchor = 0;  // last non-blank, non-comment line; new keys go after it
    uint32_t end = 0;     // the loaded line after its last one
    uint32_t name = 0;    // its index in `section_names_`
    uint32_t hash = 0;    // of its name
    // Its key table, once built: `key_cap` slots of `key_slots_` from
    // `key_begin`.
    bool indexed = false;
    uint32_t key_begin = 0;
    uint32_t key_cap = 0;
    uint32_t key_count = 0;
  };

  std::string_view Text(const Line& line) const {
    // A line always lies within its text: no bounds check.
    return std::string_view((line.added ? added_.data() : loaded_.data()) + line.begin, line.size);
  }
  std::string_view KeyName(uint32_t id) const;
  // True when line `id`'s key is `name` (trimmed) without regard to case.
  bool KeyIs(uint32_t id, std::string_view name) const;
  // Trimmed, unquoted and cut value of line `id`, found by `key`.
  std::string_view Value(uint32_t id, std::string_view key) const;
  void Decode();
  void Parse();
  void SetText(uint32_t id, std::string_view text);
  uint32_t AddLine(std::string_view text, uint32_t after);
  uint32_t AddSection(uint32_t hash, uint32_t header, bool indexed);
  void PlaceSection(uint32_t index);
  // Section names compare without regard to case (Windows-1250 letters).
  uint32_t FindSectionIn(std::string_view name, uint32_t hash) const;
  void IndexKeys(uint32_t section) const;
  // False when a key of that name is there already.
  bool InsertKey(uint32_t section, uint32_t id, std::string_view name) const;
  void GrowKeys(Section& section, uint32_t cap) const;
  void WriteLine(uint32_t id, std::string_view key, std::string_view value);
  uint32_t FindSection(std::string_view section) const;
  uint32_t FindKey(std::string_view section, std::string_view key) const;
  uint32_t FindKeyIn(uint32_t section, std::string_view key) const;
  void Touch(uint32_t id);
  void CheckWritable();
  void Warn(IniWarning::Kind kind, uint32_t id) { warnings_.push_back({kind, id + 1}); }
  [[noreturn]] void Unconvertible(std::string_view section, std::string_view key) const;
  [[noreturn]] void WriteFailed(int error) const;
  [[noreturn]] void ReadFailed(int error) const;

  std::string path_;
  // The text as read, in Windows-1250; loaded lines point into it. Not a
  // std::string: making room in one writes every byte once before the read.
  std::unique_ptr<char[]> loaded_bytes_;
  std::string_view loaded_;
  std::string added_;  // the text of changed and added lines
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
  // Key tables are built at their first use, by lookups too: they and the
  // `counts` bit of the lines are mutable.
  mutable std::vector<Line> lines_;  // the loaded lines in file order, then added ones
  uint32_t loaded_lines_ = 0;
  std::vector<uint32_t> added_next_;  // per added line: the added line after it
  // First added line after a loaded line (kNone: at the start of an empty file).
  std::unordered_map<uint32_t, uint32_t> chain_;
  std::vector<uint32_t> touched_;           // loaded lines changed or followed by added ones
  uint32_t tail_ = kNone;                   // the last line in file order
  std::vector<std::string> section_names_;  // every header, repeats included
  mutable std::vector<Section> sections_;   // first section of each name
  // Open addressing, at most half full; the hash beside the index keeps a
  // probe from reading the section itself.
  struct SectionSlot {
    uint32_t hash = 0;
    uint32_t index = kNone;
  };
  std::vector<SectionSlot> section_slots_;
  // Open addressing, linear probing, at most three quarters full: standard
  // hash maps take 65 bytes and 280 ns a key, 2.2 times a server list's size.
  mutable std::vector<uint32_t> key_slots_;
  struct KeyLine {
    uint32_t id;
    std::string_view name;
  };
  mutable std::vector<KeyLine> key_scratch_;
  // The last section and key found: callers read and write many keys of one
  // section in a row, and each key first read, then written.
  mutable uint32_t last_section_ = kNone;
  mutable uint32_t last_key_section_ = kNone;
  mutable uint32_t last_key_ = kNone;
};

}  // namespace zeph
