#!/usr/bin/env python3
"""Whole-process comparison of eps-export against the floor and the peers.

For every input it runs, interleaved round by round (the order rotates each
round): eps-export, write_floor (one write() of eps-export's output size, and
again after one read() of the input), export_mapped (the plug-in handed the
mapped input file: no read copy), ImageMagick convert, netpbm
bmptopnm | pnmtops and Pillow. It prints, as a
markdown table, the median wall time of each, the median of the per-round
ratios (each command over the floor, each peer over eps-export, so that
machine load shared by one round cancels) and peak resident memory.

A peer "writes the same image data" when it writes 8-bit hex samples of the
same kind (RGB or grey): its output is then within 15% of eps-export's size.

  python3 bench/make-inputs.py --out /dev/shm/eps-bench/in
  python3 bench/compare.py --build build/bench --inputs /dev/shm/eps-bench/in

Outputs go to --out (default /dev/shm/eps-bench/out), removed before each run.
"""
import argparse
import os
import shutil
import statistics
import struct
import subprocess
import sys
import time

# Rows that are not peers: eps-export, the floors and the mapped-input harness.
OURS = ("eps", "floor", "plug-in")
INPUTS = ["rgb24", "grey8", "palette8", "colour4", "mono1"]


def bmp_info(path):
    with open(path, "rb") as f:
        head = f.read(54)
    width, height = struct.unpack_from("<ii", head, 18)
    depth = struct.unpack_from("<H", head, 28)[0]
    return width, abs(height), depth


def run(argv, out_path):
    """Runs one process; returns (wall seconds, peak RSS bytes, exit status)."""
    if os.path.exists(out_path):
        os.unlink(out_path)
    start = time.perf_counter()
    pid = os.posix_spawn(argv[0], argv, os.environ)
    _, status, usage = os.wait4(pid, 0)
    elapsed = time.perf_counter() - start
    return elapsed, usage.ru_maxrss * 1024, os.waitstatus_to_exitcode(status)


def commands(args, name, bmp, out_dir, floor_size, colour):
    """(label, argv, output path) for every command on one input."""
    out = lambda tag: os.path.join(out_dir, f"{name}-{tag}.eps")
    cmds = [
        ("eps-export", [args.eps_export, bmp, out("eps-export")], out("eps-export")),
        ("floor: one write()", [args.floor, str(floor_size), out("floor")], out("floor")),
        ("floor + one read() of the input", [args.floor, str(floor_size), out("floor-read"), bmp],
         out("floor-read")),
        ("floor with large pages: one write()",
         [args.floor, "--large-pages", str(floor_size), out("floor-large")], out("floor-large")),
    ]
    if os.access(args.mapped, os.X_OK):
        cmds.append(("plug-in on the mapped input (no read)", [args.mapped, bmp, out("mapped")],
                     out("mapped")))
    convert = shutil.which("convert")
    if convert and not args.no_peers:
        # The EPSF name of ImageMagick's EPS writer: Debian's policy blocks the
        # EPS name to stop reading PostScript through Ghostscript, not writing.
        kind = ["-type", "truecolor"] if colour and name != "rgb24" else []
        cmds.append(("ImageMagick convert", [convert, bmp, "-compress", "none", *kind,
                                             "-density", "72", "epsf:" + out("magick")],
                     out("magick")))
    if shutil.which("bmptopnm") and shutil.which("pnmtops") and not args.no_peers:
        shell = (f"bmptopnm '{bmp}' 2>/dev/null | "
                 f"pnmtops -noturn -nocenter -dpi 72 -equalpixels > '{out('netpbm')}' 2>/dev/null")
        cmds.append(("netpbm bmptopnm, pnmtops", ["/bin/sh", "-c", shell], out("netpbm")))
    if args.pillow_python and not args.no_peers:
        mode = "RGB" if colour else "L"
        script = ("from PIL import Image\n"
                  f"im = Image.open({bmp!r})\n"
                  f"im = im if im.mode == {mode!r} else im.convert({mode!r})\n"
                  f"im.save({out('pillow')!r}, 'EPS')\n")
        cmds.append(("Pillow Image.save EPS", [args.pillow_python, "-c", script], out("pillow")))
    return cmds


def find_pillow_python():
    for python in (sys.executable, "/usr/bin/python3"):
        if python and subprocess.run([python, "-c", "import PIL"], capture_output=True).returncode == 0:
            return python
    return None


