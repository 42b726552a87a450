// Error types of the program. Every failure is an exception carrying a
// Windows-1250 message; handlers look at the message, and reports for the
// operator also at the reason.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zeph {

// A plain error with a message, and the system's reason of a failed call
// when one is known. The reason is kept apart: the message is what the log
// and the console have always shown, the reason goes only where a person
// reads it (standard error, the run record).
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message, std::string reason = {})
      : std::runtime_error(message), reason_(std::move(reason)) {}
  std::string Message() const { return what(); }
  // The text of the failed call's errno ("Permission denied",
  // platform/error_text.h); empty when unknown.
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

// The reason an exception carries, if it is an Exception; empty otherwise.
std::string ReasonOf(const std::exception& e);

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
