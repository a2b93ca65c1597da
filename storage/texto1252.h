// Windows-1252 text, the encoding of every file the program keeps.
#pragma once

#include <QByteArray>
#include <QString>

QByteArray A1252(const QString& texto);
QString De1252(const QByteArray& bytes);
// True when every character of the text has a Windows-1252 byte.
bool Representable1252(QChar c);
