/* A user routine of the companion simulator as the host's dispatcher calls it: exactly
 * 80 arguments, each an address.  Shared by the library's host declarations, the
 * reference host's control interface and user routines written in C. */
#ifndef XV55_USER_ROUTINE_H
#define XV55_USER_ROUTINE_H

/* Arguments a user routine receives, all by address. */
#define XV55_USER_ARGUMENT_COUNT 80

/* The parameter list a1 .. a80 of a user routine (and of DMS_DOCALL after its handle). */
#define XV55_USER_PARAMETERS                                                                  \
  void *a1, void *a2, void *a3, void *a4, void *a5, void *a6, void *a7, void *a8, void *a9,   \
      void *a10, void *a11, void *a12, void *a13, void *a14, void *a15, void *a16, void *a17, \
      void *a18, void *a19, void *a20, void *a21, void *a22, void *a23, void *a24, void *a25, \
      void *a26, void *a27, void *a28, void *a29, void *a30, void *a31, void *a32, void *a33, \
      void *a34, void *a35, void *a36, void *a37, void *a38, void *a39, void *a40, void *a41, \
      void *a42, void *a43, void *a44, void *a45, void *a46, void *a47, void *a48, void *a49, \
      void *a50, void *a51, void *a52, void *a53, void *a54, void *a55, void *a56, void *a57, \
      void *a58, void *a59, void *a60, void *a61, void *a62, void *a63, void *a64, void *a65, \
      void *a66, void *a67, void *a68, void *a69, void *a70, void *a71, void *a72, void *a73, \
      void *a74, void *a75, void *a76, void *a77, void *a78, void *a79, void *a80

/* The names a1 .. a80, in order, to pass the parameters on or gather them. */
#define XV55_USER_ARGUMENTS                                                                       \
  a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18, a19, a20, a21, \
      a22, a23, a24, a25, a26, a27, a28, a29, a30, a31, a32, a33, a34, a35, a36, a37, a38, a39,   \
      a40, a41, a42, a43, a44, a45, a46, a47, a48, a49, a50, a51, a52, a53, a54, a55, a56, a57,   \
      a58, a59, a60, a61, a62, a63, a64, a65, a66, a67, a68, a69, a70, a71, a72, a73, a74, a75,   \
      a76, a77, a78, a79, a80

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*Xv55UserRoutine)(XV55_USER_PARAMETERS);

#ifdef __cplusplus
}
#endif

#endif
