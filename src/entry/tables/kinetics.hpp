// Export-table rows of the user-routine procedures (reactor and column kinetics, user pressure
// drop, heat flux and holdup).
#pragma once

#include "kinetics/kinetics.hpp"

#define XV55_KINETICS_PROCEDURES(X)                    \
  X(SPRKUSR, kinetics::SPRKUSR, Nothing)               \
  X(SPRKUSR1, kinetics::SPRKUSR1, Nothing)             \
  X(SPRKUSR2, kinetics::SPRKUSR2, Nothing)             \
  X(SPRKUSR3, kinetics::SPRKUSR3, Nothing)             \
  X(SPRPUSR, kinetics::SPRPUSR, Nothing)               \
  X(SPRPUSR1, kinetics::SPRPUSR1, Nothing)             \
  X(SPRPUSR2, kinetics::SPRPUSR2, Nothing)             \
  X(SPRPUSR3, kinetics::SPRPUSR3, Nothing)             \
  X(SPBOUSR, kinetics::SPBOUSR, Nothing)               \
  X(SPRADKUSER, kinetics::SPRADKUSER, Nothing)         \
  X(SPRDKUSR, kinetics::SPRDKUSR, Nothing)             \
  X(SPRDKUS3, kinetics::SPRDKUS3, Nothing)             \
  X(SPRPDPDZ_USER, kinetics::SPRPDPDZ_USER, Nothing)   \
  X(SPRPQFLUX_USER, kinetics::SPRPQFLUX_USER, Nothing) \
  X(SPRPHLD_USER, kinetics::SPRPHLD_USER, Nothing)     \
  X(SPBOQFLUX_USER, kinetics::SPBOQFLUX_USER, Nothing)
