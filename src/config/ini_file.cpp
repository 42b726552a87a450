#include "config/ini_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/error_text.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "util/atomic_file.h"
#include "util/diagnostics.h"
#include "util/error.h"
#include "util/files.h"
#include "util/large_pages.h"
#include "util/text.h"
#include "util/unique_fd.h"

namespace zeph {
namespace {

// Blanks, the control bytes 0x09-0x0D and the end-of-file byte (Ctrl-Z)
// that older editors leave behind.
bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A';
}

inline std::string_view TrimIni(std::string_view text) {
  if (text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back()))) return text;
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Case folding of the Windows-1250 letters, one byte at a time.
std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) {
    t[c] = static_cast<unsigned char>(UpperCase1250(std::string(1, static_cast<char>(c)))[0]);
  }
  return t;
}
const std::array<unsigned char, 256> kFold = MakeFoldTable();

// Hashes eight bytes at a time. Names that match without regard to case
// hash alike: ASCII bytes lose their case bit, other bytes are folded.
uint32_t HashName(std::string_view name) {
  const size_t n = name.size();
  uint64_t h = n * 0x9E3779B97F4A7C15ull;
  for (size_t pos = 0; pos < n; pos += 8) {
    uint64_t word = 0;
    if (pos + 8 <= n) {
      std::memcpy(&word, name.data() + pos, 8);
    } else if (n >= 8) {
      // The last bytes, read as the word that ends the name.
      std::memcpy(&word, name.data() + n - 8, 8);
      word >>= 8 * (pos + 8 - n);
    } else {
      for (size_t i = pos; i < n; ++i)
        word |= uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
    }
    if (word & 0x8080808080808080ull) {
      unsigned char bytes[8];
      std::memcpy(bytes, &word, 8);
      for (unsigned char& b : bytes) b = kFold[b];
      std::memcpy(&word, bytes, 8);
    }
    word |= 0x2020202020202020ull;
    h = (h ^ word) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  }
  h *= 0xC4CEB9FE1A85EC53ull;
  return static_cast<uint32_t>(h >> 32);
}

