#!/usr/bin/env python3
"""Kartex's whole jobs beside the peer programs that do the same job, in one run.

Each job runs as a whole process, kartex and its peer taking turns (A B A B ...)
after one warm-up each, so both see the same machine. Figures are medians: CPU
time (user + system, steadier than wall time on a shared machine), wall time
from the kernel's accounting of each finished child (wait4), and peak RSS from
one more run under /usr/bin/time; the ratio is the median of the pairwise CPU ratios. A second table splits kartex's
jobs into stages (bench_stages, timed in process) with the rest of the process
(start-up, libraries, freeing, exit) as the remainder, so the row adds up to
the whole-process median.

Usage: bench/jobs.py BUILD [RUNS]   (run from the project folder; RUNS default 5)
Peers, when installed: LibreCAD with pdftoppm, gerbv, cjpeg, pbmtog3, Inkscape.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)
SHARED = os.path.join(PROJECT, '..', 'shared', 'samples')
PAGE = (1728, 2287)
# Qt programs among the peers (LibreCAD) run without a display.
ENV = dict(os.environ, QT_QPA_PLATFORM='offscreen')


def run_once(argv, cwd):
    """(wall s, CPU s) of one process, or None when it failed.

    Spawned directly (no shell, no wrapper) so that the CPU time is the
    program's own: a wrapper such as /usr/bin/time adds its own start-up,
    several milliseconds, to every small job."""
    devnull = os.open(os.devnull, os.O_RDWR)
    here = os.getcwd()
    os.chdir(cwd)
    try:
        start = time.perf_counter()
        pid = os.posix_spawnp(argv[0], argv, ENV,
                              file_actions=[(os.POSIX_SPAWN_DUP2, devnull, fd) for fd in (0, 1, 2)])
        _, status, usage = os.wait4(pid, 0)
        wall = time.perf_counter() - start
    finally:
        os.chdir(here)
        os.close(devnull)
    if os.waitstatus_to_exitcode(status) != 0:
        return None
    return wall, usage.ru_utime + usage.ru_stime


def peak_mib(argv, cwd):
    """Peak RSS of one run. A child of this interpreter would report at least
    the interpreter's own peak, so it comes from /usr/bin/time, whose child
    starts small; 0 when that is not installed."""
    if not os.access('/usr/bin/time', os.X_OK):
        return 0.0
    peak_file = os.path.join(cwd, 'peak.txt')
    done = subprocess.run(['/usr/bin/time', '-f', '%M', '-o', peak_file] + argv, cwd=cwd,
                          env=ENV,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if done.returncode != 0:
        return 0.0
    with open(peak_file) as f:
        return int(f.read().split()[-1]) / 1024.0


def run_all(commands, cwd):
    """Several commands one after another, as one measurement: times add."""
    total = [0.0, 0.0]
    for argv in commands:
        r = run_once(argv, cwd)
        if r is None:
            return None
        total = [total[0] + r[0], total[1] + r[1]]
    return tuple(total)


def paired(ours, theirs, runs, cwd):
    """Medians for both sides, in turns; `theirs` may be None. Each side is a list of commands.
    The peak is the largest of the side's commands, from one more run of each."""
    sides = [ours] + ([theirs] if theirs else [])
    for side in sides:  # warm-up: caches, fonts, page cache
        if run_all(side, cwd) is None:
            return None
    samples = [[] for _ in sides]
    for _ in range(runs):
        for i, side in enumerate(sides):
            r = run_all(side, cwd)
            if r is None:
                return None
            samples[i].append(r)
    medians = [tuple(statistics.median(s[k] for s in side) for k in range(2)) +
               (max(peak_mib(argv, cwd) for argv in sides[i]),) for i, side in enumerate(samples)]
    ratio = statistics.median(a[1] / b[1] for a, b in zip(*samples)) if theirs else None
    return medians, ratio


