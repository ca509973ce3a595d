"""Procedures that read a flowsheet's blocks, called from Python."""
import numpy as np
import pytest

import xv55


def test_an_equilibrium_drum_closes_its_balance(lib, tmp_path):
    sheet = tmp_path / "plant.fsh"
    sheet.write_text("components METHANE PROPANE N-BUTANE\n"
                     "block PLANT.DRUM EQLBRX\n"
                     "  streams 1 2\n")
    lib.load_flowsheet(sheet)
    try:
        feed = np.array([0.4, 0.2, 0.4])
        r = lib["eqlbrx"](blockId="PLANT.DRUM", unitSet=1, feedFlow=100.0, feedTemperature=30.0,
                          feedPressure=10.0, feedComposition=feed, reactorPressure=10.0,
                          reactorTemperature=20.0, option="", productFlows=2,
                          productCompositions=(3, 2), productEnthalpies=2, productDensities=2)
        assert r.status != 4, r.messages
        flows = r.outputs["productFlows"]
        x = r.outputs["productCompositions"]  # rows: components; columns: products
        assert np.allclose(x.sum(axis=0), 1.0)
        assert np.allclose(x @ flows, 100.0 * feed, rtol=1e-10)
    finally:
        lib.reset_host()


def test_a_malformed_flowsheet_is_refused_with_its_line(lib, tmp_path):
    sheet = tmp_path / "bad.fsh"
    sheet.write_text("components METHANE\nblock R1 MIXRX\nblock R1 MIXRX\n")
    with pytest.raises(xv55.UsageError, match="flowsheet line 3"):
        lib.load_flowsheet(sheet)
