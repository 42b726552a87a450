#include "sim_object.h"

#include "sim_state.h"
#include "sim_text.h"

namespace sim {

std::string Database::Key() const {
  if (!has_server || !has_database) return {};
  return Fold(server + "/" + database);
}

SimObject::SimObject(zeph::ClassId id, std::shared_ptr<Database> database)
    : database_(database ? std::move(database) : std::make_shared<Database>()),
      class_(id),
      label_(std::string(zeph::ClassName(id)) + "#" + std::to_string(NextObjectNumber(id))) {}

void SimObject::FollowConfiguration(const zeph::IHostObject* configuration) {
  if (auto* own = dynamic_cast<const SimObject*>(configuration)) database_ = own->database_;
}

}  // namespace sim
