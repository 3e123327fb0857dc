#!/usr/bin/env python3
"""Generates the element dictionary's schema rows and the element-ID constants.

1. src/core/generated/dictionary_schema_rows.inc: every element of the
   Matroska EBML schema (data/ebml_matroska.xml) whose ID is not already among
   the 216 fixed rows (src/core/dictionary_base_rows.inc), under its schema name.
2. src/core/generated/element_ids.h: one named constant per dictionary row
   (kTrackEntry = 0xAE, ...), so code compares IDs as numbers. The name is the
   row's name without characters an identifier cannot hold; where two rows
   share a name, the later one takes its schema name.
3. src/core/generated/dictionary_parents.inc: per dictionary row, the ID of
   the element it must stand in (from the schema's paths), or 0 where the
   schema does not say (EBML's own Void and CRC-32 stand anywhere); and
   whether it may also stand in itself (the schema's "+", as ChapterAtom).
4. src/core/generated/dictionary_rules.inc: per dictionary row, the rules the
   schema gives its element: how often it may and must stand in its parent
   (a mandatory element with a default may be left out), whether its size may
   be unknown, the length of a binary value, and the range of a number. The
   EBML header's own elements take their rules from EBML itself.
5. tests/fuzz/matroska.dict: every ID as a libFuzzer dictionary entry.

Value types: 'u' unsigned, 'i' signed, 'f' float, 's' ASCII string, '8' UTF-8
string, 'd' date, 'h' binary, 0 for masters. The fixed rows must agree with
the schema on which strings are UTF-8; the script stops when they do not.

The outputs are committed; run the script again after changing the schema or
the fixed rows:

    python3 scripts/gen_dictionary.py                        # writes the committed files
    python3 scripts/gen_dictionary.py --out DIR --dict FILE  # writes elsewhere (the test diffs them with the committed ones)
"""
import argparse
import pathlib
import re
import sys
import xml.etree.ElementTree as ET

ROOT = pathlib.Path(__file__).resolve().parent.parent
SCHEMA = ROOT / "data" / "ebml_matroska.xml"
BASE = ROOT / "src" / "core" / "dictionary_base_rows.inc"
GENERATED = ROOT / "src" / "core" / "generated"
FUZZ_DICT = ROOT / "tests" / "fuzz" / "matroska.dict"

VALUE_TYPE = {
    "uinteger": "'u'",
    "integer": "'i'",
    "float": "'f'",
    "string": "'s'",
    "utf-8": "'8'",
    "date": "'d'",
    "binary": "'h'",
    "master": "0",
}

ROW = re.compile(r'\{"([^"]*)", "([0-9A-F]+)", \'([ce])\', (0|\'.\')\}')


# The EBML header's own children, which the Matroska schema leaves to EBML.
EBML_HEADER_CHILDREN = {"4286", "42F7", "42F2", "42F3", "4282", "4287", "4285"}


def schema_elements():
    ns = {"s": "urn:ietf:rfc:8794"}
    elements = {}
    for el in ET.parse(SCHEMA).getroot().findall("s:element", ns):
        id_hex = el.get("id")[2:].upper()
        elements.setdefault(id_hex, (el.get("name"), el.get("type"), el.get("path"), el.attrib))
    return elements


# The EBML header's elements as EBML itself (RFC 8794) gives them, where the
# Matroska schema is silent. DocType is checked by its own rule.
EBML_HEADER_RULES = {
    "4286": {"minOccurs": "1", "maxOccurs": "1", "default": "1", "range": "not 0"},  # EBMLVersion
    "42F7": {"minOccurs": "1", "maxOccurs": "1", "default": "1", "range": "1"},      # EBMLReadVersion
    "4282": {"maxOccurs": "1"},                                                       # DocType
    "4287": {"minOccurs": "1", "maxOccurs": "1", "default": "1", "range": "not 0"},  # DocTypeVersion
    "4285": {"minOccurs": "1", "maxOccurs": "1", "default": "1", "range": "not 0"},  # DocTypeReadVersion
}


def number(text):
    text = text.strip()
    if "0x" in text and "p" in text:
        return float.fromhex(text)
    return float(text)


def parse_range(text):
    """(kind, lo, hi, has_lo, has_hi, lo_inclusive, hi_inclusive); kind 0 none, 1 not 0, 2 interval."""
    if not text:
        return (0, 0.0, 0.0, False, False, False, False)
    text = text.strip()
    if text == "not 0":
        return (1, 0.0, 0.0, False, False, False, False)
    lo = hi = 0.0
    has_lo = has_hi = lo_inc = hi_inc = False
    for part in (p.strip() for p in text.split(",")):
        m = re.fullmatch(r"(>=|>|<=|<)\s*(.+)", part)
        if m:
            op, value = m.group(1), number(m.group(2))
            if op.startswith(">"):
                lo, has_lo, lo_inc = value, True, op == ">="
            else:
                hi, has_hi, hi_inc = value, True, op == "<="
            continue
        # "A-B" (a minus sign after an exponent's "p" or at the start is part of a number) or one value
        cut = next((i for i in range(1, len(part)) if part[i] == "-" and part[i - 1] not in "pPeE"), None)
        if cut is None:
            lo = hi = number(part)
        else:
            lo, hi = number(part[:cut]), number(part[cut + 1:])
        has_lo = has_hi = lo_inc = hi_inc = True
    return (2, lo, hi, has_lo, has_hi, lo_inc, hi_inc)


