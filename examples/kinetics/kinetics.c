/* Example kinetics routines: first-order power-law kinetics with Arrhenius constants.
 *
 * Each reaction j converts its reactant, the first component with a negative
 * stoichiometric coefficient in column j, at the rate
 *
 *     r(j) = k0(j) exp(-E(j) / (R T)) c V        (kmol/s)
 *
 * and component i is generated at sum over j of nu(i, j) r(j).  The real parameters hold
 * k0(j) (1/s) and E(j) (J/kmol) in pairs, reaction after reaction.
 *
 * KINPWR serves the reactors and the tray column (the reactor argument list): c is the
 * reactant's ideal-gas concentration y P / (R T) from the stream vector and V the
 * reaction volume, taken by block type: RXN_MIXRXR word 1 for a stirred tank,
 * TBRX_TUBRXR word 5 for a tubular reactor, RXN_DISTR word 1 for a tray column, and the
 * real parameter after the pairs for a batch charge (1 m3 when there is none).
 *
 * KINCOL serves column stages (the column-stage argument list): c V is the reactant's
 * liquid mole fraction times the stage's liquid holdup (kmol).
 *
 * Both set the failure flag when a reaction has no pair of parameters or the
 * temperature is not positive, and leave the rates alone then.
 */
#include <math.h>
#include <stdint.h>
#include <string.h>

#include "xv55/host/companion.h"
#include "xv55/user_routine.h"

#define EXPORT __attribute__((visibility("default")))

/* Gas constant, J/(kmol K). */
static const double kGasConstant = 8314.462618;

/* A packed name's first word: 4 characters and 4 blanks. */
static int64_t firstWord(const char* four) {
  char chars[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  int64_t word;
  memcpy(chars, four, 4);
  memcpy(&word, chars, sizeof word);
  return word;
}

/* The first component of reaction j (0-based) with a negative coefficient; -1 if none. */
static int64_t reactantOf(const double* nu, int64_t ncomp, int64_t j) {
  for (int64_t i = 0; i < ncomp; ++i) {
    if (nu[j * ncomp + i] < 0.0) return i;
  }
  return -1;
}

/* The rates of all reactions, added into rates (companion order); amount(i) is c V of
 * component i.  Returns 0 when the parameters do not cover the reactions. */
static int addRates(int64_t ncomp, int64_t nr, const double* nu, const double* real, int64_t nreal,
                    double t, const double* amount, double* rates) {
  if (nreal < 2 * nr || !(t > 0.0)) return 0;
  for (int64_t j = 0; j < nr; ++j) {
    const int64_t reactant = reactantOf(nu, ncomp, j);
    if (reactant < 0) continue;
    const double k = real[2 * j] * exp(-real[2 * j + 1] / (kGasConstant * t));
    const double r = k * amount[reactant];
    for (int64_t i = 0; i < ncomp; ++i) rates[i] += nu[j * ncomp + i] * r;
  }
  return 1;
}

/* Reactor argument list: 1 stream vector, 7/8 real parameters, 9 identifiers, 16 NCOMP,
 * 17 reactions, 18 stoichiometry, 19 rates, 28 failure flag (docs/kinetics.md). */
EXPORT void KINPWR(XV55_USER_PARAMETERS) {
  const double* stream = a1;
  const int64_t nreal = *(const int64_t*)a7;
  const double* real = a8;
  const int64_t* ids = a9;
  const int64_t ncomp = *(const int64_t*)a16;
  const int64_t nr = *(const int64_t*)a17;
  const double* nu = a18;
  double* rates = a19;
  int64_t* failure = a28;

  const double flow = stream[ncomp];
  const double t = stream[ncomp + 1];
  const double p = stream[ncomp + 2];
  double volume = 1.0;
  if (ids[6] == firstWord("MIXR")) {
    volume = RXN_MIXRXR[0];
  } else if (ids[6] == firstWord("TUBR")) {
    volume = TBRX_TUBRXR[4];
  } else if (ids[6] == firstWord("TRAY")) {
    volume = RXN_DISTR[0];
  } else if (nreal > 2 * nr) {
    volume = real[2 * nr];
  }
  double amount[100];
  for (int64_t i = 0; i < ncomp && i < 100; ++i) {
    const double y = flow > 0.0 ? stream[i] / flow : 0.0;
    amount[i] = t > 0.0 ? y * p / (kGasConstant * t) * volume : 0.0;
  }
  if (!addRates(ncomp, nr, nu, real, nreal, t, amount, rates)) *failure = 1;
}

/* Column-stage argument list: 1 NCOMP, 3 reactions, 4 stoichiometry, 5 temperature,
 * 10 liquid fractions, 12 liquid holdup, 16 rates, 19/20 real parameters. */
EXPORT void KINCOL(XV55_USER_PARAMETERS) {
  const int64_t ncomp = *(const int64_t*)a1;
  const int64_t nr = *(const int64_t*)a3;
  const double* nu = a4;
  const double t = *(const double*)a5;
  const double* x = a10;
  const double holdup = *(const double*)a12;
  double* rates = a16;
  const int64_t nreal = *(const int64_t*)a19;
  const double* real = a20;

  double amount[100];
  for (int64_t i = 0; i < ncomp && i < 100; ++i) amount[i] = x[i] * holdup;
  addRates(ncomp, nr, nu, real, nreal, t, amount, rates);
}
