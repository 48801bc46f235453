#!/usr/bin/python3
"""Writes bench/RESULTS.md from what bench/run measured."""
import datetime
import json
import os
import platform
import re
import statistics
import subprocess
import sys


def medians(work, name):
    """Each command of a hyperfine export by its name, with the median of its
    times; for a benchmark run in rounds (NAME-roundN.json), of the times of
    every round together."""
    single = os.path.join(work, name + ".json")
    exports = [single] if os.path.exists(single) else sorted(
        os.path.join(work, f) for f in os.listdir(work) if re.fullmatch(re.escape(name) + r"-round\d+\.json", f))
    pooled = {}
    for export in exports:
        with open(export) as f:
            for result in json.load(f)["results"]:
                pooled.setdefault(result["command"], []).extend(result["times"])
    return {command: {"median": statistics.median(times), "runs": len(times)} for command, times in pooled.items()}


def ms(seconds):
    return "%.1f ms" % (seconds * 1000)


def verdict(ok):
    return "met" if ok else "**missed**"


def machine():
    cpu = "?"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        memory = int(f.readline().split()[1]) // 1024 // 1024
    return "%s, %d cores, %d GiB, %s %s" % (cpu, os.cpu_count(), memory, platform.system(), platform.release())


def version(package):
    out = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True)
    return out.stdout or "?"


def read_before(work):
    """The earlier commit that bench/run --before timed, or None."""
    path = os.path.join(work, "before-rev.txt")
    if not os.path.exists(path):
        return None
    with open(path) as f:
        return "`%s`" % f.read().strip()


def peak_memory(work, name):
    """Peak resident memory in MB from the output of /usr/bin/time -f %M."""
    with open(os.path.join(work, name)) as f:
        return int(f.read().split()[-1]) / 1024


