#include "mail/smtp_transport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <memory>

#include "mail/curl_library.h"
#include "mail/smtp_security.h"
#include "platform/socket.h"
#include "platform/tls_session.h"
#include "util/diagnostics.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

using Clock = std::chrono::steady_clock;

// A session that failed in or for want of TLS.
class TlsFailure : public Exception {
 public:
  using Exception::Exception;
};

struct Session {
  MessageStream* message = nullptr;
  Clock::time_point connect_deadline;  // name lookup and TCP connect end by then
  long connect_seconds = 0;
  std::string connect_error;  // why our own connect failed
  bool connect_timed_out = false;
  long quit_seconds = 0;
  bool quit_sent = false;
  Clock::time_point quit_time;
  bool authenticate = false;
  bool login_accepted = false;  // a 235 reply was seen
  bool login_skipped = false;   // about to send without the login
  std::string last_reply;       // the server's last reply line
  std::string read_error;
  std::string tls_hint;             // what to do about the TLS failure, when known
  SmtpSessionInfo* info = nullptr;  // what the configuration check is told
  bool in_ehlo_reply = false;
  bool implicit_tls = false;      // TLS from the first byte
  bool starttls_pending = false;  // STARTTLS sent, its reply not yet read
  bool starttls_agreed = false;   // STARTTLS answered 220: the handshake follows
};

// The TLS version and cipher as libcurl's OpenSSL or GnuTLS print them
// ("TLSv1.3 / ..."). Schannel prints nothing of the kind.
void NoteTlsVersion(Session& session, std::string_view text) {
  constexpr std::string_view kPrefix = "SSL connection using ";
  if (session.info == nullptr || text.compare(0, kPrefix.size(), kPrefix) != 0) return;
  session.info->tls_version = Trim(text.substr(kPrefix.size()));
}

// Called once the session is inside TLS: the greeting came through TLS from
// the first byte, or EHLO follows the handshake of STARTTLS (a failed
// handshake ends the session before it). Told by the protocol, so that
// every TLS backend of libcurl is seen alike.
void NoteTls(CURL* curl, Session& session) {
  if (session.info == nullptr || session.info->tls) return;
  session.info->tls = true;
  if (!session.info->tls_version.empty()) return;
  curl_tlssessioninfo* tls = nullptr;
  if (Curl().easy_getinfo(curl, CURLINFO_TLS_SSL_PTR, &tls) == CURLE_OK && tls != nullptr &&
      tls->backend == CURLSSLBACKEND_SCHANNEL) {
    session.info->tls_version = platform::SchannelProtocol(tls->internals);
  }
}

bool Starts(const char* data, size_t size, std::string_view word) {
  return size >= word.size() && std::memcmp(data, word.data(), word.size()) == 0;
}

// The extensions of the last EHLO reply: after STARTTLS, those offered inside TLS.
void NoteEhloLine(Session& session, std::string_view line) {
  if (session.info == nullptr || !session.in_ehlo_reply || line.size() < 4) return;
  if (line.compare(0, 3, "250") != 0) return;
  if (line[3] == ' ') session.in_ehlo_reply = false;
  if (session.info->ehlo_seen) session.info->extensions.push_back(Trim(line.substr(4)));
  session.info->ehlo_seen = true;  // the first line names the server
}

size_t ReadMessage(char* buffer, size_t size, size_t count, void* user) {
  auto* session = static_cast<Session*>(user);
  try {
    return session->message->Read(buffer, size * count);
  } catch (const std::exception& e) {
    session->read_error = e.what();
    return CURL_READFUNC_ABORT;
  }
}

