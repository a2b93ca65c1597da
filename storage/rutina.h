// One routine as the program holds it: its cells and marks, which file it is, and the version of
// that file it was loaded from.
#pragma once

#include "storage/archivo_es.h"
#include "storage/rutina_archivo.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

struct TRutina {
    QString usuario;
    QDate dia;
    QString ruta; // the resolved file; empty when the routine belongs to no file
    TTabla A;     // rows of cell texts
    TMarcas C;    // one colour mark per row
    // The file held more than the sheet shows (or could not be read): a copy goes to
    // "respaldos" before the first save replaces it.
    bool respaldar = false;
    // The version on disk the sheet last read or wrote, and its cells and marks: what another
    // program changed since is told apart from what this one changed.
    TIdentidad identidad;
    TTabla baseA;
    TMarcas baseC;

    // An empty routine of the given size.
    static TRutina Vacia(int filas, int columnas);
    int filas() const { return int(A.size()); }
    int columnas() const { return A.isEmpty() ? 0 : int(A.first().size()); }
};

// What one save changes: only this is carried onto the file as it is on disk now.
struct TCambio {
    enum Tipo { Celdas, Marca, Intercambio, Todo };
    Tipo tipo = Todo;
    int fila = -1; // the row marked, or exchanged with `otraFila`
    int otraFila = -1;
    QList<std::pair<int, int>> celdas = {}; // (row, column) of each cell written

    static TCambio Celda(int fila, int columna) { return {Celdas, -1, -1, {{fila, columna}}}; }
    static TCambio Bloque(QList<std::pair<int, int>> celdas) {
        return {Celdas, -1, -1, std::move(celdas)};
    }
    static TCambio MarcaDe(int fila) { return {Marca, fila, -1, {}}; }
    static TCambio Filas(int f1, int f2) { return {Intercambio, f1, f2, {}}; }
    static TCambio Entera() { return {}; }
};

// A copied text less one line end at its end (CR LF, LF or CR), as copying a cell or a line
// from another program leaves it.
QString SinFinDeLineaFinal(QString texto);

// A pasted text as rows of cells: CR LF, LF or CR end a row, one trailing line end is dropped,
// a tab separates cells.
QList<QStringList> FilasDePegado(const QString& texto);

// How a save went.
struct TResultadoGuardado {
    bool fusionado = false; // the file had changed: the routine now holds the merged version
    QString copia;          // where the disk version went when both sides changed one place
};

// Loads the routine at `ruta` into `r` (which keeps its user and day). No file gives an empty
// routine. When the file cannot be read or holds text the sheet cannot show, `r` is marked to be
// copied before its first save; read errors are thrown after `r` is left usable.
void CargarRutina(TRutina& r, const QString& ruta);

// Saves `cambio`, already made in `r`, into r's file under the data folder's lock:
// - the file is the version `r` came from (or is gone): `r` is written whole;
// - another program changed it: the file is read again, the change is applied onto it, and that
//   is written and becomes `r`. Where both sides changed the same cell or mark this change wins
//   and the disk version is first copied to "respaldos";
// - the file on disk cannot be read: the save is refused with the reader's message.
// Throws ErrorKorval when the routine belongs to no file or the save fails.
TResultadoGuardado GuardarRutina(TRutina& r, const TCambio& cambio, const QString& carpetaDatos,
                                 const QDateTime& momento);
