#include "config/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view TrimIni(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string Fold(std::string_view name) {
  return UpperCase1250(TrimIni(name));
}

bool IsComment(std::string_view trimmed) {
  return !trimmed.empty() && (trimmed[0] == ';' || trimmed[0] == '#');
}

// The name of a section header, or false when the line is none: the first
// non-blank byte is '[' and the name runs to the last ']'.
bool HeaderName(std::string_view line, std::string_view& name) {
  std::string_view t = TrimIni(line);
  if (t.empty() || t[0] != '[') return false;
  size_t close = t.rfind(']');
  if (close == std::string_view::npos || close == 0) return false;
  name = TrimIni(t.substr(1, close - 1));
  return true;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A mode without any write bit stands for a read-only attribute: root passes
// access(W_OK) whatever the bits say.
bool Writable(const std::string& path, bool want_directory) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  if (want_directory != S_ISDIR(st.st_mode)) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  return ::access(path.c_str(), W_OK) == 0;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return;
    throw Exception("Unable to read " + path_);
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0) {
    have_stat_ = true;
    mode_ = st.st_mode;
    uid_ = st.st_uid;
    gid_ = st.st_gid;
  }
  std::string bytes;
  if (have_stat_ && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      throw Exception("Unable to read " + path_);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  if (bytes.size() >= 2 &&
      ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
    throw Exception("Unable to read " + path_ +
                    ": the file is UTF-16 text; an 8-bit (Windows-1250) text file is needed");
  }
  exists_ = true;
  original_ = bytes;
  Parse(bytes);
}

void IniFile::Parse(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bom_ = bytes.substr(0, 3);
    bytes.remove_prefix(3);
  }
  size_t first_end = bytes.find_first_of("\r\n");
  if (first_end != std::string_view::npos) {
    eol_ = bytes[first_end] == '\n'                                         ? "\n"
           : (first_end + 1 < bytes.size() && bytes[first_end + 1] == '\n') ? "\r\n"
                                                                            : "\r";
  }

  Section* current = nullptr;  // null outside a section or in a repeated one
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", pos);
    Line line;
    if (end == std::string_view::npos) {
      line.text = bytes.substr(pos);
      pos = bytes.size();
    } else {
      line.text = bytes.substr(pos, end - pos);
      size_t eol_size =
          (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1;
      line.eol = bytes.substr(end, eol_size);
      pos = end + eol_size;
    }
    uint32_t id = static_cast<uint32_t>(lines_.size());
    if (tail_ != kNone) lines_[tail_].next = id;
    if (head_ == kNone) head_ = id;
    tail_ = id;
    lines_.push_back(std::move(line));

    std::string_view text = lines_[id].text;
    std::string_view name;
    if (HeaderName(text, name)) {
      section_names_.emplace_back(name);
      auto [it, added] =
          section_index_.emplace(Fold(name), static_cast<uint32_t>(sections_.size()));
      if (added) {
        sections_.push_back(Section{id, {}});
        current = &sections_.back();
      } else {
        current = nullptr;
      }
      continue;
    }
    if (current == nullptr) continue;
    std::string_view trimmed = TrimIni(text);
    if (trimmed.empty() || IsComment(trimmed)) continue;
    current->anchor = id;
    size_t eq = text.find('=');
    if (eq == std::string_view::npos) continue;
    std::string key = Fold(text.substr(0, eq));
    if (!key.empty()) current->keys.emplace(std::move(key), id);
  }
}

std::vector<std::string> IniFile::ReadSections() const {
  return section_names_;
}

const IniFile::Section* IniFile::FindSection(std::string_view section) const {
  auto it = section_index_.find(Fold(section));
  return it == section_index_.end() ? nullptr : &sections_[it->second];
}

uint32_t IniFile::FindKey(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return kNone;
  auto it = s->keys.find(Fold(key));
  return it == s->keys.end() ? kNone : it->second;
}