int WatchProtocol(CURL* curl, curl_infotype type, char* data, size_t size, void* user) {
  auto* session = static_cast<Session*>(user);
  if (type == CURLINFO_TEXT) NoteTlsVersion(*session, std::string_view(data, size));
  if (type == CURLINFO_HEADER_IN && session->implicit_tls) NoteTls(curl, *session);
  if (type == CURLINFO_HEADER_IN && session->starttls_pending) {
    session->starttls_agreed = Starts(data, size, "220");
    session->starttls_pending = false;
  }
  if (type == CURLINFO_HEADER_OUT && Starts(data, size, "STARTTLS")) {
    session->starttls_pending = true;
  }
  if (type == CURLINFO_HEADER_OUT && session->starttls_agreed &&
      (Starts(data, size, "EHLO") || Starts(data, size, "HELO"))) {
    NoteTls(curl, *session);
  }
  if (type == CURLINFO_HEADER_OUT && Starts(data, size, "QUIT")) {
    session->quit_sent = true;
    session->quit_time = Clock::now();
  }
  if (type == CURLINFO_HEADER_OUT && Starts(data, size, "EHLO")) {
    session->in_ehlo_reply = true;
    if (session->info != nullptr) {
      session->info->extensions.clear();
      session->info->ehlo_seen = false;
    }
  }
  if (type == CURLINFO_HEADER_IN) NoteEhloLine(*session, std::string_view(data, size));
  // The answer to QUIT says nothing about the message: keep the reply before it.
  if (type != CURLINFO_HEADER_IN || session->quit_sent) return 0;
  if (Starts(data, size, "235")) session->login_accepted = true;
  session->last_reply = Trim(std::string_view(data, std::min<size_t>(size, 200)));
  for (char& c : session->last_reply) {
    if (static_cast<unsigned char>(c) < ' ') c = ' ';
  }
  return 0;
}

// libcurl counts the greeting, EHLO and the login as part of connecting, so
// its connect time-out would also bound those replies. The TCP connection is
// made here instead, under our own deadline; libcurl's connect time-out is
// set wide enough that each of those replies gets the response time-out.
curl_socket_t OpenConnected(void* user, curlsocktype purpose, curl_sockaddr* address) {
  auto* session = static_cast<Session*>(user);
  if (purpose != CURLSOCKTYPE_IPCXN) return CURL_SOCKET_BAD;
  platform::ConnectFailure failure;
  platform::UniqueSocket socket =
      platform::ConnectSocket(address->family, address->socktype, address->protocol, &address->addr,
                              address->addrlen, session->connect_deadline, failure);
  if (!socket) {
    session->connect_timed_out = failure.timed_out;
    session->connect_error = failure.timed_out ? "Connection timed out after " +
                                                     std::to_string(session->connect_seconds) + " s"
                                               : failure.reason;
    return CURL_SOCKET_BAD;
  }
  session->connect_error.clear();
  return static_cast<curl_socket_t>(socket.Release());
}

int AlreadyConnected(void*, curl_socket_t, curlsocktype) {
  return CURL_SOCKOPT_ALREADY_CONNECTED;
}

// libcurl waits for the answer to QUIT as long as for any reply; a server
// that has gone quiet is not worth that. It asks this about once a second.
int LimitQuitWait(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* session = static_cast<Session*>(user);
  if (!session->quit_sent) return 0;
  return Clock::now() - session->quit_time >= std::chrono::seconds(session->quit_seconds) ? 1 : 0;
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

struct CurlFree {
  void operator()(CURL* handle) const { Curl().easy_cleanup(handle); }
  void operator()(curl_slist* list) const { Curl().slist_free_all(list); }
};

}  // namespace

LoginRefusedError::LoginRefusedError()
    : Exception(Text1250("Błąd autentykacji (TidSMTP.Authenticate).")) {}

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

