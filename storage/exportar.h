// A user's routines as CSV, for spreadsheets and other programs.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <iterator>

struct TSerieContada;

// The columns of both exports, in order.
inline constexpr const char* kColumnasHistorial[] = {
    "fecha",         "usuario", "ejercicio", "series", "repes",       "serie",
    "peso",          "texto",   "marca",     "fila",   "repes_serie", "rpe",
    "calentamiento", "unidad",  "kg",        "color",  "relleno"};
inline constexpr int kNumeroColumnasHistorial = int(std::size(kColumnasHistorial));

// One line of a user's history as the exports write it: a weight cell of a row, a row with no
// weight cell written (a marked empty row among them), or a working set filled in.
struct TLineaHistorial {
    QDate dia;
    const QStringList* celdas = nullptr; // the row's eleven cells
    int fila = 0;                        // 1 to 100
    qint32 marca = 0;
    bool primera = false;                   // the row's first line
    int serie = 0;                          // the weight cell, 1 to 8; 0 for none
    const QString* texto = nullptr;         // that cell's text; null for none
    const TSerieContada* contada = nullptr; // the set as the figures count it; null for text
    bool relleno = false;                   // a working set filled in, not written
};
// Every line of the history of `usuario`, in date and row order, handed to `linea` (whose
// pointers hold only during the call). Files that cannot be read are left out and named in
// `fallidos`.
void RecorrerHistorial(const QString& carpeta, const QString& usuario, QStringList* fallidos,
                       const std::function<void(const TLineaHistorial&)>& linea);

// Every routine of `usuario` as CSV: a header, then one line per non-empty weight cell of each
// non-empty row (one line with empty set, weight and text for a row without any), in date and
// row order; UTF-8 with a byte-order mark, CR LF, fields quoted where they must be. Files that
// cannot be read are left out and named in `fallidos`.
QByteArray CsvDeUsuario(const QString& carpeta, const QString& usuario, QStringList* fallidos);

// A text field of the CSV as it was typed: the one "'" the export puts before a text a
// spreadsheet would run as a formula taken off ("'=x" is "=x", "''=x" is "'=x"); any other text,
// "'hola" among them, as it stands.
QString TextoSinDefensa(const QString& texto);

// Why the CSV may not be written at `destino`, or empty when it may: inside the data folder
// `carpeta` (directly or through a symbolic link) it could replace a routine or the user list.
QString MotivoDestinoCsv(const QString& carpeta, const QString& destino);

// The export as the menu and the command line make it: the target checked (MotivoDestinoCsv),
// the CSV of `usuario` written with the atomic save. Throws ErrorKorval with the message for the
// user when the target is refused or cannot be written; routines that could not be read are
// named in `fallidos` and left out.
void ExportarCsv(const QString& carpeta, const QString& usuario, const QString& destino,
                 QStringList* fallidos);
