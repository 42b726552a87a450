// Date texts and format patterns: the first byte picks the short date format
// and separator (as a host may set them), the rest is the text to read and
// the pattern to format with. A date that reads must format and read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "util/date_time.h"
#include "util/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // "/" in a format stands for the date separator, as the host sets both.
  static const char* const kFormats[] = {"yyyy/mm/dd", "dd/mm/yyyy", "mm/dd/yyyy", "yyyy/m/d",
                                         "d/m/yyyy"};
  static const char kSeparators[] = {'.', '-', '/', ' '};
  zeph::FormatSettings settings;
  settings.short_date_format = kFormats[data[0] % 5];
  settings.date_separator = kSeparators[(data[0] >> 3) % 4];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  zeph::TDateTime date = 0;
  if (zeph::TryStrToDate(text, date, settings)) {
    zeph::TDateTime again = 0;
    if (!zeph::TryStrToDate(zeph::DateToStr(date, settings), again, settings) || again != date) {
      std::abort();
    }
    zeph::DateToIniText(date);
    // Past year 9999 the shift is an error the task reports, not a crash.
    try {
      zeph::ShiftMonths(static_cast<int8_t>(data[0]), date);
    } catch (const zeph::Exception&) {
    }
  }
  try {
    zeph::StrToDate(text, settings);
  } catch (const zeph::Exception&) {
  }
  // The same bytes as a pattern, at a fixed moment.
  zeph::FormatDateTime(text, 45000.5, settings);
  return 0;
}
