#!/usr/bin/env python3
"""Holds every #include "..." of the product code to docs/allowed-dependencies.txt,
and the README's arrow line to the order that table implies.

Usage: include_check.py SOURCE_DIR      exit status 0 when every edge is allowed
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_SUFFIXES = ('.h', '.cpp')


def read_table(path):
    allowed, generated = {}, {}
    with open(path, encoding='utf-8') as table:
        for number, line in enumerate(table, 1):
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            head, sep, rest = line.partition(':')
            if not sep:
                sys.exit(f'{path}:{number}: expected "part: parts..."')
            words = head.split()
            if words[0] == 'generated' and len(words) == 2:
                generated[words[1]] = set(rest.split())
            elif len(words) == 1:
                allowed[words[0]] = set(rest.split())
            else:
                sys.exit(f'{path}:{number}: expected "part: parts..."')
    for part, targets in allowed.items():
        unknown = targets - allowed.keys()
        if unknown:
            sys.exit(f'{path}: {part} names unknown parts {sorted(unknown)}')
    return allowed, generated


def part_of(path, parts):
    """The longest part that prefixes `path` (a path relative to the source root)."""
    best = None
    for part in parts:
        if path == part or path.startswith(part + '/'):
            if best is None or len(part) > len(best):
                best = part
    return best


def check_includes(root, allowed, generated):
    faults = []
    top_folders = {part.split('/')[0] for part in allowed}
    for top in sorted(top_folders):
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                full = os.path.join(folder, name)
                relative = os.path.relpath(full, root)
                source_part = part_of(relative, allowed)
                if source_part is None:
                    faults.append(f'{relative}: in no part of the table')
                    continue
                with open(full, encoding='utf-8') as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        included = match.group(1)
                        where = f'{relative}:{number}: {source_part} includes "{included}"'
                        if '/' not in included:
                            if os.path.exists(os.path.join(folder, included)):
                                faults.append(f'{where}: include it rooted at the top of the tree')
                            elif included not in generated.get(source_part, ()):
                                faults.append(f'{where}: neither a file of the tree nor a listed generated header')
                            continue
                        if not os.path.exists(os.path.join(root, included)):
                            faults.append(f'{where}: no such file')
                            continue
                        target_part = part_of(included, allowed)
                        if target_part is None:
                            faults.append(f'{where}: outside the product code')
                        elif target_part != source_part and target_part not in allowed[source_part]:
                            faults.append(f'{where}: {source_part} may not include {target_part}')
    return faults


def read_arrow_line(readme):
    """The tiers of the README's "Dependencies point one way" line, top first."""
    with open(readme, encoding='utf-8') as text:
        flat = ' '.join(text.read().split())
    match = re.search(r'Dependencies point one way: `([^`]+)`', flat)
    if not match:
        sys.exit(f'{readme}: no "Dependencies point one way: `...`" line')
    tiers = []
    for tier in match.group(1).split('→'):
        tiers.append({name.strip() for name in tier.strip().strip('{}').split(',')})
    return tiers


def check_arrow_line(tiers, allowed):
    faults = []
    tier_of = {}
    for index, tier in enumerate(tiers):
        for name in tier:
            tier_of[name] = index
    tops = {part.split('/')[0] for part in allowed}
    for top in sorted(tops ^ tier_of.keys()):
        faults.append(f'README arrow line and table disagree on the part "{top}"')
    for source, targets in sorted(allowed.items()):
        for target in sorted(targets):
            source_top, target_top = source.split('/')[0], target.split('/')[0]
            if source_top == target_top or source_top not in tier_of or target_top not in tier_of:
                continue
            if tier_of[target_top] <= tier_of[source_top]:
                faults.append(f'table lets {source} include {target}, against the README arrow line')
    return faults


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    allowed, generated = read_table(os.path.join(root, 'docs', 'allowed-dependencies.txt'))
    faults = check_includes(root, allowed, generated)
    faults += check_arrow_line(read_arrow_line(os.path.join(root, 'README.md')), allowed)
    for fault in faults:
        print(fault)
    print(f'{len(faults)} include fault(s)' if faults else 'every include follows the table')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
