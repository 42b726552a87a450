#include "tools/check/instance_files_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "util/encoding.h"

namespace zeph {
namespace {

std::string Octal(mode_t mode) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04o", static_cast<unsigned>(mode & 07777));
  return buffer;
}

std::string ParentOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  size_t slash = p.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : p.substr(0, slash);
}

void CheckServerListFile(const std::string& dir, const RunUser& user, bool holds_passwords,
                         Findings& findings) {
  const std::string path = dir + "serwery.ini";
  const std::string where = "serwery.ini";
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return;  // reported where the file is read
  if (st.st_nlink > 1) {
    findings.Warning(where, "has " + std::to_string(st.st_nlink) +
                                " hard links; the program rewrites it by renaming a new file "
                                "over this name, so the other names keep the old content");
  }
  if (holds_passwords && (st.st_mode & (S_IRGRP | S_IROTH)) != 0) {
    findings.Warning(where, std::string("holds passwords and is readable by ") +
                                ((st.st_mode & S_IROTH) != 0 ? "all users" : "its group") +
                                " (mode " + Octal(st.st_mode) + "); chmod 600 " + path);
  }
  std::string reason;
  if (!MayRead(user, path, reason)) {
    // The run stops at reading: whether it could write comes later. The
    // current user's failure to read is told where the file is read.
    if (!user.is_current) {
      findings.Error(where, "user " + user.name + " cannot read it (" + reason +
                                "); every run stops with \"Unable to read " + path + "\"");
    }
    return;
  }
  if (!MayWrite(user, path, reason)) {
    findings.Error(where, "user " + user.name + " cannot write it (" + reason +
                              "); every run stops with \"Unable to write to " + path + "\"");
  }
}

void CheckRunLog(const std::string& dir, const RunUser& user, Findings& findings) {
  const std::string path = dir + "Eksport_PelkTessaro_Auto.log";
  const std::string where = "Eksport_PelkTessaro_Auto.log";
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0) {
      // A symlink whose target does not exist yet: the run creates the target.
      std::string reason;
      char target[4096];
      ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
      std::string parent = n > 0 ? ParentOf(std::string(target, static_cast<size_t>(n))) : dir;
      if (n > 0 && target[0] != '/') parent = dir + parent;
      if (!MayWrite(user, parent, reason)) {
        findings.Error(where, "is a link to a missing file in " + parent + ", where user " +
                                  user.name + " cannot create it (" + reason + ")");
      }
    }
    return;  // otherwise created beside the program, checked with the directory
  }
  if (!S_ISREG(st.st_mode)) {
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
    findings.Error(dir, "user " + user.name + " cannot write in the instance directory (" + reason +
                            "); serwery.ini cannot be rewritten nor the run log created");
  }
  struct stat st {};
  const std::string program = dir + "zephautomat";
  if (::stat(program.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    findings.Warning(dir,
                     "holds no program file zephautomat; the program reads the files "
                     "beside its own real path");
  }
  CheckServerListFile(dir, user, holds_passwords, findings);
  CheckRunLog(dir, user, findings);
  const std::string logs = dir + "LOGI";
  if (::stat(logs.c_str(), &st) == 0 && !MayWrite(user, logs, reason)) {
    findings.Error("LOGI", "user " + user.name + " cannot write the invoice export's error logs (" +
                               reason + ")");
  }
}

void CheckWorkingDirectory(const std::string& path, const RunUser& user, const std::string& where,
                           Findings& findings) {
  const std::string shown = AnsiToUtf8(path);
  if (path.front() != '/') {
    findings.Note(where, "\"" + shown +
                             "\" is relative: it is taken against the current directory of "
                             "the run, not the instance directory");
  }
  struct stat st {};
  std::string reason;
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) {
      findings.Error(where, "\"" + shown + "\" is not a directory");
    } else if (!MayWrite(user, path, reason)) {
      findings.Error(where,
                     "user " + user.name + " cannot write in \"" + shown + "\" (" + reason + ")");
    }
    return;
  }
  if (errno != ENOENT && errno != ENOTDIR) {
    findings.Error(where, "\"" + shown + "\": " + std::strerror(errno));
    return;
  }
  // The run creates it with its parents: the nearest existing one must be
  // writable.
  std::string parent = ParentOf(path);
  while (::stat(parent.c_str(), &st) != 0 && parent != "/" && parent != ".") {
    parent = ParentOf(parent);
  }
  if (S_ISDIR(st.st_mode) && MayWrite(user, parent, reason)) {
    findings.Warning(where, "\"" + shown + "\" does not exist; the next run creates it");
  } else {
    if (reason.empty()) reason = "a file, not a directory";
    findings.Error(where, "\"" + shown + "\" does not exist and user " + user.name +
                              " cannot create it in \"" + AnsiToUtf8(parent) + "\" (" + reason +
                              "); the run stops with \"Nie udało się utworzyć katalogu\"");
  }
}

}  // namespace zeph
