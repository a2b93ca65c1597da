// The routine file: one line per row, the row's cell texts each followed by "|", one more "|",
// then the row's colour mark in decimal.
#pragma once

#include "storage/archivo_es.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

using TTabla = QList<QStringList>; // rows of cell texts
using TMarcas = QList<qint32>;     // one colour mark per row; 0 is none

// Lines as every text file of the program is read: a line ends at its first CR or LF and the
// reader goes on after the next LF. At most `maximo` lines when it is not negative.
// `resto`, when given, receives where reading stopped.
QList<QByteArray> SepararLineas(const QByteArray& bytes, qsizetype maximo = -1,
                                qsizetype* resto = nullptr);
// The same lines as views into `bytes`, which must outlive them.
QList<QByteArrayView> VistasDeLineas(QByteArrayView bytes, qsizetype maximo = -1,
                                     qsizetype* resto = nullptr);

QByteArray FormatearRutina(const TTabla& A, const TMarcas& C, int filas, int columnas);

// Fills A and C from the file's bytes. Rows the file does not fill are empty with mark 0. A mark
// that is not an integer gives 0; the first such one is thrown as ErrorConversion once every row
// has been read.
// Returns false when the bytes hold text past the rows, which a save would drop.
bool LeerRutina(const QByteArray& bytes, TTabla& A, TMarcas& C, int filas, int columnas);

// Larger files are not routines (100 short lines); they are refused rather than shown.
inline constexpr qint64 kTamMaximoRutina = 1 << 20;

// The bytes of a routine file: a regular file of at most kTamMaximoRutina bytes, up to an
// end-of-file mark; `identidad` receives the version read. Throws ErrorKorval otherwise.
QByteArray LeerBytesDeRutina(const QString& ruta, TIdentidad* identidad = nullptr);

// The rows of a routine file as the history and the export read them: the sheet's reader of a
// 100 x 11 routine, where a mark that is not a number reads 0 (the rows are there). Throws
// ErrorKorval when the file cannot be read.
void LeerFilasDeRutina(const QString& ruta, TTabla& A, TMarcas& C, TIdentidad* identidad = nullptr);

// Loads a routine's cells and marks from a resolved path; no file gives an empty table and
// creates nothing. When
// the file cannot be read the table is left empty before the error is thrown.
// Returns false when the file holds text past its rows, which a save would drop.
// `identidad`, when given, receives the identity of the version read (existe false: no file).
bool CargarTabla(const QString& ruta, TTabla& A, TMarcas& C, int filas, int columnas,
                 TIdentidad* identidad = nullptr);

// Writes a table atomically (the old file stays whole when the write fails) without the data
// folder's lock and without looking at what is on disk: for files no other program shares, such
// as fixtures. The routine shown is saved with GuardarCambio.
void EscribirTablaSinCerrojo(const QString& ruta, const TTabla& A, const TMarcas& C, int filas,
                             int columnas);

// The routine files of one user in a data folder ("<yyyymmdd><user>.kvr"), by day.
QMap<QDate, QString> RutinasDeUsuario(const QString& carpeta, const QString& usuario);

// How many routine loads have run in this process (read by tests that check load order).
int ContadorCargas();

// The longest text a cell takes when typed or pasted.
inline constexpr int kLargoMaximoCelda = 255;

// Why a cell text cannot be stored (it would not read back the same, or is too long); empty when
// it can.
QString MotivoTextoInvalido(const QString& texto);
