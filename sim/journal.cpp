#include "journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>

#include "sim_object.h"
#include "sim_state.h"
#include "sim_text.h"

namespace sim {

void WriteJournalLine(std::string_view line) {
  std::string data(line);
  data += '\n';
  const std::string path = SimDirectory() + "host-sim.journal";
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;  // a journal that cannot be written must not break the host
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n <= 0) break;
    p += n;
    left -= static_cast<size_t>(n);
  }
  ::close(fd);
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
