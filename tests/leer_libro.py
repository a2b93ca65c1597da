#!/usr/bin/python3
"""Prints a workbook as JSON, read by openpyxl, a reader that shares no code with ours.

For every sheet: its name, the cell the panes are frozen at, and each row as a list of
[type, value] pairs: "d" a date (as YYYY-MM-DD), "n" a number, "s" a string, "f" a formula,
null for an empty cell; and the widths given to the columns.
"""
import json
import sys

import openpyxl

libro = openpyxl.load_workbook(sys.argv[1])
hojas = []
for hoja in libro.worksheets:
    filas = []
    for fila in hoja.iter_rows():
        celdas = []
        for c in fila:
            if c.value is None:
                celdas.append(None)
            elif c.is_date:
                celdas.append(["d", c.value.date().isoformat()])
            elif c.data_type == "f":
                celdas.append(["f", str(c.value)])
            elif c.data_type == "n":
                celdas.append(["n", c.value])
            else:
                celdas.append(["s", c.value])
        filas.append(celdas)
    anchos = {k: v.width for k, v in hoja.column_dimensions.items() if v.width}
    hojas.append({"nombre": hoja.title, "fijo": hoja.freeze_panes, "filas": filas,
                  "anchos": anchos})
json.dump(hojas, sys.stdout)
