// Entry points of the simulator library.
#include <memory>
#include <string>

#include "host/host_api.h"
#include "journal.h"
#include "scenario_keys.h"
#include "servers.h"
#include "sim_state.h"
#include "sim_text.h"

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr char kNotRegistered[] = "Class not registered";

zeph::IHostObject* Make(zeph::ClassId id) {
  switch (id) {
    case zeph::ClassId::Setup:
      return new sim::SetupServer;
    case zeph::ClassId::Invoices:
      return new sim::InvoicesServer;
    case zeph::ClassId::EksportTessaro:
      return new sim::EksportTessaroServer;
    case zeph::ClassId::ZephProc:
      return new sim::ZephProcServer;
    default:
      return nullptr;
  }
}

zeph::HostStatus Create(const char* class_name, zeph::IHostObject** object) {
  std::string name = class_name != nullptr ? class_name : "";
  zeph::ClassId id = zeph::ClassId::Setup;
  bool creatable = zeph::ClassFromName(name, id) &&
                   (id == zeph::ClassId::Setup || id == zeph::ClassId::Invoices ||
                    id == zeph::ClassId::EksportTessaro || id == zeph::ClassId::ZephProc);
  std::string text = kNotRegistered;
  if (creatable) {
    // Creations are made before any database is known; their keys live in [Host].
    sim::Scenario& scenario = sim::CurrentScenario();
    std::string key = sim::Fold(name) + ".create";
    int number = scenario.CountCall("", name, "create");
    sim::Outcome outcome;
    if (const std::string* value = scenario.FindHost(key, number)) {
      if (auto parsed = sim::ParseOutcome(*value)) outcome = *parsed;
    }
    if (outcome.kind != sim::Outcome::Kind::kStatus) {
      zeph::IHostObject* made = Make(id);
      sim::WriteJournalLine("create " + name + " -> " + sim::JournalObject(made));
      *object = made;
      return zeph::HostStatus::Ok();
    }
    text = outcome.text;
  }
  sim::WriteJournalLine("create " + name + " -> " + sim::JournalStatus(text));
  return zeph::HostStatus::Fail(sim::ToWide(text));
}

}  // namespace

// Makes one server of the named class (Setup, Invoices, EksportTessaro,
// ZephProc), as the scenario's creation key says.
SIM_EXPORT zeph::HostStatus zeph_create_instance(const char* class_name,
                                                 zeph::IHostObject** object) {
  if (object == nullptr) return zeph::HostStatus::Fail(u"Invalid pointer");
  *object = nullptr;
  try {
    return Create(class_name, object);
  } catch (...) {
    return zeph::HostStatus::Fail(u"Host simulator failure");
  }
}

// Test infrastructure: forgets the scenario, call counts and object numbers
// so that a test process can run one scenario after another.
SIM_EXPORT void zeph_sim_reset() {
  sim::ResetState();
}
