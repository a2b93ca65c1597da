// Path, date and text helpers shared by the storage layer and the window.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// Growable array of strings indexed from 0.
using Tarreglo_de_strings = QStringList;

// Path of the data folder; set once by FileSystemStart and kept for the life of the process.
extern QString carpeta_principal;

// Day names indexed 1 (Sunday) to 7 (Saturday); index 0 is unused.
extern const QString Dia_de_semana[8];

// Prepares the data folder inside the platform's documents folder and sets carpeta_principal.
// Throws ErrorKorval when the folder cannot be created or used.
void FileSystemStart(const QString& CarpetaProyecto);
// A data folder chosen on the command line: FileSystemStart then uses it as it is (it must
// exist) instead of the one in the documents folder.
void FijarCarpetaDatos(const QString& carpeta);
// The same, below a given parent folder (an empty parent gives a relative folder).
void FileSystemStartEn(const QString& padre, const QString& CarpetaProyecto);
// The folder that stands for the shared documents folder; empty when the platform names none.
QString CarpetaDocumentos();
// Why the data folder cannot be found without --carpeta: no home folder (HOME unset, empty, "/"
// or not an existing folder). Empty when there is one. Nothing is ever made in the working
// folder or under "/" in its place.
QString MotivoSinCarpetaPersonal();

QString PathCompleto(const QString& arch);
QString CombinePath(const QString& s1, const QString& s2);
bool estaCarpeta(const QString& archivo);
bool estaArchivo(const QString& archivo);

QString mid(const QString& s, int p, int l);
QString mid(const QString& s, int p);

QString DameDiaDeLaSemana(const QDate& date);
QString DayStamp(const QDate& dia);
QString padearIzqConA(const QString& s, const QString& caracter_de_pad, int t);
void TextoAArreglo(const QString& tex, Tarreglo_de_strings& parr, const QString& delimitador);

// Integer syntax shared by routine marks and rest times: leading spaces, an optional sign, then
// decimal digits or hexadecimal digits after "$", "x", "X", "0x" or "0X". The whole text must
// match and the value must fit in 32 bits. Hexadecimal digits give the 32-bit pattern.
bool LeerEntero32(const QString& texto, qint32& valor);

// Describes a character for a message: the character itself; an invisible one in words
// ("tabulador", "salto de línea", "retorno de carro", "carácter de control 0x1B").
QString DescribirCaracter(QChar c);
