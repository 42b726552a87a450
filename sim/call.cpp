#include "call.h"

#include "journal.h"
#include "sim_state.h"
#include "sim_text.h"

namespace sim {

Call::Call(const SimObject& object, std::string_view method)
    : object_(object), method_(method), database_(object.database()->Key()) {
  std::string_view class_name = zeph::ClassName(object.SimClass());
  key_ = Fold(class_name) + "." + Fold(method);
  Scenario& scenario = CurrentScenario();
  number_ = scenario.CountCall(database_, class_name, method);
  if (const std::string* value = scenario.Find(database_, key_, number_)) {
    if (auto parsed = ParseOutcome(*value)) outcome_ = *parsed;
  }
}

Call& Call::Raw(std::string_view text) {
  if (!args_.empty()) args_ += ", ";
  args_ += text;
  return *this;
}

Call& Call::Arg(int32_t value) {
  return Raw(std::to_string(value));
}
Call& Call::Arg(zeph::WordBool value) {
  return Raw(std::to_string(value));
}
Call& Call::Arg(const zeph::WideString& text) {
  return Raw(JournalText(text));
}
Call& Call::Date(double value) {
  return Raw(JournalDate(value));
}
Call& Call::Class(zeph::ClassId id) {
  return Raw(JournalClass(id));
}
Call& Call::Object(const zeph::IHostObject* object) {
  return Raw(JournalObject(object));
}

const std::string* Call::Value(std::string_view name) const {
  return CurrentScenario().Find(database_, key_ + "." + Fold(name), number_);
}

zeph::HostStatus Call::Done(std::string_view result) {
  if (Failed()) return Fail(outcome_.text);
  std::string line = object_.Label() + "." + method_ + "(" + args_ + ")";
  if (!result.empty()) {
    line += " -> ";
    line += result;
  }
  WriteJournalLine(line);
  return zeph::HostStatus::Ok();
}

zeph::HostStatus Call::Fail(const std::string& text) {
  WriteJournalLine(object_.Label() + "." + method_ + "(" + args_ + ") -> " + JournalStatus(text));
  return zeph::HostStatus::Fail(ToWide(text));
}

zeph::HostStatus Call::Flag(zeph::WordBool* flag) {
  if (Failed()) return Done();
  if (flag != nullptr) {
    *flag = outcome_.kind == Outcome::Kind::kFalse ? zeph::kFalse : zeph::kTrue;
  }
  return Done();
}

zeph::HostStatus Call::MessageFlag(zeph::WideString* message, zeph::WordBool* success) {
  if (Failed()) return Done();
  if (message != nullptr) *message = ToWide(outcome_.text);
  if (success != nullptr) {
    *success = outcome_.kind == Outcome::Kind::kFalse ? zeph::kFalse : zeph::kTrue;
  }
  return Done();
}

}  // namespace sim
