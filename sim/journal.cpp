#include "journal.h"

#include <cerrno>
#include <charconv>
#include <cstdio>

#include "platform/error_text.h"
#include "sim_object.h"
#include "sim_state.h"
#include "sim_text.h"
#include "util/files.h"

namespace sim {

void WriteJournalLine(std::string_view line) {
  std::string data;
  data.reserve(line.size() + 1);
  data.append(line);
  data += '\n';
  // Straight to the file with one write: the line is there before the call
  // returns, whatever happens to the process afterwards.
  const int fd = JournalFd();
  if (fd < 0) return;  // already reported; a journal must not break the host
  if (!zeph::WriteAll(fd, data)) {
    std::fprintf(stderr, "host-sim: cannot write the journal: %s\n",
                 zeph::platform::ErrorText(errno));
  }
}

std::string JournalText(std::u16string_view text) {
  return Escape(ToUtf8(text), true);
}

std::string JournalDate(double value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::string JournalClass(zeph::ClassId id) {
  return zeph::ClassName(id);
}

std::string JournalObject(const zeph::IHostObject* object) {
  if (object == nullptr) return "nil";
  if (auto* own = dynamic_cast<const SimObject*>(object)) return own->Label();
  return std::string(zeph::ClassName(object->Class())) + "#?";
}

std::string JournalStatus(std::string_view utf8_text) {
  return "status: " + Escape(utf8_text, false);
}

}  // namespace sim
