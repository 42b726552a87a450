// Address lists as a recipient key may hold them: any bytes. A list either
// parses into mailboxes with a bare address each, or is refused with an
// error; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "mail/mail_address.h"
#include "util/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    for (const zeph::Mailbox& mailbox : zeph::ParseAddressList(text)) {
      // An address goes into the envelope: it never carries a line break.
      if (mailbox.address.empty() || mailbox.address.find_first_of("\r\n") != std::string::npos) {
        std::abort();
      }
    }
  } catch (const zeph::Exception&) {
  }
  return 0;
}
