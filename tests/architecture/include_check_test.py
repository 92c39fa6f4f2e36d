#!/usr/bin/env python3
"""The include check itself: it must fail on an upward include, on one engine
including another, and on a README arrow line that the table contradicts."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'include_check.py')

TABLE = """\
app:      download install base platform
download: base platform
install:  base platform
base:     platform
platform:
"""
README = "Dependencies point one way: `app → {download, install} → base → platform`.\n"


class IncludeCheckTest(unittest.TestCase):
    def make_tree(self, files, readme=README):
        root = tempfile.mkdtemp(prefix='include-check-')
        self.addCleanup(subprocess.run, ['rm', '-rf', root])
        files = dict(files)
        files['docs/allowed-dependencies.txt'] = TABLE
        files['README.md'] = readme
        files.setdefault('platform/path.h', '#pragma once\n')
        files.setdefault('base/install_log.h', '#pragma once\n#include "platform/path.h"\n')
        for relative, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(relative)), exist_ok=True)
            with open(os.path.join(root, relative), 'w', encoding='utf-8') as out:
                out.write(text)
        return root

    def run_check(self, root):
        done = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
        return done.returncode, done.stdout

    def test_downward_includes_pass(self):
        root = self.make_tree({
            'download/engine.h': '#include "base/install_log.h"\n',
            'app/main.cpp': '#include "download/engine.h"\n#include "platform/path.h"\n',
        })
        self.assertEqual(self.run_check(root), (0, 'every include follows the table\n'))

    def test_upward_sideways_and_unrooted_includes_fail(self):
        root = self.make_tree({
            'download/engine.h': '#pragma once\n',
            'install/reader.cpp': '#include "download/engine.h"\n',
            'base/log.cpp': '  #  include "app/main.h"\n',
            'app/main.h': '#pragma once\n',
            'app/main.cpp': '#include "main.h"\n',
        })
        status, output = self.run_check(root)
        self.assertEqual(status, 1)
        self.assertIn('install/reader.cpp:1: install includes "download/engine.h": install may not include download', output)
        self.assertIn('base/log.cpp:1: base includes "app/main.h": base may not include app', output)
        self.assertIn('app/main.cpp:1: app includes "main.h": include it rooted at the top of the tree', output)
        self.assertIn('3 include fault(s)', output)

    def test_readme_arrow_line_must_match_the_table(self):
        wrong_order = "Dependencies point one way: `app → {download, install} → platform → base`.\n"
        status, output = self.run_check(self.make_tree({}, readme=wrong_order))
        self.assertEqual(status, 1)
        self.assertIn('table lets base include platform, against the README arrow line', output)

        missing_part = "Dependencies point one way: `app → download → base → platform`.\n"
        status, output = self.run_check(self.make_tree({}, readme=missing_part))
        self.assertIn('README arrow line and table disagree on the part "install"', output)


if __name__ == '__main__':
    unittest.main()
