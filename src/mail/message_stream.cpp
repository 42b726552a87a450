#include "mail/message_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "mail/mime_encoding.h"
#include "platform/error_text.h"
#include "platform/file.h"
#include "util/error.h"

namespace zeph {
namespace {

// Input read from a file at a time: 1024 whole Base64 lines (57 KiB).
constexpr size_t kFileChunk = kBase64LineInput * 1024;

std::string FileError(const char* what, const std::string& path, int error) {
  return std::string(what) + " \"" + path + "\". " + platform::ErrorText(error);
}

}  // namespace

MessageStream::MessageStream(std::vector<MessageSegment> segments)
    : segments_(std::move(segments)) {}

MessageStream::~MessageStream() = default;

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
    if (file_) {
      raw_.resize(kFileChunk);
      const size_t got = ReadChunk();
      if (got > 0) {
        AppendBase64Lines(std::string_view(raw_.data(), got), pending_);
        return true;
      }
      file_.Reset();
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
    file_.Reset(platform::OpenFile(file_path_, platform::kRead));
    if (!file_) {
      int error = errno;
      throw Exception(FileError("Cannot open file", file_path_, error));
    }
  }
}

size_t MessageStream::ReadChunk() {
  // Whole chunks keep the Base64 lines whole: only the file's end is short.
  size_t got = 0;
  while (got < raw_.size()) {
    const int64_t n = platform::ReadSome(file_.Get(), raw_.data() + got, raw_.size() - got);
    if (n == 0) break;
    if (n < 0) {
      int error = errno;
      throw Exception(FileError("Cannot read file", file_path_, error));
    }
    got += static_cast<size_t>(n);
  }
  return got;
}

}  // namespace zeph
