/* C access to the reference host (libxv55host.so) for hosts and tools that cannot use
 * the C++ control interface of control.hpp, such as the Python package. */
#ifndef XV55_REFHOST_C_H
#define XV55_REFHOST_C_H

#include <stdint.h>

#include "xv55/xv55.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Loads a flowsheet file (docs/flowsheet.md), replacing the one loaded before.
 * Returns 1 when it was loaded; otherwise 0, the previous flowsheet stays, and
 * message receives the reason ("plant.json line 12, /blocks/0/id: ..."), at most
 * messageLength - 1 characters and always terminated (nothing is written for a length
 * of 0 or less). */
XV55_API int32_t xv55_load_flowsheet(const char *path, char *message, int64_t messageLength);

/* The same for a flowsheet's JSON text (NUL-terminated); relative user-library paths
 * are taken from the current directory. */
XV55_API int32_t xv55_load_flowsheet_text(const char *text, char *message,
                                          int64_t messageLength);

/* Everything back to the defaults (control.hpp, reset()). */
XV55_API void xv55_reset_host(void);

#ifdef __cplusplus
}
#endif

#endif
