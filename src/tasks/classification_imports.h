// External classification imports (/KTI): the full import and the selected
// import.
#pragma once

#include "config/server_list.h"
#include "tasks/task_context.h"

namespace zeph {

// Every import in one login; the Payback definitions only when the host's
// MODUL_PAYBACK is on.
bool RunFullImport(TaskContext& context, TSerwerInformacje& entry);

// Which imports a selected import runs.
struct ImportSelection {
  bool classifications = false;
  bool payback_definitions = false;
  bool conversion_factors = false;
  bool investment_dictionaries = false;
  bool graphics = false;
};

// The selections the dispatcher makes: one import each.
inline constexpr ImportSelection kOnlyClassifications{.classifications = true};
inline constexpr ImportSelection kOnlyPaybackDefinitions{.payback_definitions = true};
inline constexpr ImportSelection kOnlyConversionFactors{.conversion_factors = true};
inline constexpr ImportSelection kOnlyInvestmentDictionaries{.investment_dictionaries = true};
inline constexpr ImportSelection kOnlyGraphics{.graphics = true};

// Only the selected imports, in their own order.
bool RunSelectedImport(TaskContext& context, TSerwerInformacje& entry,
                       const ImportSelection& selection);

}  // namespace zeph
