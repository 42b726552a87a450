// The head-office export server: writes the export files the scenario names
// into the working directory and reports them through GetFileList.
#include <vector>

#include "call.h"
#include "servers.h"
#include "sim_dates.h"
#include "sim_files.h"
#include "sim_text.h"
#include "util/text.h"

namespace sim {
namespace {

using Kind = Outcome::Kind;

std::vector<std::string> SplitNames(std::string_view list) {
  std::vector<std::string> names;
  while (!list.empty()) {
    size_t comma = list.find(',');
    std::string_view name = zeph::TrimView(list.substr(0, comma));
    if (!name.empty()) names.emplace_back(name);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return names;
}

}  // namespace

EksportTessaroServer::EksportTessaroServer() : Server(zeph::ClassId::EksportTessaro, nullptr) {}

HostStatus EksportTessaroServer::ExportToTessaro(zeph::OleDate date_from, zeph::OleDate* date_to,
                                                 int32_t data_range, int32_t* status) {
  Call call(*this, "ExportToTessaro");
  double to_in = date_to != nullptr ? *date_to : 0.0;
  call.Date(date_from).Date(to_in).Arg(data_range);
  if (call.Failed()) return call.Done();
  file_list_.clear();
  error_message_ = call.outcome().text;
  if (call.outcome().kind == Kind::kFalse) {
    if (status != nullptr) *status = 1;
    return call.Done();
  }
  double to = to_in;
  if (to == 0.0) {
    const std::string* given = call.Value("EndDate");
    std::optional<double> parsed = given ? ParseDotDate(*given) : std::nullopt;
    to = parsed.value_or(Today());
  }
  std::string base = FileNamePart(database_->database);
  std::vector<std::string> names;
  if (const std::string* given = call.Value("Files")) {
    names = SplitNames(*given);
  } else {
    names.push_back("Tessaro_" + base + "_" + FormatDate(date_from, "") + "_" + FormatDate(to, "") +
                    ".txt");
  }
  int32_t result = 0;
  if (!names.empty()) {
    std::string dir = PrepareDirectory(directory_);
    for (const std::string& name : names) {
      std::string path = dir + name;
      std::string content = "Eksport Tessaro\nBaza: " + database_->database +
                            "\nOd: " + FormatDate(date_from, "-") + "\nDo: " + FormatDate(to, "-") +
                            "\n";
      if (dir.empty() || !WriteTextFile(path, content)) {
        error_message_ = "Nie można zapisać pliku " + path;
        file_list_.clear();
        result = 1;
        break;
      }
      if (!file_list_.empty()) file_list_ += "\r\n";
      file_list_ += path;
    }
  }
  if (result == 0 && date_to != nullptr) *date_to = to;
  if (status != nullptr) *status = result;
  return call.Done();
}

HostStatus EksportTessaroServer::SetConfiguration(zeph::ISetup* configuration) {
  FollowConfiguration(configuration);
  return Call(*this, "SetConfiguration").Object(configuration).Plain();
}

HostStatus EksportTessaroServer::SetWorkingDirectory(const WideString& directory) {
  Call call(*this, "SetWorkingDirectory");
  call.Arg(directory);
  if (!call.Failed()) directory_ = ToUtf8(directory);
  return call.Done();
}

HostStatus EksportTessaroServer::GetErrorMessage(WideString* message) {
  Call call(*this, "GetErrorMessage");
  if (!call.Failed() && message != nullptr) *message = ToWide(error_message_);
  return call.Done();
}

HostStatus EksportTessaroServer::GetFileList(WideString* files) {
  Call call(*this, "GetFileList");
  if (!call.Failed() && files != nullptr) *files = ToWide(file_list_);
  return call.Done();
}

HostStatus EksportTessaroServer::SetEndDateCorrection(int32_t correction) {
  return Call(*this, "SetEndDateCorrection").Arg(correction).Plain();
}

HostStatus EksportTessaroServer::Finish() {
  return Call(*this, "Finish").Plain();
}

HostStatus EksportTessaroServer::ExportToAmbro(zeph::OleDate start, zeph::OleDate* end, int32_t arg,
                                               WordBool* success) {
  Call call(*this, "ExportToAmbro");
  call.Date(start).Date(end != nullptr ? *end : 0.0).Arg(arg);
  if (call.Failed()) return call.Done();
  error_message_ = call.outcome().text;
  bool ok = call.outcome().kind != Kind::kFalse;
  if (ok && end != nullptr) {
    const std::string* given = call.Value("EndDate");
    if (given == nullptr) {
      *end = Today();
    } else if (Fold(*given) != "unchanged") {
      *end = ParseDotDate(*given).value_or(Today());
    }
  }
  if (success != nullptr) *success = ok ? zeph::kTrue : zeph::kFalse;
  return call.Done();
}

}  // namespace sim