def compare_input(args, name):
    bmp = os.path.join(args.inputs, name + ".bmp")
    width, height, depth = bmp_info(bmp)
    probe = os.path.join(args.out, name + "-probe.eps")
    _, _, rc = run([args.eps_export, bmp, probe], probe)
    if rc != 0:
        sys.exit(f"eps-export failed on {bmp}")
    size = os.path.getsize(probe)
    colour = size > 4 * width * height  # 6 hex chars a pixel rather than 2
    os.unlink(probe)
    cmds = commands(args, name, bmp, args.out, size, colour)

    times = {label: [] for label, _, _ in cmds}
    rss = {label: 0 for label, _, _ in cmds}
    sizes = {}
    for r in range(args.pairs):
        order = cmds[r % len(cmds):] + cmds[:r % len(cmds)]
        for label, argv, out_path in order:
            elapsed, peak, rc = run(argv, out_path)
            if rc != 0:
                sys.exit(f"{label} failed on {bmp} (exit {rc})")
            times[label].append(elapsed)
            rss[label] = max(rss[label], peak)
            sizes[label] = os.path.getsize(out_path)
            if r == args.pairs - 1:
                os.unlink(out_path)

    ours, floor = times["eps-export"], times["floor: one write()"]
    floor_read = times["floor + one read() of the input"]
    over_read = statistics.median(a / b for a, b in zip(ours, floor_read))
    floor_large = times["floor with large pages: one write()"]
    over_large = statistics.median(a / b for a, b in zip(ours, floor_large))
    rows = []
    for label, _, _ in cmds:
        t = times[label]
        same = 0.85 * size <= sizes[label] <= 1.15 * size
        rows.append({
            "label": label,
            "median": statistics.median(t),
            "vs_floor": statistics.median(a / b for a, b in zip(t, floor)),
            "vs_ours": statistics.median(a / b for a, b in zip(t, ours)),
            "rss": rss[label],
            "size": sizes[label],
            "same": same,
        })
    return {"name": name, "desc": f"{depth}-bit {width}x{height}", "input_size": os.path.getsize(bmp),
            "output_size": size, "colour": colour, "rows": rows, "over_read": over_read,
            "over_large": over_large}


def mib(n):
    return f"{n / 1048576:.1f}"


def print_report(results, pairs):
    print(f"Medians of {pairs} interleaved rounds; ratios are medians of per-round ratios.\n")
    print("| input | command | wall s | / floor | / eps-export | peak RSS MiB | output MB | same data |")
    print("|---|---|---:|---:|---:|---:|---:|:---:|")
    for res in results:
        for row in res["rows"]:
            same = "—" if row["label"].startswith(OURS) else ("yes" if row["same"] else "no")
            print(f"| {res['name']} ({res['desc']}) | {row['label']} | {row['median']:.3f} | "
                  f"{row['vs_floor']:.2f} | {row['vs_ours']:.2f} | {mib(row['rss'])} | "
                  f"{row['size'] / 1e6:.1f} | {same} |")
    print("\nTargets: eps-export <= 1.15x floor; fastest same-data peer >= 1.6x eps-export; "
          "eps-export peak RSS <= input + output + 16 MiB.\n")
    print("| input | eps-export / floor | eps-export / large-page floor | "
          "eps-export / (floor + read) | fastest same-data peer / eps-export | "
          "peak RSS MiB (limit) |")
    print("|---|---:|---:|---:|---:|---:|")
    for res in results:
        rows = {r["label"]: r for r in res["rows"]}
        ours = rows["eps-export"]
        peers = [r for r in res["rows"] if not r["label"].startswith(OURS) and r["same"]]
        best = min(peers, key=lambda r: r["vs_ours"]) if peers else None
        peer = f"{best['vs_ours']:.2f} ({best['label'].split()[0]})" if best else "no such peer"
        limit = res["input_size"] + res["output_size"] + 16 * 1048576
        print(f"| {res['name']} | {ours['vs_floor']:.2f} | {res['over_large']:.2f} | "
              f"{res['over_read']:.2f} | {peer} | "
              f"{mib(ours['rss'])} ({mib(limit)}) |")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(here, "..", "build", "bench"),
                        help="build directory of the bench preset (default: build/bench)")
    parser.add_argument("--inputs", default="/dev/shm/eps-bench/in", help="directory of the .bmp files")
    parser.add_argument("--out", default="/dev/shm/eps-bench/out", help="directory for outputs")
    parser.add_argument("--pairs", type=int, default=11, help="rounds per input (default 11)")
    parser.add_argument("--only", nargs="*", help="inputs to run (default: all five)")
    parser.add_argument("--no-peers", action="store_true", help="eps-export and the floor only")
    args = parser.parse_args()
    args.eps_export = os.path.abspath(os.path.join(args.build, "eps-export"))
    args.floor = os.path.abspath(os.path.join(args.build, "bench", "write_floor"))
    args.mapped = os.path.abspath(os.path.join(args.build, "bench", "export_mapped"))
    for tool in (args.eps_export, args.floor):
        if not os.access(tool, os.X_OK):
            sys.exit(f"missing {tool}: cmake --preset bench && cmake --build --preset bench")
    args.pillow_python = find_pillow_python()
    os.makedirs(args.out, exist_ok=True)
    results = [compare_input(args, name) for name in INPUTS if not args.only or name in args.only]
    print_report(results, args.pairs)


if __name__ == "__main__":
    main()
