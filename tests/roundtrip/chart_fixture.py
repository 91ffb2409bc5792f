"""Makes, with LibreOffice, a spreadsheet with charts on the data of its
sheets: a column chart, a line chart and a pie chart on the first sheet, a
stacked bar chart on the second sheet drawing from the first; and describes
the charts of any document LibreOffice opens, so that a source and its
conversion can be compared."""

from pathlib import Path

# (name, sheet, top-left cell (col, row), diagram service, ranges (sheet, A1 range), stacked)
CHARTS = [
    ("Sales", 0, (5, 1), "com.sun.star.chart.BarDiagram", [(0, "A1:C7")], False),
    ("Trend", 0, (5, 18), "com.sun.star.chart.LineDiagram", [(0, "A1:B7")], False),
    ("Share", 0, (12, 1), "com.sun.star.chart.PieDiagram", [(0, "A1:A7"), (0, "D1:D7")], False),
    ("Stack", 1, (1, 1), "com.sun.star.chart.BarDiagram", [(0, "A1:C7")], True),
]

# What LibreOffice should find: per sheet, the charts by type, series count
# and the cells of each series' values, sorted.
EXPECTED = {
    0: [("Column", 2, ["Data.B2:B7", "Data.C2:C7"]), ("Line", 1, ["Data.B2:B7"]), ("Pie", 1, ["Data.D2:D7"])],
    1: [("Column", 2, ["Data.B2:B7", "Data.C2:C7"])],
}

MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun"]


def write_chart_ods(desktop, path):
    """Builds the fixture in a new document of the running LibreOffice and saves it as .ods."""
    import uno
    from com.sun.star.awt import Rectangle
    from com.sun.star.beans import PropertyValue
    from com.sun.star.table import CellRangeAddress

    def prop(name, value):
        p = PropertyValue()
        p.Name, p.Value = name, value
        return p

    document = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (prop("Hidden", True),))
    try:
        sheets = document.Sheets
        sheets.getByIndex(0).Name = "Data"
        if sheets.Count < 2:
            sheets.insertNewByName("Summary", 1)
        data = sheets.getByIndex(0)
        data.getCellByPosition(0, 0).String = "Month"
        data.getCellByPosition(1, 0).String = "North"
        data.getCellByPosition(2, 0).String = "South"
        data.getCellByPosition(3, 0).String = "Share"
        for i, month in enumerate(MONTHS):
            data.getCellByPosition(0, i + 1).String = month
            data.getCellByPosition(1, i + 1).Value = 10 + 3 * i
            data.getCellByPosition(2, i + 1).Value = 25 - 2 * i
            data.getCellByPosition(3, i + 1).Value = i + 1
        for name, sheet_index, (col, row), diagram, ranges, stacked in CHARTS:
            sheet = sheets.getByIndex(sheet_index)
            corner = sheet.getCellByPosition(col, row).Position
            rect = Rectangle(corner.X, corner.Y, 12000, 7000)
            addresses = []
            for source, a1 in ranges:
                cells = sheets.getByIndex(source).getCellRangeByName(a1).RangeAddress
                address = CellRangeAddress()
                address.Sheet, address.StartColumn, address.StartRow = cells.Sheet, cells.StartColumn, cells.StartRow
                address.EndColumn, address.EndRow = cells.EndColumn, cells.EndRow
                addresses.append(address)
            sheet.Charts.addNewByName(name, rect, tuple(addresses), True, True)
            chart = sheet.Charts.getByName(name).EmbeddedObject
            chart.setDiagram(chart.createInstance(diagram))
            chart.Title.String = name + " by month"
            chart.HasMainTitle = True
            chart.HasLegend = True
            if stacked:
                chart.Diagram.Stacked = True
        url = uno.systemPathToFileUrl(str(Path(path).resolve()))
        document.storeToURL(url, (prop("FilterName", "calc8"),))
    finally:
        document.close(True)


def chart_type_name(service):
    # "com.sun.star.chart2.ColumnChartType" -> "Column"
    return service.rsplit(".", 1)[-1].removesuffix("ChartType")


def describe_charts(desktop, path):
    """Per sheet with charts, its charts (type, series count, values ranges), sorted:
    names and drawing order need not survive a conversion."""
    import uno
    from com.sun.star.beans import PropertyValue
    hidden = PropertyValue()
    hidden.Name, hidden.Value = "Hidden", True
    document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(str(Path(path).resolve())), "_blank", 0, (hidden,))
    try:
        result = {}
        for i in range(document.Sheets.Count):
            charts = document.Sheets.getByIndex(i).Charts
            found = []
            for name in charts.ElementNames:
                model = charts.getByName(name).EmbeddedObject
                diagram = model.getFirstDiagram()
                kinds, series_count, values = [], 0, []
                for system in diagram.CoordinateSystems:
                    for chart_type in system.ChartTypes:
                        kinds.append(chart_type_name(chart_type.ChartType))
                        for series in chart_type.DataSeries:
                            series_count += 1
                            for sequence in series.DataSequences:
                                if sequence.Values.Role == "values-y":
                                    values.append(sequence.Values.SourceRangeRepresentation.replace("$", ""))
                found.append(("/".join(kinds), series_count, values))
            if found:
                result[i] = sorted(found)
        return result
    finally:
        document.close(True)
