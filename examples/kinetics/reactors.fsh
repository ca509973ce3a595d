# Reactors and a reactive column of a small plant, with first-order kinetics and the
# user routines of examples/kinetics (libxv55_example_kinetics.so, built next to this
# file in build/examples/kinetics/).
components  METHANE  ETHANE  PROPANE  N-BUTANE  N-HEXANE
library     libxv55_example_kinetics.so
level       PLANT.LOOP

# Reaction paragraphs: the kinetics routine each one names.
reaction    CRACK    KINPWR     # reactors and the tray column
reaction    STAGERX  KINCOL     # column stages

block       PLANT.LOOP.CSTR1   MIXRX
  reactions              CRACK
block       PLANT.LOOP.PFR1    TUBRX
  reactions              CRACK
  pressure-drop-routine  PDROP
  heat-flux-routine      QFLUX
  holdup-routine         HOLDUP
block       BATCH1             CHARGEX
  reactions              CRACK
  heat-flux-routine      QCOIL
block       PLANT.COL1         TRAYCOL
  reactions              CRACK  STAGERX
