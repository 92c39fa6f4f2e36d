#!/usr/bin/env python3
"""Holds every #include of the product code to the links of its library, as CMake
wrote them at configure time (corvex_export_parts), and the README's arrow line to the
order those links imply.

A part is a folder with a library of its own; a file belongs to the longest part that
prefixes its path. The sources of a part may include the parts its library links and
what those pass on (their PUBLIC links); its headers, which other parts include, only
what the part passes on itself. Headers from outside the tree (#include <...>): the C
and C++ standard libraries anywhere; a library's only in the parts LIBRARIES allows,
and only where the part links that library (PUBLIC, for a header); the operating
system's only in platform, besides the few named in OS_HEADERS_OUTSIDE_PLATFORM.

Usage: include_check.py SOURCE_DIR PARTS_FILE      exit status 0 when every include is allowed
"""
import os
import re
import sys

QUOTED = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
ANGLED = re.compile(r'^\s*#\s*include\s+<([^>]+)>')
SOURCE_SUFFIXES = ('.h', '.cpp')
LIBRARY_PREFIX = 'corvex_'

# Libraries from outside the tree: the headers that are theirs (by prefix), the link
# items that bring them, and the parts that may use them at all.
LIBRARIES = {
    'curl': (('curl/',), {'CURL::libcurl'}, {'platform', 'download', 'telemetry'}),
    'Boost': (('boost/',), {'Boost::boost'}, {'support'}),
    'OpenSSL': (('openssl/',), {'OpenSSL::Crypto', 'OpenSSL::SSL'}, {'download', 'telemetry'}),
    'SQLite': (('sqlite3.h',), {'SQLite::SQLite3'}, {'platform'}),
    'cJSON': (('cjson/',), {'PkgConfig::CJSON'}, {'telemetry'}),
    'GLib': (('glib.h', 'glib/', 'glib-object.h', 'gobject/', 'gio/'), {'PkgConfig::GLIB', 'PkgConfig::GTK3'},
             {'platform', 'platform/gui'}),
    'GTK': (('gtk/', 'gdk/', 'gdk-pixbuf/', 'cairo', 'pango/'), {'PkgConfig::GTK3'}, {'platform/gui'}),
}

# Operating-system headers used outside platform: the install helper's passing of open
# files and the checks of the files it writes.
OS_HEADERS_OUTSIDE_PLATFORM = {
    'setup': {'fcntl.h', 'sys/stat.h', 'unistd.h'},
}
OS_PARTS = {'platform', 'platform/gui'}

C_STANDARD_HEADERS = {
    'assert.h', 'complex.h', 'ctype.h', 'errno.h', 'fenv.h', 'float.h', 'inttypes.h', 'iso646.h', 'limits.h',
    'locale.h', 'math.h', 'setjmp.h', 'signal.h', 'stdalign.h', 'stdarg.h', 'stdatomic.h', 'stdbool.h',
    'stddef.h', 'stdint.h', 'stdio.h', 'stdlib.h', 'stdnoreturn.h', 'string.h', 'tgmath.h', 'threads.h',
    'time.h', 'uchar.h', 'wchar.h', 'wctype.h',
}


class Parts:
    """Each part's library and what its links allow."""

    def __init__(self, path):
        self.folder, self.links, self.public, self.generated = {}, {}, {}, {}
        tables = {'part': None, 'links': self.links, 'public': self.public, 'generated': self.generated}
        with open(path, encoding='utf-8') as facts:
            for number, line in enumerate(facts, 1):
                words = line.split('#', 1)[0].split()
                if not words:
                    continue
                if words[0] not in tables or len(words) < 2 or (words[0] == 'part' and len(words) != 3):
                    sys.exit(f'{path}:{number}: expected "part|links|public|generated <target> ..."')
                if words[0] == 'part':
                    self.folder[words[1]] = words[2]
                else:
                    tables[words[0]][words[1]] = words[2:]
        self.target_of = {folder: target for target, folder in self.folder.items()}

    def parts(self):
        return set(self.target_of)

    def _passed_on(self, target):
        """The product libraries `target` passes on to its users, itself included."""
        seen, pending = {target}, [target]
        while pending:
            for item in self.public.get(pending.pop(), ()):
                if item in self.folder and item not in seen:
                    seen.add(item)
                    pending.append(item)
        return seen

    def includable(self, part, from_header):
        """The parts a header (or a source) of `part` may include."""
        target = self.target_of[part]
        if from_header:
            return {self.folder[t] for t in self._passed_on(target)}
        reach = {target}
        for item in self.links.get(target, ()):
            if item in self.folder:
                reach |= self._passed_on(item)
        return {self.folder[t] for t in reach}

    def outside_links(self, part, from_header):
        """The link items from outside the tree a header (or a source) of `part` has."""
        target = self.target_of[part]
        items = self.public if from_header else self.links
        return {item for item in items.get(target, ()) if not item.startswith(LIBRARY_PREFIX)}

    def generated_headers(self, part):
        return set(self.generated.get(self.target_of[part], ()))


