#include "config/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "util/atomic_file.h"
#include "util/diagnostics.h"
#include "util/error.h"
#include "util/files.h"
#include "util/text.h"

namespace zeph {
namespace {

// Blanks, the control bytes 0x09-0x0D and the end-of-file byte (Ctrl-Z)
// that older editors leave behind.
bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A';
}

std::string_view TrimIni(std::string_view text) {
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

uint64_t HashName(std::string_view name) {
  uint64_t h = 14695981039346656037ull;
  for (char c : name) {
    h ^= kFold[static_cast<unsigned char>(c)];
    h *= 1099511628211ull;
  }
  // Spread all bits over the low ones the tables use.
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 33);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (kFold[static_cast<unsigned char>(a[i])] != kFold[static_cast<unsigned char>(b[i])]) {
      return false;
    }
  }
  return true;
}

constexpr std::string_view kEolText[] = {"", "\r", "\n", "\r\n"};

// The value of a key line, trimmed and with one pair of enclosing quotes
// removed, before it is cut to the read limit.
std::string_view UncutValue(std::string_view line) {
  std::string_view value = TrimIni(line.substr(line.find('=') + 1));
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

bool IsComment(std::string_view trimmed) {
  return !trimmed.empty() && (trimmed[0] == ';' || trimmed[0] == '#');
}

// The name of a section header, or false when the line is none: the first
// non-blank byte is '[' and the name runs to the last ']', or to the end of
// the line when there is none (`closed` false).
bool HeaderName(std::string_view line, std::string_view& name, bool& closed) {
  std::string_view t = TrimIni(line);
  if (t.empty() || t[0] != '[') return false;
  size_t close = t.rfind(']');
  closed = close != std::string_view::npos;
  name = TrimIni(t.substr(1, closed ? close - 1 : std::string_view::npos));
  return true;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Why `path` cannot be written, or 0. A mode without any write bit stands
// for a read-only attribute: root passes access(W_OK) whatever the bits say.
int NotWritableReason(const std::string& path, bool want_directory) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno;
  if (want_directory != S_ISDIR(st.st_mode)) return want_directory ? ENOTDIR : EISDIR;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return EACCES;
  return ::access(path.c_str(), W_OK) == 0 ? 0 : errno;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return;
    throw Exception("Unable to read " + path_);
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0) stamp_ = FileStamp::Of(st);
  if (stamp_.valid && st.st_size > 0) loaded_.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      throw Exception("Unable to read " + path_);
    }
    if (n == 0) break;
    loaded_.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
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
  if (encoding_ == IniEncoding::kWindows1250) {
    size_t mixed = FindMixedUtf8(loaded_);
    if (mixed != std::string_view::npos) {
      uint32_t line = 0;
      for (size_t pos = 0; (pos = loaded_.find_first_of("\r\n", pos)) < mixed; ++line) {
        pos += loaded_.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
      }
      Warn(IniWarning::Kind::kMixedEncoding, line);
    }
    return;
  }
  DecodedIni decoded = DecodeIni(loaded_, encoding_);
  loaded_ = std::move(decoded.text);
  raw_ = std::move(decoded.raw);
  for (uint32_t i = 0; i < raw_.size(); ++i) raw_index_.emplace(raw_[i].line, i);
  if (decoded.mixed_line != UINT32_MAX) Warn(IniWarning::Kind::kMixedEncoding, decoded.mixed_line);
}

void IniFile::Unconvertible(std::string_view section, std::string_view key) const {
  std::string where = "section [" + std::string(section) + "]";
  if (!key.empty()) where += " key " + std::string(key);
  throw Exception("Unable to read " + path_ + ": " + where + " holds a character that " +
                  "Windows-1250 cannot hold (the file is " + IniEncodingName(encoding_) + ")");
}

std::string_view IniFile::Text(const Line& line) const {
  if (line.owned != kNone) return owned_[line.owned];
  return std::string_view(loaded_).substr(line.begin, line.size);
}

void IniFile::SetText(uint32_t id, std::string text) {
  changed_ = true;
  Line& line = lines_[id];
  if (line.owned == kNone) {
    line.owned = static_cast<uint32_t>(owned_.size());
    owned_.push_back(std::move(text));
  } else {
    owned_[line.owned] = std::move(text);
  }
}

