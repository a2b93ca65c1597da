// One routine as the program holds it: its cells and marks, which file it is and the version of
// that file it was read from or written as; the changes made to it and how a change is carried
// onto the file as it is on disk now.
#pragma once

#include "storage/archivo_es.h"
#include "storage/rutina_archivo.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

struct TRutina {
    QString usuario;
    QDate dia;
    QString ruta; // the resolved file; empty when the routine belongs to no file
    TTabla A;     // rows of cell texts
    TMarcas C;    // one colour mark per row
    // The file held more than the sheet shows (or could not be read): a copy goes to
    // "respaldos" before the first save replaces it.
    bool respaldar = false;
    // The version on disk these cells and marks are: what another program changed since is told
    // apart from what this one changes.
    TIdentidad identidad;

    // An empty routine of the given size.
    static TRutina Vacia(int filas, int columnas);
    int filas() const { return int(A.size()); }
    int columnas() const { return A.isEmpty() ? 0 : int(A.first().size()); }
};
using PRutina = std::shared_ptr<const TRutina>;

// A text for one cell.
struct TCeldaNueva {
    int fila = -1;
    int columna = -1;
    QString texto;
};

// One change, told by what it replaces: each row it touches as it was and as it becomes. So it
// can be carried onto another version of the file, where another program may have moved that
// row, and turned back for undo.
struct TCambio {
    enum Tipo { Celdas, Marca, Intercambio, Todo };
    struct TFila {
        int fila = -1;
        QStringList antes, despues;
    };
    Tipo tipo = Todo;
    // Celdas: each row touched. Intercambio: the two rows, each with the other's cells after.
    QList<TFila> filas;
    TTabla base;        // Celdas, Intercambio: every row as the change found them
    int filaMarca = -1; // Marca: the row position; a mark belongs to its position
    qint32 marcaAntes = 0, marcaDespues = 0;
    TTabla antesA, despuesA; // Todo: the whole routine
    TMarcas antesC, despuesC;

    // Built on the routine `r` as it is now. They throw ErrorKorval for a row or cell outside it.
    static TCambio DeCeldas(const TRutina& r, const QList<TCeldaNueva>& celdas);
    static TCambio DeMarca(const TRutina& r, int fila, qint32 marca);
    static TCambio DeIntercambio(const TRutina& r, int f1, int f2);
    static TCambio DeTodo(const TRutina& r, const TTabla& A, const TMarcas& C);

    // The change that undoes this one.
    TCambio Inverso() const;
    // True when it changes nothing (Enter on unchanged text, the same swatch twice).
    bool Nulo() const;
};

// Carries `c` onto `d`, a version of the routine it was made on:
// - a row still at its position (the same content, or the same exercise with other cells
//   edited) takes the change there, cell by cell;
// - a row that another program moved takes it at the nearest position that holds the row's
//   content unchanged; empty rows are never followed;
// - a row whose position now holds another of the routine's exercises, or nothing, and that is
//   found unchanged nowhere, was moved and edited or deleted: the change has no place;
// - a row whose exercise was renamed in place (to a name no other row had) is still there;
// - marks stay with their position.
// Returns false, leaving `d` as it was, when a row is found nowhere (moved and edited, or gone);
// `perdido` then receives that row's exercise. `choque` is set when `d` had changed one of the
// same places to something else.
bool AplicarCambio(TRutina& d, const TCambio& c, bool* choque = nullptr,
                   QString* perdido = nullptr);

// Where the row that held `antes` at position `f` of `base` is in `A` now, as AplicarCambio
// follows rows; -1 when nowhere. Positions in `usadas` are taken already.
int DondeEstaFila(const TTabla& A, const TTabla& base, const QStringList& antes, int f,
                  const QSet<int>& usadas = {});
// True when every cell of the row is empty.
bool FilaVacia(const QStringList& fila);

// Loads the routine at `ruta` into `r` (which keeps its user and day). No file gives an empty
// routine. When the file cannot be read or holds text the sheet cannot show, `r` is marked to be
// copied before its first save; read errors are thrown after `r` is left usable.
void CargarRutina(TRutina& r, const QString& ruta);

// How a save went.
struct TGuardado {
    TRutina rutina; // as written; when the change was lost, as on disk
    bool guardado = false;
    bool fusionado = false;   // another program had changed the file: `rutina` is the merge
    QString copia;            // where the disk version went when both sides changed one place
    QString perdido;          // the exercise whose row the change could not follow (not saved)
    QString errorTrasGuardar; // written, but the folder could not be flushed: to be reported
};

// Saves `cambio`, made on `r`, under the data folder's lock, and gives the routine now on disk;
// `r` itself never changes:
// - the file is the version `r` is (or is gone): the change is applied to `r` and written;
// - another program changed it: the file is read again, the change is carried onto it as
//   AplicarCambio tells, and that is written. Where both sides changed the same cell or mark
//   this change wins and the disk version is first copied to "respaldos". A change that finds
//   its row nowhere writes nothing (guardado false, perdido set);
// - the file on disk cannot be read: the save is refused with the reader's message.
// Throws ErrorKorval when the routine belongs to no file or the save fails; nothing is written.
// The folder's lock is waited for at most `esperaMs` (see TCerrojo).
TGuardado GuardarCambio(const TRutina& r, const TCambio& cambio, const QString& carpetaDatos,
                        const QDateTime& momento, int esperaMs = kEsperaCerrojoFueraMs);

// A copied text less one line end at its end (CR LF, LF or CR), as copying a cell or a line
// from another program leaves it.
QString SinFinDeLineaFinal(QString texto);

// A pasted text as rows of cells: CR LF, LF or CR end a row, one trailing line end is dropped,
// a tab separates cells.
QList<QStringList> FilasDePegado(const QString& texto);
