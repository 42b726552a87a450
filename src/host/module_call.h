// Obtain -> call -> judge: one operation of a module server that the
// configuration server hands out, and what its result means.
#pragma once

#include <memory>

#include "host/host_api.h"
#include "host/host_calls.h"
#include "host/host_session.h"
#include "util/error.h"

namespace zeph {

// How an operation's result tells failure.
enum class SuccessTest {
  Flag,            // a false success flag fails with the message
  Status,          // only a failure status fails (the operation has no result)
  Message,         // a non-empty message fails with it; the flag is not read
  TrimmedMessage,  // a message with more than blanks and control characters fails
};

// What an operation hands back besides its call status. Operations without
// a message or flag leave them as they are.
struct OperationResult {
  WideString message;
  WordBool success = kFalse;
};

// Throws Exception with the message (as Windows-1250) when the result means
// failure.
void JudgeResult(SuccessTest test, const OperationResult& result);

// The server as interface T; a server of another kind counts as missing.
template <class T>
T& As(IHostObject& server) {
  auto* typed = dynamic_cast<T*>(&server);
  if (typed == nullptr) throw EWyjatek(NotInitialisedMessage(server.Class()));
  return *typed;
}

// Obtains the module server into `reference` (HostSession::Obtain), calls
// `operation(server, result)` with an empty message, and judges the result:
// a failure status or a result `test` counts as failure throws. A server
// obtained before the failure stays in `reference`.
template <class T, class Operation>
OperationResult CallModule(HostSession& session, ClassId id, std::shared_ptr<T>& reference,
                           const Operation& operation, SuccessTest test, bool create = true) {
  OperationResult result;
  T& server = session.Obtain(id, reference, create);
  Check(operation(server, result));
  JudgeResult(test, result);
  return result;
}

}  // namespace zeph