bool IniFile::SectionExists(std::string_view section) const {
  return FindSection(section) != nullptr;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindKey(section, key) != kNone;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
  uint32_t id = FindKey(section, key);
  if (id == kNone) return std::string(def);
  std::string_view text = lines_[id].text;
  std::string_view value = TrimIni(text.substr(text.find('=') + 1));
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, kMaxValueLength));
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
  if (id == kNone) return def;
  int32_t value = 0;
  return TryParseInteger(ReadString(section, key, ""), value) ? value : def;
}

void IniFile::WriteFailed() const {
  throw Exception("Unable to write to " + path_);
}

void IniFile::CheckWritable() {
  if (writable_checked_) return;
  if (exists_ && !Writable(path_, false)) WriteFailed();
  if (!Writable(DirectoryOf(path_), true)) WriteFailed();
  writable_checked_ = true;
}

uint32_t IniFile::AddLine(std::string text, uint32_t after) {
  uint32_t id = static_cast<uint32_t>(lines_.size());
  Line line{std::move(text), eol_, kNone};
  if (after == kNone) {
    // At the end of the file, after a line end.
    if (tail_ != kNone && lines_[tail_].eol.empty()) lines_[tail_].eol = eol_;
    if (tail_ != kNone) lines_[tail_].next = id;
    if (head_ == kNone) head_ = id;
    tail_ = id;
  } else {
    if (lines_[after].eol.empty()) lines_[after].eol = eol_;
    line.next = lines_[after].next;
    lines_[after].next = id;
    if (tail_ == after) tail_ = id;
  }
  lines_.push_back(std::move(line));
  return id;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  CheckWritable();
  std::string folded_section = Fold(section);
  auto it = section_index_.find(folded_section);
  if (it == section_index_.end()) {
    std::string_view name = TrimIni(section);
    uint32_t header = AddLine("[" + std::string(name) + "]", kNone);
    section_names_.emplace_back(name);
    it = section_index_.emplace(std::move(folded_section), static_cast<uint32_t>(sections_.size()))
             .first;
    sections_.push_back(Section{header, {}});
  }
  Section& s = sections_[it->second];
  std::string_view key_name = TrimIni(key);
  std::string folded_key = Fold(key_name);
  auto key_it = s.keys.find(folded_key);
  if (key_it != s.keys.end()) {
    Line& line = lines_[key_it->second];
    std::string_view spelling = TrimIni(std::string_view(line.text).substr(0, line.text.find('=')));
    line.text = std::string(spelling) + "=" + std::string(value);
    if (!line.eol.empty()) line.eol = eol_;
    return;
  }
  uint32_t id = AddLine(std::string(key_name) + "=" + std::string(value), s.anchor);
  s.anchor = id;
  s.keys.emplace(std::move(folded_key), id);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

std::string IniFile::Content() const {
  size_t size = bom_.size();
  for (const Line& line : lines_) size += line.text.size() + line.eol.size();
  std::string out;
  out.reserve(size);
  out += bom_;
  for (uint32_t id = head_; id != kNone; id = lines_[id].next) {
    out += lines_[id].text;
    out += lines_[id].eol;
  }
  return out;
}

void IniFile::Flush() {
  std::string content = Content();
  if (exists_ && content == original_) return;
  if (!exists_ && content.empty()) return;
  CheckWritable();

  // Write through the link's target so a symlinked file stays a symlink.
  std::string target = path_;
  if (char* real = ::realpath(path_.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }
  std::string dir = DirectoryOf(target);
  std::string base = target.substr(target.find_last_of('/') + 1);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = dir + "/." + base + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) +
           ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) WriteFailed();

  bool ok = WriteAll(fd, content);
  if (ok && have_stat_) {
    // A non-root user cannot give a file away; the content matters more.
    if (::fchown(fd, uid_, gid_) != 0) errno = 0;
    ok = ::fchmod(fd, mode_ & 07777) == 0;
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    WriteFailed();
  }
  int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    ::fsync(dir_fd);  // best effort: makes the rename itself durable
    ::close(dir_fd);
  }
  original_ = std::move(content);
  if (!exists_) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
      have_stat_ = true;
      mode_ = st.st_mode;
      uid_ = st.st_uid;
      gid_ = st.st_gid;
    }
  }
  exists_ = true;
}

}  // namespace zeph
