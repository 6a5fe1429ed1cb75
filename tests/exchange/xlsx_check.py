#!/usr/bin/python3
"""The exported workbook as a reader that is not ours sees it.

Imports four employees into a new personnel file with rosterly-data, exports them with
`export --status both --format xlsx`, once as the owner sees them and once masked, and reads each
workbook with openpyxl: every cell's value, type and number format, the frozen and filtered
header, the column widths and the title property, as golden/workbook.txt and
golden/workbook-masked.txt hold them (ROSTERLY_UPDATE_GOLDEN=1 writes them anew).

Every text cell and text column has the Text number format ("@"), every date column its date
format, so that what is typed below the list later is read as the list is.

Then the other way: the exported workbook, one that openpyxl writes from the same rows (its
own styles, empty cells left out, dates as date cells), and the exported workbook saved as an
OpenDocument spreadsheet by LibreOffice (`soffice --headless --convert-to ods`), are imported
into new files, which must export as the first one does but for the time each employee was
created.

rosterly-data runs with the system's minizip in LD_PRELOAD: the program and libxlsxwriter share
that one zip library, so putting it first changes nothing.

Usage: xlsx_check.py ROSTERLY_DATA VERSION_CREATED GOLDEN_FOLDER
"""

import csv
import ctypes.util
import datetime
import difflib
import io
import json
import os
import subprocess
import sys
import tempfile

import openpyxl

DATES = {"DateOfBirth", "DateOfEmployment", "DateOfJobTitle", "InactivationDate"}

# What the import reads: the export's columns less the ones the program fills itself. A guard
# apostrophe is taken off by the import, and the workbook never needs one. Eve's dates lie around
# the 29 February 1900 that Excel counts and the days before 1900 it cannot show.
CSV = (
    "\ufeffFirstName,MiddleName,LastName,Suffix,EmergencyName,EmergencyRelationship,"
    "EmergencyPhone,StreetAddress,CityStateZip,HomePhone,CellPhone,Race,Sex,"
    "SocialSecurityNumber,DateOfBirth,DateOfEmployment,DateOfJobTitle,InactivationDate,"
    "EmployeeNumber,JobTitle,Notepad,Email\r\n"
    "Zo\u00eb,,Bront\u00eb,Jr.,Ann Lee,Sister,+1 217 555 0100,12 Elm St,\"Boston, MA 02134\","
    "'+1 217 555 0101,,W,F,012-34-5678,1980-01-17,2010-06-01,2015-03-02,,00099,'=1+2,"
    "\"Line one\r\nLine two\",zoe@example.com\r\n"
    "Carl,,Adams,,,,,,,,,B,M,,1975-12-31,2001-02-03,,,'-7,Clerk,,\r\n"
    "Eve,,Old,,,,,,,,,W,F,,1899-12-31,1900-03-01,1900-01-01,,,,,\r\n"
    "Dora,,Adams,,,,,,,,,B,F,,1966-07-04,1990-01-02,,2020-01-01,,,,\r\n"
)

D = datetime.datetime


def dump(path, version, imported_from, imported_to):
    """The workbook as openpyxl reads it, a line a property, column and cell: each cell's value,
    type and number format, and whether it is bold. VersionCreated, the version that imported
    the employees, is written <version>; DateCreated, the time of the import, <imported> once it
    lies within it."""
    faults = []
    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[0]
    lines = [f"sheets: {book.sheetnames!r}", f"title: {book.properties.title!r}",
             f"size: {sheet.max_row} rows, {sheet.max_column} columns",
             f"frozen at: {sheet.freeze_panes!r}", f"filter: {sheet.auto_filter.ref!r}"]
    for col in range(1, sheet.max_column + 1):
        letter = openpyxl.utils.get_column_letter(col)
        column = sheet.column_dimensions[letter]
        lines.append(f"column {letter}: width {int(column.width)}, format {column.number_format!r}")
    for row in sheet.iter_rows():
        for cell in row:
            name, value = sheet.cell(1, cell.column).value, cell.value
            text = f"{value!r} ({type(value).__name__})"
            if cell.row > 1 and name == "DateCreated":
                if not isinstance(value, D) or not imported_from <= value <= imported_to:
                    faults.append(f"{path}: {cell.coordinate} {name}: {value!r}, expected the "
                                  f"import's time, {imported_from} to {imported_to}")
                text = "<imported> (datetime)"
            elif cell.row > 1 and name == "VersionCreated" and value == version:
                text = "<version> (int)"
            if value is not None:
                text += f" {cell.number_format!r}"
            lines.append(f"{cell.coordinate}: {text}" + (" bold" if cell.font.b else ""))
    return "".join(line + "\n" for line in lines), faults


def compare_golden(text, golden):
    """`text` against the golden file `golden`, or written as it with ROSTERLY_UPDATE_GOLDEN=1."""
    if os.environ.get("ROSTERLY_UPDATE_GOLDEN") == "1":
        with open(golden, "w", encoding="utf-8", newline="") as f:
            f.write(text)
        return []
    with open(golden, encoding="utf-8", newline="") as f:
        wanted = f.read()
    if text == wanted:
        return []
    diff = difflib.unified_diff(wanted.splitlines(True), text.splitlines(True), "golden", "actual")
    return [f"the workbook differs from {golden} (ROSTERLY_UPDATE_GOLDEN=1 rewrites it):\n" + "".join(diff)]


