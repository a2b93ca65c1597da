// A user's history as a spreadsheet workbook (.xlsx): the CSV's columns with typed cells.
#pragma once

#include <QString>
#include <QStringList>

// The rows a sheet holds, its header included; the history goes on in another sheet past it.
inline constexpr int kFilasPorHoja = 1048576;

// Writes every routine of `usuario` as a workbook at `destino`: dates as dates, numbers as
// numbers, text as text (never a formula), the header row kept in view, the columns as wide as
// their contents. The target is checked as the CSV's is (never inside the data folder) and
// replaced whole or not at all. Throws ErrorKorval with the message for the user; routines that
// could not be read are named in `fallidos` and left out. `filasPorHoja` is for tests.
void ExportarLibro(const QString& carpeta, const QString& usuario, const QString& destino,
                   QStringList* fallidos, int filasPorHoja = kFilasPorHoja);

// The export the target's suffix asks for: ".xlsx" a workbook, ".csv" the CSV (either case).
// Anything else is refused with MotivoFormatoExportacion's message.
enum class TFormatoExportacion { Ninguno, Libro, Csv };
TFormatoExportacion FormatoDeExportacion(const QString& destino);
QString MotivoFormatoExportacion(const QString& destino);
