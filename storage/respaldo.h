// Copies kept before a routine file is replaced, and the routine as plain text for sharing.
#pragma once

#include "storage/rutina_archivo.h"

#include <QDate>
#include <QDateTime>
#include <QString>

inline const QString kCarpetaRespaldos = QStringLiteral("respaldos");

// The folder "respaldos" of a data folder, made when missing; throws ErrorKorval when it cannot
// be made or is a link (copies never leave the data folder).
QString CarpetaDeRespaldos(const QString& carpetaDatos);

// When the file exists, copies it byte for byte into the folder "respaldos" beside it, named
// after it with the moment added before ".kvr". Returns the copy's path, or empty when there
// was nothing to copy. Throws ErrorKorval when the copy cannot be made.
QString RespaldarArchivo(const QString& carpetaDatos, const QString& ruta,
                         const QDateTime& momento);

// A readable summary: "<weekday> <yyyy-mm-dd> para <user>", then one line per row with text.
QString ResumenRutina(const QDate& dia, const QString& usuario, const TTabla& A);
