#!/usr/bin/python3
"""Reads what --format hdf5 and --format mat write with h5py, as a user of
either format would, and compares every dataset and attribute value by value
with the CSV the same settings give: plain (with an alias and the unit
line), resampled at 1 Hz Mean, "Leave blank" and a time window.

Usage: roundtrip.py DECODER ZRL_GEN LOG_DESCRIPTION
"""
import csv
import json
import math
import os
import subprocess
import sys
import tempfile

import h5py
import numpy as np

START_MS = 1772704800000
END_MS = 1772705500000
ALIAS = ("Eng.rpm", "Engine speed/min")
TYPES = {
    "Eng.running": "Boolean", "Eng.rpm": "Integer", "Eng.temp": "Float", "Eng.pressure": "Double",
    "Bus.state": "String", "Bus.frame": "CanFrame", "Bus.clock": "TimeStamp",
}
UNITS = {"Eng.rpm": "rpm", "Eng.temp": "°C"}
MATLAB_CLASS = {"Float": "single", "Double": "double", "Integer": "int32", "Boolean": "logical",
                "TimeStamp": "int64", "String": "cell", "CanFrame": "cell"}
HDF5_DTYPE = {"Float": "float32", "Double": "float64", "Integer": "int32", "Boolean": "uint8",
              "TimeStamp": "int64"}
MASKED = {"Integer", "Boolean", "TimeStamp"}

CASES = {
    "plain": ({"var": [ALIAS[0]], "aliasVal": [ALIAS[1]]}, []),
    "mean-1hz": ({"frequency": "1", "method": "Mean"}, []),
    "leave-blank": ({"cell_filling": False}, []),
    "window": ({}, ["--start", "+100.25", "--end", "+200"]),
}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def run(decoder, env, args):
    done = subprocess.run([decoder, "--batch", "--quiet"] + args, env=env, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit("zrl-decoder %s failed (%d): %s" % (" ".join(args), done.returncode, done.stderr))


def read_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f, delimiter=";"))
    return rows[0], rows[1], rows[2:]


def csv_number(text):
    return math.nan if text in ("", "nan") else float(text)


def close_enough(stored, text):
    """A stored number against the CSV's text of it, to the digits shown."""
    expected = csv_number(text)
    if math.isnan(expected):
        return math.isnan(stored)
    digits = len(text.split(".")[1]) if "." in text else 0
    tolerance = 0.5 * 10 ** -digits + abs(expected) * 1e-7
    return abs(float(stored) - expected) <= tolerance


def compare_column(label, kind, stored_as, values, mask, texts, blanks_allowed):
    """Compares one stored column with its CSV cells (`texts`)."""
    check(len(values) == len(texts), "%s: %d rows, the CSV has %d" % (label, len(values), len(texts)))
    if stored_as in ("float32", "float64"):
        bad = [i for i, t in enumerate(texts) if not close_enough(values[i], t)]
    elif kind in ("String", "CanFrame"):
        bad = [i for i, t in enumerate(texts) if values[i] != t]
    else:
        def expected(t):
            return 0 if t == "" else 1 if t == "true" else 0 if t == "false" else int(t)
        bad = [i for i, t in enumerate(texts) if int(values[i]) != expected(t) or int(mask[i]) != (t != "")]
    if bad:
        i = bad[0]
        failures.append("%s: %d cells differ, first row %d: %r against the CSV's %r" %
                        (label, len(bad), i, values[i], texts[i]))
    if not blanks_allowed:
        check("" not in texts[1000:], "%s: blank cells after the first values" % label)