namespace {

// One libcurl session set up for `job`: everything but the message.
class SmtpSession {
 public:
  SmtpSession(const SmtpJob& job, const MailTimeouts& timeouts) : job_(job) {
    const CurlLibrary& lib = Curl();
    handle_.reset(lib.easy_init());
    if (!handle_) throw Exception("Cannot create the SMTP client.");
    CURL* curl = handle_.get();
    session_.connect_seconds = timeouts.connect_seconds;
    session_.connect_deadline = Clock::now() + std::chrono::seconds(timeouts.connect_seconds);
    session_.quit_seconds = timeouts.quit_seconds;
    session_.authenticate = job.authenticate;
    session_.implicit_tls = job.security.encryption == MailEncryption::kTls;
    url_ = SmtpUrl(job.host, job.port, job.security.encryption);

    lib.easy_setopt(curl, CURLOPT_URL, url_.c_str());
    lib.easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    lib.easy_setopt(curl, CURLOPT_PROXY, "");  // no proxy from the environment
    lib.easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    lib.easy_setopt(curl, CURLOPT_ERRORBUFFER, error_buffer_);
    // Greeting, EHLO, STARTTLS with its handshake and EHLO again, and the
    // three replies of AUTH LOGIN fall in libcurl's connect phase: give each
    // its response time-out.
    lib.easy_setopt(curl, CURLOPT_CONNECTTIMEOUT,
                    timeouts.connect_seconds + 8 * timeouts.response_seconds);
    lib.easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, OpenConnected);
    lib.easy_setopt(curl, CURLOPT_OPENSOCKETDATA, &session_);
    lib.easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, AlreadyConnected);
    // Closing inside the transfer runs QUIT under LimitQuitWait, not later in
    // curl_easy_cleanup, where nothing bounds it but the response time-out.
    lib.easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    lib.easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    lib.easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, LimitQuitWait);
    lib.easy_setopt(curl, CURLOPT_XFERINFODATA, &session_);
    lib.easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeouts.response_seconds);
    lib.easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    lib.easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeouts.low_speed_seconds);
    lib.easy_setopt(curl, CURLOPT_VERBOSE, 1L);  // feeds WatchProtocol, prints nothing
    lib.easy_setopt(curl, CURLOPT_DEBUGFUNCTION, WatchProtocol);
    lib.easy_setopt(curl, CURLOPT_DEBUGDATA, &session_);
    ApplyMailSecurity(curl, job.security);
    if (job.authenticate) ApplyLogin(curl, job.security.method, job.user, job.password);
  }

  CURL* Handle() const { return handle_.get(); }
  Session& State() { return session_; }

  // Runs the session; throws Exception with the cause when it failed.
  void Perform() {
    const CurlLibrary& lib = Curl();
    CURLcode result = lib.easy_perform(handle_.get());
    if (!session_.read_error.empty()) throw Exception(session_.read_error);
    if (std::string tls = TlsFailureText(result, error_buffer_); !tls.empty()) {
      session_.tls_hint = IpAddressNameHint(handle_.get(), result, error_buffer_, job_.host);
      throw TlsFailure(tls);
    }
    if (session_.login_skipped || result == CURLE_LOGIN_DENIED) throw LoginRefusedError();
    if (result == CURLE_COULDNT_CONNECT && !session_.connect_error.empty()) {
      throw Exception(
          std::string(lib.easy_strerror(session_.connect_timed_out ? CURLE_OPERATION_TIMEDOUT
                                                                   : CURLE_COULDNT_CONNECT)) +
          ": Failed to connect to " + job_.host + " port " + std::to_string(job_.port) + ": " +
          session_.connect_error);
    }
    if (result != CURLE_OK) throw Exception(FailureText(result));
  }

 private:
  // libcurl's text, the reply code, and the server's own words: libcurl
  // names only the code of a refused command ("MAIL failed: 530"), the
  // server's reply line says why.
  std::string FailureText(CURLcode result) const {
    long code = 0;
    Curl().easy_getinfo(handle_.get(), CURLINFO_RESPONSE_CODE, &code);
    std::string text = Curl().easy_strerror(result);
    const std::string code_text = std::to_string(code);
    const std::string& reply = session_.last_reply;
    const bool reply_has_code = code != 0 && reply.compare(0, code_text.size(), code_text) == 0;
    if (code != 0) text += " (response " + code_text + ")";
    std::string buffer = error_buffer_;
    if (buffer.empty() || buffer == text) {
      if (code != 0 && !reply.empty()) text += ": " + reply;
      return text;
    }
    if (reply_has_code && buffer.size() >= code_text.size() &&
        buffer.compare(buffer.size() - code_text.size(), code_text.size(), code_text) == 0) {
      buffer.replace(buffer.size() - code_text.size(), code_text.size(), reply);
    }
    return text + ": " + buffer;
  }

  const SmtpJob& job_;
  std::unique_ptr<CURL, CurlFree> handle_;
  Session session_;
  std::string url_;
  char error_buffer_[CURL_ERROR_SIZE] = {};
};

}  // namespace

