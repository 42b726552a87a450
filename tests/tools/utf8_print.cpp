// A command that prints UTF-8 whatever the system's code pages, as the
// tools a password command calls often do.
//
//   utf8_print [--stderr] [--exit=N] TEXT
//
// Prints TEXT and LF to standard output (or standard error) and exits with N
// (default 0). TEXT is ASCII with \uXXXX for other characters, so that it
// reaches the tool the same through every shell and code page.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/tool_output.h"
#include "util/encoding.h"

namespace {

std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\u") == 0 && i + 6 <= text.size()) {
      zeph::AppendUtf8(out, static_cast<char32_t>(std::stoul(text.substr(i + 2, 4), nullptr, 16)));
      i += 5;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  zeph::platform::UseBinaryStandardStreams();
  std::FILE* stream = stdout;
  int code = 0;
  std::string text;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--stderr") {
      stream = stderr;
    } else if (arg.rfind("--exit=", 0) == 0) {
      code = static_cast<int>(std::strtol(arg.c_str() + 7, nullptr, 10));
    } else {
      text = Unescaped(arg) + "\n";
    }
  }
  std::fwrite(text.data(), 1, text.size(), stream);
  return code;
}
