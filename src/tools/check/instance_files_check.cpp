#include "tools/check/instance_files_check.h"

#include <cerrno>

#include "platform/error_text.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/other_readers.h"
#include "platform/tool_output.h"
#include "util/encoding.h"

namespace zeph {
namespace {

using platform::MayWrite;

std::string ParentOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && platform::IsPathSeparator(p.back())) p.pop_back();
  size_t slash = p.size();
  while (slash > 0 && !platform::IsPathSeparator(p[slash - 1])) --slash;
  if (slash == 0) return ".";
  return slash == 1 ? "/" : p.substr(0, slash - 1);
}

// Passwords in a file others may read are theirs too.
void CheckPasswordReaders(const std::string& path, const std::string& where, Findings& findings) {
  platform::OtherReaders readers;
  if (!platform::FindOtherReaders(path, readers)) {
    findings.Warning(where, std::string("holds passwords; who may read it cannot be told (") +
                                platform::ErrorText(errno) + ")");
  } else if (!readers.who.empty()) {
    findings.Warning(where, platform::ToolText("holds passwords and is readable by " + readers.who +
                                               " (" + readers.because + "); " + readers.remedy));
  }
}

void CheckServerListFile(const std::string& dir, const RunUser& user, bool holds_passwords,
                         Findings& findings) {
  const std::string path = dir + "serwery.ini";
  const std::string where = "serwery.ini";
  platform::FileInfo st;
  if (!platform::StatPath(path, st)) return;  // reported where the file is read
  if (st.links > 1) {
    findings.Warning(where, "has " + std::to_string(st.links) +
                                " hard links; the program rewrites it by renaming a new file "
                                "over this name, so the other names keep the old content");
  }
  if (holds_passwords) CheckPasswordReaders(path, where, findings);
  std::string reason;
  if (!MayRead(user, path, reason)) {
    // The run stops at reading: whether it could write comes later. The
    // current user's failure to read is told where the file is read.
    if (!user.is_current) {
      findings.Error(where, "user " + user.name + " cannot read it (" + reason +
                                "); every run stops with \"Unable to read " +
                                platform::ToolText(path) + "\"");
    }
    return;
  }
  if (!MayWrite(user, path, reason)) {
    findings.Error(where, "user " + user.name + " cannot write it (" + reason +
                              "); every run stops with \"Unable to write to " +
                              platform::ToolText(path) + "\"");
  }
}

void CheckRunLog(const std::string& dir, const RunUser& user, Findings& findings) {
  const std::string path = dir + "Eksport_PelkTessaro_Auto.log";
  const std::string where = "Eksport_PelkTessaro_Auto.log";
  platform::FileInfo st;
  if (!platform::StatPath(path, st)) {
    platform::FileInfo link;
    if (platform::StatLink(path, link)) {
      // A symlink whose target does not exist yet: the run creates the target.
      std::string reason;
      std::string target;
      const bool named = platform::ReadSymbolicLink(path, target) && !target.empty();
      std::string parent = named ? ParentOf(target) : dir;
      if (named && !platform::IsAbsolutePath(target)) parent = dir + parent;
      if (!MayWrite(user, parent, reason)) {
        findings.Error(where, "is a link to a missing file in " + platform::ToolText(parent) +
                                  ", where user " + user.name + " cannot create it (" + reason +
                                  ")");
      }
    }
    return;  // otherwise created beside the program, checked with the directory
  }
  if (st.kind != platform::FileKind::kRegular) {
    findings.Error(where, "is not a regular file; the run log cannot be appended to");
    return;
  }
  std::string reason;
  if (!MayWrite(user, path, reason)) {
    findings.Error(where, "user " + user.name + " cannot append to it (" + reason +
                              "); tasks end without their log blocks");
  }
}

}  // namespace

void CheckInstanceFiles(const std::string& dir, const RunUser& user, bool holds_passwords,
                        Findings& findings) {
  std::string reason;
  if (!MayWrite(user, dir, reason)) {
    findings.Error(platform::ToolText(dir),
                   "user " + user.name + " cannot write in the instance directory (" + reason +
                       "); serwery.ini cannot be rewritten nor the run log created");
  }
  platform::FileInfo st;
  const std::string program_name = std::string("zephautomat") + platform::ExecutableSuffix();
  if (!platform::StatPath(dir + program_name, st) || st.kind != platform::FileKind::kRegular) {
    findings.Warning(platform::ToolText(dir),
                     "holds no program file " + program_name +
                         "; the program reads the files beside its own real path");
  }
  CheckServerListFile(dir, user, holds_passwords, findings);
  CheckRunLog(dir, user, findings);
  const std::string logs = dir + "LOGI";
  if (platform::StatPath(logs, st) && !MayWrite(user, logs, reason)) {
    findings.Error("LOGI", "user " + user.name + " cannot write the invoice export's error logs (" +
                               reason + ")");
  }
}

void CheckWorkingDirectory(const std::string& path, const RunUser& user, const std::string& where,
                           Findings& findings) {
  const std::string shown = AnsiToUtf8(path);
  if (!platform::IsAbsolutePath(path)) {
    findings.Note(where, "\"" + shown +
                             "\" is relative: it is taken against the current directory of "
                             "the run, not the instance directory");
  }
  platform::FileInfo st;
  std::string reason;
  if (platform::StatPath(path, st)) {
    if (st.kind != platform::FileKind::kDirectory) {
      findings.Error(where, "\"" + shown + "\" is not a directory");
    } else if (!MayWrite(user, path, reason)) {
      findings.Error(where,
                     "user " + user.name + " cannot write in \"" + shown + "\" (" + reason + ")");
    }
    return;
  }
  if (errno != ENOENT && errno != ENOTDIR) {
    findings.Error(where, "\"" + shown + "\": " + platform::ErrorText(errno));
    return;
  }
  // The run creates it with its parents: the nearest existing one must be
  // writable.
  std::string parent = ParentOf(path);
  while (!platform::StatPath(parent, st) && parent != "/" && parent != ".") {
    parent = ParentOf(parent);
  }
  if (st.kind == platform::FileKind::kDirectory && MayWrite(user, parent, reason)) {
    findings.Warning(where, "\"" + shown + "\" does not exist; the next run creates it");
  } else {
    if (reason.empty()) reason = "a file, not a directory";
    findings.Error(where, "\"" + shown + "\" does not exist and user " + user.name +
                              " cannot create it in \"" + AnsiToUtf8(parent) + "\" (" + reason +
                              "); the run stops with \"Nie udało się utworzyć katalogu\"");
  }
}

}  // namespace zeph
