/* A minimal host library written in C against src/host/zeph_host.h: a
 * configuration server that logs in anyone, and a warehouse server whose
 * ExportIssueDocumentsToPelkex succeeds, or reports failure with a Polish
 * message for the database "ODMOWA". Every object and text it hands out is
 * recorded, and so is every one given back, in the file that the environment
 * variable MINIMAL_HOST_RECORD names, so that a test can see the program
 * gives back exactly what it got.
 *
 * Built a second time with MINIMAL_HOST_VERSION set to an older interface
 * version, to be refused. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <uchar.h>

#include "host/zeph_host.h"

#ifndef MINIMAL_HOST_VERSION
#define MINIMAL_HOST_VERSION ZEPH_HOST_INTERFACE_VERSION
#endif

struct ZephObject {
  ZephClassId id;
  int references;
  int refused_database; /* Setup: the database is "ODMOWA"; Stock: its Setup's */
};

static void Record(const char* event, ZephClassId id) {
  const char* path = getenv("MINIMAL_HOST_RECORD");
  if (path == NULL) return;
  FILE* out = fopen(path, "a");
  if (out == NULL) return;
  fprintf(out, "%s %d\n", event, (int)id);
  fclose(out);
}

static ZephObject* NewObject(ZephClassId id) {
  ZephObject* object = calloc(1, sizeof *object);
  if (object == NULL) return NULL;
  object->id = id;
  object->references = 1;
  Record("object", id);
  return object;
}

static void Release(ZephObject* object) {
  if (object == NULL) return;
  Record("release", object->id);
  if (--object->references == 0) free(object);
}

/* A new text for the program, from a NUL-terminated UTF-16 literal. */
static ZephString MakeString(const char16_t* text) {
  ZephString out = {NULL, 0};
  size_t length = 0;
  while (text[length] != 0) ++length;
  if (length == 0) return out;
  out.data = malloc(length * sizeof(uint16_t));
  if (out.data == NULL) return out;
  memcpy(out.data, text, length * sizeof(uint16_t));
  out.length = length;
  Record("string", -1);
  return out;
}

static void FreeString(ZephString* text) {
  if (text->data != NULL) Record("free", -1);
  free(text->data);
  text->data = NULL;
  text->length = 0;
}

static ZephStatus Ok(void) {
  ZephStatus status = {0, {NULL, 0}};
  return status;
}

static ZephStatus Fail(const char16_t* text) {
  ZephStatus status;
  status.code = -1;
  status.description = MakeString(text);
  return status;
}

static int SameText(ZephText text, const char* ascii) {
  size_t i;
  if (text.length != strlen(ascii)) return 0;
  for (i = 0; i < text.length; ++i) {
    if (text.data[i] != (uint16_t)(unsigned char)ascii[i]) return 0;
  }
  return 1;
}

/* Calls the configuration server takes and has nothing to do for. */
static ZephStatus Nothing(ZephObject* self) {
  (void)self;
  return Ok();
}
static ZephStatus NothingFlag(ZephObject* self, ZephBool flag) {
  (void)self;
  (void)flag;
  return Ok();
}
static ZephStatus NothingText(ZephObject* self, ZephText text) {
  (void)self;
  (void)text;
  return Ok();
}
static ZephStatus NothingClass(ZephObject* self, ZephClassId id) {
  (void)self;
  (void)id;
  return Ok();
}

static ZephStatus SetConnection(ZephObject* self, const ZephConnection* connection) {
  (void)self;
  /* The connection is the program's; it only has to be readable. */
  if (connection != NULL && connection->login_prompt(connection) != 0) {
    return Fail(u"A login prompt cannot be shown");
  }
  return Ok();
}

static ZephStatus SetApplication(ZephObject* self, ZephApplication* application) {
  (void)self;
  (void)application;
  return Ok();
}

