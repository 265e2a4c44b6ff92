#!/usr/bin/env python3
"""Measures palisor-cli over many files: one run with --each (worker processes) beside starting
palisor-cli once per file (as many at a time as the run has workers, each on one thread), on
FILES (200) outfit files of 2*10^4 vertices and one Source of 5*10^4 vertices with 3 targets.
Prints files per second of each, the processor time of the runs, and how the batch run stands
against its goals: its wall time within 1.2 times (processor time of all single-file runs) /
cores, and at least 3 times faster than one process per file. The outputs of both ways are
compared byte for byte.

usage: bench/batch_bench.py PALISOR_CLI [FILES] [--jobs N] [--method METHOD]
"""
import filecmp
import math
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time


def grid(name, nx, ny, x0, y0, z, step, phase, first_index):
    lines = [f"o {name}"]
    for j in range(ny):
        for i in range(nx):
            x = x0 + i * step
            y = y0 + j * step
            lines.append(f"v {x:.6f} {y:.6f} {z + 0.05 * math.sin(3 * x + phase):.6f}")
    for j in range(ny - 1):
        for i in range(nx - 1):
            a = first_index + j * nx + i
            lines.append(f"f {a} {a + 1} {a + nx + 1} {a + nx}")
    return lines


def source_scene():
    # 250 x 200 = 5*10^4 vertices and three displaced copies as keynote targets.
    lines = grid("body", 250, 200, -1.0, -1.0, 0.0, 0.008, 0.0, 1)
    for k, name in enumerate(["smile", "blink", "frown"]):
        lines.append(f"o elem:{name}-body")
        for j in range(200):
            for i in range(250):
                x = -1.0 + i * 0.008
                y = -1.0 + j * 0.008
                lines.append(f"v {x:.6f} {y:.6f} {0.1 * math.sin((k + 1) * x * y):.6f}")
    return "\n".join(lines) + "\n"


def outfit(k):
    # 160 x 125 = 2*10^4 vertices.
    return "\n".join(grid("shirt", 160, 125, -0.9 + 0.001 * k, -0.8, 0.05, 0.011, k, 1)) + "\n"


def children_cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(run):
    """Runs `run`; returns its wall time and the processor time of the processes it started."""
    cpu = children_cpu_seconds()
    start = time.monotonic()
    run()
    return time.monotonic() - start, children_cpu_seconds() - cpu


def main():
    cli = os.path.abspath(sys.argv[1])
    count = int(sys.argv[2]) if len(sys.argv) > 2 and sys.argv[2].isdigit() else 200
    jobs = sys.argv[sys.argv.index("--jobs") + 1] if "--jobs" in sys.argv else None
    method = sys.argv[sys.argv.index("--method") + 1] if "--method" in sys.argv else None
    work = tempfile.mkdtemp(prefix="palisor-batch-bench-")
    try:
        with open(os.path.join(work, "body.obj"), "w") as f:
            f.write(source_scene())
        os.mkdir(os.path.join(work, "outfits"))
        for k in range(count):
            with open(os.path.join(work, "outfits", f"o{k:05d}.obj"), "w") as f:
                f.write(outfit(k))
        common = ["--source-scene", "body.obj", "--select", "body", "--tick-all"]
        if method:
            common += ["--method", method]
        batch = [cli, *common, "--each", "outfits/*.obj", "--all-meshes", "--out-dir", "batch"]
        batch_seconds, batch_cpu = timed(lambda: subprocess.run(
            batch + (["--jobs", jobs] if jobs else []), cwd=work, check=True,
            stdout=subprocess.DEVNULL))
        os.mkdir(os.path.join(work, "single"))

        cores = len(os.sched_getaffinity(0))
        at_once = int(jobs) if jobs else cores
        # The other way: one process per file, as many at a time as the batch runs workers, each
        # on one thread, so that both ways keep every core busy.
        single_environment = dict(os.environ, PALISOR_THREADS="1")

        def one_per_file():
            running = []
            for k in range(count):
                name = f"o{k:05d}.obj"
                if len(running) == at_once:
                    if running.pop(0).wait() != 0:
                        raise RuntimeError("a single run failed")
                running.append(subprocess.Popen(
                    [cli, f"outfits/{name}", "-o", f"single/{name}", *common, "--select",
                     "shirt"], cwd=work, env=single_environment, stdout=subprocess.DEVNULL))
            for process in running:
                if process.wait() != 0:
                    raise RuntimeError("a single run failed")
        single_seconds, single_cpu = timed(one_per_file)
        names = sorted(os.listdir(os.path.join(work, "single")))
        _, differ, errors = filecmp.cmpfiles(os.path.join(work, "batch"),
                                             os.path.join(work, "single"), names, shallow=False)
        bound = 1.2 * single_cpu / cores
        print(f"method           {method or 'nearest'}; {count} files, {cores} cores, "
              f"{at_once} at a time")
        print(f"batch run        {count / batch_seconds:8.2f} files/s ({batch_seconds:.1f} s, "
              f"processor {batch_cpu:.1f} s)")
        print(f"one run per file {count / single_seconds:8.2f} files/s ({single_seconds:.1f} s, "
              f"processor {single_cpu:.1f} s)")
        print(f"goal: batch within 1.2 x processor / cores = {bound:.1f} s: "
              f"{'PASS' if batch_seconds <= bound else 'FAIL'}")
        print(f"goal: batch 3 x faster than one run per file: {single_seconds / batch_seconds:.2f} "
              f"x {'PASS' if single_seconds >= 3 * batch_seconds else 'FAIL'}")
        print(f"outputs equal    {'yes' if not differ and not errors else 'NO: ' + str(differ + errors)}")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
