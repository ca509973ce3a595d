/* Public C interface of the procedure library libxv55.so.
 *
 * A host loads the library, optionally hands it a printer and a solver-options
 * handler through QRInitialize, and calls one entry point per procedure with the
 * fourteen-argument procedure block declared by XV55_ENTRY_PARAMS.  Every argument
 * is passed by address; cells are 8 bytes (a double, an int64_t, or the start of
 * NUL-terminated text); the derivative matrix is column-major.
 */
#ifndef XV55_XV55_H
#define XV55_XV55_H

#include <stdint.h>

#if defined(_WIN32)
#define XV55_API __declspec(dllexport)
#else
#define XV55_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The fourteen arguments of every procedure entry point, in order. */
#define XV55_ENTRY_PARAMS                                                                   \
  void *inputs, const int64_t *inputSizes, void *outputs, const int64_t *outputSizes,       \
      const int64_t *inputPositions, const int64_t *outputPositions, int64_t *status,       \
      const int64_t *hostContext, double *realWork, const int64_t *realWorkLength,          \
      double *derivatives, const int64_t *derivativeRows, const int64_t *derivativeColumns, \
      int64_t *callType

typedef void (*Xv55Entry)(XV55_ENTRY_PARAMS);

/* Completion codes written into status by the procedures. */
enum { XV55_STATUS_INFORMATION = 1, XV55_STATUS_WARNING = 2, XV55_STATUS_ERROR = 4 };

/* callType codes. */
enum {
  XV55_CALL_VALUES = 0,
  XV55_CALL_SETUP = 1,
  XV55_CALL_CLEANUP = 2,
  XV55_CALL_DERIVATIVES = 3,
  XV55_CALL_VALUES_AND_DERIVATIVES = 4
};

/* ---- Procedure entry points (numerical helpers) ---- */
XV55_API void XV55IF_SPSQRT(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRAMP(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPLIM_ABS(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPQUAL(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRECV(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPMATR(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPPROD(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPDISF(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPPRD1(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRFAC(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPVISCCORR(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRPPROFILE(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_PSIMPINT(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_PDIENERINT(XV55_ENTRY_PARAMS);

/* ---- Procedure entry points (rotating equipment, valves, curve helpers) ---- */
XV55_API void XV55IF_SPPUMPCURVE(XV55_ENTRY_PARAMS); /* pPumpCurve */
XV55_API void XV55IF_SPPCURVE(XV55_ENTRY_PARAMS);    /* pPCurve */
XV55_API void XV55IF_SPPSPC(XV55_ENTRY_PARAMS);      /* pPSpec */
XV55_API void XV55IF_SPVALVE(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPEFFP(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPPMIN(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPPCONV(XV55_ENTRY_PARAMS);

/* ---- Procedure entry points (heat capacity ratio, sonic velocity, enthalpy) ---- */
XV55_API void XV55IF_SPENTH_MOLAR(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPFKCAL(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPPSONH(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPPSON(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPPSONHP(XV55_ENTRY_PARAMS);

/* The body of XV55IF_SPPSONH with its own argument list: enthalpy, pressure, mole
 * fractions with their extent, molecular weight, unit datum, the sonic velocity out, then
 * status, hostContext, realWork and realWorkLength, every argument by address. */
XV55_API void SPPSONH(const double* enthalpy, const double* pressure, const double* fractions,
                      const int64_t* fractionsExtent, const double* molecularWeight,
                      const int64_t* unitSet, double* velocity, int64_t* status,
                      const int64_t* hostContext, double* realWork, const int64_t* realWorkLength);

/* ---- Procedure entry points (pipe flow) ---- */
XV55_API void XV55IF_SPPINT(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPPINT3(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPPMOM(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPDPDZFR(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPDPCONST(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPHLD(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPPCBR(XV55_ENTRY_PARAMS);

/* ---- Procedure entry points (column tray hydraulics) ---- */
XV55_API void XV55IF_SPHYDR(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPHYDRP(XV55_ENTRY_PARAMS);

/* ---- Procedure entry points (user-routine kinetics, pressure drop, heat flux) ---- */
XV55_API void XV55IF_SPRKUSR(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRKUSR1(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRKUSR2(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRKUSR3(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRPUSR(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRPUSR1(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRPUSR2(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRPUSR3(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPBOUSR(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRADKUSER(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRDKUSR(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRDKUS3(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRPDPDZ_USER(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRPQFLUX_USER(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPRPHLD_USER(XV55_ENTRY_PARAMS);
XV55_API void XV55IF_SPBOQFLUX_USER(XV55_ENTRY_PARAMS);

/* ---- Procedure entry points (equilibrium reactor link) ---- */
XV55_API void XV55IF_EQLBRX(XV55_ENTRY_PARAMS);

/* ---- Messages ----
 * XvPrint expands a printf-like format whose values are all passed by address.
 * XvPrintPadded takes a blank-padded text of textLength characters and at most
 * five value addresses. */
XV55_API void XvPrint(int32_t severity, const char* format, ...);
XV55_API void XvPrintPadded(const int64_t* severity, const char* text, const void* a1,
                            const void* a2, const void* a3, const void* a4, const void* a5,
                            int64_t textLength);

/* ---- Initialisation and solver options ---- */
typedef struct {
  int64_t version;      /* low 32 bits: 1, 2 or 3 */
  void* printer;        /* host printer object, or NULL */
  void* optionsHandler; /* QSMOptionsHandler object, or NULL */
  int64_t extra;        /* host reference, kept for versions 2 and 3 */
} InitBlock;

XV55_API int32_t QRInitialize(const InitBlock* block);
XV55_API InitBlock* GetDLLInitializationData(void);
XV55_API int32_t RegisterDummyOptionsHandler(void* handler);
XV55_API void QSM_RQST_F(const int64_t* code, int64_t* intResult, double* valueResult, char* text,
                         int64_t* outcome, const int64_t* textLength);

/* Kind code of the procedure that is setting up property state (read by the host). */
XV55_API extern int64_t SAIPRNAM;

/* ---- Host objects as a C host builds them ----
 * Each object is a struct whose first word points at its table of operations;
 * every operation receives the object's address first. */
typedef struct XvPrinterOps {
  void (*writeLine)(void* self, const char* line);
  void (*endMessage)(void* self, int32_t severity);
} XvPrinterOps;

typedef struct XvPrinterObject {
  const XvPrinterOps* ops;
} XvPrinterObject;

typedef struct XvOptionsHandlerOps {
  int32_t (*request)(void* self, int32_t code, int64_t* intResult, double* valueResult,
                     const char** textResult);
} XvOptionsHandlerOps;

typedef struct XvOptionsHandlerObject {
  const XvOptionsHandlerOps* ops;
} XvOptionsHandlerObject;

/* Outcome of a request the handler did not answer. */
#define XV55_OPTION_NOT_ANSWERED ((int32_t)0xFFFFFFFF)

/* Severity of the solver-options refusal message (negative: an error). */
#define XV55_SEVERITY_OPTIONS_ERROR ((int32_t)0xA000FFFF)

#ifdef __cplusplus
}
#endif

#endif /* XV55_XV55_H */
