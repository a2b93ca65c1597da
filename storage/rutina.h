// One routine as the program holds it: its cells and marks, and which file it is.
#pragma once

#include "storage/rutina_archivo.h"

#include <QDate>
#include <QDateTime>
#include <QString>

struct TRutina {
    QString usuario;
    QDate dia;
    QString ruta; // the resolved file; empty when the routine belongs to no file
    TTabla A;     // rows of cell texts
    TMarcas C;    // one colour mark per row
    // The file held more than the sheet shows (or could not be read): a copy goes to
    // "respaldos" before the first save replaces it.
    bool respaldar = false;

    // An empty routine of the given size.
    static TRutina Vacia(int filas, int columnas);
    int filas() const { return int(A.size()); }
    int columnas() const { return A.isEmpty() ? 0 : int(A.first().size()); }
};

// Loads the routine at `ruta` into `r` (which keeps its user and day). No file gives an empty
// routine. When the file cannot be read or holds text the sheet cannot show, `r` is marked to be
// copied before its first save; read errors are thrown after `r` is left usable.
void CargarRutina(TRutina& r, const QString& ruta);

// Saves the whole routine into its file, keeping a copy in the data folder's "respaldos" first
// when it is marked so. Throws ErrorKorval when the routine belongs to no file or the save fails.
void GuardarRutina(TRutina& r, const QString& carpetaDatos, const QDateTime& momento);