void IniFile::SetKeyName(uint32_t id) {
  std::string_view text = Text(lines_[id]);
  std::string_view name = text.substr(0, text.find('='));
  size_t begin = 0;
  while (begin < name.size() && IsBlank(name[begin])) ++begin;
  lines_[id].name_begin = static_cast<uint32_t>(begin);
  lines_[id].name_size = static_cast<uint32_t>(TrimIni(name).size());
}

void IniFile::Parse() {
  std::string_view bytes = loaded_;
  size_t pos = 0;
  const bool ctrl_z = bytes.find('\x1A') != std::string_view::npos;
  size_t first_end = bytes.find_first_of("\r\n", pos);
  if (first_end != std::string_view::npos) {
    eol_ = bytes[first_end] == '\n'                                         ? kLf
           : (first_end + 1 < bytes.size() && bytes[first_end + 1] == '\n') ? kCrLf
                                                                            : kCr;
  }

  uint32_t current = kNone;  // none outside a section or in a repeated one
  while (pos < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", pos);
    Line line;
    line.begin = static_cast<uint32_t>(pos);
    if (end == std::string_view::npos) {
      line.size = static_cast<uint32_t>(bytes.size() - pos);
      pos = bytes.size();
    } else {
      line.size = static_cast<uint32_t>(end - pos);
      bool crlf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
      line.eol = crlf ? kCrLf : bytes[end] == '\r' ? kCr : kLf;
      pos = end + (crlf ? 2 : 1);
    }
    uint32_t id = static_cast<uint32_t>(lines_.size());
    if (tail_ != kNone) lines_[tail_].next = id;
    if (head_ == kNone) head_ = id;
    tail_ = id;
    lines_.push_back(line);

    std::string_view text = bytes.substr(line.begin, line.size);
    if (ctrl_z && text.find('\x1A') != std::string_view::npos) Warn(IniWarning::Kind::kCtrlZ, id);
    auto raw = raw_index_.empty() ? raw_index_.end() : raw_index_.find(id);
    const bool lossy = raw != raw_index_.end() && raw_[raw->second].lossy;
    std::string_view name;
    bool closed = true;
    if (HeaderName(text, name, closed)) {
      if (!closed) Warn(IniWarning::Kind::kUnclosedHeader, id);
      if (name.empty()) {
        // No section: it and its keys are ignored.
        Warn(IniWarning::Kind::kEmptySection, id);
        current = kNone;
        continue;
      }
      if (lossy) Unconvertible(name, "");
      section_names_.emplace_back(name);
      current = FindSection(name) == kNone ? AddSection(name, id) : kNone;
      continue;
    }
    if (current == kNone) continue;
    std::string_view trimmed = TrimIni(text);
    if (trimmed.empty() || IsComment(trimmed)) continue;
    sections_[current].anchor = id;
    if (text.find('=') == std::string_view::npos) continue;
    lines_[id].section = current;
    SetKeyName(id);
    if (lines_[id].name_size > 0 && IndexKey(id) && lossy) {
      Unconvertible(sections_[current].name,
                    text.substr(lines_[id].name_begin, lines_[id].name_size));
    }
  }
}

uint32_t IniFile::AddSection(std::string_view name, uint32_t header) {
  uint32_t index = static_cast<uint32_t>(sections_.size());
  sections_.push_back(Section{std::string(name), header});
  if (sections_.size() * 2 > section_slots_.size()) GrowSections();
  size_t mask = section_slots_.size() - 1;
  size_t slot = HashName(name) & mask;
  while (section_slots_[slot] != kNone) slot = (slot + 1) & mask;
  section_slots_[slot] = index;
  return index;
}

void IniFile::GrowSections() {
  section_slots_.assign(section_slots_.empty() ? 16 : section_slots_.size() * 2, kNone);
  size_t mask = section_slots_.size() - 1;
  for (uint32_t index = 0; index + 1 < sections_.size(); ++index) {
    size_t slot = HashName(sections_[index].name) & mask;
    while (section_slots_[slot] != kNone) slot = (slot + 1) & mask;
    section_slots_[slot] = index;
  }
}

