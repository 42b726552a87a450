#include "mail/smtp_transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>

#include "util/error.h"
#include "util/text.h"

namespace zeph::mail {
namespace {

// libcurl's global state is not thread-safe to set up: do it once.
void InitCurlOnce() {
  static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (result != CURLE_OK) throw Exception(curl_easy_strerror(result));
}

struct Session {
  MessageStream* message = nullptr;
  bool authenticate = false;
  bool login_accepted = false;  // a 235 reply was seen
  bool login_skipped = false;   // about to send without the login
  std::string last_reply;       // the server's last reply line
  std::string read_error;
};

size_t ReadMessage(char* buffer, size_t size, size_t count, void* user) {
  auto* session = static_cast<Session*>(user);
  try {
    return session->message->Read(buffer, size * count);
  } catch (const std::exception& e) {
    session->read_error = e.what();
    return CURL_READFUNC_ABORT;
  }
}

int WatchProtocol(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  auto* session = static_cast<Session*>(user);
  if (type != CURLINFO_HEADER_IN) return 0;
  if (size >= 3 && std::memcmp(data, "235", 3) == 0) session->login_accepted = true;
  session->last_reply = Trim(std::string_view(data, std::min<size_t>(size, 200)));
  for (char& c : session->last_reply) {
    if (static_cast<unsigned char>(c) < ' ') c = ' ';
  }
  return 0;
}

// Runs after the greeting, EHLO and login, before MAIL FROM. libcurl skips a
// login the server does not offer; stop here instead of sending without it.
int BeforeMailFrom(void* user, char*, char*, int, int) {
  auto* session = static_cast<Session*>(user);
  if (session->authenticate && !session->login_accepted) {
    session->login_skipped = true;
    return CURL_PREREQFUNC_ABORT;
  }
  return CURL_PREREQFUNC_OK;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int ParsePort(const std::string& text, const std::string& server) {
  if (!AllDigits(text) || text.size() > 5 || std::stoi(text) < 1 || std::stoi(text) > 65535) {
    throw Exception("Invalid SMTP server port: \"" + server + "\"");
  }
  return std::stoi(text);
}

std::string LoginRefused() {
  return Text1250("Błąd autentykacji (TidSMTP.Authenticate).");
}

struct CurlFree {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

void SplitServer(const std::string& server, int default_port, std::string& host, int& port) {
  std::string text = Trim(server);
  std::string port_text;
  bool has_port = false;
  if (!text.empty() && text.front() == '[') {
    size_t close = text.find(']');
    if (close == std::string::npos) throw Exception("Invalid SMTP server: \"" + text + "\"");
    host = text.substr(1, close - 1);
    std::string rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') throw Exception("Invalid SMTP server: \"" + text + "\"");
      port_text = rest.substr(1);
      has_port = true;
    }
  } else if (size_t colon = text.find(':');
             colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
    host = text.substr(0, colon);
    port_text = text.substr(colon + 1);
    has_port = true;
  } else {
    host = text;  // a name, or an IPv6 address without a port
  }
  if (host.empty()) throw Exception("No SMTP server is set.");
  for (char c : host) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u <= ' ' || u == 0x7F || std::strchr("/\\@?#[]<>\"", c) != nullptr) {
      throw Exception("Invalid SMTP server: \"" + text + "\"");
    }
  }
  port = ParsePort(has_port ? port_text : std::to_string(default_port), text);
}

void SendBySmtp(const SmtpJob& job, const MailTimeouts& timeouts, MessageStream& message) {
  InitCurlOnce();
  std::unique_ptr<CURL, CurlFree> handle(curl_easy_init());
  if (!handle) throw Exception("Cannot create the SMTP client.");
  CURL* curl = handle.get();

  std::unique_ptr<curl_slist, CurlFree> recipients;
  for (const std::string& address : job.rcpt_to) {
    curl_slist* list = curl_slist_append(recipients.get(), address.c_str());
    if (list == nullptr) throw Exception("Out of memory.");
    // The list returned is the one held, extended: it takes over ownership.
    static_cast<void>(recipients.release());
    recipients.reset(list);
  }

  Session session;
  session.message = &message;
  session.authenticate = job.authenticate;
  char error_buffer[CURL_ERROR_SIZE] = {};
  bool ipv6 = job.host.find(':') != std::string::npos;
  std::string url =
      "smtp://" + (ipv6 ? "[" + job.host + "]" : job.host) + ":" + std::to_string(job.port);

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp");
  curl_easy_setopt(curl, CURLOPT_PROXY, "");  // no proxy from the environment
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error_buffer);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeouts.connect_seconds);
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeouts.response_seconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeouts.low_speed_seconds);
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, job.mail_from.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients.get());
  // The message carries its own CR LF; curl only dot-stuffs.
  curl_easy_setopt(curl, CURLOPT_CRLF, 0L);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadMessage);
  curl_easy_setopt(curl, CURLOPT_READDATA, &session);
  curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);  // feeds WatchProtocol, prints nothing
  curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, WatchProtocol);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &session);
  curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, BeforeMailFrom);
  curl_easy_setopt(curl, CURLOPT_PREREQDATA, &session);
  if (job.authenticate) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, job.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, job.password.c_str());
    curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
  }

  CURLcode result = curl_easy_perform(curl);
  if (!session.read_error.empty()) throw Exception(session.read_error);
  if (session.login_skipped || result == CURLE_LOGIN_DENIED) throw Exception(LoginRefused());
  if (result != CURLE_OK) {
    long code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    std::string text = curl_easy_strerror(result);
    if (code != 0) text += " (response " + std::to_string(code) + ")";
    if (error_buffer[0] != '\0' && text != error_buffer) {
      text += std::string(": ") + error_buffer;
    } else if (code != 0 && !session.last_reply.empty()) {
      text += ": " + session.last_reply;  // the server's own words
    }
    throw Exception(text);
  }
  if (job.authenticate && !session.login_accepted) throw Exception(LoginRefused());
}

}  // namespace zeph::mail