def run(tool, arguments, env, out=None):
    result = subprocess.run([tool] + arguments, env=env, stdout=out or subprocess.PIPE,
                            stderr=subprocess.PIPE, check=False)
    if result.returncode != 0:
        sys.exit(f"rosterly-data {' '.join(arguments)} failed ({result.returncode}): "
                 f"{result.stderr.decode(errors='replace')}")


def employees_json(tool, env, data):
    """Every employee of `data` as the owner sees them, DateCreated left out."""
    with tempfile.TemporaryFile() as out:
        run(tool, ["export", data, "--status", "both", "--format", "json", "--show-sensitive"], env, out)
        out.seek(0)
        rows = [json.loads(line) for line in out.read().decode("utf-8").splitlines()]
    for row in rows:
        del row["DateCreated"]
    return rows


def openpyxl_workbook(path):
    """The import's rows as a spreadsheet saves them: a bold header, dates as date cells in a
    format of their own, empty cells left out, the guard apostrophes gone."""
    rows = list(csv.reader(io.StringIO(CSV.lstrip("\ufeff"), newline="")))
    book = openpyxl.Workbook()
    sheet = book.active
    for c, name in enumerate(rows[0], 1):
        sheet.cell(1, c, name).font = openpyxl.styles.Font(bold=True)
    for r, row in enumerate(rows[1:], 2):
        for c, (name, text) in enumerate(zip(rows[0], row), 1):
            if not text:
                continue
            if name in DATES and text >= "1900-03-01":
                cell = sheet.cell(r, c, D.strptime(text, "%Y-%m-%d"))
                cell.number_format = "dd mmm yyyy"
            else:
                # Typed as text, as a spreadsheet keeps "=1+2" typed after an apostrophe.
                sheet.cell(r, c, text[1:] if text.startswith("'") else text).data_type = "s"
    book.save(path)


def libreoffice_ods(folder, exported):
    """The exported workbook as LibreOffice saves it as an OpenDocument spreadsheet."""
    profile = "file://" + os.path.join(folder, "libreoffice")
    result = subprocess.run(["soffice", f"-env:UserInstallation={profile}", "--headless",
                             "--convert-to", "ods", "--outdir", folder, exported],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    ods = os.path.splitext(exported)[0] + ".ods"
    if result.returncode != 0 or not os.path.exists(ods):
        sys.exit(f"soffice could not save {exported} as .ods: {result.stderr.decode(errors='replace')}")
    return ods


def imported_back(tool, env, folder, data, exported):
    faults = []
    wanted = employees_json(tool, env, data)
    openpyxl_workbook(os.path.join(folder, "openpyxl.xlsx"))
    ods = libreoffice_ods(folder, exported)
    # LibreOffice reads Excel's days before 1 March 1900 without the 29 February 1900 Excel
    # counts, so Eve's 1 January 1900 (Excel's day 1) is its 31 December 1899.
    wanted_ods = [dict(row, DateOfJobTitle="1899-12-31") if row["DateOfJobTitle"] == "1900-01-01"
                  else row for row in wanted]
    for book in (exported, os.path.join(folder, "openpyxl.xlsx"), ods):
        again = os.path.join(folder, os.path.basename(book) + ".Data")
        run(tool, ["import", book, again], env)
        got = employees_json(tool, env, again)
        if got != (wanted_ods if book == ods else wanted):
            faults.append(f"{os.path.basename(book)} imports as {got}, not {wanted}")
    return faults


def main():
    tool, version, golden = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    with tempfile.TemporaryDirectory() as folder:
        minizip = ctypes.util.find_library("minizip")
        if not minizip:
            sys.exit("the system's libminizip is not installed")
        # A tool built with the address sanitizer wants its runtime loaded first; minizip goes
        # before it, defining none of the calls the sanitizer takes over.
        asan = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(folder, "config"), LD_PRELOAD=minizip,
                   ASAN_OPTIONS=asan)
        data = os.path.join(folder, "Rosterly.Data")
        employees = os.path.join(folder, "employees.csv")
        with open(employees, "w", encoding="utf-8", newline="") as f:
            f.write(CSV)
        imported_from = datetime.datetime.now().replace(microsecond=0)
        run(tool, ["import", employees, data], env)
        # The program keeps the time to the nearest second.
        imported_to = (datetime.datetime.now() + datetime.timedelta(seconds=1)).replace(microsecond=0)
        faults = []
        for masked in (False, True):
            if masked:
                # A user of level 1 under the program's setting of 2.
                os.makedirs(os.path.join(folder, "config", "Rosterly"))
                with open(os.path.join(folder, "config", "Rosterly", "Rosterly.ini"), "w") as f:
                    f.write("[Defaults]\nSensitiveFieldsLevel=2\n")
            book = os.path.join(folder, "masked.xlsx" if masked else "shown.xlsx")
            with open(book, "wb") as out:
                run(tool, ["export", data, "--status", "both", "--format", "xlsx"], env, out)
            text, dump_faults = dump(book, version, imported_from, imported_to)
            faults += dump_faults + compare_golden(
                text, os.path.join(golden, "workbook-masked.txt" if masked else "workbook.txt"))
        faults += imported_back(tool, env, folder, data, os.path.join(folder, "shown.xlsx"))
    for fault in faults:
        print(fault)
    if faults:
        sys.exit(f"{len(faults)} cells or properties differ")
    print("both workbooks read as expected")


if __name__ == "__main__":
    main()
