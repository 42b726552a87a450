#include "host/module_call.h"

namespace zeph {
namespace {
bool OnlyBlanks(const WideString& text) {
  for (char16_t c : text) {
    if (c > u' ') return false;
  }
  return true;
}
}  // namespace

void JudgeResult(SuccessTest test, const OperationResult& result) {
  bool failed = false;
  switch (test) {
    case SuccessTest::Flag:
      failed = result.success == 0;
      break;
    case SuccessTest::Status:
      failed = false;
      break;
    case SuccessTest::Message:
      failed = !result.message.empty();
      break;
    case SuccessTest::TrimmedMessage:
      failed = !OnlyBlanks(result.message);
      break;
  }
  if (failed) throw Exception(HostText(result.message));
}

}  // namespace zeph
