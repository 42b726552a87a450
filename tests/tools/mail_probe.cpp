// Sends one mail through SendMail and reports the outcome.
//
//   mail_probe --server=HOST[:PORT] --to=LIST [--cc=LIST] [--sender-name=TEXT]
//              [--sender-address=ADDR] [--subject=TEXT] [--body=TEXT]
//              [--port=25] [--auth=0|1] [--user=TEXT] [--password=TEXT]
//              [--raise=1|0] [--attach=PATH]... [--no-list]
//              [--connect-timeout=S] [--response-timeout=S] [--low-speed-time=S]
//              [--encryption=auto|starttls|tls|brak] [--ca-file=PATH] [--pins=PINS]
//              [--method=LOGIN|PLAIN|XOAUTH2] [--password-command=COMMAND]
//
// Texts are UTF-8 and reach SendMail as Windows-1250. Attachment paths and
// the security settings are passed as the system gives them (the bytes on
// POSIX systems, the ANSI code page on Windows), as the program holds its
// paths and serwery.ini its values. --no-list
// passes no attachment list at all instead of an empty one. Prints "OK", or
// the error text (UTF-8), or "FALSE" when SendMail returned false; exit code
// 0 only for "OK".
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "mail/send_mail.h"
#include "platform/console.h"
#include "platform/program_arguments.h"
#include "platform/tool_output.h"
#include "util/encoding.h"
#include "util/error.h"

namespace {

int Usage(const std::string& arg) {
  std::fprintf(stderr, "mail_probe: unknown argument %s\n", arg.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> texts = {
      {"server", ""}, {"sender-name", ""}, {"sender-address", ""}, {"cc", ""}, {"password", ""},
      {"user", ""},   {"body", ""},        {"subject", ""},        {"to", ""}};
  // Taken as they are: the TLS and login settings, as serwery.ini holds them.
  std::map<std::string, std::string> security = {
      {"encryption", ""}, {"ca-file", ""}, {"pins", ""}, {"method", ""}, {"password-command", ""}};
  std::map<std::string, long> numbers = {{"port", 25},
                                         {"auth", 0},
                                         {"raise", 1},
                                         {"connect-timeout", 0},
                                         {"response-timeout", 0},
                                         {"low-speed-time", 0}};
  std::vector<std::string> attachments;
  bool no_list = false;
  for (const std::string& arg : zeph::platform::ToolArguments(argc, argv)) {
    if (arg == "--no-list") {
      no_list = true;
      continue;
    }
    size_t eq = arg.find('=');
    if (arg.rfind("--", 0) != 0 || eq == std::string::npos) return Usage(arg);
    std::string key = arg.substr(2, eq - 2);
    std::string value = arg.substr(eq + 1);
    if (key == "attach") {
      attachments.push_back(zeph::platform::SystemText(value));
    } else if (security.count(key) != 0) {
      security[key] = zeph::platform::SystemText(value);
    } else if (texts.count(key) != 0) {
      texts[key] = zeph::Utf8ToAnsi(value);
    } else if (numbers.count(key) != 0) {
      numbers[key] = std::strtol(value.c_str(), nullptr, 10);
    } else {
      return Usage(arg);
    }
  }

  bool raise = numbers["raise"] != 0;
  bool own_settings = numbers["connect-timeout"] > 0 || numbers["response-timeout"] > 0 ||
                      numbers["low-speed-time"] > 0;
  for (const auto& [key, value] : security) own_settings = own_settings || !value.empty();
  try {
    bool sent = false;
    if (own_settings) {
      zeph::MailTimeouts timeouts;
      if (numbers["connect-timeout"] > 0) timeouts.connect_seconds = numbers["connect-timeout"];
      if (numbers["response-timeout"] > 0) timeouts.response_seconds = numbers["response-timeout"];
      if (numbers["low-speed-time"] > 0) timeouts.low_speed_seconds = numbers["low-speed-time"];
      zeph::MailRequest request;
      request.server = texts["server"];
      request.sender_name = texts["sender-name"];
      request.sender_address = texts["sender-address"];
      request.copy_recipients = texts["cc"];
      request.port = static_cast<int>(numbers["port"]);
      request.password = texts["password"];
      request.user = texts["user"];
      request.authenticate = numbers["auth"] != 0;
      request.attachments = attachments;
      request.body = texts["body"];
      request.subject = texts["subject"];
      request.recipients = texts["to"];
      if (!zeph::ParseMailEncryption(security["encryption"], request.security.encryption) ||
          !zeph::ParseSaslMethod(security["method"], request.security.method)) {
        return Usage("--encryption or --method");
      }
      request.security.ca_file = security["ca-file"];
      std::string bad;
      if (!zeph::ParsePins(security["pins"], request.security.pins, bad)) return Usage(bad);
      request.password_command = security["password-command"];
      sent = zeph::SendMail(request, raise, timeouts);
    } else {
      sent = zeph::SendMail(
          texts["server"], texts["sender-name"], texts["sender-address"], texts["cc"], raise,
          static_cast<int>(numbers["port"]), texts["password"], texts["user"], numbers["auth"] != 0,
          no_list ? nullptr : &attachments, texts["body"], texts["subject"], texts["to"]);
    }
    // Through the program's console writer: a pipe gets LF, as on Linux.
    zeph::platform::WriteConsoleBytes(sent ? "OK\n" : "FALSE\n");
    return sent ? 0 : 1;
  } catch (const zeph::Exception& e) {
    zeph::platform::WriteConsoleBytes(zeph::AnsiToUtf8(e.Message()) + "\n");
    return 1;
  }
}
