"""A small EBML walker for the damage harness: where the Segment, SeekHead,
Cues, Clusters and blocks of a Matroska file lie, read straight from the bytes
(IDs and size vints), so the harness does not lean on any of the tools it
measures.

The walk is flat: the Segment, a Cluster and a BlockGroup are stepped into
(their children follow their header), every other element is stepped over by
its size. That reads known and unknown sizes alike. An unknown-size Cluster
ends where the next Cluster (or another element of the Segment's level)
starts.
"""

SEGMENT = 0x18538067
SEEKHEAD = 0x114D9B74
CUES = 0x1C53BB6B
CLUSTER = 0x1F43B675
BLOCKGROUP = 0xA0
SIMPLEBLOCK = 0xA3
BLOCK = 0xA1
TIMESTAMP = 0xE7
CRC32 = 0xBF
EBML = 0x1A45DFA3

# children of the Segment: they end an unknown-size Cluster
SEGMENT_LEVEL = {SEEKHEAD, CUES, CLUSTER, 0x1549A966, 0x1654AE6B, 0x1043A770,
                 0x1941A469, 0x1254C367}
STEP_INTO = {SEGMENT, CLUSTER, BLOCKGROUP}


def read_id(buf, pos):
    """(id, width) of the element ID at pos, or None."""
    if pos >= len(buf):
        return None
    first = buf[pos]
    width = 1
    mask = 0x80
    while width <= 4 and not first & mask:
        mask >>= 1
        width += 1
    if width > 4 or pos + width > len(buf):
        return None
    return int.from_bytes(buf[pos:pos + width], 'big'), width


def read_size(buf, pos):
    """(value, width) of the size vint at pos; value None for an unknown size."""
    if pos >= len(buf):
        return None
    first = buf[pos]
    width = 1
    mask = 0x80
    while width <= 8 and not first & mask:
        mask >>= 1
        width += 1
    if width > 8 or pos + width > len(buf):
        return None
    value = first & (mask - 1)
    for b in buf[pos + 1:pos + width]:
        value = value << 8 | b
    if value == (1 << (7 * width)) - 1:
        value = None
    return value, width


def encode_size(value, width):
    """The size vint of value in exactly width bytes (ValueError if it does not fit)."""
    if value < 0 or value >= (1 << (7 * width)) - 1:
        raise ValueError(f'{value} does not fit a {width}-byte size')
    return ((1 << (7 * width)) | value).to_bytes(width, 'big')


def max_size(width):
    return (1 << (7 * width)) - 2


class Element:
    __slots__ = ('id', 'start', 'size_pos', 'size_width', 'body', 'size', 'end', 'outer')

    def __init__(self, eid, start, size_pos, size_width, body, size):
        self.id, self.start, self.size_pos, self.size_width = eid, start, size_pos, size_width
        self.body, self.size = body, size
        self.end = None if size is None else body + size
        self.outer = None   # a Block's BlockGroup: (start, end)

    def extent(self):
        """The bytes a block needs whole to be read: its BlockGroup's for a Block."""
        return self.outer or (self.start, self.end)

    def __repr__(self):
        return (f'<{self.id:X} at {self.start} body {self.body} size {self.size} '
                f'(field {self.size_width} B at {self.size_pos})>')


class Layout:
    """segment, seekheads, cues, clusters and blocks (SimpleBlock or Block) of a file."""

    def __init__(self, path):
        with open(path, 'rb') as f:
            buf = f.read()
        self.file_size = len(buf)
        self.segment = None
        self.seekheads, self.cues, self.clusters, self.blocks = [], [], [], []
        pos = 0
        cluster = group = None
        while pos < len(buf):
            got = read_id(buf, pos)
            if got is None:
                break
            eid, iw = got
            got = read_size(buf, pos + iw)
            if got is None:
                break
            size, sw = got
            el = Element(eid, pos, pos + iw, sw, pos + iw + sw, size)
            if eid == SEGMENT:
                if self.segment is not None:   # a second film after the first
                    break
                self.segment = el
            elif eid in SEGMENT_LEVEL or eid == EBML:
                if cluster is not None and cluster.end is None:
                    cluster.end = pos
                cluster = None
                if eid == EBML and self.segment is not None:
                    break
            if cluster is not None and cluster.end is not None and pos >= cluster.end:
                cluster = None
            if eid == SEEKHEAD:
                self.seekheads.append(el)
            elif eid == CUES:
                self.cues.append(el)
            elif eid == CLUSTER:
                self.clusters.append(el)
                cluster = el
            elif eid == BLOCKGROUP:
                group = el
            elif eid in (SIMPLEBLOCK, BLOCK):
                if eid == BLOCK and group is not None and group.end is not None and group.body <= pos < group.end:
                    el.outer = (group.start, group.end)
                self.blocks.append(el)
            if eid in STEP_INTO:
                pos = el.body
            elif size is None:
                break
            else:
                pos = el.end
        if cluster is not None and cluster.end is None:
            cluster.end = min(pos, len(buf))
        for c in self.clusters:
            if c.end is None:
                c.end = len(buf)

    def cluster_after(self, pos):
        """The first Cluster starting at or after pos (or None)."""
        for c in self.clusters:
            if c.start >= pos:
                return c
        return None

    def blocks_of(self, cluster):
        return [b for b in self.blocks if cluster.start <= b.start < cluster.end]


def unknown_cluster_sizes(path):
    """Sets every Cluster's size field to 'unknown' (all ones, in the same width),
    as muxers that cannot seek back write them."""
    lay = Layout(path)
    with open(path, 'r+b') as f:
        for c in lay.clusters:
            f.seek(c.size_pos)
            f.write(((1 << (7 * c.size_width + 1)) - 1).to_bytes(c.size_width, 'big'))
    return len(lay.clusters)


if __name__ == '__main__':
    import sys
    if len(sys.argv) == 3 and sys.argv[1] == '--unknown-cluster-sizes':
        print(f'{sys.argv[2]}: {unknown_cluster_sizes(sys.argv[2])} Clusters set to an unknown size')
        sys.exit(0)
    if len(sys.argv) != 2:
        sys.exit('usage: ebml.py FILE  |  ebml.py --unknown-cluster-sizes FILE')
    lay = Layout(sys.argv[1])
    print('file', lay.file_size, 'segment', lay.segment)
    print('seekheads', lay.seekheads)
    print('cues', lay.cues)
    print(len(lay.clusters), 'clusters, first', lay.clusters[:2], 'last', lay.clusters[-1])
    widths = {}
    for c in lay.clusters:
        widths[c.size_width] = widths.get(c.size_width, 0) + 1
    print('cluster size widths', widths, 'unknown', sum(1 for c in lay.clusters if c.size is None))
    bw = {}
    for b in lay.blocks:
        bw[(b.id, b.size_width)] = bw.get((b.id, b.size_width), 0) + 1
    print(len(lay.blocks), 'blocks; (id, size width):', {f'{k[0]:X}/{k[1]}': v for k, v in bw.items()})
