# Shared fixtures of the Python module's tests: the command-line program and a private folder.
import os
import subprocess
from pathlib import Path

import pytest

SOURCE = Path(__file__).resolve().parents[2]


@pytest.fixture(autouse=True)
def private_folder(tmp_path, monkeypatch):
    """Every test works in its own empty folder (no Zefron.ini, no memo)."""
    monkeypatch.chdir(tmp_path)
    return tmp_path


@pytest.fixture
def cli():
    """Runs the command-line program in the current folder: (exit code, stdout bytes, stderr)."""
    program = os.environ.get("GYROTRACE_PROGRAM")
    if not program:
        pytest.fail("GYROTRACE_PROGRAM must name the gyrotrace program (ctest sets it)")

    def run(*args):
        done = subprocess.run([program, "--batch", *args], capture_output=True, timeout=120)
        return done.returncode, done.stdout, done.stderr.decode()

    return run


def write_memo(path, examples):
    """A memo file of examples, each a dict of box texts {("Texte3", 0): "0.01", ...} over empty
    boxes; Option4 selects the uniform field unless the example sets it."""
    lines = []
    for boxes in examples:
        lines.append("New_Record_Data_Gyrotrace")
        for family in ("Texte3", "Texte4", "Texte6"):
            lines += [boxes.get((family, i), "") for i in range(21)]
        lines.append(boxes.get(("Texte7", 0), "1e-7"))
        lines += [boxes.get(("Option4", i), "True" if i == 1 else "False") for i in range(21)]
        lines += [boxes.get(("Coche1", i), "0") for i in range(21)]
    Path(path).write_bytes(("\r\n".join(lines) + "\r\n").encode("cp1252"))
