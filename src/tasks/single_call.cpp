#include "tasks/single_call.h"

#include "host/host_calls.h"
#include "util/error.h"

namespace zeph {
namespace {
bool OnlyBlanks(const WideString& text) {
  for (char16_t c : text) {
    if (c > u' ') return false;
  }
  return true;
}
}  // namespace

void JudgeResult(SuccessTest test, const WideString& message, WordBool success) {
  bool failed = false;
  switch (test) {
    case SuccessTest::Flag:
      failed = success == 0;
      break;
    case SuccessTest::Status:
      failed = false;
      break;
    case SuccessTest::Message:
      failed = !message.empty();
      break;
    case SuccessTest::TrimmedMessage:
      failed = !OnlyBlanks(message);
      break;
  }
  if (failed) throw Exception(HostText(message));
}

}  // namespace zeph
