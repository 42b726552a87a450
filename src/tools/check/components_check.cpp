#include "tools/check/components_check.h"

#include <vector>

#include "host/com_servers.h"
#include "host/component_runtime.h"
#include "platform/file.h"
#include "platform/tool_output.h"
#include "tools/check/host_method_use.h"
#include "util/encoding.h"

namespace zeph {
namespace {

// The classes the program creates through components.ini.
constexpr ClassId kCreatedClasses[] = {ClassId::Setup, ClassId::EksportTessaro, ClassId::Invoices,
                                       ClassId::ZephProc};

// The switches a check asks about: the planned ones, or every one when
// none is planned.
SwitchFlags Asked(const SwitchFlags& planned, bool any_planned) {
  if (any_planned) return planned;
  SwitchFlags every;
  for (int i = 0; i < kSwitchCount; ++i) every.Set(static_cast<Switch>(i));
  return every;
}

// How the COM server of the class declares the methods the asked tasks
// call: found with its declaration, missing, or typed so that no conversion
// fits. Fails as the server's creation does.
HostStatus CheckComMethods(ClassId id, const std::u16string& progid, const std::string& where,
                           const SwitchFlags& asked, Severity severity, Findings& findings) {
  ComClassReport report;
  const std::vector<std::string> methods =
      ClassUsed(id, asked) ? MethodsCalled(id, asked) : std::vector<std::string>{};
  HostStatus status = DescribeComMethods(id, progid, methods, &report);
  if (status.Failed() || methods.empty()) return status;
  if (!report.problem.empty()) {
    // A server that has IDispatch is still called by name.
    findings.Warning(where, "the methods cannot be looked up: " + report.problem);
    return status;
  }
  if (!report.described) {
    findings.Warning(where,
                     "the server gives no type information; its methods are found by "
                     "name and called with the program's own types");
  }
  for (const ComMethodFinding& method : report.methods) {
    switch (method.state) {
      case ComMethodFinding::State::kFound:
        findings.Note(
            where, method.method + ": found" + (method.detail.empty() ? "" : ": " + method.detail));
        break;
      case ComMethodFinding::State::kMissing:
        findings.Add(severity, where, method.method + ": missing");
        break;
      case ComMethodFinding::State::kUnfit:
        findings.Add(severity, where, method.method + ": no conversion fits: " + method.detail);
        break;
    }
  }
  return status;
}

// The module servers the configuration server hands out.
constexpr ClassId kModuleClasses[] = {ClassId::Stock,   ClassId::Report,   ClassId::Report2,
                                      ClassId::Lexicon, ClassId::PrintHub, ClassId::Till};

}  // namespace

void CheckComponents(const std::string& dir, const SwitchFlags& planned, bool any_planned,
                     Findings& findings) {
  const std::string path = dir + "components.ini";
  platform::FileInfo info;
  if (!platform::StatPath(path, info)) {
    if (!HasComServers()) {
      Severity severity = any_planned ? Severity::kError : Severity::kWarning;
      findings.Add(severity, "components.ini",
                   "does not exist; no host server can be created and every task fails");
      return;
    }
    // Without the file every server is made through COM by its class name.
    findings.Note("components.ini", "does not exist; the class names are the ProgIDs");
  }
  ComponentRuntime::Configure(dir);
  for (ClassId id : kCreatedClasses) {
    const std::string name = ClassName(id);
    WideString progid;
    if (ComponentRuntime::ThroughCom(id, &progid)) {
      // Windows, no library listed: the server is made by its ProgID.
      const std::string where = "components.ini: [ProgIDs] " + name;
      const std::string quoted = "\"" + WideToUtf8(progid) + "\"";
      // Making the server is the only test that it works; its type
      // information then tells how it declares the methods the tasks call.
      const SwitchFlags asked = Asked(planned, any_planned);
      const Severity severity = any_planned ? Severity::kError : Severity::kWarning;
      HostStatus status = CheckComMethods(id, progid, where, asked, severity, findings);
      if (!status.Failed()) {
        findings.Note(where, quoted + " is registered and creates a server");
        if (id == ClassId::Setup) {
          // The module servers' interfaces, from the configuration server's
          // type library.
          for (ClassId module : kModuleClasses) {
            CheckComMethods(module, u"", std::string("COM server ") + ClassName(module), asked,
                            severity, findings);
          }
        }
      } else {
        findings.Add(any_planned && ClassUsed(id, planned) ? Severity::kError : Severity::kWarning,
                     where, quoted + ": " + WideToUtf8(status.description));
      }
      continue;
    }
    const std::string where = "components.ini: [InprocServers] " + name;
    std::string library;
    HostStatus status = ComponentRuntime::CheckClass(id, &library);
    if (!status.Failed()) {
      findings.Note(where, "\"" + platform::ToolText(library) + "\" loads");
      continue;
    }
    if (library.empty()) {
      bool needed = any_planned && ClassUsed(id, planned);
      std::string users;
      for (Switch s : SwitchesUsing(id))
        users += std::string(users.empty() ? "" : " ") + SwitchName(s);
      findings.Add(needed ? Severity::kError : Severity::kWarning, where,
                   "names no library; " + (users.empty() ? std::string("every task fails")
                                                         : "the tasks of " + users + " fail"));
      continue;
    }
    findings.Error(where, WideToUtf8(status.description));
  }
}

}  // namespace zeph
