// Whole-file reading, atomic replacement and appending, with errors named by their codes.
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Longest path the program opens; longer ones fail with "Invalid filename" untouched.
inline constexpr int kLargoMaximoRuta = 259;

// Every byte of the file, up to a byte 26 (the end-of-file mark) if there is one.
QByteArray LeerArchivoEntero(const QString& ruta);

// Replaces the file with the content, or leaves the old file exactly as it was: the content goes
// to a temporary file in the same folder, is flushed to disk and renamed over the old file.
void ReemplazarArchivo(const QString& ruta, const QByteArray& contenido);

// Appends one line (CR LF added) after the file's text, creating the file when it is missing.
// A file whose text does not end in a line end gets CR LF first, so no earlier line changes.
void AnexarLinea(const QString& ruta, const QByteArray& linea);

// The write call below the writers; tests replace it to fail at chosen points.
using FuncionEscribir = ssize_t (*)(int fd, const void* datos, size_t cantidad);
void FijarFuncionEscribir(FuncionEscribir f); // nullptr restores the system call
