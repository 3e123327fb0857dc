#!/usr/bin/env python3
"""How much of a damaged film each tool saves.

Every film of bench/data/damage/ (bench/damage/make_films.sh) is damaged in
several ways and places; quillon-cli remux, mkvmerge and ffmpeg -c copy each
make a new file of every damaged copy, and the script counts the packets of
the undamaged film that come out unchanged.

A packet of the film is intact when the bytes it needs (its SimpleBlock, or
the BlockGroup of its Block; a lace is counted as its whole block) lie wholly
outside the bytes the damage changed, in the film's own coordinates: after a
cut, everything from the cut on is lost; an insertion damages only the block
it falls in; a rewritten size field damages only its element's header, so a
wrong Cluster or Segment size leaves every packet intact (a wrong SimpleBlock
size takes that block). Packets are matched by the MD5 of their data
(ffprobe -show_data_hash, the same MD5 as framemd5), per stream (streams paired
by codec and order), as multisets: an intact packet counts as kept when its
MD5 is among the output's packets of that stream.

Beside the counts: what quillon-cli's log says it left out ("blocks left out
(...): N" lines) against the blocks of the damaged copy it really did not
write, and the packets each tool wrote that are not packets of the film
(damaged data passed on).

Usage: damage.py [--quick] [--films A,B] [--kinds K,L] [--keep DIR] [--report FILE]
Environment: QUILLON_CLI (default build/quillon-cli), TMPDIR.
"""
import argparse
import bisect
import datetime
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
from collections import Counter

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True   # no __pycache__ beside the scripts
import ebml  # noqa: E402

DATA = os.path.join(ROOT, 'bench', 'data', 'damage')
FILMS = ('film_ffmpeg', 'film_mkvmerge', 'film_live')
OTHER = 'other'                       # the second film of "concat"
POSITIONS = (0.2, 0.5, 0.8)
SEED = 1
TOOLS = ('quillon', 'mkvmerge', 'ffmpeg')
TIMEOUT = 300                         # seconds per tool run
KINDS = ('none', 'cut', 'zero', 'random', 'insert_1M', 'insert_100', 'cluster_size_big',
         'cluster_size_small', 'block_size', 'seekhead', 'cues', 'segment_size0', 'concat')
AT_POSITIONS = {'cut', 'zero', 'random', 'insert_1M', 'insert_100', 'cluster_size_big',
                'cluster_size_small', 'block_size'}
LEFT_OUT = re.compile(r'blocks left out \(([^)]*)\):\s*(\d+)')


# --- the films -------------------------------------------------------------

