// One call received by a simulated server: counts it for its database,
// finds the scenario's outcome, gathers the journal arguments and writes the
// journal line when the call completes.
#pragma once

#include <string>
#include <string_view>

#include "host/host_api.h"
#include "scenario_keys.h"
#include "sim_object.h"

namespace sim {

class Call {
 public:
  Call(const SimObject& object, std::string_view method);

  Call& Arg(int32_t value);
  Call& Arg(zeph::WordBool value);
  Call& Arg(const zeph::WideString& text);
  Call& Date(double value);
  Call& Class(zeph::ClassId id);
  Call& Object(const zeph::IHostObject* object);
  Call& Raw(std::string_view text);  // AConn, Application, nil

  // The outcome key OBJECT.METHOD for this call (ok when none applies).
  const Outcome& outcome() const { return outcome_; }
  bool Failed() const { return outcome_.kind == Outcome::Kind::kStatus; }
  // The value key OBJECT.METHOD.NAME for this call; null for its default.
  const std::string* Value(std::string_view name) const;

  // Journals the call; a failure status when the outcome is `status:`.
  zeph::HostStatus Done(std::string_view result = {});
  // Journals the call as failed with `text` and returns that failure.
  zeph::HostStatus Fail(const std::string& text);

  // Call completing by its status only.
  zeph::HostStatus Plain() { return Done(); }
  // Boolean result: false gives 0, otherwise -1.
  zeph::HostStatus Flag(zeph::WordBool* flag);
  // Message and success flag: false/true give their text; ok an empty message.
  zeph::HostStatus MessageFlag(zeph::WideString* message, zeph::WordBool* success);

 private:
  const SimObject& object_;
  std::string method_;
  std::string database_;
  std::string key_;  // folded OBJECT.METHOD
  int number_;
  Outcome outcome_;
  std::string args_;
};

}  // namespace sim
