// Error types of the program. Every failure is an exception carrying a
// Windows-1250 message; handlers look at the message only.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zeph {

// A plain error with a message.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// The program's own error type: a message plus an 8-bit code. Code 0 is
// used everywhere except a failed creation of the EksportTessaro server (2).
class EWyjatek : public Exception {
 public:
  EWyjatek(const std::string& message, uint8_t code = 0) : Exception(message), code_(code) {}
  // The message is `format` with each "%s" replaced by the next value.
  EWyjatek(const std::string& format, const std::vector<std::string>& values, uint8_t code);
  uint8_t Code() const { return code_; }

 private:
  uint8_t code_;
};

}  // namespace zeph