def main():
    work, fixtures, runs, cases, fuzz_runs = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5]
    rounds = int(sys.argv[6]) if len(sys.argv) > 6 else 1
    out = []
    w = out.append
    w("# Benchmark and fuzzing results")
    w("")
    w("Made by `make bench` (bench/run) on %s." % datetime.date.today().isoformat())
    w("")
    w("- Machine: %s" % machine())
    w("- Peers: mdbtools %s (`mdb-tables`, `mdb-schema`), libxlsxwriter %s (the floor), hyperfine %s"
      % (version("mdbtools"), version("libxlsxwriter-dev"), version("hyperfine")))
    w("- Each time is the median of %s runs after 2 warm-up runs; ratios are of medians from the same run." % runs
      + (" The workbooks are timed in %d rounds, each command a few runs in every round (after one warm-up run),"
         " so that a drift of the shared machine's speed slows them alike." % rounds if rounds > 1 else ""))
    w("- Generated databases: `bench/make_description.py N 30 | quillmere-make-testdb`: N tables of 30 columns.")
    w("")

    goals = []
    startup = medians(work, "startup")
    w("## Listing: open a database and enumerate its tables")
    w("")
    w("`quillmere-catalog-dump --tables-only DB` against `mdb-tables -1 DB`. Goal: at most 2×.")
    w("")
    w("Starting a program of ours that does nothing at all (`quillmere-catalog-dump` without arguments:"
      " loading Qt Core and the C++ runtime) takes %s here; `mdb-tables` without arguments takes %s. Listing"
      " a database adds a second process, the reader, whose start and catalog read alone take about as long as"
      " all of `mdb-tables`." % (ms(startup["start"]["median"]), ms(startup["mdb-start"]["median"])))
    w("")
    w("| database | quillmere | mdb-tables | ratio | goal |")
    w("|---|---|---|---|---|")
    for db in ["nwind.mdb", "testV2000.mdb", "tables1000.mdb", "tables5000.mdb"]:
        m = medians(work, "listing-" + db)
        ratio = m["quillmere"]["median"] / m["mdb-tables"]["median"]
        goals.append(("listing %s ≤ 2× mdb-tables" % db, ratio <= 2))
        w("| %s | %s | %s | %.2f× | %s |" % (db, ms(m["quillmere"]["median"]), ms(m["mdb-tables"]["median"]), ratio,
                                            verdict(ratio <= 2)))
    w("")

    w("## Workbook: every table of a database")
    w("")
    w("`quillmere-make-workbook DB out.xlsx` against `mdb-schema DB` (a peer that reads the same catalog and"
      " writes its text) and against two floors. The floor, `quillmere-bench-floor`: the same cells and formats"
      " written straight through libxlsxwriter from a catalog dumped beforehand, reading no database. The"
      " deflate floor, `quillmere-bench-deflate out.xlsx`: zlib alone deflating the parts of the workbook the"
      " program wrote, each at the level it is stored with, from memory, on one thread (the median of as many"
      " timings, inside the process) — the physical cost of the file's compression.")
    w("")
    with open(os.path.join(work, "load-before.txt")) as f:
        load_before = f.read().split()[:3]
    with open(os.path.join(work, "load-after.txt")) as f:
        load_after = f.read().split()[:3]
    w("Load average of the machine (1, 5, 15 minutes) before these runs: %s; after: %s (2 cores, shared)."
      % (" ".join(load_before), " ".join(load_after)))
    w("")
    before = read_before(work)
    if before:
        w("`before` is the same tool built from %s (`bench/run --before REV`), timed in the same runs." % before)
        w("")
    w("| database | quillmere | mdb-schema | floor | deflate floor | ÷ mdb-schema | ÷ floor | ÷ deflate floor |"
      + (" before | before ÷ floor |" if before else ""))
    w("|---|---|---|---|---|---|---|---|" + ("---|---|" if before else ""))
    workbook = {}
    floor_goals = []
    # The smallest workbooks are mostly the fixed cost of a run: its reader
    # process and the start of the program, which the floor does not have.
    floor_limits = {"nwind.mdb": 1.5, "testV2000.mdb": 1.5}
    for db in ["nwind.mdb", "testV2000.mdb", "tables250.mdb", "tables1000.mdb", "tables5000.mdb"]:
        m = medians(work, "workbook-" + db)
        workbook[db] = m
        with open(os.path.join(work, "deflate-%s.json" % db)) as f:
            d = json.load(f)["median"]
        q, s, fl = m["quillmere"]["median"], m["mdb-schema"]["median"], m["floor"]["median"]
        limit = floor_limits.get(db, 1.3)
        floor_goals.append(("%s workbook ≤ %.1f× the floor" % (db, limit), q / fl <= limit))
        row = "| %s | %s | %s | %s | %s | %.2f× | %.2f× | %.1f× |" % (db, ms(q), ms(s), ms(fl), ms(d), q / s, q / fl, q / d)
        if before:
            b = m["before"]["median"]
            row += " %s | %.2f× |" % (ms(b), b / fl)
        w(row)
    nwind = workbook["nwind.mdb"]
    nwind_ratio = nwind["quillmere"]["median"] / nwind["mdb-schema"]["median"]
    floor_nwind = nwind["floor"]["median"] / nwind["mdb-schema"]["median"]
    goals.append(("nwind workbook ≤ 3× mdb-schema", nwind_ratio <= 3))
    goals.extend(floor_goals)
    w("")
    w("Goals: nwind ≤ 3× mdb-schema: %.2f×, %s (the floor alone is %.2f× mdb-schema); nwind and testV2000 ≤ 1.5×"
      " the floor, the generated databases ≤ 1.3×: %s." % (nwind_ratio, verdict(nwind_ratio <= 3), floor_nwind,
                       ", ".join("%s %s" % (name.split()[0], verdict(ok)) for name, ok in floor_goals)))
    w("")

    details = medians(work, "details-nwind.mdb")
    if details:
        d, q = details["details"]["median"], details["default"]["median"]
        w("The detailed workbook of nwind (`--details`: contents sheet, field properties, indexes, relationships)"
          " beside the default one, in the same rounds: %s against %s, %.2f×." % (ms(d), ms(q), d / q))
        w("")

    w("## What the smallest workbooks cannot avoid")
    w("")
    with open(os.path.join(work, "process-start.json")) as f:
        process_start = json.load(f)["median"]
    w("The floor reads no database. A run must: its reader process, started, reading the catalog and then every"
      " table's design as a run asks for them (`quillmere-reader DB` with the table ids on its input, timed by"
      " `bench/time_stdin.py`), takes the time below by itself. Starting any process at all (`/bin/true`)"
      " takes %s on this machine. 1.5× the floor leaves 0.5× the floor for everything a run does beyond"
      " writing the workbook as the floor does." % ms(process_start))
    w("")
    w("| database | floor | 0.5× the floor | the reader alone | share of the 0.5× | run − floor |")
    w("|---|---|---|---|---|---|")
    for db in ["nwind.mdb", "testV2000.mdb"]:
        with open(os.path.join(work, "reader-%s.json" % db)) as f:
            reader = json.load(f)["median"]
        fl, q = workbook[db]["floor"]["median"], workbook[db]["quillmere"]["median"]
        w("| %s | %s | %s | %s | %.0f %% | %s |" % (db, ms(fl), ms(0.5 * fl), ms(reader), reader / (0.5 * fl) * 100,
                                                  ms(q - fl)))
    w("")

    w("## Wall and CPU time at 5,000 tables")
    w("")
    with open(os.path.join(work, "cpu5000.txt")) as f:
        times = [[float(x) for x in line.split()] for line in f if line.strip() and line[0].isdigit()]
    walls = sorted(t[0] for t in times)
    cpus = sorted(t[1] + t[2] for t in times)
    wall, cpu = walls[len(walls) // 2], cpus[len(cpus) // 2]
    cores = os.cpu_count()
    goals.append(("5,000 tables: wall time ≤ CPU time", wall <= cpu))
    w("`/usr/bin/time -f '%%e %%U %%S' quillmere-make-workbook tables5000.mdb out.xlsx`, %d runs, medians: wall"
      " %.2f s, CPU (user + system, of the program with its reader) %.2f s, CPU ÷ %d cores %.2f s. Wall ≤ CPU: %s;"
      " wall ÷ (CPU ÷ cores): %.2f." % (len(times), wall, cpu, cores, cpu / cores, verdict(wall <= cpu),
                                        wall / (cpu / cores)))
    w("")

    w("## Scaling")
    w("")
    w("| tables | workbook | per table | peak memory |" + (" before: workbook | before: peak memory |" if before else ""))
    w("|---|---|---|---|" + ("---|---|" if before else ""))
    per_table = {}
    memory = {}
    for n in [250, 1000, 5000]:
        t = workbook["tables%d.mdb" % n]["quillmere"]["median"]
        per_table[n] = t / n
        memory[n] = peak_memory(work, "memory%d.txt" % n)
        row = "| %d | %s | %.3f ms | %.0f MB |" % (n, ms(t), per_table[n] * 1000, memory[n])
        if before:
            row += " %s | %.0f MB |" % (ms(workbook["tables%d.mdb" % n]["before"]["median"]),
                                       peak_memory(work, "memory-before%d.txt" % n))
        w(row)
    # The cost of one more table: a run has fixed costs (starting the program
    # and its reader, the package), which the total per table hides.
    total = {n: workbook["tables%d.mdb" % n]["quillmere"]["median"] for n in [250, 1000, 5000]}
    marginal = {"250→1000": (total[1000] - total[250]) / 750, "1000→5000": (total[5000] - total[1000]) / 4000}
    fixed = total[250] - 250 * marginal["250→1000"]
    middle = sorted(per_table.values())[1]
    raw_flat = all(abs(v / middle - 1) <= 0.25 for v in per_table.values())
    marginal_flat = abs(marginal["1000→5000"] / marginal["250→1000"] - 1) <= 0.25
    goals.append(("time per table flat within ±25 % (each further table)", marginal_flat))
    goals.append(("peak memory < 400 MB at 5,000 tables", memory[5000] < 400))
    goals.append(("peak memory ≤ 257 MB at 5,000 tables", memory[5000] <= 257))
    w("")
    if fixed > 0:
        fixed_text = (", because a run also has a fixed cost of about %s (starting the program and its reader,"
                      " the package), which 250 tables do not yet outweigh" % ms(fixed))
    else:
        fixed_text = ("; extrapolated to no tables, these times leave no fixed cost (%s): the drift of the shared"
                      " machine between the databases' runs is larger than it" % ms(fixed))
    w("Each further table costs %s from 250 to 1,000 tables and %s from 1,000 to 5,000 (%+.0f %%) — %s: the"
      " time grows in proportion to the tables. The total divided by the tables (%s relative to the median) is"
      " %s%s. Peak memory (resident, of the program with its reader, from `/usr/bin/time -f %%M`) at 5,000"
      " tables: %.0f MB — %s (goal: at most 257 MB)."
      % ("%.3f ms" % (marginal["250→1000"] * 1000), "%.3f ms" % (marginal["1000→5000"] * 1000),
         (marginal["1000→5000"] / marginal["250→1000"] - 1) * 100, verdict(marginal_flat),
         ", ".join("%.2f" % (v / middle) for v in per_table.values()), "flat" if raw_flat else "not flat",
         fixed_text, memory[5000], verdict(memory[5000] <= 257)))
    w("")

    analysis = os.path.join(os.path.dirname(os.path.abspath(__file__)), "analysis.md")
    if os.path.exists(analysis):
        with open(analysis) as f:
            w(f.read().rstrip())
        w("")

    w("## Damaged files")
    w("")
    with open(os.path.join(work, "fuzz-files.json")) as f:
        fz = json.load(f)
    w("`quillmere-fuzz-files --seed %d --cases %d` on the fixtures and the 250-table database: bytes flipped in"
      " the first 64 pages, cuts at and between page boundaries, page numbers, counts and row offsets of the"
      " catalog corrupted, bytes flipped in or cut from table definitions and property lists; each case opened,"
      " listed and run through `Make`, and every table's indexes, relationships and properties read"
      " (time limit %d ms per answer)."
      % (fz["seed"], fz["cases"], fz["timeLimitMs"]))
    w("")
    w("| cases | opened | open failed | workbooks | runs failed | reader crashes contained | reader hangs cut off"
      " | other reader failures | program crashes | slowest case |")
    w("|---|---|---|---|---|---|---|---|---|---|")
    w("| %d | %d | %d | %d | %d | %d | %d | %d | %d | %d ms |" % (
        fz["cases"], fz["opened"], fz["openFailed"], fz["workbooksWritten"], fz["runsFailed"],
        fz["readerCrashesContained"], fz["readerHangsCutOff"], fz["readerOtherFailures"], fz["programCrashes"],
        fz["slowestCaseMs"]))
    goals.append(("no program crash on %d damaged files" % fz["cases"], fz["programCrashes"] == 0))
    w("")

    w("## libFuzzer on the program's parsers")
    w("")
    w("clang with AddressSanitizer (LeakSanitizer included) and UndefinedBehaviorSanitizer, seed corpus from"
      " tests/fuzz/corpus, `-runs=%s -seed=1`." % fuzz_runs)
    w("")
    w("| target | executions | result |")
    w("|---|---|---|")
    for target in ["recordset_xml", "connection_string", "reader_answers", "property_list",
                   "table_definition"]:
        with open(os.path.join(work, "libfuzzer-%s.log" % target)) as f:
            log = f.read()
        with open(os.path.join(work, "libfuzzer-%s.status" % target)) as f:
            status = int(f.read())
        done = re.search(r"Done (\d+) runs in (\d+) second", log)
        executions = "%s in %s s" % (done.group(1), done.group(2)) if done else "?"
        clean = status == 0 and "ERROR:" not in log
        goals.append(("libFuzzer %s: no crash, no leak" % target, clean))
        w("| %s | %s | %s |" % (target, executions, "no crash, no leak" if clean else "**failed** (exit %d)" % status))
    w("")

    w("## Goals")
    w("")
    for name, ok in goals:
        w("- %s: %s" % (name, verdict(ok)))
    w("")
    w("## To reproduce")
    w("")
    w("```")
    w("make bench                       # all of the above")
    w("bench/run --quick                # a short run of the same")
    w("bench/run --before REV           # and the workbook of commit REV timed beside this one's")
    w("```")
    w("")
    w("The commands timed, with DB one of the databases above:")
    w("")
    w("```")
    w("build/bin/quillmere-catalog-dump --tables-only DB")
    w("mdb-tables -1 DB")
    w("build/bin/quillmere-make-workbook DB out.xlsx")
    w("mdb-schema DB")
    w("build/bin/quillmere-catalog-dump DB > catalog.json   # beforehand, untimed")
    w("build/bin/quillmere-bench-floor catalog.json floor.xlsx")
    w("build/bin/quillmere-bench-deflate out.xlsx RUNS          # after the program wrote out.xlsx")
    w("bench/time_stdin.py RUNS IDS build/bin/quillmere-reader DB  # IDS: the tables' ids, one per line")
    w("bench/time_stdin.py RUNS /dev/null /bin/true")
    w("/usr/bin/time -f '%e %U %S' build/bin/quillmere-make-workbook tables5000.mdb out.xlsx")
    w("/usr/bin/time -f %M build/bin/quillmere-make-workbook DB out.xlsx")
    w("build/bin/quillmere-fuzz-files --seed 20261207 --cases %s FIXTURES tables250.mdb" % cases)
    w("build-fuzz/bin/fuzz_TARGET -runs=%s -seed=1 -rss_limit_mb=2048 CORPUS" % fuzz_runs)
    w("```")
    print("\n".join(out))


if __name__ == "__main__":
    main()
