/* User routines in a user library, as a flowsheet names them: one under its upper-case
 * name, one under the lower-case name with a trailing underscore. */
#include <stdint.h>

#include "xv55/host/companion.h"

#define EXPORT __attribute__((visibility("default")))

/* Writes its place (1 .. 80) into the first word of each argument, and the word of
 * RXN_RPROPS named by the place in argument 2 into the second word of argument 1. */
EXPORT void USRKIN(XV55_USER_PARAMETERS) {
  void* all[XV55_USER_ARGUMENT_COUNT] = {XV55_USER_ARGUMENTS};
  const int64_t word = ((int64_t*)a2)[1];
  for (int i = 0; i < XV55_USER_ARGUMENT_COUNT; ++i) ((int64_t*)all[i])[0] = i + 1;
  ((double*)a1)[1] = word >= 1 && word <= RXN_RPROPS_WORDS ? RXN_RPROPS[word - 1] : -1.0;
}

/* Counts its calls in the first word of argument 1. */
EXPORT void usrlow_(XV55_USER_PARAMETERS) {
  void* all[XV55_USER_ARGUMENT_COUNT] = {XV55_USER_ARGUMENTS};
  ++((int64_t*)all[0])[0];
}
