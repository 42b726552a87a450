// Judging the result of a single host operation.
#pragma once

#include "host/host_api.h"

namespace zeph {

enum class SuccessTest {
  Flag,            // a false success flag fails with the message
  Status,          // only a failure status fails (the operation has no result)
  Message,         // a non-empty message fails with it; the flag is not read
  TrimmedMessage,  // a message with more than blanks and control characters fails
};

// Throws Exception with the message (as Windows-1250) when the result means
// failure.
void JudgeResult(SuccessTest test, const WideString& message, WordBool success);

// The server as interface T; a server of another kind counts as missing.
template <class T>
T& As(IHostObject& server);

}  // namespace zeph

#include "host/host_session.h"

namespace zeph {
template <class T>
T& As(IHostObject& server) {
  auto* typed = dynamic_cast<T*>(&server);
  if (typed == nullptr) throw EWyjatek(NotInitialisedMessage(server.Class()));
  return *typed;
}
}  // namespace zeph