def stages(tool, source, output, runs, cwd):
    """Median seconds of each stage bench_stages reports."""
    seen = {}
    for _ in range(runs):
        text = subprocess.run([tool, source, output], cwd=cwd, capture_output=True, text=True).stdout
        for line in text.splitlines():
            name, value = line.split()
            seen.setdefault(name, []).append(float(value))
    return {name: statistics.median(values) for name, values in seen.items()}


def have(*programs):
    return all(shutil.which(p) for p in programs)


def librecad(source, work):
    """LibreCAD prints the DXF to PDF, fitted to the page; pdftoppm rasterises it at the page size, grey."""
    if not have('librecad', 'pdftoppm'):
        return None
    stem = os.path.splitext(os.path.basename(source))[0]
    return [['librecad', 'dxf2pdf', '-a', '-t', work, source],
            ['pdftoppm', '-singlefile', '-gray', '-scale-to-x', str(PAGE[0]), '-scale-to-y', str(PAGE[1]),
             os.path.join(work, stem + '.pdf'), os.path.join(work, stem + '-peer')]]


def gerbv(source, work):
    # About the page's width for a board of the generated kind (142 dpi).
    if not have('gerbv'):
        return None
    return [['gerbv', '-x', 'png', '-D', '142', '-o', os.path.join(work, 'peer.png'), source]]


def inkscape(source, work):
    if not have('inkscape'):
        return None
    return [['inkscape', source, '--export-filename=' + os.path.join(work, 'peer.dxf')]]


def inkscape_png(source, work):
    if not have('inkscape'):
        return None
    return [['inkscape', source, '--export-type=png', '--export-filename=' + os.path.join(work, 'peer.png')]]


def wmf2gd(source, work):
    if not have('wmf2gd'):
        return None
    return [['wmf2gd', '-t', 'png', '-o', os.path.join(work, 'peer.png'), source]]


def make_inputs(build, work):
    made = {}

    def path(name):
        return os.path.join(work, name)

    with open(path('tiny.dxf'), 'w') as f:
        f.write('  0\nSECTION\n  2\nENTITIES\n'
                '  0\nLINE\n  8\n0\n 10\n0\n 20\n0\n 11\n100\n 21\n50\n'
                '  0\nCIRCLE\n  8\n0\n 10\n50\n 20\n25\n 40\n20\n'
                '  0\nTEXT\n  8\n0\n 10\n10\n 20\n10\n 40\n5\n  1\nKartex\n  0\nENDSEC\n  0\nEOF\n')
    made['tiny'] = path('tiny.dxf')
    for count in (1000, 20000, 200000):
        subprocess.run([sys.executable, os.path.join(PROJECT, 'samples', 'make_samples.py'), '--large',
                        path('d%d.dxf' % count), str(count)], check=True)
        made[count] = path('d%d.dxf' % count)
    for count in (2000, 20000):
        subprocess.run([sys.executable, os.path.join(HERE, 'make_metafiles.py'), str(count),
                        path('s%d.emf' % count), path('s%d.wmf' % count)], check=True)
        made['emf%d' % count], made['wmf%d' % count] = path('s%d.emf' % count), path('s%d.wmf' % count)
    board = os.path.join(build, 'bench', 'bench_gerber')
    if os.access(board, os.X_OK):
        subprocess.run([board, '--write-board', '46000', path('board.gbr')], check=True)
        made['board'] = path('board.gbr')
    # The floor plan rendered by kartex, as a colour page for the JPEG coders and
    # as a black-and-white page for the G3 coders.
    kartex = os.path.join(build, 'kartex')
    plan = path('floor_plan.bmp')
    if run_once([kartex, os.path.join(PROJECT, 'samples', 'floor_plan.dxf'), plan], work):
        for target in ('floor_plan.ppm', 'floor_plan.pbm'):
            subprocess.run([sys.executable, os.path.join(HERE, 'bmp_to_ppm.py'), plan, path(target),
                            str(PAGE[0]), str(PAGE[1])], check=True)
        made['plan_ppm'], made['plan_pbm'] = path('floor_plan.ppm'), path('floor_plan.pbm')
    jpeg = os.path.join(build, 'bench', 'bench_jpeg')
    if os.access(jpeg, os.X_OK):
        subprocess.run([jpeg, '--write-ppm', work], check=True, stdout=subprocess.DEVNULL)
        made['synthetic_ppm'] = path('drawing.ppm')
    return made


