// Windows-1252 text, the encoding of every file the program keeps.
#pragma once

#include <QByteArray>
#include <QString>

QByteArray A1252(const QString& texto);
// Appends the text's Windows-1252 bytes.
void Agregar1252(QByteArray& destino, const QString& texto);
// Writes them at `d`, which has room for one byte a character; returns the end.
char* Escribir1252(char* d, const QString& texto);
QString De1252(QByteArrayView bytes);
// True when every character of the text has a Windows-1252 byte.
bool Representable1252(QChar c);

// A line or file as a text editor may have saved it: a leading UTF-8 byte-order mark is
// skipped, valid UTF-8 with multi-byte sequences is read as UTF-8, anything else as
// Windows-1252 (which every byte is).
bool EsUtf8(const QByteArray& bytes);
QByteArray SinMarcaUtf8(const QByteArray& bytes);
QString DecodificarTexto(QByteArrayView bytes, bool utf8);
