#include "util/diagnostics.h"

#include "platform/error_text.h"
#include "platform/file.h"
#include "util/encoding.h"
#include "util/files.h"

namespace zeph {

void Diagnose(std::string_view text) {
  std::string line = "zephautomat: " + AnsiToUtf8(text) + "\n";
  // Best effort: a closed standard error must not end the run.
  WriteAll(platform::StandardError(), line);
}

void DiagnoseSystemError(std::string_view what, std::string_view path, int error) {
  std::string text(what);
  text += ' ';
  text += path;
  text += ": ";
  // The system's reason is ASCII in the C locale the program runs in.
  text += platform::ErrorText(error);
  Diagnose(text);
}

}  // namespace zeph
