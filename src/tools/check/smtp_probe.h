// A look at the mail server without sending anything: connect, read the
// greeting, EHLO, QUIT.
#pragma once

#include <string>
#include <vector>

namespace zeph {

struct SmtpProbe {
  bool reached = false;                 // greeting and EHLO answered with success
  std::string error;                    // why not, UTF-8
  std::vector<std::string> extensions;  // EHLO reply lines after the first
  bool auth_login = false;              // AUTH LOGIN offered
};

SmtpProbe ProbeSmtpServer(const std::string& host, int port, int timeout_seconds);

}  // namespace zeph