def check_hdf5(path, case, heading, units, rows, config):
    f = h5py.File(path, "r")
    attrs = f.attrs
    check(attrs["serial"] == "SN-4711" and attrs["note"] == "test bench, run 7" and attrs["firmware"] == "2.1.0",
          "hdf5 %s: log texts %r" % (case, dict(attrs)))
    check(attrs["start_ms"] == START_MS and attrs["end_ms"] == END_MS, "hdf5 %s: log span" % case)
    check(attrs["start"] == "2026-03-05T10:00:00.000Z", "hdf5 %s: start text %r" % (case, attrs["start"]))
    check(attrs["resampling"] == ("1 Hz Mean" if case == "mean-1hz" else "none"), "hdf5 %s: resampling" % case)
    check(attrs["cell_filling"] == ("Leave blank" if case == "leave-blank" else "Last known value"),
          "hdf5 %s: cell filling" % case)
    check(attrs["window_start_ms"] == (START_MS + 100250 if case == "window" else START_MS), "hdf5 %s: window" % case)
    check("valid/<name>" in attrs["blank_cells"], "hdf5 %s: blank cells not described" % case)
    times = [int(r[0]) for r in rows]
    check(f["time"].dtype == np.int64 and list(f["time"][:]) == times, "hdf5 %s: time column" % case)
    check(f["time"].compression == "gzip" and f["time"].shuffle and f["time"].chunks is not None,
          "hdf5 %s: time is not chunked with shuffle and deflate" % case)
    names = set()
    for c, head in enumerate(heading[1:], start=1):
        full = head.replace("_", ".", 1) if head != ALIAS[1] else ALIAS[0]
        name = full if head != ALIAS[1] else ALIAS[1].replace("/", "_")
        names.add(name)
        d = f[name]
        kind = TYPES[full]
        check(d.attrs["full_name"] == full and d.attrs["type"] == kind and d.attrs["unit"] == units[c],
              "hdf5 %s: attributes of %s: %r" % (case, name, dict(d.attrs)))
        check(d.attrs["unit"] == UNITS.get(full, ""), "hdf5 %s: unit of %s" % (case, name))
        check(("alias" in d.attrs) == (head == ALIAS[1]), "hdf5 %s: alias attribute of %s" % (case, name))
        stored_as = d.attrs["stored_as"]
        fractions = case == "mean-1hz" and kind in ("Integer", "Boolean")
        if kind in HDF5_DTYPE:
            check(str(d.dtype) == ("float64" if fractions else HDF5_DTYPE[kind]),
                  "hdf5 %s: %s stored as %s" % (case, name, d.dtype))
            values = d[:]
        else:
            values = d.asstr()[:]
        masked = kind in MASKED and not fractions
        check(("valid" in f and name in f["valid"]) == masked, "hdf5 %s: validity mask of %s" % (case, name))
        mask = f["valid"][name][:] if masked else None
        if masked:
            check(d.attrs["fill_value"] == 0 and d.attrs["valid"] == "/valid/" + name,
                  "hdf5 %s: fill value of %s" % (case, name))
        compare_column("hdf5 %s %s" % (case, name), kind, stored_as, values, mask, [r[c] for r in rows],
                       case == "leave-blank" or kind in MASKED or fractions)
    check(set(f.keys()) == names | {"time", "valid"}, "hdf5 %s: datasets %r" % (case, sorted(f.keys())))


def matlab_text(f, d):
    if d.attrs.get("MATLAB_empty", 0):
        return ""
    return d[:].astype("<u2").tobytes().decode("utf-16-le")


def matlab_class(d):
    return d.attrs["MATLAB_class"].decode()


