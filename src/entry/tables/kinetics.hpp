// Export-table rows of the user-routine procedures (reactor and column kinetics, user pressure
// drop, heat flux and holdup).
#pragma once

#include "entry/tables/rows.hpp"
#include "kinetics/kinetics.hpp"

#define XV55_KINETICS_PROCEDURES(X)                                                         \
  XV55_ROWS(X, kinetics, Nothing, SPRKUSR, SPRKUSR1, SPRKUSR2, SPRKUSR3, SPRPUSR, SPRPUSR1, \
            SPRPUSR2, SPRPUSR3, SPBOUSR, SPRADKUSER, SPRDKUSR, SPRDKUS3, SPRPDPDZ_USER,     \
            SPRPQFLUX_USER, SPRPHLD_USER, SPBOQFLUX_USER)