def part_of(path, parts):
    """The longest part that prefixes `path` (a path relative to the source root)."""
    best = None
    for part in parts:
        if path == part or path.startswith(part + '/'):
            if best is None or len(part) > len(best):
                best = part
    return best


def library_of(header):
    for name, (prefixes, _, _) in LIBRARIES.items():
        if header.startswith(prefixes):
            return name
    return None


def is_standard(header):
    return ('.' not in header and '/' not in header) or header in C_STANDARD_HEADERS


def check_angled(header, part, parts, from_header):
    """Why `part` may not include <header>, or None."""
    if is_standard(header):
        return None
    library = library_of(header)
    if library is None:
        if part in OS_PARTS or header in OS_HEADERS_OUTSIDE_PLATFORM.get(part, ()):
            return None
        return 'an operating-system header outside platform'
    _, items, allowed_parts = LIBRARIES[library]
    if part not in allowed_parts:
        return f'{library} is for {", ".join(sorted(allowed_parts))} only'
    if not items & parts.outside_links(part, from_header):
        return f'{part} does not link {library}' + (' PUBLIC' if from_header else '')
    return None


def check_quoted(included, folder, root, part, parts, from_header):
    """Why `part` may not include "included", or None."""
    if '/' not in included:
        if os.path.exists(os.path.join(folder, included)):
            return 'include it rooted at the top of the tree'
        if included not in parts.generated_headers(part):
            return 'neither a file of the tree nor a generated header of its library'
        return None
    if not os.path.exists(os.path.join(root, included)):
        return 'no such file'
    target = part_of(included, parts.parts())
    if target is None:
        return 'outside the product code'
    if target not in parts.includable(part, from_header):
        return f'{part} {"passes on" if from_header else "links"} no {target}'
    return None


def check_includes(root, parts):
    faults = []
    for top in sorted({part.split('/')[0] for part in parts.parts()}):
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                full = os.path.join(folder, name)
                relative = os.path.relpath(full, root)
                part = part_of(relative, parts.parts())
                if part is None:
                    faults.append(f'{relative}: in no part')
                    continue
                from_header = name.endswith('.h')
                with open(full, encoding='utf-8') as source:
                    for number, line in enumerate(source, 1):
                        quoted, angled = QUOTED.match(line), ANGLED.match(line)
                        if quoted:
                            where = f'{relative}:{number}: {part} includes "{quoted.group(1)}"'
                            why = check_quoted(quoted.group(1), folder, root, part, parts, from_header)
                        elif angled:
                            where = f'{relative}:{number}: {part} includes <{angled.group(1)}>'
                            why = check_angled(angled.group(1), part, parts, from_header)
                        else:
                            continue
                        if why:
                            faults.append(f'{where}: {why}')
    return faults


def check_links(parts):
    """A library from outside the tree linked by a part it is not for."""
    faults = []
    for part in sorted(parts.parts()):
        for item in sorted(parts.outside_links(part, from_header=False)):
            libraries = [name for name, (_, items, _) in LIBRARIES.items() if item in items]
            if libraries and not any(part in LIBRARIES[name][2] for name in libraries):
                faults.append(f'{part} links {item}, which is for {", ".join(sorted(LIBRARIES[libraries[0]][2]))} only')
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


def check_arrow_line(tiers, parts):
    faults = []
    tier_of = {}
    for index, tier in enumerate(tiers):
        for name in tier:
            tier_of[name] = index
    tops = {part.split('/')[0] for part in parts.parts()}
    for top in sorted(tops ^ tier_of.keys()):
        faults.append(f'README arrow line and the links disagree on the part "{top}"')
    for source in sorted(parts.parts()):
        for target in sorted(parts.includable(source, from_header=False)):
            source_top, target_top = source.split('/')[0], target.split('/')[0]
            if source_top == target_top or source_top not in tier_of or target_top not in tier_of:
                continue
            if tier_of[target_top] <= tier_of[source_top]:
                faults.append(f'the links let {source} include {target}, against the README arrow line')
    return faults


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    root, parts = sys.argv[1], Parts(sys.argv[2])
    faults = check_includes(root, parts) + check_links(parts)
    faults += check_arrow_line(read_arrow_line(os.path.join(root, 'README.md')), parts)
    for fault in faults:
        print(fault)
    print(f'{len(faults)} include fault(s)' if faults else 'every include follows the links')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