def check_matlab(path, case, heading, units, rows):
    with open(path, "rb") as raw:
        check(raw.read(19) == b"MATLAB 7.3 MAT-file", "mat %s: no MATLAB head" % case)
    f = h5py.File(path, "r")
    n = len(rows)
    times = np.array([int(r[0]) for r in rows], dtype=np.int64)
    check(matlab_class(f["time_ms"]) == "int64" and f["time_ms"].shape == (1, n) and
          (f["time_ms"][0, :] == times).all(), "mat %s: time_ms" % case)
    check(matlab_class(f["t"]) == "double" and np.allclose(f["t"][0, :], (times - START_MS) / 1000.0, atol=1e-9),
          "mat %s: t" % case)
    check(all(f[v].compression == "gzip" and f[v].shuffle and f[v].chunks is not None for v in ("time_ms", "t")),
          "mat %s: time_ms and t are not chunked with shuffle and deflate" % case)
    log = f["log"]
    check(matlab_class(log) == "struct" and matlab_text(f, log["serial"]) == "SN-4711" and
          matlab_text(f, log["firmware"]) == "2.1.0" and int(log["start_ms"][0, 0]) == START_MS,
          "mat %s: log struct" % case)
    names = f["names"]
    by_full = {matlab_text(f, names[ident]["name"]): ident for ident in names}
    check(len(by_full) == len(heading) - 1, "mat %s: names %r" % (case, by_full))
    seen = {"names", "log", "time_ms", "t", "#refs#"}
    for c, head in enumerate(heading[1:], start=1):
        full = head.replace("_", ".", 1) if head != ALIAS[1] else ALIAS[0]
        ident = by_full.get(full)
        if not check(ident is not None, "mat %s: %s missing from names" % (case, full)):
            continue
        if head == ALIAS[1]:
            check(ident == "Engine_speed_min", "mat %s: identifier of the alias %s" % (case, ident))
        seen.add(ident)
        check(matlab_text(f, names[ident]["unit"]) == units[c], "mat %s: unit of %s" % (case, ident))
        d = f[ident]
        kind = TYPES[full]
        fractions = case == "mean-1hz" and kind in ("Integer", "Boolean")
        wanted = "double" if fractions else MATLAB_CLASS[kind]
        check(matlab_class(d) == wanted and d.shape == (1, n),
              "mat %s: %s is %s %r" % (case, ident, matlab_class(d), d.shape))
        if kind in ("String", "CanFrame"):
            values = [matlab_text(f, f[ref]) for ref in d[0, :]]
            stored_as = "text"
        else:
            values = d[0, :]
            stored_as = str(d.dtype)
        mask = None
        if kind in MASKED and not fractions:
            seen.add(ident + "_valid")
            mask = f[ident + "_valid"][0, :]
            check(matlab_class(f[ident + "_valid"]) == "logical", "mat %s: mask class of %s" % (case, ident))
        compare_column("mat %s %s" % (case, ident), kind, stored_as, values, mask, [r[c] for r in rows],
                       case == "leave-blank" or kind in MASKED or fractions)
    check(set(f.keys()) == seen, "mat %s: variables %r" % (case, sorted(set(f.keys()) ^ seen)))


def main():
    decoder, generator, description = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as work:
        env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=os.path.join(work, ".config"), TMPDIR=work,
                   QT_QPA_PLATFORM="offscreen", TZ="UTC")
        log = os.path.join(work, "log.zrl")
        subprocess.run([generator, "--description", description, "--output", log], check=True,
                       capture_output=True)
        for case, (config, extra) in CASES.items():
            config = dict(config, units=True, floatFormat="7 decimals")
            config_path = os.path.join(work, case + ".json")
            with open(config_path, "w") as out:
                json.dump(config, out)
            outputs = {}
            for fmt, ext in (("csv", ".csv"), ("hdf5", ".h5"), ("mat", ".mat")):
                outputs[fmt] = os.path.join(work, case + ext)
                run(decoder, env, ["--zrl", log, "--conf", config_path, "--vars", "*", "--time", "epoch-ms",
                                   "--no-bom", "--lf", "--format", fmt, "--csv", outputs[fmt]] + extra)
            heading, units, rows = read_csv(outputs["csv"])
            check(len(rows) > 0, "%s: the CSV has no rows" % case)
            before = len(failures)
            check_hdf5(outputs["hdf5"], case, heading, units, rows, config)
            check_matlab(outputs["mat"], case, heading, units, rows)
            print("%-12s %6d rows x %d columns: %s" % (case, len(rows), len(heading) - 1,
                                                     "same as the CSV" if len(failures) == before else "DIFFERENT"))
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
