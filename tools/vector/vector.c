/* The evaluation loop of libxv55tools.so (include/xv55/vector.h). */
#include "xv55/vector.h"

#include <stdlib.h>
#include <string.h>

typedef struct Collector {
  const XvPrinterOps* ops;
  Xv55VectorRun* run;
  int64_t point;
  int32_t callType;
  int32_t pending;       /* lines written since the last end */
  int64_t pendingOffset; /* where they start in run->text */
} Collector;

typedef struct Numberer {
  const XvOptionsHandlerOps* ops;
  Xv55VectorRun* run;
  void* previous; /* the handler installed before the run, or NULL */
  double marker;  /* the current call's marker */
} Numberer;

static int reserveText(Xv55VectorRun* run, int64_t more) {
  if (run->textLength + more <= run->textCapacity) return 1;
  int64_t capacity = run->textCapacity ? run->textCapacity : 256;
  while (capacity < run->textLength + more) capacity *= 2;
  char* grown = (char*)realloc(run->text, (size_t)capacity);
  if (!grown) return 0;
  run->text = grown;
  run->textCapacity = capacity;
  return 1;
}

static void writeLine(void* self, const char* line) {
  Collector* c = (Collector*)self;
  Xv55VectorRun* run = c->run;
  const int64_t n = line ? (int64_t)strlen(line) : 0;
  if (!c->pending) {
    c->pending = 1;
    c->pendingOffset = run->textLength;
  } else if (reserveText(run, 1)) {
    run->text[run->textLength++] = '\n';
  }
  if (n && reserveText(run, n)) {
    memcpy(run->text + run->textLength, line, (size_t)n);
    run->textLength += n;
  }
}

static void endMessage(void* self, int32_t severity) {
  Collector* c = (Collector*)self;
  Xv55VectorRun* run = c->run;
  const int64_t offset = c->pending ? c->pendingOffset : run->textLength;
  c->pending = 0;
  if (run->messageCount == run->capacity) {
    const int64_t capacity = run->capacity ? run->capacity * 2 : 16;
    Xv55Message* grown =
        (Xv55Message*)realloc(run->messages, (size_t)capacity * sizeof(Xv55Message));
    if (!grown) {
      ++run->dropped;
      return;
    }
    run->messages = grown;
    run->capacity = capacity;
  }
  Xv55Message* m = &run->messages[run->messageCount++];
  m->point = c->point;
  m->callType = c->callType;
  m->severity = severity;
  m->offset = offset;
  m->length = run->textLength - offset;
}

static int32_t request(void* self, int32_t code, int64_t* intResult, double* valueResult,
                       const char** textResult) {
  Numberer* h = (Numberer*)self;
  if (code == 31 && h->run->numberCalls) {
    *intResult = (int64_t)h->marker;
    *valueResult = h->marker;
    return 0;
  }
  if (!h->previous) return XV55_OPTION_NOT_ANSWERED;
  const XvOptionsHandlerOps* ops = *(const XvOptionsHandlerOps* const*)h->previous;
  return ops->request(h->previous, code, intResult, valueResult, textResult);
}

static const XvPrinterOps kCollectorOps = {writeLine, endMessage};
static const XvOptionsHandlerOps kNumbererOps = {request};

static void fill(double* matrix, int64_t cells, double value) {
  for (int64_t i = 0; i < cells; ++i) matrix[i] = value;
}

static int64_t call(Xv55Site* site, int64_t callType, double* derivatives) {
  int64_t status = 0;
  int64_t type = callType;
  site->entry(site->inputs, site->inputSizes, site->outputs, site->outputSizes,
              site->inputPositions, site->outputPositions, &status, &site->hostContext, site->work,
              &site->workLength, derivatives, &site->rows, &site->columns, &type);
  return status;
}

static int derivativeCall(int64_t callType) {
  return callType == XV55_CALL_DERIVATIVES || callType == XV55_CALL_VALUES_AND_DERIVATIVES;
}

XV55_API int64_t xv55_site_call(Xv55Site* site) {
  if (derivativeCall(site->callType)) {
    fill(site->derivatives, site->rows * site->columns, site->untouched);
  }
  site->status = call(site, site->callType, site->derivatives);
  return site->status;
}

