// The host methods that give a value back as the method's own result
// (automation's [out, retval]) rather than through an argument. In the C
// interface (zeph_host.h) that value is each one's last out-pointer; every
// other out-pointer is an argument the server writes by reference.
#pragma once

#include <algorithm>
#include <iterator>
#include <string_view>

namespace zeph::com {

inline constexpr std::u16string_view kMethodsWithResult[] = {
    // The configuration server.
    u"GetLoginValue", u"GetParameter", u"RegisterModule", u"GetModule", u"FindRight", u"HasRight",
    u"GetExceptionHandler", u"GetBoolParameter", u"CheckRight", u"Login",
    // The head-office export server.
    u"GetErrorMessage", u"GetFileList"};

constexpr bool HasResult(std::u16string_view method) {
  return std::find(std::begin(kMethodsWithResult), std::end(kMethodsWithResult), method) !=
         std::end(kMethodsWithResult);
}

}  // namespace zeph::com