bool IniFile::IndexKey(uint32_t id) {
  const Line& line = lines_[id];
  std::string_view name = Text(line).substr(line.name_begin, line.name_size);
  if (FindKeyIn(line.section, name) != kNone) return false;  // the first one counts
  Section& section = sections_[line.section];
  if ((section.key_count + 1) * 2 > section.key_cap) GrowKeys(section);
  size_t mask = section.key_cap - 1;
  size_t slot = HashName(name) & mask;
  while (key_pool_[section.key_begin + slot] != kNone) slot = (slot + 1) & mask;
  key_pool_[section.key_begin + slot] = id;
  ++section.key_count;
  return true;
}

// Moves the section's table to a twice larger range at the end of the pool;
// the old range is left unused, which costs at most as much as the tables.
void IniFile::GrowKeys(Section& section) {
  uint32_t old_begin = section.key_begin;
  uint32_t old_cap = section.key_cap;
  section.key_begin = static_cast<uint32_t>(key_pool_.size());
  section.key_cap = old_cap == 0 ? 8 : old_cap * 2;
  key_pool_.resize(key_pool_.size() + section.key_cap, kNone);
  size_t mask = section.key_cap - 1;
  for (uint32_t i = 0; i < old_cap; ++i) {
    uint32_t id = key_pool_[old_begin + i];
    if (id == kNone) continue;
    const Line& line = lines_[id];
    size_t slot = HashName(Text(line).substr(line.name_begin, line.name_size)) & mask;
    while (key_pool_[section.key_begin + slot] != kNone) slot = (slot + 1) & mask;
    key_pool_[section.key_begin + slot] = id;
  }
}

std::vector<std::string> IniFile::ReadSections() const {
  return section_names_;
}

uint32_t IniFile::FindSection(std::string_view section) const {
  // Callers read and write many keys of one section in a row.
  if (last_section_index_ != kNone && section == last_section_query_) return last_section_index_;
  if (section_slots_.empty()) return kNone;
  std::string_view name = TrimIni(section);
  size_t mask = section_slots_.size() - 1;
  for (size_t slot = HashName(name) & mask; section_slots_[slot] != kNone;
       slot = (slot + 1) & mask) {
    uint32_t index = section_slots_[slot];
    if (SameName(sections_[index].name, name)) {
      last_section_query_.assign(section);
      last_section_index_ = index;
      return index;
    }
  }
  return kNone;
}

uint32_t IniFile::FindKey(std::string_view section, std::string_view key) const {
  return FindKeyIn(FindSection(section), key);
}

uint32_t IniFile::FindKeyIn(uint32_t index, std::string_view key) const {
  if (index == kNone || sections_[index].key_cap == 0) return kNone;
  const Section& section = sections_[index];
  key = TrimIni(key);
  const uint32_t* slots = key_pool_.data() + section.key_begin;
  size_t mask = section.key_cap - 1;
  for (size_t slot = HashName(key) & mask; slots[slot] != kNone; slot = (slot + 1) & mask) {
    const Line& line = lines_[slots[slot]];
    if (SameName(Text(line).substr(line.name_begin, line.name_size), key)) return slots[slot];
  }
  return kNone;
}

bool IniFile::SectionExists(std::string_view section) const {
  return FindSection(section) != kNone;
}

std::string_view IniFile::Value(uint32_t id) const {
  return UncutValue(Text(lines_[id])).substr(0, kMaxValueLength);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
  uint32_t id = FindKey(section, key);
  return std::string(id == kNone ? def : Value(id));
}

bool IniFile::TryParseInteger(std::string_view text, int32_t& out) {
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
  uint32_t id = FindKey(section, key);
  int32_t value = 0;
  return id != kNone && TryParseInteger(Value(id), value) ? value : def;
}

void IniFile::WriteFailed() const {
  throw Exception("Unable to write to " + path_);
}