// Byte-wise equality of short texts without a library call.
bool SameBytes(std::string_view a, std::string_view b) {
  const size_t n = a.size();
  if (n != b.size()) return false;
  if (n < 8) {
    for (size_t i = 0; i < n; ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
  if (n > 16) return std::memcmp(a.data(), b.data(), n) == 0;
  uint64_t x, y, u, v;  // the first and the last eight bytes cover it
  std::memcpy(&x, a.data(), 8);
  std::memcpy(&y, b.data(), 8);
  std::memcpy(&u, a.data() + n - 8, 8);
  std::memcpy(&v, b.data() + n - 8, 8);
  return ((x ^ y) | (u ^ v)) == 0;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (SameBytes(a, b)) return true;  // spelt alike: the usual case
  for (size_t i = 0; i < a.size(); ++i) {
    if (kFold[static_cast<unsigned char>(a[i])] != kFold[static_cast<unsigned char>(b[i])]) {
      return false;
    }
  }
  return true;
}

// The slot a hash starts probing at in a table of `cap` slots.
uint32_t FirstSlot(uint32_t hash, uint32_t cap) {
  return static_cast<uint32_t>((static_cast<uint64_t>(hash) * cap) >> 32);
}

constexpr std::string_view kEolText[] = {"", "\r", "\n", "\r\n"};

// The offset of the first CR or LF at or after `pos`, or `n`; sets `ctrl_z`
// when an end-of-file byte comes before it and ORs the bytes it read (some
// after the line end too) into `seen`. Eight bytes at a time: a line is
// found by its few bytes below 0x1B.
size_t FindLineEnd(const char* p, size_t pos, size_t n, bool& ctrl_z, uint64_t& seen) {
  for (;;) {
    while (pos + 8 <= n) {
      uint64_t word;
      std::memcpy(&word, p + pos, 8);
      seen |= word;
      uint64_t low = (word - 0x1B1B1B1B1B1B1B1Bull) & ~word & 0x8080808080808080ull;
      if (low != 0) {
        pos += static_cast<size_t>(__builtin_ctzll(low)) / 8;  // the first byte below 0x1B
        break;
      }
      pos += 8;
    }
    if (pos == n) return n;
    seen |= static_cast<unsigned char>(p[pos]);
    if (p[pos] == '\r' || p[pos] == '\n') return pos;
    if (p[pos] == '\x1A') ctrl_z = true;
    ++pos;
  }
}

// The offset of the first '=' of a line, or its size. Eight bytes at a time:
// key names are short, and this runs for every key read or written.
size_t FindEquals(std::string_view text) {
  size_t pos = 0;
  for (; pos + 8 <= text.size(); pos += 8) {
    uint64_t word;
    std::memcpy(&word, text.data() + pos, 8);
    word ^= 0x3D3D3D3D3D3D3D3Dull;  // '=' bytes become zero
    uint64_t zero = (word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull;
    if (zero != 0) return pos + static_cast<size_t>(__builtin_ctzll(zero)) / 8;
  }
  while (pos < text.size() && text[pos] != '=') ++pos;
  return pos;
}

// Where the name of a key line ends when the line's key is `size` bytes
// long: the usual line, "Name=value", needs no search for '='.
size_t NameEnd(std::string_view line, size_t size) {
  if (line.size() > size && line[size] == '=' && !IsBlank(line[0])) return size;
  return FindEquals(line);
}

// The value of a key line whose key is `key_size` bytes long, trimmed and
// with one pair of enclosing quotes removed, before it is cut to the read
// limit.
std::string_view UncutValue(std::string_view line, size_t key_size) {
  return Unquote(TrimIni(line.substr(NameEnd(line, key_size) + 1)));
}

// The key name of a line, or false for a blank line, a comment or a line
// without '='.
bool KeyLineName(std::string_view text, std::string_view& name) {
  std::string_view trimmed = TrimIni(text);
  if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') return false;
  size_t equals = FindEquals(text);
  if (equals == text.size()) return false;
  name = TrimIni(text.substr(0, equals));
  return true;
}

// The name of a section header, or false when the line is none: the first
// non-blank byte is '[' and the name runs to the last ']', or to the end of
// the line when there is none (`closed` false).
bool HeaderName(std::string_view trimmed, std::string_view& name, bool& closed) {
  if (trimmed.empty() || trimmed[0] != '[') return false;
  size_t close = trimmed.rfind(']');
  closed = close != std::string_view::npos;
  name = TrimIni(trimmed.substr(1, closed ? close - 1 : std::string_view::npos));
  return true;
}

// Why `path` cannot be written, or 0. A mode without any write bit stands
// for a read-only attribute: root passes access(W_OK) whatever the bits say.
int NotWritableReason(const std::string& path, bool want_directory) {
  platform::FileInfo info;
  if (!platform::StatPath(path, info)) return errno;
  if (want_directory != (info.kind == platform::FileKind::kDirectory)) {
    return want_directory ? ENOTDIR : EISDIR;
  }
  if ((info.mode & 0222) == 0) return EACCES;
  return platform::CanWrite(path) ? 0 : errno;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  UniqueFd fd(platform::OpenFile(path_, platform::kRead));
  if (!fd) {
    if (errno == ENOENT) return;
    ReadFailed(errno);
  }
  platform::FileInfo info;
  if (platform::StatFile(fd.Get(), info)) stamp_ = FileStamp::Of(info);
  // Read straight into the text: no second copy of a large file.
  size_t size = stamp_.valid && info.size > 0 ? static_cast<size_t>(info.size) : 0;
  size_t capacity = size + 1;
  auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
  AdviseLargePages(bytes.get(), capacity);
  size_t got = 0;
  for (;;) {
    if (got == capacity) {  // it grew meanwhile
      auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2);
      std::memcpy(larger.get(), bytes.get(), got);
      bytes = std::move(larger);
      capacity *= 2;
    }
    const int64_t n = platform::ReadSome(fd.Get(), bytes.get() + got, capacity - got);
    if (n < 0) ReadFailed(errno);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  loaded_bytes_ = std::move(bytes);
  loaded_ = std::string_view(loaded_bytes_.get(), got);
  if (loaded_.size() >= UINT32_MAX) throw Exception("Unable to read " + path_ + ": too large");
  exists_ = true;
  Decode();
  if (loaded_.size() >= UINT32_MAX) throw Exception("Unable to read " + path_ + ": too large");
  Parse();
  for (const RawLine& raw : raw_) {
    if (raw.lossy) Warn(IniWarning::Kind::kUnconvertible, raw.line);
  }
}

void IniFile::Decode() {
  encoding_ = DetectIniEncoding(loaded_);
  if (encoding_ == IniEncoding::kWindows1250) return;  // as it is; Parse() looks for UTF-8
  DecodedIni decoded = DecodeIni(loaded_, encoding_);
  if (decoded.half_character) {
    throw Exception("Unable to read " + path_ + ": the file ends in half a " +
                    IniEncodingName(encoding_) + " character");
  }
  loaded_bytes_ = std::make_unique_for_overwrite<char[]>(decoded.text.size() + 1);
  std::memcpy(loaded_bytes_.get(), decoded.text.data(), decoded.text.size());
  loaded_ = std::string_view(loaded_bytes_.get(), decoded.text.size());
  raw_ = std::move(decoded.raw);
  for (uint32_t i = 0; i < raw_.size(); ++i) raw_index_.emplace(raw_[i].line, i);
  if (decoded.mixed_line != UINT32_MAX) Warn(IniWarning::Kind::kMixedEncoding, decoded.mixed_line);
}

// The logged text stays "Unable to read <path>"; the operator learns why on
// standard error, and the exception carries the reason to the run record.
void IniFile::ReadFailed(int error) const {
  DiagnoseSystemError("cannot read", path_, error);
  throw Exception("Unable to read " + path_, platform::ErrorText(error));
}

void IniFile::Unconvertible(std::string_view section, std::string_view key) const {
  std::string where = "section [" + std::string(section) + "]";
  if (!key.empty()) where += " key " + std::string(key);
  throw Exception("Unable to read " + path_ + ": " + where + " holds a character that " +
                  "Windows-1250 cannot hold (the file is " + IniEncodingName(encoding_) + ")");
}

void IniFile::Parse() {
  const char* data = loaded_.data();
  const size_t n = loaded_.size();
  bool ctrl_z = false;
  uint64_t seen = 0;
  size_t first_end = FindLineEnd(data, 0, n, ctrl_z, seen);
  if (first_end < n) {
    eol_ = data[first_end] == '\n'                              ? kLf
           : (first_end + 1 < n && data[first_end + 1] == '\n') ? kCrLf
                                                                : kCr;
  }
  // Address space for lines of eight bytes and more: pages never used cost
  // no memory, and the tables are not copied while they grow.
  lines_.reserve(n / 8 + 16);
  AdviseLargePages(lines_.data(), lines_.capacity() * sizeof(Line));

  // A Windows-1250 file may hold UTF-8 text pasted in.
  bool find_mixed = encoding_ == IniEncoding::kWindows1250;
  uint32_t current = kNone;  // none outside a section or in a repeated one
  auto end_section = [&](size_t end) {
    if (current == kNone) return;
    sections_[current].end = static_cast<uint32_t>(end);
    // A line Windows-1250 cannot hold is an error only in a key that counts:
    // such files are indexed at once, so that reading them fails here.
    if (!raw_.empty()) IndexKeys(current);
  };
  for (size_t pos = 0; pos < n;) {
    ctrl_z = false;
    seen = 0;
    size_t end = FindLineEnd(data, pos, n, ctrl_z, seen);
    if (end - pos > kMaxLineSize)
      throw Exception("Unable to read " + path_ + ": a line is too long");
    Line line;
    line.begin = static_cast<uint32_t>(pos);
    line.size = static_cast<uint32_t>(end - pos);
    if (end < n) {
      bool crlf = data[end] == '\r' && end + 1 < n && data[end + 1] == '\n';
      line.eol = crlf ? kCrLf : data[end] == '\r' ? kCr : kLf;
      end += crlf ? 2 : 1;
    }
    pos = end;
    uint32_t id = static_cast<uint32_t>(lines_.size());
    lines_.push_back(line);

    if (ctrl_z) Warn(IniWarning::Kind::kCtrlZ, id);
    if (find_mixed && (seen & 0x8080808080808080ull) &&
        FindMixedUtf8(std::string_view(data + line.begin, line.size)) != std::string_view::npos) {
      Warn(IniWarning::Kind::kMixedEncoding, id);  // the first such line only
      find_mixed = false;
    }
    size_t first = line.begin;  // the first non-blank byte
    while (first < line.begin + line.size && IsBlank(data[first])) ++first;
    if (first == line.begin + line.size || data[first] == ';' || data[first] == '#') continue;
    if (data[first] != '[') {
      if (current != kNone) sections_[current].anchor = id;
      continue;
    }
    std::string_view name;
    bool closed = true;
    if (HeaderName(TrimIni(std::string_view(data + line.begin, line.size)), name, closed)) {
      end_section(id);
      if (!closed) Warn(IniWarning::Kind::kUnclosedHeader, id);
      if (name.empty()) {
        // No section: it and its keys are ignored.
        Warn(IniWarning::Kind::kEmptySection, id);
        current = kNone;
        continue;
      }
      auto raw = raw_index_.empty() ? raw_index_.end() : raw_index_.find(id);
      if (raw != raw_index_.end() && raw_[raw->second].lossy) Unconvertible(name, "");
      GrowLarge(section_names_);
      section_names_.emplace_back(name);
      uint32_t hash = HashName(name);
      current = FindSectionIn(name, hash) == kNone ? AddSection(hash, id, false) : kNone;
    }
  }
  end_section(lines_.size());
  loaded_lines_ = static_cast<uint32_t>(lines_.size());
  tail_ = lines_.empty() ? kNone : loaded_lines_ - 1;
}

// The section last named in `section_names_`.
uint32_t IniFile::AddSection(uint32_t hash, uint32_t header, bool indexed) {
  uint32_t index = static_cast<uint32_t>(sections_.size());
  Section section;
  section.header = header;
  section.anchor = header;
  section.end = header + 1;
  section.name = static_cast<uint32_t>(section_names_.size() - 1);
  section.hash = hash;
  section.indexed = indexed;
  GrowLarge(sections_);
  sections_.push_back(section);
  if (sections_.size() * 2 > section_slots_.size()) {
    // Twice the slots, filled again from the sections' own hashes.
    section_slots_.assign(std::max<size_t>(16, section_slots_.size() * 2), SectionSlot{});
    for (uint32_t i = 0; i < index; ++i) PlaceSection(i);
  }
  PlaceSection(index);
  return index;
}

void IniFile::PlaceSection(uint32_t index) {
  const uint32_t cap = static_cast<uint32_t>(section_slots_.size());
  const uint32_t hash = sections_[index].hash;
  uint32_t slot = FirstSlot(hash, cap);
  while (section_slots_[slot].index != kNone) slot = slot + 1 == cap ? 0 : slot + 1;
  section_slots_[slot] = {hash, index};
}

uint32_t IniFile::FindSectionIn(std::string_view name, uint32_t hash) const {
  const uint32_t cap = static_cast<uint32_t>(section_slots_.size());
  if (cap == 0) return kNone;
  for (uint32_t slot = FirstSlot(hash, cap); section_slots_[slot].index != kNone;
       slot = slot + 1 == cap ? 0 : slot + 1) {
    const SectionSlot& s = section_slots_[slot];
    if (s.hash == hash && SameName(section_names_[sections_[s.index].name], name)) return s.index;
  }
  return kNone;
}

// Built when a key of the section is first looked up or added, sized once
// for the keys it holds. Until then no line was added to the section: its
// keys are the loaded lines after its header.
void IniFile::IndexKeys(uint32_t index) const {
  Section& section = sections_[index];
  if (section.indexed) return;
  section.indexed = true;
  key_scratch_.clear();
  for (uint32_t id = section.header + 1; id < section.end; ++id) {
    std::string_view name;
    if (KeyLineName(Text(lines_[id]), name) && !name.empty()) key_scratch_.push_back({id, name});
  }
  GrowKeys(section, static_cast<uint32_t>(key_scratch_.size() + key_scratch_.size() / 3 + 1));
  for (const KeyLine& key : key_scratch_) {
    // The first key of a name counts.
    if (!InsertKey(index, key.id, key.name)) continue;
    auto raw = raw_index_.empty() ? raw_index_.end() : raw_index_.find(key.id);
    if (raw != raw_index_.end() && raw_[raw->second].lossy) {
      Unconvertible(section_names_[section.name], key.name);
    }
  }
}

bool IniFile::InsertKey(uint32_t index, uint32_t id, std::string_view name) const {
  Section& section = sections_[index];
  if ((section.key_count + 1) * 4 > section.key_cap * 3) GrowKeys(section, section.key_cap * 2 + 8);
  uint32_t* slots = key_slots_.data() + section.key_begin;
  uint32_t slot = FirstSlot(HashName(name), section.key_cap);
  for (; slots[slot] != kNone; slot = slot + 1 == section.key_cap ? 0 : slot + 1) {
    if (KeyIs(slots[slot], name)) return false;
  }
  slots[slot] = id;
  lines_[id].counts = 1;
  ++section.key_count;
  return true;
}

// Moves the section's table to `cap` slots at the end of the pool; the old
// range is left unused (only sections that gain keys ever grow).
void IniFile::GrowKeys(Section& section, uint32_t cap) const {
  if (key_slots_.capacity() == 0) {
    // Address space for all tables: pages never used cost no memory, and
    // the pool is not copied while it grows.
    key_slots_.reserve(loaded_.size() / 6 + 16);
    AdviseLargePages(key_slots_.data(), key_slots_.capacity() * sizeof(uint32_t));
  }
  uint32_t old_begin = section.key_begin;
  uint32_t old_cap = section.key_cap;
  section.key_begin = static_cast<uint32_t>(key_slots_.size());
  section.key_cap = cap;
  key_slots_.resize(key_slots_.size() + cap, kNone);
  uint32_t* slots = key_slots_.data() + section.key_begin;
  for (uint32_t i = 0; i < old_cap; ++i) {
    uint32_t id = key_slots_[old_begin + i];
    if (id == kNone) continue;
    uint32_t slot = FirstSlot(HashName(KeyName(id)), cap);
    while (slots[slot] != kNone) slot = slot + 1 == cap ? 0 : slot + 1;
    slots[slot] = id;
  }
}

std::string_view IniFile::KeyName(uint32_t id) const {
  std::string_view text = Text(lines_[id]);
  return TrimIni(text.substr(0, FindEquals(text)));
}

bool IniFile::KeyIs(uint32_t id, std::string_view name) const {
  std::string_view text = Text(lines_[id]);
  const size_t n = name.size();
  if (!text.empty() && !IsBlank(text[0])) {
    // The name starts the line: it is `name` only if '=' or a blank follows.
    if (text.size() <= n) return false;
    if (text[n] == '=') return SameName(text.substr(0, n), name);
    if (!IsBlank(text[n])) return false;
  }
  return SameName(KeyName(id), name);
}

uint32_t IniFile::FindSection(std::string_view section) const {
  std::string_view name = TrimIni(section);
  if (last_section_ != kNone) {
    // The same section as before, or, as when entries are read in file
    // order, the one after it.
    if (SameName(section_names_[sections_[last_section_].name], name)) return last_section_;
    uint32_t next = last_section_ + 1;
    if (next < sections_.size() && SameName(section_names_[sections_[next].name], name)) {
      last_section_ = next;
      return next;
    }
  }
  uint32_t index = FindSectionIn(name, HashName(name));
  if (index != kNone) last_section_ = index;
  return index;
}

uint32_t IniFile::FindKey(std::string_view section, std::string_view key) const {
  uint32_t index = FindSection(section);
  if (index == kNone) return kNone;
  IndexKeys(index);
  std::string_view name = TrimIni(key);
  // No key line has an empty name or one with '=' in the table.
  if (name.empty() || FindEquals(name) < name.size()) return kNone;
  uint32_t id = kNone;
  if (index == last_key_section_) {
    // The key found last (each key is read, then written), or, as keys are
    // mostly asked for in file order, the line after it when it is the key
    // of its name that counts.
    if (KeyIs(last_key_, name)) return last_key_;
    uint32_t next = last_key_ + 1;
    if (next < loaded_lines_ && lines_[next].counts && KeyIs(next, name)) id = next;
  }
  if (id == kNone) id = FindKeyIn(index, name);
  if (id != kNone) {
    // Only a key found is kept: keys are never removed, so it stays right.
    last_key_section_ = index;
    last_key_ = id;
  }
  return id;
}

uint32_t IniFile::FindKeyIn(uint32_t index, std::string_view key) const {
  if (sections_[index].key_cap == 0) return kNone;
  const Section& section = sections_[index];
  const uint32_t* slots = key_slots_.data() + section.key_begin;
  uint32_t slot = FirstSlot(HashName(key), section.key_cap);
  for (; slots[slot] != kNone; slot = slot + 1 == section.key_cap ? 0 : slot + 1) {
    if (KeyIs(slots[slot], key)) return slots[slot];
  }
  return kNone;
}

bool IniFile::SectionExists(std::string_view section) const {
  return FindSection(section) != kNone;
}

std::string_view IniFile::Value(uint32_t id, std::string_view key) const {
  return UncutValue(Text(lines_[id]), TrimIni(key).size()).substr(0, kMaxValueLength);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
  return ReadKey(FindKey(section, key), key, def);
}

std::string IniFile::ReadKey(uint32_t line, std::string_view key, std::string_view def) const {
  return std::string(line == kNoLine ? def : Value(line, key));
}

void IniFile::FindKeys(std::string_view section, const IniKeySet& keys,
                       std::vector<uint32_t>& lines) const {
  lines.assign(keys.size(), kNoLine);
  uint32_t index = FindSection(section);
  if (index == kNone) return;
  const Section& s = sections_[index];
  if (s.indexed) {
    for (size_t i = 0; i < keys.size(); ++i) lines[i] = FindKeyIn(index, keys.Name(i));
    return;
  }
  // One pass over the lines; the first key of a name counts. Files written
  // by this program hold the keys in the order of the set: each line is
  // first taken for the key after the one before it.
  size_t guess = 0;
  for (uint32_t id = s.header + 1; id < s.end; ++id) {
    std::string_view text = Text(lines_[id]);
    size_t k = keys.size();
    if (guess < keys.size() && keys.StartsLine(guess, text)) k = guess;
    if (k == keys.size()) {
      std::string_view name;
      if (!KeyLineName(text, name)) continue;
      k = keys.Find(name);
      if (k == keys.size()) continue;
    }
    if (lines[k] == kNoLine) lines[k] = id;
    guess = k + 1;
  }
}

IniKeySet::IniKeySet(std::vector<std::string> names) : names_(std::move(names)) {
  for (std::string& name : names_) name = std::string(TrimIni(name));
  slots_.assign(names_.size() * 2 + 1, UINT32_MAX);
  findable_.assign(names_.size(), 0);
  for (uint32_t i = 0; i < names_.size(); ++i) {
    // No key line has an empty name or one with '='.
    if (names_[i].empty() || FindEquals(names_[i]) < names_[i].size()) continue;
    findable_[i] = 1;
    uint32_t slot = FirstSlot(HashName(names_[i]), static_cast<uint32_t>(slots_.size()));
    while (slots_[slot] != UINT32_MAX) slot = slot + 1 == slots_.size() ? 0 : slot + 1;
    slots_[slot] = i;
  }
}

bool IniKeySet::StartsLine(size_t i, std::string_view text) const {
  const std::string& name = names_[i];
  return text.size() > name.size() && text[name.size()] == '=' &&
         SameBytes(text.substr(0, name.size()), name) && findable_[i];
}

size_t IniKeySet::Find(std::string_view name) const {
  uint32_t slot = FirstSlot(HashName(name), static_cast<uint32_t>(slots_.size()));
  for (; slots_[slot] != UINT32_MAX; slot = slot + 1 == slots_.size() ? 0 : slot + 1) {
    if (SameName(names_[slots_[slot]], name)) return slots_[slot];
  }
  return names_.size();
}

bool IniFile::ValueIsCut(std::string_view section, std::string_view key) const {
  uint32_t id = FindKey(section, key);
  return id != kNone && UncutValue(Text(lines_[id]), TrimIni(key).size()).size() > kMaxValueLength;
}

bool IniFile::TryParseInteger(std::string_view text, int32_t& out) {
  if (!text.empty() && text.size() <= 9) {
    // Plain decimal digits, as this program writes them: no overflow.
    int32_t value = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      value = value * 10 + (text[i] - '0');
    if (i == text.size()) {
      out = value;
      return true;
    }
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFull) return false;
  }
  int64_t result;
  if (base == 16) {
    // Hex fills all 32 bits: $FFFFFFFF is -1.
    result = static_cast<int32_t>(static_cast<uint32_t>(value));
    if (negative) result = -result;
  } else {
    result = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
  }
  if (result < INT32_MIN || result > INT32_MAX) return false;
  out = static_cast<int32_t>(result);
  return true;
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  return ReadKeyInteger(FindKey(section, key), key, def);
}

int32_t IniFile::ReadKeyInteger(uint32_t line, std::string_view key, int32_t def) const {
  int32_t value = 0;
  return line != kNoLine && TryParseInteger(Value(line, key), value) ? value : def;
}

// The logged text stays "Unable to write to <path>"; the exception carries
// the system's reason (when there is one) to the run record.
void IniFile::WriteFailed(int error) const {
  throw Exception("Unable to write to " + path_, error != 0 ? platform::ErrorText(error) : "");
}

void IniFile::CheckWritable() {
  if (writable_checked_) return;
  std::string target = ResolveWriteTarget(path_);
  if (int error = exists_ ? NotWritableReason(target, false) : 0) {
    DiagnoseSystemError("cannot write", target, error);
    WriteFailed(error);
  }
  if (int error = NotWritableReason(DirectoryOf(target), true)) {
    DiagnoseSystemError("cannot write in the directory of", target, error);
    WriteFailed(error);
  }
  writable_checked_ = true;
}

// Remembers a loaded line whose bytes no longer follow from the loaded text.
void IniFile::Touch(uint32_t id) {
  if (id < loaded_lines_) touched_.push_back(id);
  changed_ = true;
}

void IniFile::SetText(uint32_t id, std::string_view text) {
  if (text.size() > kMaxLineSize || added_.size() + text.size() >= UINT32_MAX) WriteFailed(0);
  Line& line = lines_[id];
  line.begin = static_cast<uint32_t>(added_.size());
  line.size = static_cast<uint32_t>(text.size());
  line.added = 1;
  added_ += text;
  Touch(id);
}

uint32_t IniFile::AddLine(std::string_view text, uint32_t after) {
  if (after == kNone) after = tail_;  // at the end of the file
  uint32_t id = static_cast<uint32_t>(lines_.size());
  Line line;
  line.eol = eol_;
  lines_.push_back(line);
  added_next_.push_back(kNone);
  SetText(id, text);
  if (after != kNone && lines_[after].eol == kNoEol) {
    lines_[after].eol = eol_;  // a line end before the new line
    Touch(after);
  }
  if (after == kNone || after < loaded_lines_) {
    auto [it, added] = chain_.try_emplace(after, id);
    if (!added) {
      added_next_[id - loaded_lines_] = it->second;
      it->second = id;
    }
    if (after != kNone) Touch(after);
  } else {
    added_next_[id - loaded_lines_] = added_next_[after - loaded_lines_];
    added_next_[after - loaded_lines_] = id;
  }
  if (tail_ == after) tail_ = id;
  return id;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  CheckWritable();
  uint32_t index = FindSection(section);
  if (index == kNone) {
    std::string_view name = TrimIni(section);
    uint32_t header = AddLine("[" + std::string(name) + "]", kNone);
    section_names_.emplace_back(name);
    index = AddSection(HashName(name), header, true);
  }
  uint32_t id = FindKey(section, key);
  if (id != kNone) {
    WriteLine(id, key, value);
    return;
  }
  std::string text(TrimIni(key));
  text += '=';
  text += value;
  id = AddLine(text, sections_[index].anchor);
  sections_[index].anchor = id;
  if (!KeyName(id).empty()) InsertKey(index, id, KeyName(id));
}

void IniFile::WriteKey(std::string_view section, uint32_t line, std::string_view key,
                       std::string_view value) {
  if (line == kNoLine) {
    WriteString(section, key, value);
    return;
  }
  if (!writable_checked_) CheckWritable();
  WriteLine(line, key, value);
}

void IniFile::WriteLine(uint32_t id, std::string_view key, std::string_view value) {
  std::string_view old_text = Text(lines_[id]);
  const size_t key_size = TrimIni(key).size();  // the size of its own spelling
  Eol eol = lines_[id].eol == kNoEol ? kNoEol : eol_;
  if (old_text.size() == key_size + 1 + value.size() && !IsBlank(old_text[0]) &&
      old_text[key_size] == '=' && SameBytes(old_text.substr(key_size + 1), value) &&
      lines_[id].eol == eol) {
    return;  // written so already: the line keeps its bytes
  }
  // Writing back what was read of a value longer than the read limit keeps
  // the line whole: the rest of the value is not lost.
  if (value == Value(id, key) && UncutValue(old_text, key_size).size() > kMaxValueLength) return;
  std::string text(KeyName(id));  // its own spelling
  text += '=';
  text += value;
  SetText(id, text);
  lines_[id].eol = eol;
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteKeyInteger(section, kNoLine, key, value);
}

void IniFile::EmitContent(const std::function<void(std::string_view)>& out) const {
  const bool plain = encoding_ == IniEncoding::kWindows1250;
  std::string buffer;
  auto line = [&](uint32_t id) {
    const Line& l = lines_[id];
    if (plain) {
      out(Text(l));
      out(kEolText[l.eol]);
      return;
    }
    buffer.clear();
    auto raw = l.added || raw_index_.empty() ? raw_index_.end() : raw_index_.find(id);
    if (raw != raw_index_.end()) {
      buffer += raw_[raw->second].bytes;  // untouched: its bytes as found
    } else {
      AppendEncoded(buffer, Text(l), encoding_);
    }
    AppendEncoded(buffer, kEolText[l.eol], encoding_);
    out(buffer);
  };
  // Loaded lines from `from` up to `to`, none of them touched.
  auto span = [&](uint32_t from, uint32_t to) {
    if (from >= to) return;
    if (plain) {
      // Untouched lines lie in a row in the loaded text, line ends included.
      const Line& last = lines_[to - 1];
      size_t end = last.begin + last.size + kEolText[last.eol].size();
      out(loaded_.substr(lines_[from].begin, end - lines_[from].begin));
      return;
    }
    for (uint32_t id = from; id < to; ++id) line(id);
  };
  auto chain = [&](uint32_t after) {
    auto it = chain_.find(after);
    if (it == chain_.end()) return;
    for (uint32_t id = it->second; id != kNone; id = added_next_[id - loaded_lines_]) line(id);
  };

  if (!plain) out(ByteOrderMark(encoding_));
  chain(kNone);
  std::vector<uint32_t> touched = touched_;
  std::sort(touched.begin(), touched.end());
  touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
  uint32_t next = 0;
  for (uint32_t id : touched) {
    span(next, id);
    line(id);
    chain(id);
    next = id + 1;
  }
  span(next, loaded_lines_);
}

std::vector<IniFile::LayoutLine> IniFile::Layout() const {
  std::vector<LayoutLine> layout;
  std::string_view section;
  bool ignored = false;  // under "[]"
  for (uint32_t id = 0; id < loaded_lines_; ++id) {
    const std::string_view text = Text(lines_[id]);
    std::string_view name;
    bool closed = true;
    if (HeaderName(TrimIni(text), name, closed)) {
      ignored = name.empty();
      section = name;
      if (!ignored) layout.push_back({id + 1, section, {}});
    } else if (!ignored && KeyLineName(text, name) && !name.empty()) {
      layout.push_back({id + 1, section, name});
    }
  }
  return layout;
}

std::vector<std::string_view> IniFile::KeyNamesOf(std::string_view section) const {
  std::vector<std::string_view> names;
  const uint32_t index = FindSection(section);
  if (index == kNone) return names;
  const uint32_t end = std::min(sections_[index].end, loaded_lines_);
  for (uint32_t id = sections_[index].header + 1; id < end; ++id) {
    std::string_view name;
    if (KeyLineName(Text(lines_[id]), name) && !name.empty()) names.push_back(name);
  }
  return names;
}

std::string IniFile::Content() const {
  std::string content;
  EmitContent([&](std::string_view piece) { content += piece; });
  return content;
}

void IniFile::Flush() {
  if (exists_ && !changed_) return;
  if (!exists_ && lines_.empty()) return;
  CheckWritable();

  AtomicFile file(path_);
  if (!file.Open()) {
    DiagnoseSystemError(file.Failure(), file.FailurePath(), file.Error());
    WriteFailed(file.Error());
  }
  bool ok = true;
  if (encoding_ == IniEncoding::kWindows1250) {
    // The loaded text and the changed lines where they lie, handed to
    // writev(): no copy of the file.
    std::vector<std::string_view> pieces;
    EmitContent([&](std::string_view piece) { pieces.push_back(piece); });
    ok = file.Write(pieces);
  } else {
    // Converted line by line into large pieces as they come.
    std::string buffer;
    constexpr size_t kBuffer = 1 << 20;
    buffer.reserve(kBuffer);
    EmitContent([&](std::string_view piece) {
      if (!ok) return;
      if (buffer.size() + piece.size() > kBuffer) {
        ok = file.Write(buffer);
        buffer.clear();
      }
      buffer += piece;
    });
    ok = ok && file.Write(buffer);
  }
  if (!ok || !file.Commit(&stamp_)) {
    DiagnoseSystemError(file.Failure(), file.FailurePath(), file.Error());
    WriteFailed(file.Error());
  }
  changed_ = false;
  exists_ = true;
}

bool IniFile::ChangedOnDisk() const {
  FileStamp now = StampOfPath(path_);
  if (!now.valid && !stamp_.valid) return exists_;  // still missing unless we wrote it
  return !(now == stamp_);
}

void IniFile::Reload() {
  *this = IniFile(path_);
}

}  // namespace zeph
