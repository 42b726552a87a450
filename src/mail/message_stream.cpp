#include "mail/message_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "mail/mime_encoding.h"
#include "util/error.h"

namespace zeph::mail {
namespace {

// Input read from a file at a time: 1024 whole Base64 lines (57 KiB).
constexpr size_t kFileChunk = kBase64LineInput * 1024;

std::string FileError(const char* what, const std::string& path, int error) {
  return std::string(what) + " \"" + path + "\". " + std::strerror(error);
}

}  // namespace

MessageStream::MessageStream(std::vector<MessageSegment> segments)
    : segments_(std::move(segments)) {}

MessageStream::~MessageStream() {
  if (file_ != nullptr) std::fclose(file_);
}

size_t MessageStream::Read(char* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    if (pending_pos_ == pending_.size()) {
      pending_.clear();
      pending_pos_ = 0;
      if (!Produce()) break;
      continue;
    }
    size_t n = std::min(size - done, pending_.size() - pending_pos_);
    std::memcpy(buffer + done, pending_.data() + pending_pos_, n);
    pending_pos_ += n;
    done += n;
  }
  return done;
}

bool MessageStream::Produce() {
  // Each pass either produces bytes, finishes a segment or ends; the number
  // of passes is bounded by the segments and the size of the files.
  for (;;) {
    if (file_ != nullptr) {
      raw_.resize(kFileChunk);
      size_t got = std::fread(raw_.data(), 1, raw_.size(), file_);
      if (got < raw_.size() && std::ferror(file_)) {
        int error = errno;
        throw Exception(FileError("Cannot read file", file_path_, error));
      }
      if (got > 0) {
        pending_.reserve(got / 57 * 78 + 80);
        AppendBase64Lines(std::string_view(raw_.data(), got), pending_);
        return true;
      }
      std::fclose(file_);
      file_ = nullptr;
      continue;
    }
    if (next_segment_ == segments_.size()) return false;
    MessageSegment& segment = segments_[next_segment_++];
    if (segment.kind == MessageSegment::Kind::kText) {
      pending_ = std::move(segment.value);
      if (!pending_.empty()) return true;
      continue;
    }
    file_path_ = segment.value;
    file_ = std::fopen(file_path_.c_str(), "rb");
    if (file_ == nullptr) {
      int error = errno;
      throw Exception(FileError("Cannot open file", file_path_, error));
    }
  }
}

}  // namespace zeph::mail