void IniFile::CheckWritable() {
  if (writable_checked_) return;
  std::string target = ResolveWriteTarget(path_);
  if (int error = exists_ ? NotWritableReason(target, false) : 0) {
    DiagnoseSystemError("cannot write", target, error);
    WriteFailed();
  }
  if (int error = NotWritableReason(DirectoryOf(target), true)) {
    DiagnoseSystemError("cannot write in the directory of", target, error);
    WriteFailed();
  }
  writable_checked_ = true;
}

uint32_t IniFile::AddLine(std::string text, uint32_t after) {
  uint32_t id = static_cast<uint32_t>(lines_.size());
  Line line;
  line.eol = eol_;
  if (after == kNone) {
    // At the end of the file, after a line end.
    if (tail_ != kNone && lines_[tail_].eol == kNoEol) {
      lines_[tail_].eol = eol_;
      changed_ = true;
    }
    if (tail_ != kNone) lines_[tail_].next = id;
    if (head_ == kNone) head_ = id;
    tail_ = id;
  } else {
    if (lines_[after].eol == kNoEol) {
      lines_[after].eol = eol_;
      changed_ = true;
    }
    line.next = lines_[after].next;
    lines_[after].next = id;
    if (tail_ == after) tail_ = id;
  }
  lines_.push_back(line);
  SetText(id, std::move(text));
  return id;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  CheckWritable();
  uint32_t index = FindSection(section);
  if (index == kNone) {
    std::string_view name = TrimIni(section);
    uint32_t header = AddLine("[" + std::string(name) + "]", kNone);
    section_names_.emplace_back(name);
    index = AddSection(name, header);
  }
  std::string_view key_name = TrimIni(key);
  uint32_t id = FindKeyIn(index, key_name);
  if (id != kNone) {
    // Writing back what was read of a value longer than the read limit keeps
    // the line whole: the rest of the value is not lost.
    if (value == Value(id) && UncutValue(Text(lines_[id])).size() > kMaxValueLength) return;
    Line& line = lines_[id];
    std::string_view old_text = Text(line);
    std::string_view name = old_text.substr(line.name_begin, line.name_size);  // its own spelling
    Eol eol = line.eol == kNoEol ? kNoEol : eol_;
    if (line.name_begin == 0 && old_text.size() == name.size() + 1 + value.size() &&
        old_text[name.size()] == '=' && old_text.substr(name.size() + 1) == value &&
        line.eol == eol) {
      return;  // already written so: the line keeps its bytes
    }
    std::string text(name);
    text += '=';
    text += value;
    SetText(id, std::move(text));
    SetKeyName(id);
    lines_[id].eol = eol;
    return;
  }
  std::string text(key_name);
  text += '=';
  text += value;
  id = AddLine(std::move(text), sections_[index].anchor);
  sections_[index].anchor = id;
  lines_[id].section = index;
  SetKeyName(id);
  if (lines_[id].name_size > 0) IndexKey(id);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

std::string IniFile::Content() const {
  std::string out;
  if (encoding_ == IniEncoding::kWindows1250) {
    size_t size = 0;
    for (const Line& line : lines_) size += Text(line).size() + kEolText[line.eol].size();
    out.reserve(size);
    for (uint32_t id = head_; id != kNone; id = lines_[id].next) {
      out += Text(lines_[id]);
      out += kEolText[lines_[id].eol];
    }
    return out;
  }
  out += ByteOrderMark(encoding_);
  for (uint32_t id = head_; id != kNone; id = lines_[id].next) {
    const Line& line = lines_[id];
    auto raw = line.owned == kNone ? raw_index_.find(id) : raw_index_.end();
    if (raw != raw_index_.end()) {
      out += raw_[raw->second].bytes;  // untouched: its bytes as found
    } else {
      AppendEncoded(out, Text(line), encoding_);
    }
    AppendEncoded(out, kEolText[line.eol], encoding_);
  }
  return out;
}

void IniFile::Flush() {
  if (exists_ && !changed_) return;
  std::string content = Content();
  if (!exists_ && content.empty()) return;
  CheckWritable();

  AtomicFile file(path_);
  if (!file.Open() || !file.Write(content) || !file.Commit(&stamp_)) {
    DiagnoseSystemError(file.Failure(), file.FailurePath(), file.Error());
    WriteFailed();
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
