#include "tasks/classification_imports.h"

namespace zeph {

bool RunFullImport(TaskContext& context, TSerwerInformacje& entry) {
  (void)context;
  (void)entry;
  return false;
}

bool RunSelectedImport(TaskContext& context, TSerwerInformacje& entry, bool classifications,
                       bool payback, bool conversion_factors, bool investment_dictionaries,
                       bool graphics) {
  (void)context, (void)entry, (void)classifications, (void)payback, (void)conversion_factors,
      (void)investment_dictionaries, (void)graphics;
  return false;
}

}  // namespace zeph