def rules_of(id_hex, schema):
    attrs = dict(EBML_HEADER_RULES.get(id_hex, {}))
    if id_hex in schema:
        attrs.update(schema[id_hex][3])
    if not attrs:
        return None
    max_occurs = attrs.get("maxOccurs")
    kind, lo, hi, has_lo, has_hi, lo_inc, hi_inc = parse_range(attrs.get("range"))
    flag = lambda b: "true" if b else "false"
    return (f"{{{int(attrs.get('minOccurs', '0'))}, {int(max_occurs) if max_occurs else 0}, "
            f"{flag('default' in attrs)}, {flag(attrs.get('unknownsizeallowed') == '1')}, "
            f"{int(attrs.get('length', '0')) if attrs.get('length', '0').isdigit() else 0}, "
            f"{kind}, {lo!r}, {hi!r}, {flag(has_lo)}, {flag(has_hi)}, {flag(lo_inc)}, {flag(hi_inc)}}}")


def parent_of(id_hex, schema, id_by_name):
    """(parent ID hex or None, may stand in itself) from the schema path."""
    if id_hex in EBML_HEADER_CHILDREN:
        return "1A45DFA3", False
    if id_hex not in schema:
        return None, False
    parts = schema[id_hex][2].strip("\\").split("\\")
    recursive = parts[-1].startswith("+")
    if len(parts) < 2:
        return None, False
    return id_by_name[parts[-2].lstrip("+")], recursive


def identifier(name):
    return "k" + re.sub(r"[^A-Za-z0-9]", "", name)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path, default=GENERATED)
    parser.add_argument("--dict", type=pathlib.Path, default=FUZZ_DICT)
    args = parser.parse_args()
    out_dir = args.out
    out_dir.mkdir(parents=True, exist_ok=True)

    base = ROW.findall(BASE.read_text())
    assert len(base) == 216, len(base)
    schema = schema_elements()

    for name, id_hex, _, value_type in base:
        if id_hex in schema and (schema[id_hex][1] == "utf-8") != (value_type == "'8'"):
            sys.exit(f"fixed row {name} ({id_hex}): the schema says {schema[id_hex][1]}, the row says {value_type}")

    rows = []
    seen = {id_hex for _, id_hex, _, _ in base}
    for id_hex, (name, kind, _, _) in schema.items():
        if id_hex in seen:
            continue
        seen.add(id_hex)
        rows.append((name, id_hex, "c" if kind == "master" else "e", VALUE_TYPE[kind]))

    header = ("// Generated by scripts/gen_dictionary.py from data/ebml_matroska.xml; do not edit.\n"
              "// Elements of the current Matroska schema that the fixed rows do not know.\n")
    (out_dir / "dictionary_schema_rows.inc").write_text(
        header + "".join(f'    {{"{n}", "{i}", \'{k}\', {v}}},\n' for n, i, k, v in rows))

    id_by_name = {name: id_hex for id_hex, (name, _, _, _) in schema.items()}
    parents = []
    for name, id_hex, _, _ in base + rows:
        parent, recursive = parent_of(id_hex, schema, id_by_name)
        parents.append(f"    {{0x{parent or '0'}, {'true' if recursive else 'false'}}},  // {name}\n")
    (out_dir / "dictionary_parents.inc").write_text(
        "// Generated by scripts/gen_dictionary.py from data/ebml_matroska.xml; do not edit.\n"
        "// Per dictionary row: the ID of the element it stands in (0: anywhere), and\n"
        "// whether it may also stand in an element like itself.\n" + "".join(parents))

    rules = []
    for name, id_hex, _, _ in base + rows:
        rule = rules_of(id_hex, schema)
        rules.append(f"    {rule or '{}'},  // {name}\n")
    (out_dir / "dictionary_rules.inc").write_text(
        "// Generated by scripts/gen_dictionary.py from data/ebml_matroska.xml; do not edit.\n"
        "// Per dictionary row: {minOccurs, maxOccurs (0: any number), has a default,\n"
        "// unknown size allowed, binary length (0: any), range kind (0 none, 1 not 0,\n"
        "// 2 interval), low, high, has low, has high, low inclusive, high inclusive}.\n" + "".join(rules))

    constants = []
    taken = set()
    for name, id_hex, _, _ in base + rows:
        const = identifier(name)
        if const in taken:
            const = identifier(schema[id_hex][0]) if id_hex in schema else f"{const}_{id_hex}"
        assert const not in taken, const
        taken.add(const)
        constants.append(f"inline constexpr uint32_t {const} = 0x{id_hex};  // {name}\n")
    (out_dir / "element_ids.h").write_text(
        "// Generated by scripts/gen_dictionary.py from the dictionary rows; do not edit.\n"
        "// One constant per dictionary row: element IDs with their marker bits, as\n"
        "// they stand in a file, so code compares IDs as numbers.\n"
        "#pragma once\n\n#include <cstdint>\n\nnamespace quillon {\n\n" + "".join(constants) +
        "\n}  // namespace quillon\n")
    entries = []
    for name, id_hex, _, _ in base + rows:
        escaped = "".join(f"\\x{id_hex[i:i + 2]}" for i in range(0, len(id_hex), 2))
        entries.append(f'{identifier(name)[1:]}_{id_hex}="{escaped}"\n')
    args.dict.write_text("# Element IDs for libFuzzer; generated by scripts/gen_dictionary.py, do not edit.\n" +
                         "".join(entries))
    print(f"{len(rows)} schema rows and {len(constants)} constants written to {out_dir}; {args.dict.name} written")


if __name__ == "__main__":
    main()
