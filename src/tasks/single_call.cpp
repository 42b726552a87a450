#include "tasks/single_call.h"

#include "tasks/host_calls.h"
#include "util/error.h"

namespace zeph {
namespace {
bool OnlyBlanks(const host::WideString& text) {
  for (char16_t c : text) {
    if (c > u' ') return false;
  }
  return true;
}
}  // namespace

void JudgeResult(SuccessTest test, const host::WideString& message, host::WordBool success) {
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
