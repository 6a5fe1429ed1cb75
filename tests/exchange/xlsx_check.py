#!/usr/bin/python3
"""The exported workbook as a reader that is not ours sees it.

Imports four employees into a new personnel file with rosterly-data, exports them with
`export --status both --format xlsx`, once as the owner sees them and once masked, and reads each
workbook with openpyxl: every cell's value and type, the date formats, the frozen and filtered
header, the column widths and the title property.

Every text cell and text column has the Text number format ("@"), every date column its date
format, so that what is typed below the list later is read as the list is.

Then the other way: the exported workbook, one that openpyxl writes from the same rows (its
own styles, empty cells left out, dates as date cells), and the exported workbook saved as an
OpenDocument spreadsheet by LibreOffice (`soffice --headless --convert-to ods`), are imported
into new files, which must export as the first one does but for the time each employee was
created.

rosterly-data runs with the system's minizip in LD_PRELOAD: the program and libxlsxwriter share
that one zip library, so putting it first changes nothing.

Usage: xlsx_check.py ROSTERLY_DATA VERSION_CREATED
"""

import csv
import ctypes.util
import datetime
import io
import json
import os
import subprocess
import sys
import tempfile

import openpyxl

HEADER = [
    "DateCreated", "DateModified", "FirstName", "MiddleName", "LastName", "Suffix",
    "EmergencyName", "EmergencyRelationship", "EmergencyPhone", "StreetAddress", "CityStateZip",
    "HomePhone", "CellPhone", "Race", "Sex", "SocialSecurityNumber", "DateOfBirth",
    "DateOfEmployment", "DateOfJobTitle", "InactivationDate", "EmployeeNumber", "JobTitle",
    "Notepad", "Email", "VersionCreated",
]
DATES = {"DateOfBirth", "DateOfEmployment", "DateOfJobTitle", "InactivationDate"}
DATE_TIMES = {"DateCreated", "DateModified"}
NUMBERS = {"VersionCreated"}


def column_format(name):
    if name in DATE_TIMES:
        return "mm/dd/yyyy hh:mm:ss"
    if name in DATES:
        return "mm/dd/yyyy"
    return "General" if name in NUMBERS else "@"

# What the import reads: the export's columns less the ones the program fills itself. A guard
# apostrophe is taken off by the import, and the workbook never needs one.
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


def expected_rows(masked, version):
    """The four employees in the list's order (current ones by name, then previous ones), each
    column's value as openpyxl reads it; DateCreated is left out (the time of the import)."""
    blank = {name: None for name in HEADER}
    carl = dict(blank, FirstName="Carl", LastName="Adams", Race="B", Sex="M",
                DateOfBirth="****-12-31" if masked else D(1975, 12, 31),
                DateOfEmployment=D(2001, 2, 3), EmployeeNumber="-7", JobTitle="Clerk",
                VersionCreated=version)
    zoe = dict(blank, FirstName="Zo\u00eb", LastName="Bront\u00eb", Suffix="Jr.",
               EmergencyName="Ann Lee", EmergencyRelationship="Sister",
               EmergencyPhone="+1 217 555 0100", StreetAddress="12 Elm St",
               CityStateZip="Boston, MA 02134", HomePhone="+1 217 555 0101", Race="W", Sex="F",
               SocialSecurityNumber="***-**-5678" if masked else "012-34-5678",
               DateOfBirth="****-01-17" if masked else D(1980, 1, 17),
               DateOfEmployment=D(2010, 6, 1), DateOfJobTitle=D(2015, 3, 2),
               EmployeeNumber="00099", JobTitle="=1+2", Notepad="Line one\nLine two",
               Email="zoe@example.com", VersionCreated=version)
    # Around the 29 February 1900 that Excel counts and the days before 1900 it cannot show.
    eve = dict(blank, FirstName="Eve", LastName="Old", Race="W", Sex="F",
               DateOfBirth="****-12-31" if masked else "1899-12-31",
               DateOfEmployment=D(1900, 3, 1), DateOfJobTitle=D(1900, 1, 1),
               VersionCreated=version)
    dora = dict(blank, FirstName="Dora", LastName="Adams", Race="B", Sex="F",
                DateOfBirth="****-07-04" if masked else D(1966, 7, 4),
                DateOfEmployment=D(1990, 1, 2), InactivationDate=D(2020, 1, 1),
                VersionCreated=version)
    return [carl, zoe, eve, dora]


def shown_width(name, value):
    if value is None:
        return 0
    if isinstance(value, D):
        return 19 if name in DATE_TIMES else 10
    return max(len(line) for line in str(value).split("\n"))


def check(path, masked, version, imported_from, imported_to):
    faults = []

    def expect(what, got, wanted):
        if got != wanted or type(got) is not type(wanted):
            faults.append(f"{path}: {what}: {got!r} ({type(got).__name__}), "
                          f"expected {wanted!r} ({type(wanted).__name__})")

    book = openpyxl.load_workbook(path)
    expect("sheets", book.sheetnames, ["Employees"])
    expect("title", book.properties.title, "Current Employees; Previous Employees")
    sheet = book["Employees"]
    rows = expected_rows(masked, version)
    expect("rows", sheet.max_row, 1 + len(rows))
    expect("columns", sheet.max_column, len(HEADER))
    expect("frozen at", sheet.freeze_panes, "A2")
    expect("filter", sheet.auto_filter.ref, "A1:Y5")
    for col, name in enumerate(HEADER, 1):
        cell = sheet.cell(1, col)
        expect(f"{cell.coordinate} header", cell.value, name)
        expect(f"{cell.coordinate} bold", cell.font.b, True)
    for r, row in enumerate(rows, 2):
        for col, name in enumerate(HEADER, 1):
            cell = sheet.cell(r, col)
            if name == "DateCreated":
                created = cell.value
                if not isinstance(created, D) or not imported_from <= created <= imported_to:
                    faults.append(f"{path}: {cell.coordinate} {name}: {created!r}, expected the "
                                  f"import's time, {imported_from} to {imported_to}")
                row[name] = created
            else:
                expect(f"{cell.coordinate} {name}", cell.value, row[name])
            if isinstance(row[name], D) or (isinstance(row[name], str) and name not in DATES):
                expect(f"{cell.coordinate} {name} format", cell.number_format, column_format(name))
    for col, name in enumerate(HEADER, 1):
        letter = openpyxl.utils.get_column_letter(col)
        expect(f"format of {letter} ({name})", sheet.column_dimensions[letter].number_format,
               column_format(name))
    # Each column as wide as its longest line, the header with room for its filter button, at
    # most 50 characters (openpyxl adds the padding libxlsxwriter writes).
    for col, name in enumerate(HEADER, 1):
        wanted = min(50, 1 + max([len(name) + 3] + [shown_width(name, row[name]) for row in rows]))
        letter = openpyxl.utils.get_column_letter(col)
        expect(f"width of {letter} ({name})", int(sheet.column_dimensions[letter].width), wanted)
    return faults


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
    tool, version = sys.argv[1], int(sys.argv[2])
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
            faults += check(book, masked, version, imported_from, imported_to)
        faults += imported_back(tool, env, folder, data, os.path.join(folder, "shown.xlsx"))
    for fault in faults:
        print(fault)
    if faults:
        sys.exit(f"{len(faults)} cells or properties differ")
    print("both workbooks read as expected")


if __name__ == "__main__":
    main()
