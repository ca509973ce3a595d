/* A host written in C: it builds a printer and an options handler by hand, loads
 * the library, initialises it and checks that a procedure's message reaches its
 * printer and that option requests reach its handler. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "xv55/xv55.h"

static char g_lines[8][300];
static int g_lineCount = 0;
static int32_t g_lastSeverity = 0;
static int g_requests = 0;

static void writeLine(void* self, const char* line) {
  (void)self;
  if (g_lineCount < 8) snprintf(g_lines[g_lineCount++], sizeof g_lines[0], "%s", line);
}

static void endMessage(void* self, int32_t severity) {
  (void)self;
  g_lastSeverity = severity;
}

static int32_t request(void* self, int32_t code, int64_t* intResult, double* valueResult,
                       const char** textResult) {
  (void)self;
  ++g_requests;
  *intResult = code + 1;
  *valueResult = 2.5;
  *textResult = "marker";
  return 0;
}

static const XvPrinterOps printerOps = {writeLine, endMessage};
static const XvOptionsHandlerOps handlerOps = {request};

#define CHECK(cond)                                                      \
  do {                                                                   \
    if (!(cond)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
      return 1;                                                          \
    }                                                                    \
  } while (0)

int main(void) {
  void* lib = dlopen(XV55_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  CHECK(lib != NULL);
  /* POSIX form of turning a dlsym result into a function pointer. */
  int32_t (*init)(const InitBlock*);
  Xv55Entry matr;
  void (*rqst)(const int64_t*, int64_t*, double*, char*, int64_t*, const int64_t*);
  *(void**)(&init) = dlsym(lib, "QRInitialize");
  *(void**)(&matr) = dlsym(lib, "XV55IF_SPMATR");
  *(void**)(&rqst) = dlsym(lib, "QSM_RQST_F");
  CHECK(init && matr && rqst);

  XvPrinterObject printer = {&printerOps};
  XvOptionsHandlerObject handler = {&handlerOps};
  InitBlock block = {3, &printer, &handler, 0};
  CHECK(init(&block) == 1);

  /* A 2 x 3 matrix times a 2-cell vector: refused with a message. */
  double inputs[8] = {0};
  const int64_t inPos[] = {1, 7}, inSizes[] = {2, 3, 2};
  double outputs[2] = {0};
  const int64_t outPos[] = {1}, outSizes[] = {2};
  int64_t status = 0, callType = 4;
  const int64_t context = 0, workLength = 0, rows = 2, columns = 8;
  double derivatives[16] = {0};
  matr(inputs, inSizes, outputs, outSizes, inPos, outPos, &status, &context, NULL, &workLength,
       derivatives, &rows, &columns, &callType);
  CHECK(status == 4);
  CHECK(g_lineCount == 1);
  CHECK(strcmp(g_lines[0], " SPMATR-F-Incompatible matrix dimensions for multiplication. ") == 0);
  CHECK(g_lastSeverity == 4);

  const int64_t code = 20, length = 4;
  int64_t integer = 0, outcome = -7;
  double value = 0;
  char text[4];
  rqst(&code, &integer, &value, text, &outcome, &length);
  CHECK(g_requests == 1);
  CHECK(outcome == 0 && integer == 21 && value == 2.5);
  CHECK(strcmp(text, "mar") == 0);

  dlclose(lib);
  printf("C host: message and option request delivered\n");
  return 0;
}
