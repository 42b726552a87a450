// The processing server: opens a database of its own and writes the
// dictionaries as XML.
#include "call.h"
#include "servers.h"
#include "sim_dates.h"
#include "sim_files.h"
#include "sim_text.h"

namespace sim {
namespace {

using Kind = Outcome::Kind;

int32_t ErrorNumber(const Call& call) {
  const std::string* given = call.Value("ErrorNumber");
  return given ? ParseInteger(*given).value_or(1) : 1;
}

}  // namespace

ZephProcServer::ZephProcServer() : Server(zeph::ClassId::ZephProc, nullptr) {}

HostStatus ZephProcServer::Start() {
  return Call(*this, "Start").Plain();
}

HostStatus ZephProcServer::Finish() {
  return Call(*this, "Finish").Plain();
}

HostStatus ZephProcServer::OpenDatabase(const WideString& server, const WideString& database,
                                        const WideString& user, const WideString& password,
                                        int32_t* error_number) {
  // The names are taken first: the database's section already speaks for this call.
  database_ = std::make_shared<Database>();
  database_->server = ToUtf8(server);
  database_->database = ToUtf8(database);
  database_->has_server = database_->has_database = true;
  Call call(*this, "OpenDatabase");
  call.Arg(server).Arg(database).Arg(user).Arg(password);
  if (call.Failed()) return call.Done();
  if (error_number != nullptr) {
    *error_number = call.outcome().kind == Kind::kFalse ? ErrorNumber(call) : 0;
  }
  return call.Done();
}

HostStatus ZephProcServer::SaveDictionariesToXml(const WideString& directory,
                                                 int32_t classification, int32_t goods_class,
                                                 int32_t price_group, WideString* message,
                                                 int32_t* error_number) {
  Call call(*this, "SaveDictionariesToXml");
  call.Arg(directory).Arg(classification).Arg(goods_class).Arg(price_group);
  if (call.Failed()) return call.Done();
  std::string text = call.outcome().text;
  int32_t error = 0;
  if (call.outcome().kind == Kind::kFalse) {
    error = ErrorNumber(call);
  } else {
    std::string dir = PrepareDirectory(ToUtf8(directory));
    std::string path = dir + "Slowniki_" + FileNamePart(database_->database) + ".xml";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<slowniki baza=\"" +
                      database_->database + "\" klasyfikacja=\"" + std::to_string(classification) +
                      "\" klasa=\"" + std::to_string(goods_class) + "\" grupaCen=\"" +
                      std::to_string(price_group) + "\" data=\"" + FormatDate(Today(), "-") +
                      "\"/>\n";
    if (dir.empty() || !WriteTextFile(path, xml)) {
      error = 1;
      text = "Nie można zapisać pliku " + path;
    }
  }
  if (error_number != nullptr) *error_number = error;
  if (message != nullptr) *message = ToWide(text);
  return call.Done();
}

}  // namespace sim
