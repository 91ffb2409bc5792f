#!/usr/bin/python3
"""Charts survive the round trip: a spreadsheet made by LibreOffice with a
column, a line and a pie chart on its first sheet and a stacked column
chart on its second sheet (drawing from the first) is converted; LibreOffice
reads back the same charts on the same sheets, of the same types, with the
same series drawing from the same cells; nothing about them is warned
about; every reader of the validity check accepts the file.

Environment: ROUNDTRIP_CONVERTER and ROUNDTRIP_WORK. Exits 77 (skipped)
when LibreOffice is not installed.
"""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import chart_fixture  # noqa: E402
from roundtrip_case import convert, fresh_work_folder, main  # noqa: E402
from xls_validity import check_files, failures  # noqa: E402



class ChartRoundTrip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = fresh_work_folder("charts")
        cls.source = cls.work / "charts.ods"
        from office_snapshot import Office
        with Office() as office:
            chart_fixture.write_chart_ods(office._desktop, cls.source)
            cls.result, cls.warnings = convert(cls.source, cls.work)
            cls.before = chart_fixture.describe_charts(office._desktop, cls.source)
            cls.after = chart_fixture.describe_charts(office._desktop, cls.result)

    def test_libreoffice_reads_the_fixture_as_intended(self):
        # Guards the fixture itself: otherwise the comparison below proves little.
        self.assertEqual(self.before, chart_fixture.EXPECTED)

    def test_same_charts_types_series_and_ranges(self):
        self.assertEqual(self.after, self.before)

    def test_nothing_is_warned_about(self):
        self.assertNotIn("not converted", self.warnings)

    def test_every_reader_accepts_the_file(self):
        self.assertEqual(failures(check_files([self.result], cache_dir=self.work / "check")), [])


if __name__ == "__main__":
    main()