void SendBySmtp(const SmtpJob& job, const MailTimeouts& timeouts, MessageStream& message) {
  const CurlLibrary& lib = Curl();
  std::unique_ptr<curl_slist, CurlFree> recipients;
  for (const std::string& address : job.rcpt_to) {
    curl_slist* list = lib.slist_append(recipients.get(), address.c_str());
    if (list == nullptr) throw Exception("Out of memory.");
    // The list returned is the one held, extended: it takes over ownership.
    static_cast<void>(recipients.release());
    recipients.reset(list);
  }

  SmtpSession smtp(job, timeouts);
  CURL* curl = smtp.Handle();
  Session& session = smtp.State();
  session.message = &message;
  lib.easy_setopt(curl, CURLOPT_MAIL_FROM, job.mail_from.c_str());
  lib.easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients.get());
  // The message carries its own CR LF; curl only dot-stuffs.
  lib.easy_setopt(curl, CURLOPT_CRLF, 0L);
  lib.easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  lib.easy_setopt(curl, CURLOPT_READFUNCTION, ReadMessage);
  lib.easy_setopt(curl, CURLOPT_READDATA, &session);
  lib.easy_setopt(curl, CURLOPT_PREREQFUNCTION, BeforeMailFrom);
  lib.easy_setopt(curl, CURLOPT_PREREQDATA, &session);
  try {
    smtp.Perform();
  } catch (const TlsFailure& e) {
    // Beside the task's summary: an operator watching the run sees it at once.
    Diagnose(std::string("mail: ") + e.what());
    if (!session.tls_hint.empty()) Diagnose("mail: " + session.tls_hint);
    throw;
  }
  if (job.authenticate && !session.login_accepted) throw LoginRefusedError();
}

void ProbeBySmtp(const SmtpJob& job, const MailTimeouts& timeouts, SmtpSessionInfo& info) {
  SmtpSession smtp(job, timeouts);
  CURL* curl = smtp.Handle();
  smtp.State().info = &info;
  const CurlLibrary& lib = Curl();
  // Greeting, EHLO, TLS and the login, then QUIT: no envelope, no message.
  lib.easy_setopt(curl, CURLOPT_CONNECT_ONLY, 1L);
  lib.easy_setopt(curl, CURLOPT_CERTINFO, 1L);
  // What the session saw, also when it failed after the handshake (a
  // refused login): the certificate was shown all the same.
  auto note_session = [&] {
    info.login_accepted = smtp.State().login_accepted;
    info.last_reply = smtp.State().last_reply;
    info.hint = smtp.State().tls_hint;
    curl_certinfo* chain = nullptr;
    if (info.tls && lib.easy_getinfo(curl, CURLINFO_CERTINFO, &chain) == CURLE_OK &&
        chain != nullptr && chain->num_of_certs > 0) {
      for (curl_slist* field = chain->certinfo[0]; field != nullptr; field = field->next) {
        info.certificate.emplace_back(field->data);
      }
    }
  };
  try {
    smtp.Perform();
  } catch (...) {
    note_session();
    throw;
  }
  note_session();
}

}  // namespace zeph
