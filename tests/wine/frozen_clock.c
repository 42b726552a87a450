/* The frozen clock of the black-box tests for the 32-bit Windows build.
 *
 * The tests stop a program's clock with faketime, whose library replaces the
 * C library's time calls of the process it is preloaded into. The 32-bit
 * Wine is built with a 64-bit time_t and asks the time through
 * __clock_gettime64, __gettimeofday64 and __time64, which faketime's i386
 * library does not replace, so under it a 32-bit program reads the real
 * clock. This library, preloaded into the 32-bit Wine (LD_PRELOAD, see
 * scripts/lib/wine-session.sh), answers those calls, and their 32-bit
 * counterparts, with the moment in FROZEN_CLOCK_AT ("YYYY-MM-DD HH:MM:SS",
 * local time, as faketime's absolute form): the wall clock stands still
 * there; every other clock (monotonic, process time) runs on, as under
 * faketime --exclude-monotonic.
 *
 * Built for i386 Linux against the 32-bit Wine's own C library, without its
 * headers (no 32-bit development files are needed): the few declarations
 * below are the system's own, as the i386 C library defines them. */

typedef long long time64;

struct timespec64 {
  time64 tv_sec;
  long tv_nsec;
  long padding;
};

struct timeval64 {
  time64 tv_sec;
  long long tv_usec;
};

struct timespec32 {
  long tv_sec;
  long tv_nsec;
};

struct timeval32 {
  long tv_sec;
  long tv_usec;
};

struct tm {
  int tm_sec, tm_min, tm_hour, tm_mday, tm_mon, tm_year, tm_wday, tm_yday, tm_isdst;
  long tm_gmtoff;
  const char* tm_zone;
};

enum { CLOCK_REALTIME = 0, CLOCK_REALTIME_COARSE = 5 };
#define RTLD_NEXT ((void*)-1L)

char* getenv(const char* name);
void* dlsym(void* handle, const char* name);
time64 __mktime64(struct tm* tm);
long write(int fd, const void* data, unsigned long size);

/* The moment in `text`, of the form above, in seconds since the epoch; -1
 * when it is not of that form. */
static time64 parse_moment(const char* text) {
  /* Digits where the form has them, the separators where it has those. */
  static const char form[] = "dddd-dd-dd dd:dd:dd";
  int fields[6] = {0};
  int field = 0;
  for (int i = 0; form[i]; ++i) {
    if (form[i] == 'd') {
      if (text[i] < '0' || text[i] > '9') return -1;
      fields[field] = fields[field] * 10 + (text[i] - '0');
    } else {
      if (text[i] != form[i]) return -1;
      ++field;
    }
  }
  if (text[sizeof form - 1] != '\0') return -1;
  struct tm tm = {0};
  tm.tm_year = fields[0] - 1900;
  tm.tm_mon = fields[1] - 1;
  tm.tm_mday = fields[2];
  tm.tm_hour = fields[3];
  tm.tm_min = fields[4];
  tm.tm_sec = fields[5];
  tm.tm_isdst = -1;
  return __mktime64(&tm);
}

/* The frozen moment, or -1 when FROZEN_CLOCK_AT is missing or malformed
 * (the clock then runs as usual; a malformed one is told on standard error,
 * where the test that set it sees it). Read once, as the library is loaded
 * (after the C library, which it names as needed), before the process has
 * a second thread. */
static time64 frozen = -1;

__attribute__((constructor)) static void read_frozen_moment(void) {
  const char* text = getenv("FROZEN_CLOCK_AT");
  if (!text) return;
  frozen = parse_moment(text);
  if (frozen < 0) {
    static const char complaint[] =
        "frozen_clock: FROZEN_CLOCK_AT is not YYYY-MM-DD HH:MM:SS; the clock runs\n";
    (void)!write(2, complaint, sizeof complaint - 1);
  }
}

static int is_wall_clock(int clock) {
  return clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE;
}

static void* next(const char* name) {
  return dlsym(RTLD_NEXT, name);
}

int __clock_gettime64(int clock, struct timespec64* ts) {
  time64 at = frozen;
  if (at < 0 || !is_wall_clock(clock) || !ts) {
    int (*real)(int, struct timespec64*) = next("__clock_gettime64");
    return real(clock, ts);
  }
  ts->tv_sec = at;
  ts->tv_nsec = 0;
  return 0;
}

int clock_gettime(int clock, struct timespec32* ts) {
  time64 at = frozen;
  if (at < 0 || !is_wall_clock(clock) || !ts) {
    int (*real)(int, struct timespec32*) = next("clock_gettime");
    return real(clock, ts);
  }
  ts->tv_sec = (long)at;
  ts->tv_nsec = 0;
  return 0;
}

int __gettimeofday64(struct timeval64* tv, void* zone) {
  time64 at = frozen;
  if (at < 0 || !tv) {
    int (*real)(struct timeval64*, void*) = next("__gettimeofday64");
    return real(tv, zone);
  }
  tv->tv_sec = at;
  tv->tv_usec = 0;
  return 0;
}

int gettimeofday(struct timeval32* tv, void* zone) {
  time64 at = frozen;
  if (at < 0 || !tv) {
    int (*real)(struct timeval32*, void*) = next("gettimeofday");
    return real(tv, zone);
  }
  tv->tv_sec = (long)at;
  tv->tv_usec = 0;
  return 0;
}

time64 __time64(time64* out) {
  time64 at = frozen;
  if (at < 0) {
    time64 (*real)(time64*) = next("__time64");
    return real(out);
  }
  if (out) *out = at;
  return at;
}

long time(long* out) {
  time64 at = frozen;
  if (at < 0) {
    long (*real)(long*) = next("time");
    return real(out);
  }
  if (out) *out = (long)at;
  return (long)at;
}
