#include "host/com/status.h"

#include <cstdio>

#include "host/com/support.h"

namespace zeph::com {

WideString DescribeHresult(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  WideString text;
  if (buffer != nullptr) {
    text.assign(reinterpret_cast<const char16_t*>(buffer), length);
    ::LocalFree(buffer);
  }
  // The system's texts end with a full stop and a line break.
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ' ||
                           text.back() == u'.')) {
    text.pop_back();
  }
  char number[16];
  std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(hr));
  WideString hex(number, number + std::char_traits<char>::length(number));
  return text.empty() ? u"Error " + hex : text + u" (" + hex + u")";
}

HostStatus StatusOf(HRESULT hr, EXCEPINFO* exception) {
  if (SUCCEEDED(hr)) return HostStatus::Ok();
  if (hr == DISP_E_EXCEPTION && exception != nullptr) {
    if (exception->pfnDeferredFillIn != nullptr) exception->pfnDeferredFillIn(exception);
    Bstr source;
    Bstr description;
    Bstr help;
    *source.out() = exception->bstrSource;
    *description.out() = exception->bstrDescription;
    *help.out() = exception->bstrHelpFile;
    exception->bstrSource = exception->bstrDescription = exception->bstrHelpFile = nullptr;
    const HRESULT code = exception->scode != 0 && FAILED(exception->scode) ? exception->scode : hr;
    // A description that is there but empty is the server's own (empty) text.
    if (description.get() != nullptr)
      return {static_cast<int32_t>(code), FromBstr(description.get())};
    return {static_cast<int32_t>(code), DescribeHresult(code)};
  }
  return {static_cast<int32_t>(hr), DescribeHresult(hr)};
}

}  // namespace zeph::com
