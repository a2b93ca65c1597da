// A user's routines as CSV, for spreadsheets and other programs.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QMap>
#include <QString>
#include <QStringList>

// Every routine of `usuario` as CSV: a header, then one line per non-empty weight cell of each
// non-empty row (one line with empty set, weight and text for a row without any), in date and
// row order; UTF-8 with a byte-order mark, CR LF, fields quoted where they must be. Files that
// cannot be read are left out and named in `fallidos`.
QByteArray CsvDeUsuario(const QString& carpeta, const QString& usuario, QStringList* fallidos);

// Why the CSV may not be written at `destino`, or empty when it may: inside the data folder
// `carpeta` (directly or through a symbolic link) it could replace a routine or the user list.
QString MotivoDestinoCsv(const QString& carpeta, const QString& destino);

// The export as the menu and the command line make it: the target checked (MotivoDestinoCsv),
// the CSV of `usuario` written with the atomic save. Throws ErrorKorval with the message for the
// user when the target is refused or cannot be written; routines that could not be read are
// named in `fallidos` and left out.
void ExportarCsv(const QString& carpeta, const QString& usuario, const QString& destino,
                 QStringList* fallidos);