static ZephStatus RegisterModule(ZephObject* self, ZephClassId id, ZephObject* server,
                                 int32_t* result) {
  (void)self;
  (void)id;
  (void)server; /* borrowed: not kept */
  *result = 0;
  return Ok();
}

static ZephStatus SetDatabase(ZephObject* self, ZephText name) {
  self->refused_database = SameText(name, "ODMOWA");
  return Ok();
}

static ZephStatus SetPreLoginOption(ZephObject* self, int32_t option) {
  (void)self;
  (void)option;
  return Ok();
}

static ZephStatus Login(ZephObject* self, ZephBool* success) {
  (void)self;
  *success = ZEPH_TRUE;
  return Ok();
}

static ZephStatus GetParameter(ZephObject* self, ZephText name, ZephVariant* value) {
  (void)self;
  value->kind = ZEPH_VARIANT_EMPTY;
  if (SameText(name, "SHORTDATEFORMAT")) {
    value->kind = ZEPH_VARIANT_TEXT;
    value->text = MakeString(u"dd.mm.yyyy");
  }
  return Ok();
}

static ZephStatus GetExceptionHandler(ZephObject* self, ZephExceptionHandler* handler) {
  (void)self;
  *handler = NULL;
  return Ok();
}

static ZephStatus CheckRight(ZephObject* self, ZephText right_id, int32_t level, ZephString* text,
                             ZephString* message, ZephBool* granted) {
  (void)self;
  (void)right_id;
  (void)level;
  (void)text;
  (void)message;
  *granted = ZEPH_TRUE;
  return Ok();
}

static ZephStatus GetModule(ZephObject* self, ZephClassId id, ZephBool create,
                            ZephObject** server) {
  (void)create;
  *server = NULL;
  if (id != ZEPH_CLASS_STOCK) return Ok(); /* no such module here */
  *server = NewObject(id);
  if (*server == NULL) return Fail(u"Out of memory");
  (*server)->refused_database = self->refused_database;
  return Ok();
}

static ZephStatus ExportIssueDocumentsToPelkex(ZephObject* self, ZephString* message,
                                               ZephBool* success) {
  if (self->refused_database) {
    *message = MakeString(u"Brak połączenia z Pelkex");
    *success = ZEPH_FALSE;
  } else {
    *success = ZEPH_TRUE;
  }
  return Ok();
}

static const ZephSetupTable kSetup = {
    .Logout = Nothing,
    .GetParameter = GetParameter,
    .SetConnection = SetConnection,
    .SetCreationSwitchA = NothingFlag,
    .RegisterModule = RegisterModule,
    .GetModule = GetModule,
    .SetApplication = SetApplication,
    .GetExceptionHandler = GetExceptionHandler,
    .SetServer = NothingText,
    .SetDatabase = SetDatabase,
    .UnregisterModule = NothingClass,
    .SetUser = NothingText,
    .SetPassword = NothingText,
    .SetCreationSwitchB = NothingFlag,
    .SetCreationSwitchC = NothingFlag,
    .SetApplicationName = NothingText,
    .SetPreLoginOption = SetPreLoginOption,
    .Close = Nothing,
    .CheckRight = CheckRight,
    .Login = Login,
};

static const ZephStockTable kStock = {
    .ExportIssueDocumentsToPelkex = ExportIssueDocumentsToPelkex,
};

static ZephStatus Create(ZephClassId id, ZephObject** object) {
  *object = NULL;
  if (id != ZEPH_CLASS_SETUP) return Fail(u"Class not registered");
  *object = NewObject(id);
  return *object != NULL ? Ok() : Fail(u"Out of memory");
}

static const ZephHostLibrary kLibrary = {
    .interface_version = MINIMAL_HOST_VERSION,
    .create = Create,
    .release = Release,
    .free_string = FreeString,
    .setup = &kSetup,
    .stock = &kStock,
};

__attribute__((visibility("default"))) const ZephHostLibrary* zeph_host_library(void) {
  return &kLibrary;
}
