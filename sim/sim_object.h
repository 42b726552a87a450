// What every simulated server has: its journal label and the database its
// calls are made for.
#pragma once

#include <memory>
#include <string>

#include "host/host_api.h"

namespace sim {

// The server and database a configuration server was given (or a ZephProc
// server opened). Shared by a configuration server with the module servers it
// hands out and the servers handed it with SetConfiguration.
struct Database {
  bool has_server = false;
  bool has_database = false;
  std::string server;    // UTF-8
  std::string database;  // UTF-8
  // Scenario name: folded "server/database", "" while either is unknown.
  std::string Key() const;
};

class SimObject {
 public:
  // Takes the next number of the class.
  SimObject(zeph::ClassId id, std::shared_ptr<Database> database);
  virtual ~SimObject() = default;
  SimObject(const SimObject&) = delete;
  SimObject& operator=(const SimObject&) = delete;

  zeph::ClassId SimClass() const { return class_; }
  const std::string& Label() const { return label_; }  // "Stock#1"
  const std::shared_ptr<Database>& database() const { return database_; }

 protected:
  // From now on the calls belong to `configuration`'s database, when it is a
  // server of this simulator.
  void FollowConfiguration(const zeph::IHostObject* configuration);

  std::shared_ptr<Database> database_;

 private:
  zeph::ClassId class_;
  std::string label_;
};

// A simulated server implementing `Interface`.
template <class Interface>
class Server : public Interface, public SimObject {
 public:
  Server(zeph::ClassId id, std::shared_ptr<Database> db) : SimObject(id, std::move(db)) {}
  zeph::ClassId Class() const override { return SimClass(); }
};

}  // namespace sim
