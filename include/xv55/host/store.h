/* The host's store word, shared by the library's host declarations and the
 * reference host's control interface. */
#ifndef XV55_HOST_STORE_H
#define XV55_HOST_STORE_H

#include <stdint.h>

/* One 8-byte word of the host's store (DMS_PLEX): integers and reals share it. */
typedef union DmsWord {
  double real;
  int64_t integer;
} DmsWord;

#endif
