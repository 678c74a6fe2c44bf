#!/usr/bin/env python3
"""Writes the table of simple Unicode case folding that platform/case_fold.cpp
folds names with, from the Unicode data of the Python that runs it:

    make_case_fold_table.py > platform/case_fold_table.inc

Simple folding maps one code point to one code point: where the full folding
of a character takes more than one (ß to ss), its single lower-case mapping
is taken if it has one, else the character stays. Runs of characters with
the same offset, next to each other or every second one (as upper and lower
case alternate in Latin Extended-A), make one row.
"""
import sys
import unicodedata

folds = {}
for code in range(0x110000):
    if 0xD800 <= code < 0xE000:
        continue
    char = chr(code)
    folded = char.casefold()
    if len(folded) != 1:
        folded = char.lower()
    if len(folded) == 1 and folded != char:
        folds[code] = ord(folded)

rows = []  # [first, last, offset, step]
for code, folded in sorted(folds.items()):
    offset = folded - code
    if rows and rows[-1][2] == offset:
        first, last, _, step = rows[-1]
        if (step == 0 and code - last in (1, 2)) or (step and code - last == step):
            rows[-1][1], rows[-1][3] = code, code - last
            continue
    rows.append([code, code, offset, 0])

out = sys.stdout
out.write("// Simple case folding, Unicode %s: written by make_case_fold_table.py.\n"
          % unicodedata.unidata_version)
out.write("// {first, last, offset, step}: every step-th code point from first to last\n")
out.write("// folds to itself plus offset.\n")
for first, last, offset, step in rows:
    out.write("{0x%05X, 0x%05X, %d, %d},\n" % (first, last, offset, max(step, 1)))