def probe(path):
    """(stream keys by index, [(stream index, pos, size, md5)]) of a file, or None."""
    try:
        r = subprocess.run(['ffprobe', '-v', 'error', '-show_data_hash', 'md5', '-show_entries',
                            'stream=index,codec_type,codec_name:packet=stream_index,pos,size,data_hash',
                            '-of', 'json', path],
                           capture_output=True, text=True, timeout=TIMEOUT, stdin=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        return None
    try:
        data = json.loads(r.stdout)
    except ValueError:
        return None
    streams = sorted(data.get('streams', []), key=lambda s: s['index'])
    seen = Counter()
    keys = {}
    for s in streams:
        kind = (s.get('codec_type', '?'), s.get('codec_name', '?'))
        keys[s['index']] = kind + (seen[kind],)   # ('audio', 'ac3', 0): the first AC-3 track
        seen[kind] += 1
    packets = [(p['stream_index'], int(p['pos']) if p.get('pos', 'N/A') != 'N/A' else None,
                int(p['size']), p.get('data_hash', ''))
               for p in data.get('packets', [])]
    return keys, packets


class Film:
    def __init__(self, name):
        self.name = name
        self.path = os.path.join(DATA, name + '.mkv')
        self.size = os.path.getsize(self.path)
        self.layout = ebml.Layout(self.path)
        got = probe(self.path)
        if got is None:
            sys.exit(f'ffprobe cannot read {self.path}')
        keys, packets = got
        by_body = {b.body: i for i, b in enumerate(self.layout.blocks)}
        # packets: (stream key, md5, extent start, extent end, block number)
        self.packets = []
        for stream, pos, size, md5 in packets:
            block = by_body.get(pos)
            if block is None:   # not expected; then the packet's own bytes and a block header
                start, end = (pos or 0) - 4, (pos or 0) + size
                block = -1 - len(self.packets)
            else:
                start, end = self.layout.blocks[block].extent()
            self.packets.append((keys[stream], md5, start, end, block))
        self.block_starts = [b.start for b in self.layout.blocks]


# --- the damage --------------------------------------------------------------

class Case:
    """One damaged copy: how to write it and which bytes of the film it changed."""

    def __init__(self, film, kind, where, write, damaged, note=''):
        self.film, self.kind, self.where = film, kind, where
        self.write = write        # write(dst)
        self.damaged = damaged    # (a, b): bytes [a, b) changed; (a, a): an insertion at a; None: none
        self.note = note


def patched(src, patches):
    def write(dst):
        shutil.copyfile(src, dst)
        with open(dst, 'r+b') as f:
            for offset, data in patches:
                f.seek(offset)
                f.write(data)
    return write


def spliced(parts):
    """Writes the concatenation of parts: (path, start, end) ranges or bytes."""
    def write(dst):
        with open(dst, 'wb') as out:
            for part in parts:
                if isinstance(part, bytes):
                    out.write(part)
                    continue
                path, start, end = part
                with open(path, 'rb') as f:
                    f.seek(start)
                    left = end - start
                    while left > 0:
                        chunk = f.read(min(left, 1 << 22))
                        if not chunk:
                            break
                        out.write(chunk)
                        left -= len(chunk)
    return write


def cluster_at(layout, pos):
    """Index of the Cluster holding pos, else of the first one after it (None: none)."""
    for i, c in enumerate(layout.clusters):
        if c.end > pos:
            return i
    return None


def make_case(film, kind, frac, other):
    lay, size, src = film.layout, film.size, film.path
    rng = random.Random(f'{SEED}/{film.name}/{kind}/{frac}')
    p = int(size * frac) if frac is not None else None
    where = f'{round(frac * 100)}%' if frac is not None else ''
    if kind == 'none':
        return Case(film, kind, where, patched(src, []), None)
    if kind == 'cut':
        return Case(film, kind, where, spliced([(src, 0, p)]), (p, size), f'cut at {p}')
    if kind in ('zero', 'random'):
        n = 65536
        data = bytes(n) if kind == 'zero' else rng.randbytes(n)
        return Case(film, kind, where, patched(src, [(p, data)]), (p, p + n), f'{n} B at {p}')
    if kind.startswith('insert_'):
        n = 1 << 20 if kind == 'insert_1M' else 100
        return Case(film, kind, where, spliced([(src, 0, p), rng.randbytes(n), (src, p, size)]), (p, p),
                    f'{n} random bytes inserted at {p}')
    if kind in ('cluster_size_big', 'cluster_size_small'):
        c = lay.cluster_after(p)
        if c is None:
            return None
        holds = c.end - c.body
        if kind == 'cluster_size_big':
            # as far as the field's width allows, up to 4 MiB: into a later Cluster
            value = min(ebml.max_size(c.size_width), 4 << 20, size - 1 - c.body)
            if c.body + value <= c.end:
                return None
            later = cluster_at(lay, c.body + value)
            into = (f'the Cluster at {lay.clusters[later].start}' if later is not None else 'the end of the file')
        else:
            value = holds // 2
            into = 'its own middle'
        held = 'unknown size' if c.size is None else f'{holds} B'
        return Case(film, kind, where, patched(src, [(c.size_pos, ebml.encode_size(value, c.size_width))]),
                    (c.size_pos, c.size_pos + c.size_width),
                    f'Cluster at {c.start} ({held}) claims {value} B in its {c.size_width}-byte field: '
                    f'it ends in {into}')
    if kind == 'block_size':
        # the first SimpleBlock at or after p whose size field can reach into the
        # first block of the next Cluster (at most to that block's middle)
        first = cluster_at(lay, p)
        if first is None:
            return None
        for ci in range(first, len(lay.clusters) - 1):
            c, nc = lay.clusters[ci], lay.clusters[ci + 1]
            nb_i = bisect.bisect_left(film.block_starts, nc.start)
            if nb_i >= len(lay.blocks):
                break
            nb = lay.blocks[nb_i]
            lo = bisect.bisect_left(film.block_starts, max(p, c.start))
            hi = bisect.bisect_left(film.block_starts, c.end)
            for b in lay.blocks[lo:hi]:
                if b.id != ebml.SIMPLEBLOCK:
                    continue
                end = min(nb.body + nb.size // 2, b.body + ebml.max_size(b.size_width))
                if end > nb.start + 8:
                    value = end - b.body
                    return Case(film, kind, where,
                                patched(src, [(b.size_pos, ebml.encode_size(value, b.size_width))]),
                                (b.size_pos, b.size_pos + b.size_width),
                                f'SimpleBlock at {b.start} ({b.size} B) claims {value} B: it ends in the '
                                f'first block of the Cluster at {nc.start}')
        return None
    if kind in ('seekhead', 'cues'):
        els = lay.seekheads if kind == 'seekhead' else lay.cues
        if not els or els[0].end is None:
            return None
        e = els[0]
        return Case(film, kind, where, patched(src, [(e.start, rng.randbytes(e.end - e.start))]), (e.start, e.end),
                    f'{e.end - e.start} B at {e.start} (the whole element) random')
    if kind == 'segment_size0':
        s = lay.segment
        return Case(film, kind, where, patched(src, [(s.size_pos, ebml.encode_size(0, s.size_width))]),
                    (s.size_pos, s.size_pos + s.size_width), f'{s.size_width}-byte field at {s.size_pos} set to 0')
    if kind == 'concat':
        return Case(film, kind, where, spliced([(src, 0, size), (other, 0, os.path.getsize(other))]), None,
                    f'followed by {os.path.basename(other)}; the first film is the reference')
    raise ValueError(kind)


def is_damaged(extent, damaged):
    if damaged is None:
        return False
    a, b = damaged
    s, e = extent
    if a == b:
        return s < a < e
    return s < b and e > a


# --- the tools -----------------------------------------------------------------

def command(tool, cli, src, out):
    if tool == 'quillon':
        return [cli, '--lang', 'eng', 'remux', src, '-o', out, '--overwrite']
    if tool == 'mkvmerge':
        return ['mkvmerge', '-o', out, src]
    return ['ffmpeg', '-nostdin', '-y', '-v', 'error', '-i', src, '-map', '0', '-c', 'copy', out]


def run_tool(tool, cli, src, out, log_path):
    """(status, exit code or None, seconds): status ok, warnings, error, crash, timeout or no output."""
    t0 = time.monotonic()
    with open(log_path, 'wb') as log:
        try:
            r = subprocess.run(command(tool, cli, src, out), stdout=log, stderr=subprocess.STDOUT,
                               stdin=subprocess.DEVNULL, timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            return 'timeout', None, time.monotonic() - t0
    rc, secs = r.returncode, time.monotonic() - t0
    if rc < 0:
        return 'crash', rc, secs
    if not os.path.exists(out) or os.path.getsize(out) == 0:
        return 'no output', rc, secs
    if rc == 0:
        return 'ok', rc, secs
    if rc == 1 and tool in ('quillon', 'mkvmerge'):
        return 'warnings', rc, secs
    return 'error', rc, secs


def measure(film, case, out_probe):
    """Counts against the film: kept (intact ones), saved (damaged ones), foreign, missing blocks."""
    keys, packets = out_probe
    left = {}
    for stream, _, _, md5 in packets:
        left.setdefault(keys[stream], Counter())[md5] += 1
    found = [False] * len(film.packets)
    order = sorted(range(len(film.packets)),
                   key=lambda i: is_damaged(film.packets[i][2:4], case.damaged))   # intact ones first
    kept = saved = 0
    for i in order:
        key, md5, start, end, _ = film.packets[i]
        bag = left.get(key)
        if bag and bag[md5] > 0:
            bag[md5] -= 1
            found[i] = True
            if is_damaged((start, end), case.damaged):
                saved += 1
            else:
                kept += 1
    foreign = sum(sum(bag.values()) for bag in left.values())
    # blocks of the damaged copy (for a cut, those starting before it) with a packet not written
    cut = case.damaged[0] if case.kind == 'cut' else None
    missing_blocks = set()
    missing_packets = 0
    for i, (key, md5, start, end, block) in enumerate(film.packets):
        if cut is not None and start >= cut:
            continue
        if not found[i]:
            missing_blocks.add(block)
            missing_packets += 1
    return dict(kept=kept, saved=saved, foreign=foreign,
                missing_blocks=len(missing_blocks), missing_packets=missing_packets)


# --- the report ------------------------------------------------------------------

def pct(a, b):
    return f'{100.0 * a / b:.1f} %' if b else '–'


def table(head, rows):
    lines = ['| ' + ' | '.join(head) + ' |', '|' + '|'.join('---' for _ in head) + '|']
    lines += ['| ' + ' | '.join(str(c) for c in r) + ' |' for r in rows]
    return '\n'.join(lines)


def report(results, args, cli_info, seconds):
    out = []
    mode = 'quick' if args.quick else 'full'
    out.append(f'# Damage report ({mode} run, {datetime.datetime.now():%Y-%m-%d %H:%M})\n')
    out.append(f'- quillon-cli: {cli_info}')
    out.append(f'- {tool_version(["mkvmerge", "--version"])}; {tool_version(["ffmpeg", "-version"])}')
    out.append(f'- {len(results)} damaged copies, {seconds:.0f} s in all. "kept": intact packets of the film '
               'found unchanged in the output; ◀ marks quillon below the best peer.\n')

    rows = []
    for r in results:
        best_peer = max(r['tools'][t]['kept'] for t in TOOLS if t != 'quillon')
        cells = []
        for t in TOOLS:
            m = r['tools'][t]
            cell = str(m['kept'])
            if m['status'] not in ('ok', 'warnings'):
                cell += f' ({m["status"]}{"" if m["rc"] is None else " " + str(m["rc"])})'
            if t == 'quillon' and m['kept'] < best_peer:
                cell += ' ◀'
            cells.append(cell)
        rows.append([r['film'], r['kind'], r['where'], f'{r["intact"]}/{r["total"]}'] + cells)
    out.append('## Intact packets kept\n')
    out.append(table(['film', 'damage', 'at', 'intact/all'] + list(TOOLS), rows))

    out.append('\n## Overall\n')
    intact = sum(r['intact'] for r in results)
    rows = []
    for t in TOOLS:
        kept = sum(r['tools'][t]['kept'] for r in results)
        bad = sum(1 for r in results if r['tools'][t]['status'] not in ('ok', 'warnings'))
        foreign = sum(r['tools'][t]['foreign'] for r in results if r['kind'] != 'concat')
        rows.append([t, kept, intact, pct(kept, intact), bad, foreign])
    out.append(table(['tool', 'kept', 'intact', 'share', 'runs not ok/warnings', 'foreign packets written*'], rows))
    out.append('\n\\* packets in the outputs that are no packet of the film (damaged data passed on), '
               'concat left out (there the second film\'s packets are foreign by design).')

    out.append('\n## By damage kind (all films and positions)\n')
    rows = []
    for kind in KINDS:
        rs = [r for r in results if r['kind'] == kind]
        if not rs:
            continue
        it = sum(r['intact'] for r in rs)
        rows.append([kind, len(rs), it] + [pct(sum(r['tools'][t]['kept'] for r in rs), it) for t in TOOLS])
    out.append(table(['damage', 'copies', 'intact'] + list(TOOLS), rows))

    out.append('\n## Where quillon keeps fewer than the best peer\n')
    below = []
    for r in results:
        q = r['tools']['quillon']['kept']
        peer = max((r['tools'][t]['kept'], t) for t in TOOLS if t != 'quillon')
        if q < peer[0]:
            below.append(f'- {r["film"]} {r["kind"]} {r["where"]}: quillon {q}, {peer[1]} {peer[0]} '
                         f'(of {r["intact"]} intact; {peer[0] - q} fewer)')
    out.append('\n'.join(below) if below else 'none')

    out.append("\n## quillon-cli's log against its output\n")
    out.append('"log": the sum of its "blocks left out (...)" lines; "missing": blocks of the damaged copy '
               '(for a cut, those starting before it) with a packet not in the output, and those packets; '
               '"foreign": packets written that are no packet of the film. A laced block of mkvmerge\'s '
               'holds several packets.\n')
    rows = []
    for r in results:
        q = r['tools']['quillon']
        if q['missing_blocks'] is None:
            rows.append([r['film'], r['kind'], r['where'], q['rc'], q['log'] or '–', f'no file ({q["status"]})',
                         '', '', ''])
        else:
            rows.append([r['film'], r['kind'], r['where'], q['rc'], q['log'] or '–', q['missing_blocks'],
                         q['missing_packets'], q['foreign'], q['saved']])
    out.append(table(['film', 'damage', 'at', 'exit', 'log: left out', 'missing blocks', 'missing packets',
                      'foreign', 'damaged saved'], rows))

    out.append('\n## Peers: exit status, foreign packets, damaged packets saved\n')
    rows = []
    for r in results:
        row = [r['film'], r['kind'], r['where']]
        for t in TOOLS[1:]:
            m = r['tools'][t]
            row.append(f'{m["status"]} {m["rc"]}, {m["foreign"]} foreign, {m["saved"]} saved')
        rows.append(row)
    out.append(table(['film', 'damage', 'at'] + list(TOOLS[1:]), rows))

    out.append('\n## The damage done\n')
    out.append('\n'.join(f'- {r["film"]} {r["kind"]} {r["where"]}: {r["note"]}' for r in results if r['note']))
    return '\n'.join(out) + '\n'


def tool_version(cmd):
    try:
        return subprocess.run(cmd, capture_output=True, text=True).stdout.splitlines()[0].strip()
    except (OSError, IndexError):
        return cmd[0] + ' ?'


# --- the run -------------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--quick', action='store_true', help='one film (film_ffmpeg), one position (50 %%) per kind')
    ap.add_argument('--films', help='comma-separated: ' + ','.join(FILMS))
    ap.add_argument('--kinds', help='comma-separated: ' + ','.join(KINDS))
    ap.add_argument('--keep', help='keep here the damaged copies and outputs where quillon is below the best peer')
    ap.add_argument('--report', default=os.path.join(DATA, 'report.md'))
    args = ap.parse_args()

    films = args.films.split(',') if args.films else (['film_ffmpeg'] if args.quick else list(FILMS))
    kinds = args.kinds.split(',') if args.kinds else list(KINDS)
    positions = (0.5,) if args.quick else POSITIONS
    for k in kinds:
        if k not in KINDS:
            sys.exit(f'no damage kind {k}')
    for name in films + [OTHER]:
        if not os.path.exists(os.path.join(DATA, name + '.mkv')):
            sys.exit(f'no {name}.mkv in {DATA}: run bench/damage/make_films.sh')
    cli_src = os.environ.get('QUILLON_CLI', os.path.join(ROOT, 'build', 'quillon-cli'))
    if not os.access(cli_src, os.X_OK):
        sys.exit(f'no {cli_src}')

    tmp = tempfile.mkdtemp(prefix='quillon-damage.')
    try:
        # a copy, so that a rebuild during the run does not change the program measured
        cli = os.path.join(tmp, 'quillon-cli')
        shutil.copy2(cli_src, cli)
        st = os.stat(cli_src)
        cli_info = f'{cli_src} ({st.st_size} bytes, built {datetime.datetime.fromtimestamp(st.st_mtime):%Y-%m-%d %H:%M})'
        other = os.path.join(DATA, OTHER + '.mkv')
        results = []
        t_start = time.monotonic()
        for name in films:
            film = Film(name)
            for kind in kinds:
                for frac in (positions if kind in AT_POSITIONS else (None,)):
                    case = make_case(film, kind, frac, other)
                    if case is None:
                        print(f'{name} {kind} {frac}: not applicable here', file=sys.stderr)
                        continue
                    results.append(run_case(film, case, cli, tmp, args.keep))
        seconds = time.monotonic() - t_start
        text = report(results, args, cli_info, seconds)
        print(text)
        os.makedirs(os.path.dirname(os.path.abspath(args.report)), exist_ok=True)
        with open(args.report, 'w') as f:
            f.write(text)
        print(f'written to {args.report}', file=sys.stderr)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def run_case(film, case, cli, tmp, keep):
    t0 = time.monotonic()
    damaged = os.path.join(tmp, 'damaged.mkv')
    case.write(damaged)
    flags = [is_damaged(p[2:4], case.damaged) for p in film.packets]
    r = dict(film=film.name, kind=case.kind, where=case.where, note=case.note,
             total=len(film.packets), intact=flags.count(False), tools={})
    outs = {}
    for tool in TOOLS:
        out = os.path.join(tmp, f'out_{tool}.mkv')
        log = os.path.join(tmp, f'out_{tool}.log')
        if os.path.exists(out):
            os.remove(out)
        status, rc, secs = run_tool(tool, cli, damaged, out, log)
        m = dict(status=status, rc=rc, seconds=secs, kept=0, saved=0, foreign=0,
                 missing_blocks=None, missing_packets=None, log='')
        if status not in ('crash', 'timeout', 'no output'):
            got = probe(out)
            if got is None:
                m['status'] = 'unreadable'
            else:
                m.update(measure(film, case, got))
        if tool == 'quillon':
            with open(log, errors='replace') as f:
                found = LEFT_OUT.findall(f.read())
            m['log'] = ', '.join(f'{n} ({why})' for why, n in found)
        r['tools'][tool] = m
        outs[tool] = (out, log)
    best_peer = max(r['tools'][t]['kept'] for t in TOOLS if t != 'quillon')
    if keep and r['tools']['quillon']['kept'] < best_peer:
        dest = os.path.join(keep, f'{film.name}-{case.kind}-{case.where.rstrip("%") or "x"}')
        os.makedirs(dest, exist_ok=True)
        shutil.move(damaged, os.path.join(dest, 'damaged.mkv'))
        for tool, (out, log) in outs.items():
            for path in (out, log):
                if os.path.exists(path):
                    shutil.move(path, os.path.join(dest, os.path.basename(path)))
    for path in [damaged] + [p for pair in outs.values() for p in pair]:
        if os.path.exists(path):
            os.remove(path)
    print(f'{film.name:14} {case.kind:18} {case.where:4} intact {r["intact"]:5}/{r["total"]}  ' +
          '  '.join(f'{t} {r["tools"][t]["kept"]} ({r["tools"][t]["status"]})' for t in TOOLS) +
          f'  [{time.monotonic() - t0:.1f} s]', file=sys.stderr)
    return r


if __name__ == '__main__':
    main()
