// Address lists of the header fields (RFC 5322): "a@b.pl, Jan <c@d.pl>",
// quoted names, comments and groups.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeph {

struct Mailbox {
  std::string display_name;  // unquoted, may be empty
  std::string address;       // bare "local@domain"
};

// Parses a UTF-8 address list whose line breaks have been removed. Empty
// elements are skipped; groups are flattened into their members. Throws
// Exception naming an element that holds no usable address.
std::vector<Mailbox> ParseAddressList(std::string_view text);

}  // namespace zeph
