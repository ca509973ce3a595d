"""A user kinetics routine built with the build line of docs/kinetics.md, loaded from
Python and reading the host's common areas."""
import math
import os
import re
import shutil
import subprocess
from pathlib import Path

import numpy as np
import pytest

SOURCE = Path(__file__).resolve().parents[3]

# First-order kinetics A -> B for the stirred-tank argument list: the routine reads the
# volume (RXN_MIXRXR word 1), temperature and pressure (RXN_RPROPS words 1 and 2) and
# its two real parameters k0 (1/s) and E (J/kmol).
ROUTINE = r"""
#include <math.h>
#include <stdint.h>
#include "xv55/user_routine.h"
extern double RXN_MIXRXR[];
extern double RXN_RPROPS[];
__attribute__((visibility("default"))) void MYKIN(XV55_USER_PARAMETERS) {
  const double *stream = a1, *k = a8;
  const int64_t ncomp = *(const int64_t *)a16;
  double *rates = a19;
  const double t = RXN_RPROPS[0], p = RXN_RPROPS[1], r = 8314.462618;
  const double c = stream[0] / stream[ncomp] * p / (r * t);
  const double rate = k[0] * exp(-k[1] / (r * t)) * c * RXN_MIXRXR[0];
  rates[0] = -rate;
  rates[1] = rate;
}
"""


def documented_build_line():
    text = (SOURCE / "docs" / "kinetics.md").read_text()
    block = re.search(r"Build it as a shared library.*?```sh\n(.*?)```", text, re.S)
    assert block, "docs/kinetics.md has no build line"
    return block.group(1).strip()


@pytest.fixture
def user_library(tmp_path):
    compiler = shutil.which("cc")
    if compiler is None:
        pytest.skip("no C compiler")
    library = Path(os.environ.get("XV55_LIBRARY", SOURCE / "build" / "lib" / "libxv55.so"))
    # The build line as written, run where include/, src/ and build/ are what it names.
    (tmp_path / "include").symlink_to(SOURCE / "include")
    (tmp_path / "src").symlink_to(SOURCE / "src")
    (tmp_path / "build").symlink_to(library.resolve().parents[1])
    (tmp_path / "mykin.c").write_text(ROUTINE)
    subprocess.run(documented_build_line(), shell=True, cwd=tmp_path, check=True)
    return tmp_path / "libmykin.so"


def test_a_routine_reading_the_common_areas_loads_from_python(lib, user_library):
    lib.load_flowsheet({"components": ["METHANE", "ETHANE"], "libraries": [str(user_library)],
                        "reactions": [{"id": "RX", "routine": "MYKIN"}],
                        "blocks": [{"id": "R1", "type": "MIXRX"}]})
    try:
        k0, e = 2.0e3, 6.0e7
        procedure = lib["sprkusr"]
        values = {a.name: np.zeros(0) if a.kind == "real vector" else 0
                  for a in procedure.inputs}
        # English units (unit set 2): 572 degF, 145.0377 psia, 793.664 lbmol/h, 70.63 ft3.
        values.update(blockId="R1", reactionId="RX", volume=70.63, temperature=572.0,
                      pressure=145.0377, composition=np.array([0.6, 0.4]), flow=793.664,
                      stoichiometry=[[-1.0], [1.0]], realParameters=np.array([k0, e]),
                      phaseOption=2, unitSet=2, rates=2)
        r = procedure(**values)
        assert r.status != 4, r.messages
        t = (572.0 + 459.67) * 5 / 9                         # K
        p = 145.0377 * 0.45359237 * 9.80665 / 0.0254 ** 2    # Pa
        v = 70.63 * 0.02832059934735298                      # m3, the kinetics' ft3 factor
        c = 0.6 * p / (8314.462618 * t)                      # kmol/m3
        rate = k0 * math.exp(-e / (8314.462618 * t)) * c * v * 3600  # kmol/h
        assert r.outputs["rates"] == pytest.approx([-rate, rate], rel=1e-12)
    finally:
        lib.reset_host()
