// The message as a byte stream produced at send time: fixed texts (headers,
// body, boundaries) and files that are read and Base64-encoded piece by
// piece, so memory does not grow with the size of an attachment.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "util/unique_fd.h"

namespace zeph {

struct MessageSegment {
  enum class Kind { kText, kBase64File };
  Kind kind;
  std::string value;  // the bytes, or the path of the file

  static MessageSegment Text(std::string bytes) { return {Kind::kText, std::move(bytes)}; }
  static MessageSegment File(std::string path) { return {Kind::kBase64File, std::move(path)}; }
};

class MessageStream {
 public:
  explicit MessageStream(std::vector<MessageSegment> segments);
  ~MessageStream();
  MessageStream(const MessageStream&) = delete;
  MessageStream& operator=(const MessageStream&) = delete;

  // Copies up to `size` next bytes into `buffer`; 0 at the end. Throws
  // Exception when a file cannot be opened or read.
  size_t Read(char* buffer, size_t size);

 private:
  // Fills `pending_` with the next piece; false at the end of the message.
  bool Produce();
  // Fills `raw_` from the open file; fewer bytes only at its end.
  size_t ReadChunk();

  std::vector<MessageSegment> segments_;
  size_t next_segment_ = 0;
  UniqueFd file_;
  std::string file_path_;
  std::string pending_;
  size_t pending_pos_ = 0;
  std::vector<char> raw_;
};

}  // namespace zeph