def shared_samples(kind, extensions, work):
    """The shared real-world samples of one kind, copied under a name kartex recognises."""
    folder = os.path.join(SHARED, kind)
    if not os.path.isdir(folder):
        return []
    out = []
    for name in sorted(os.listdir(folder)):
        if os.path.splitext(name)[1].lower() in extensions:
            target = os.path.join(work, 'shared-' + os.path.splitext(name)[0] + extensions[0])
            shutil.copyfile(os.path.join(folder, name), target)
            out.append(target)
    return out


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else 'build')
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else int(os.environ.get('RUNS', '5'))
    kartex = os.path.join(build, 'kartex')
    stage_tool = os.path.join(build, 'bench', 'bench_stages')
    work = tempfile.mkdtemp(prefix='kartex-bench-')
    try:
        made = make_inputs(build, work)
        out = lambda name: os.path.join(work, name)  # noqa: E731
        jobs = []  # (label, ours, peer name, theirs, stage input and output, runs)

        def job(label, source, target, peer_name, theirs, stage=True, job_runs=runs):
            jobs.append((label, [[kartex, source, out(target)]], peer_name, theirs,
                         (source, out('stage-' + target)) if stage else None, job_runs))

        job('tiny DXF (line, circle, text) to BMP', made['tiny'], 'tiny.bmp', 'LibreCAD + pdftoppm',
            librecad(made['tiny'], work))
        job('DXF 1k entities to BMP', made[1000], 'd1k.bmp', 'LibreCAD + pdftoppm', librecad(made[1000], work))
        job('DXF 20k entities to BMP', made[20000], 'd20k.bmp', 'LibreCAD + pdftoppm', librecad(made[20000], work))
        job('DXF 200k entities to BMP', made[200000], 'd200k.bmp', 'LibreCAD + pdftoppm',
            librecad(made[200000], work), job_runs=max(1, runs // 3))  # LibreCAD takes a minute
        if 'board' in made:
            job('Gerber 18.4k flashes + 27.6k draws to BMP', made['board'], 'board.bmp', 'gerbv (PNG)',
                gerbv(made['board'], work))
        job('EMF 2,000 shapes to BMP', made['emf2000'], 'e2k.bmp', 'Inkscape (PNG)', inkscape_png(made['emf2000'], work),
            stage=False)
        job('WMF 2,000 shapes to BMP', made['wmf2000'], 'w2k.bmp', 'wmf2gd (PNG)', wmf2gd(made['wmf2000'], work),
            stage=False)
        job('EMF 20,000 shapes to BMP', made['emf20000'], 'e20k.bmp', 'Inkscape (PNG)',
            inkscape_png(made['emf20000'], work), stage=False, job_runs=max(1, runs // 3))
        job('DXF 20k to DXF', made[20000], 'd20k.dxf', None, None)
        job('DXF 20k to HTM', made[20000], 'd20k.htm', None, None)
        house = os.path.join(PROJECT, 'samples', 'house.wmf')
        if os.path.exists(house):
            job('WMF house to DXF', house, 'house.dxf', 'Inkscape', inkscape(house, work), stage=False)
        for emf in shared_samples('emf', ['.emf'], work)[:2]:
            job('EMF %s to DXF' % os.path.basename(emf)[7:], emf, 'emf.dxf', 'Inkscape', inkscape(emf, work),
                stage=False)
        coder = os.path.join(build, 'bench', 'bench_encode')
        cjpeg = ['cjpeg', '-dct', 'int', '-sample', '2x2', '-quality', '75', '-outfile', out('peer.jpg')]
        for key, label in (('plan_ppm', 'floor plan page'), ('synthetic_ppm', 'synthetic drawing page')):
            if key in made and os.access(coder, os.X_OK):
                jobs.append(('JPEG coder, %s (PPM in)' % label, [[coder, '--jpeg', made[key], out('c.jpg')]],
                             'cjpeg', [cjpeg + [made[key]]] if have('cjpeg') else None, None, runs))
        if 'plan_pbm' in made and os.access(coder, os.X_OK):
            jobs.append(('G3 coder, floor plan page (PBM in)', [[coder, '--g3', made['plan_pbm'], out('c.g3')]],
                         'pbmtog3', [['sh', '-c', 'exec pbmtog3 "$0" > "$1"', made['plan_pbm'], out('peer.g3')]]
                         if have('pbmtog3') else None, None, runs))
        dxfs = shared_samples('dxf', ['.dxf'], work)
        readable = [f for f in dxfs if run_once([kartex, f, out('probe.bmp')], work)]
        if readable:
            peer = [c for f in readable for c in (librecad(f, work) or [])] or None
            jobs.append(('%d shared DXF samples to BMP, all' % len(readable),
                         [[kartex, f, out('s.bmp')] for f in readable], 'LibreCAD + pdftoppm', peer, None,
                         max(3, runs // 2)))
        boards = shared_samples('gerber', ['.gbr', '.grb', '.gbx', '.gtl', '.gm1', '.cmp', '.gto'], work)
        readable = [f for f in boards if run_once([kartex, f, out('probe.bmp')], work)]
        if readable:
            peer = [c for f in readable for c in (gerbv(f, work) or [])] or None
            jobs.append(('%d shared Gerber samples to BMP, all' % len(readable),
                         [[kartex, f, out('s.bmp')] for f in readable], 'gerbv (PNG)', peer, None, runs))

        print('Machine: %s, %d cores; %s' % (machine(), os.cpu_count(), time.strftime('%Y-%m-%d')))
        print('Medians of paired whole-process runs (kartex and peer in turns); CPU = user + system.\n')
        print('| job | kartex CPU ms | wall ms | peak MiB | peer | peer CPU ms | wall ms | peak MiB | kartex / peer (CPU) |')
        print('|---|---:|---:|---:|---|---:|---:|---:|---:|')
        whole = {}
        for label, ours, peer_name, theirs, stage, job_runs in jobs:
            result = paired(ours, theirs, job_runs, work)
            if result is None:
                print('| %s | failed | | | | | | | |' % label)
                continue
            medians, ratio = result
            mine = medians[0]
            whole[label] = mine[1]
            if theirs:
                peer = '| %s | %.1f | %.1f | %.1f | %.2f' % (peer_name, medians[1][1] * 1e3, medians[1][0] * 1e3,
                                                        medians[1][2], ratio)
            else:
                peer = '| %s | | | | ' % ((peer_name + ' (not installed)') if peer_name else '—')
            print('| %s | %.1f | %.1f | %.1f %s |' % (label, mine[1] * 1e3, mine[0] * 1e3, mine[2], peer), flush=True)

        if os.access(stage_tool, os.X_OK):
            print('\nkartex by stage, CPU ms (medians of %d in-process runs; "canvas" is making the canvas and'
                  ' bringing its pixels up to date; "rest" is the whole-process median less the stages: start-up,'
                  ' libraries, freeing, exit)\n' % runs)
            print('| job | read | flatten | canvas | draw | write | rest | whole |')
            print('|---|---:|---:|---:|---:|---:|---:|---:|')
            for label, ours, _, _, stage, _ in jobs:
                if not stage or label not in whole:
                    continue
                parts = stages(stage_tool, stage[0], stage[1], runs, work)
                names = ('read', 'flatten', 'canvas', 'draw', 'write')
                rest = whole[label] - sum(parts.get(n, 0) for n in names)
                print('| %s | %s | %.1f | %.1f |' % (label, ' | '.join('%.1f' % (parts.get(n, 0) * 1e3) for n in names),
                                                   rest * 1e3, whole[label] * 1e3), flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def machine():
    try:
        for line in open('/proc/cpuinfo'):
            if line.startswith('model name'):
                return line.split(':', 1)[1].strip()
    except OSError:
        pass
    return 'unknown CPU'


if __name__ == '__main__':
    main()
