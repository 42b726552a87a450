/* Preloaded into the program under test: close() of a file whose path
 * contains FAIL_CLOSE_OF closes it, as the system does, and then reports the
 * error FAIL_CLOSE_ERRNO (a number), as a network or a full file system
 * reports a write it could not complete only when the file is closed. Each
 * failure made so adds the file's path as a line to FAIL_CLOSE_NOTES, so that
 * a test can tell whether every one of them was reported. Every other
 * close() is left alone. */
#include <fcntl.h>
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int close(int fd) {
  static int (*real_close)(int);
  if (real_close == NULL) real_close = (int (*)(int))dlsym(RTLD_NEXT, "close");
  const char* part = getenv("FAIL_CLOSE_OF");
  char link[64];
  char target[4096];
  ssize_t length = -1;
  if (part != NULL && *part != '\0') {
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    length = readlink(link, target, sizeof target - 1);
  }
  const int result = real_close(fd);
  if (length > 0) {
    target[length] = '\0';
    const char* error = getenv("FAIL_CLOSE_ERRNO");
    if (strstr(target, part) != NULL) {
      const char* notes = getenv("FAIL_CLOSE_NOTES");
      const int note = notes != NULL ? open(notes, O_WRONLY | O_APPEND | O_CREAT, 0600) : -1;
      if (note >= 0) {
        target[length] = '\n';
        if (write(note, target, (size_t)length + 1) < 0) target[length] = '\0';
        real_close(note);
      }
      errno = error != NULL ? atoi(error) : EIO;
      return -1;
    }
  }
  return result;
}