/* One call of the run under the collector; lines the library left without an end
 * become a message of severity 0. */
static int64_t runCall(Xv55Site* site, Collector* c, Numberer* h, int64_t point, int64_t callType,
                       double* derivatives) {
  Xv55VectorRun* run = c->run;
  c->point = point;
  c->callType = (int32_t)callType;
  h->marker = run->firstMarker + (run->numberCalls == 1 ? (double)run->calls : 0.0);
  ++run->calls;
  const int64_t status = call(site, callType, derivatives);
  if (c->pending) endMessage(c, 0);
  return status;
}

static void writePoint(const Xv55Site* site, const Xv55VectorRun* run, int64_t point) {
  char* cells = (char*)site->inputs;
  for (int64_t v = 0; v < run->varyingCount; ++v) {
    const Xv55VaryingInput* in = &run->varying[v];
    const size_t bytes = (size_t)in->width * 8u;
    if (!bytes) continue;
    memcpy(cells + in->cell * 8, (const char*)in->values + (size_t)point * bytes, bytes);
  }
}

static int wellFormed(const Xv55Site* site, const Xv55VectorRun* run) {
  if (!site || !run || !site->entry || !site->initialize || !site->initializationData) return 0;
  if (run->callType != XV55_CALL_VALUES && !derivativeCall(run->callType)) return 0;
  if (run->points < 0 || run->varyingCount < 0 || site->outputCells < 0) return 0;
  if (run->varyingCount && !run->varying) return 0;
  for (int64_t v = 0; v < run->varyingCount; ++v) {
    const Xv55VaryingInput* in = &run->varying[v];
    if (in->cell < 0 || in->width < 0 || in->cell + in->width > site->inputCells) return 0;
    if (in->width && run->points && !in->values) return 0;
  }
  return 1;
}

XV55_API int32_t xv55_vector_evaluate(Xv55Site* site, Xv55VectorRun* run) {
  if (!wellFormed(site, run)) return 0;
  run->setUpStatus = run->cleanUpStatus = 0;
  run->calls = 0;

  const InitBlock* current = site->initializationData();
  const InitBlock saved = current ? *current : (InitBlock){1, NULL, NULL, 0};
  Collector collector = {&kCollectorOps, run, 0, 0, 0, 0};
  Numberer numberer = {&kNumbererOps, run, saved.optionsHandler, 0.0};
  const int32_t version = (int32_t)(saved.version & 0xFFFFFFFF);
  const InitBlock ours = {version >= 1 && version <= 3 ? saved.version : 1, &collector, &numberer,
                          saved.extra};
  site->initialize(&ours);

  const int64_t matrixCells = site->rows * site->columns;
  const int64_t outputCells = site->outputCells;
  const int withDerivatives = derivativeCall(run->callType);
  if (run->setUp) {
    if (run->points) writePoint(site, run, 0);
    run->setUpStatus = runCall(site, &collector, &numberer, 0, XV55_CALL_SETUP, site->derivatives);
  }
  for (int64_t p = 0; p < run->points; ++p) {
    writePoint(site, run, p);
    double* matrix = site->derivatives;
    if (withDerivatives) {
      if (run->derivatives) matrix = run->derivatives + p * matrixCells;
      fill(matrix, matrixCells, site->untouched);
    }
    const int64_t status = runCall(site, &collector, &numberer, p, run->callType, matrix);
    if (run->statuses) run->statuses[p] = status;
    if (run->outputs) {
      memcpy(run->outputs + p * outputCells, site->outputs, (size_t)outputCells * sizeof(double));
    }
  }
  if (run->cleanUp) {
    const int64_t last = run->points ? run->points - 1 : 0;
    run->cleanUpStatus =
        runCall(site, &collector, &numberer, last, XV55_CALL_CLEANUP, site->derivatives);
  }

  InitBlock restored = saved;
  restored.version = ours.version; /* a library never initialised takes the same objects */
  site->initialize(&restored);
  return 1;
}

XV55_API void xv55_vector_release(Xv55VectorRun* run) {
  if (!run) return;
  free(run->messages);
  free(run->text);
  run->messages = NULL;
  run->text = NULL;
  run->messageCount = run->textLength = run->capacity = run->textCapacity = 0;
  run->dropped = 0;
}
