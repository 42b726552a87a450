#include "factory.h"

#include <memory>
#include <string>

#include "journal.h"
#include "scenario_keys.h"
#include "servers.h"
#include "sim_state.h"
#include "sim_text.h"

namespace sim {
namespace {

constexpr char kNotRegistered[] = "Class not registered";

zeph::ObjectRef Make(zeph::ClassId id) {
  switch (id) {
    case zeph::ClassId::Setup:
      return std::make_shared<SetupServer>();
    case zeph::ClassId::Invoices:
      return std::make_shared<InvoicesServer>();
    case zeph::ClassId::EksportTessaro:
      return std::make_shared<EksportTessaroServer>();
    case zeph::ClassId::ZephProc:
      return std::make_shared<ZephProcServer>();
    default:
      return nullptr;
  }
}

}  // namespace

zeph::HostStatus CreateServer(int32_t class_id, zeph::ObjectRef* object) {
  const auto id = static_cast<zeph::ClassId>(class_id);
  const bool creatable = id == zeph::ClassId::Setup || id == zeph::ClassId::Invoices ||
                         id == zeph::ClassId::EksportTessaro || id == zeph::ClassId::ZephProc;
  const std::string name = zeph::ClassName(id);
  std::string text = kNotRegistered;
  if (creatable) {
    // Creations are made before any database is known; their keys live in [Host].
    Scenario& scenario = CurrentScenario();
    std::string key = Fold(name) + ".create";
    int number = scenario.CountCall("", name, "create");
    Outcome outcome;
    if (const std::string* value = scenario.FindHost(key, number)) {
      if (auto parsed = ParseOutcome(*value)) outcome = *parsed;
    }
    if (outcome.kind != Outcome::Kind::kStatus) {
      zeph::ObjectRef made = Make(id);
      WriteJournalLine("create " + name + " -> " + JournalObject(made.get()));
      *object = std::move(made);
      return zeph::HostStatus::Ok();
    }
    text = outcome.text;
  }
  WriteJournalLine("create " + name + " -> " + JournalStatus(text));
  return zeph::HostStatus::Fail(ToWide(text));
}

}  // namespace sim
