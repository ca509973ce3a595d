"""Flowsheets for the reference host from Python: a file or a dict, and the procedures
that read their blocks."""
import json

import numpy as np
import pytest

import xv55

DRUM = {"id": "PLANT.DRUM", "type": "EQLBRX", "streams": {"feeds": 1, "products": 2}}


def drum(lib, feed):
    return lib["eqlbrx"](blockId="PLANT.DRUM", unitSet=1, feedFlow=100.0, feedTemperature=30.0,
                         feedPressure=10.0, feedComposition=np.array(feed), reactorPressure=10.0,
                         reactorTemperature=20.0, option="", productFlows=2,
                         productCompositions=(3, 2), productEnthalpies=2, productDensities=2)


def test_an_equilibrium_drum_of_a_flowsheet_file_closes_its_balance(lib, tmp_path):
    sheet = tmp_path / "plant.json"
    sheet.write_text(json.dumps({"components": ["METHANE", "PROPANE", "N-BUTANE"],
                                 "blocks": [DRUM]}))
    lib.load_flowsheet(sheet)
    try:
        feed = [0.4, 0.2, 0.4]
        r = drum(lib, feed)
        assert r.status != 4, r.messages
        flows = r.outputs["productFlows"]
        x = r.outputs["productCompositions"]  # rows: components; columns: products
        assert np.allclose(x.sum(axis=0), 1.0)
        assert np.allclose(x @ flows, 100.0 * np.array(feed), rtol=1e-10)
    finally:
        lib.reset_host()


def test_a_dict_sets_the_models_components_and_their_order(lib):
    # The same feed in two orders of the model's components: the same products, each
    # component's row where the model's order puts it.
    sheet = {"components": ["METHANE", "PROPANE", "N-BUTANE"], "blocks": [DRUM]}
    try:
        lib.load_flowsheet(sheet)
        plain = drum(lib, [0.4, 0.2, 0.4])
        lib.load_flowsheet(dict(sheet, modelComponents=["N-BUTANE", "METHANE", "PROPANE"]))
        reordered = drum(lib, [0.4, 0.4, 0.2])
        assert plain.status != 4 and reordered.status != 4, (plain.messages, reordered.messages)
        assert np.allclose(reordered.outputs["productFlows"], plain.outputs["productFlows"],
                           rtol=1e-12)
        x, y = plain.outputs["productCompositions"], reordered.outputs["productCompositions"]
        assert np.allclose(y, x[[2, 0, 1], :], rtol=1e-12)
    finally:
        lib.reset_host()


def test_a_refused_flowsheet_names_where_and_leaves_the_loaded_one(lib, tmp_path):
    sheet = tmp_path / "bad.json"
    sheet.write_text('{"components": ["METHANE"],\n'
                     ' "blocks": [{"id": "R1", "type": "MIXRX"},\n'
                     '            {"id": "R1", "type": "MIXRX"}]}\n')
    with pytest.raises(xv55.UsageError, match=r"bad\.json line 3, /blocks/1/id: block R1 is"):
        lib.load_flowsheet(sheet)
    try:
        lib.load_flowsheet({"components": ["METHANE", "PROPANE", "N-BUTANE"], "blocks": [DRUM]})
        for bad, why in [
                ({"components": ["METHANE"], "modelComponents": ["PROPANE"]},
                 "/modelComponents/0: component 'PROPANE' is not listed in components"),
                ({"blocks": [{"id": "C", "type": "TRAYCOL", "stages": 2.5}]},
                 "/blocks/0/stages: 2.5 is not an integer"),
                ({"components": [float("nan")]}, "cannot be written as JSON"),
                ({"components": [object()]}, "cannot be written as JSON")]:
            with pytest.raises(xv55.UsageError, match=why):
                lib.load_flowsheet(bad)
        assert drum(lib, [0.4, 0.2, 0.4]).status != 4
    finally:
        lib.reset_host()
