#!/usr/bin/env python3
"""The include check itself: it must fail on an upward include, on one engine
including another, on a header including what its library links only PRIVATE, on a
header from outside the tree where its library is not linked or not for that part,
and on a README arrow line that the links contradict."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'include_check.py')

# As corvex_export_parts writes it: download links base PUBLIC, which passes platform on.
PARTS = """\
part corvex_platform platform
links corvex_platform Threads::Threads CURL::libcurl
public corvex_platform Threads::Threads
part corvex_base base
links corvex_base corvex_platform
public corvex_base corvex_platform
part corvex_support support
links corvex_support corvex_base Boost::boost
public corvex_support Boost::boost
part corvex_download download
links corvex_download corvex_base corvex_support CURL::libcurl
public corvex_download corvex_base corvex_support
generated corvex_download build_info.h
part corvex_install install
links corvex_install corvex_base
public corvex_install corvex_base
part corvex_app app
links corvex_app corvex_download corvex_install
public corvex_app
"""
README = "Dependencies point one way: `app → {download, install} → support → base → platform`.\n"


class IncludeCheckTest(unittest.TestCase):
    def run_check(self, files, parts=PARTS, readme=README):
        root = tempfile.mkdtemp(prefix='include-check-')
        self.addCleanup(subprocess.run, ['rm', '-rf', root])
        files = dict(files)
        files['README.md'] = readme
        files.setdefault('platform/path.h', '#pragma once\n')
        files.setdefault('base/install_log.h', '#pragma once\n#include "platform/path.h"\n')
        files.setdefault('support/xml.h', '#pragma once\n#include <boost/property_tree/ptree.hpp>\n')
        for relative, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(relative)), exist_ok=True)
            with open(os.path.join(root, relative), 'w', encoding='utf-8') as out:
                out.write(text)
        parts_file = os.path.join(root, 'corvex-parts.txt')
        with open(parts_file, 'w', encoding='utf-8') as out:
            out.write(parts)
        done = subprocess.run([sys.executable, CHECK, root, parts_file], capture_output=True, text=True)
        return done.returncode, done.stdout

    def test_what_the_links_allow_passes(self):
        status, output = self.run_check({
            # platform reaches download's headers through base, which passes it on.
            'download/engine.h': '#include <string>\n#include "base/install_log.h"\n#include "platform/path.h"\n',
            'download/engine.cpp': ('#include <curl/curl.h>\n#include <stdlib.h>\n#include "support/xml.h"\n'
                                    '#include "build_info.h"\n'),
            'platform/file.cpp': '#include <unistd.h>\n#include <sys/stat.h>\n#include <curl/curl.h>\n',
            'app/main.cpp': '#include "download/engine.h"\n#include "support/xml.h"\n#include "platform/path.h"\n',
        })
        self.assertEqual((status, output), (0, 'every include follows the links\n'))

    def test_upward_sideways_and_unrooted_includes_fail(self):
        status, output = self.run_check({
            'download/engine.h': '#pragma once\n',
            'install/reader.cpp': '#include "download/engine.h"\n',
            'base/log.cpp': '  #  include "app/main.h"\n',
            'app/main.h': '#pragma once\n',
            'app/main.cpp': '#include "main.h"\n#include "unknown_generated.h"\n',
        })
        self.assertEqual(status, 1)
        self.assertIn('install/reader.cpp:1: install includes "download/engine.h": install links no download', output)
        self.assertIn('base/log.cpp:1: base includes "app/main.h": base links no app', output)
        self.assertIn('app/main.cpp:1: app includes "main.h": include it rooted at the top of the tree', output)
        self.assertIn('app/main.cpp:2: app includes "unknown_generated.h": neither a file of the tree nor a '
                      'generated header of its library', output)
        self.assertIn('4 include fault(s)', output)

    def test_a_header_includes_only_what_its_library_passes_on(self):
        status, output = self.run_check({
            # app links download, but passes nothing on; download links curl only PRIVATE.
            'app/main.h': '#include "download/engine.h"\n',
            'app/main.cpp': '#include "download/engine.h"\n',
            'download/engine.h': '#include <curl/curl.h>\n',
        })
        self.assertEqual(status, 1)
        self.assertIn('app/main.h:1: app includes "download/engine.h": app passes on no download', output)
        self.assertIn('download/engine.h:1: download includes <curl/curl.h>: download does not link curl PUBLIC',
                      output)
        self.assertIn('2 include fault(s)', output)

    def test_headers_from_outside_the_tree_stay_where_they_belong(self):
        status, output = self.run_check({
            # support passes Boost on, but Boost is for support alone.
            'download/writer.cpp': '#include <boost/property_tree/xml_parser.hpp>\n',
            'install/guard.cpp': '#include <sys/stat.h>\n#include <cstdio>\n#include <errno.h>\n',
            'install/fetch.cpp': '#include <curl/curl.h>\n',
            'download/digest.cpp': '#include <openssl/evp.h>\n',
            'base/draw.cpp': '#include <gtk/gtk.h>\n',
        })
        self.assertEqual(status, 1)
        self.assertIn('download/writer.cpp:1: download includes <boost/property_tree/xml_parser.hpp>: '
                      'Boost is for support only', output)
        self.assertIn('install/guard.cpp:1: install includes <sys/stat.h>: an operating-system header outside '
                      'platform', output)
        self.assertIn('install/fetch.cpp:1: install includes <curl/curl.h>: curl is for download, platform, '
                      'telemetry only', output)
        self.assertIn('download/digest.cpp:1: download includes <openssl/evp.h>: download does not link OpenSSL',
                      output)
        self.assertIn('base/draw.cpp:1: base includes <gtk/gtk.h>: GTK is for platform/gui only', output)
        self.assertIn('5 include fault(s)', output)

    def test_a_library_linked_by_a_part_it_is_not_for(self):
        parts = PARTS.replace('links corvex_download corvex_base corvex_support CURL::libcurl',
                              'links corvex_download corvex_base corvex_support CURL::libcurl Boost::boost')
        status, output = self.run_check({}, parts=parts)
        self.assertEqual(status, 1)
        self.assertIn('download links Boost::boost, which is for support only', output)

    def test_readme_arrow_line_must_match_the_links(self):
        wrong_order = "Dependencies point one way: `app → {download, install} → support → platform → base`.\n"
        status, output = self.run_check({}, readme=wrong_order)
        self.assertEqual(status, 1)
        self.assertIn('the links let base include platform, against the README arrow line', output)

        missing_part = "Dependencies point one way: `app → download → support → base → platform`.\n"
        status, output = self.run_check({}, readme=missing_part)
        self.assertIn('README arrow line and the links disagree on the part "install"', output)

        # Engines of one tier that link each other.
        sideways = PARTS.replace('links corvex_install corvex_base', 'links corvex_install corvex_base corvex_download')
        status, output = self.run_check({}, parts=sideways)
        self.assertIn('the links let install include download, against the README arrow line', output)


if __name__ == '__main__':
    unittest.main()
