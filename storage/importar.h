// A lifter's history brought in from another workout logger's CSV export (one line per set), or
// from KORVAL's own: read into workouts of routine rows, planned against the routines already in
// the data folder, and written day by day.
#pragma once

#include "storage/rutina.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

enum class TFormatoHistorial { Auto, Strong, Hevy, FitNotes, Korval };

// The format's name as the summary and the command line say it ("strong", …); Auto for a name
// that is none.
QString NombreDeFormato(TFormatoHistorial formato);
TFormatoHistorial FormatoDeNombre(const QString& nombre, bool* valido);

// One set as another logger stores it, to be written in a weight cell.
struct TSerieImportada {
    double carga = 0; // in `libras` or kg; 0 is body weight, negative assisted
    bool libras = false;
    double rpe = 0; // 0: none
    bool calentamiento = false;
    int repes = 0;
};

// The weight cell of a set, in the spelling the sheet's reader takes back as the same set:
// "62,5", "135lb", "100@8", "(60)", "PC", "PC+5" never (a positive load is a load), "PC-20".
// The load is rounded to 0.01.
QString CeldaDeSerie(const TSerieImportada& serie);

// A cell of a workout row: a set, or a text that is no set ("5 km 25:00").
struct TCeldaImportada {
    QString texto;
    bool esSerie = false;
    bool calentamiento = false;
    int repes = 0;
};

// The rows of one exercise of a workout: at most eight cells a row, the rest on rows of the same
// exercise after it; "Series" the working sets of the row, "Repes" the reps of its sets in cell
// order (one number when all are equal).
QList<QStringList> FilasDeEjercicio(const QString& ejercicio, const QList<TCeldaImportada>& celdas);

// A routine row to add, with its mark; `fila` (0-99) places it in a day with no routine (from
// KORVAL's own CSV), -1 leaves it to go after the day's last row.
struct TFilaImportada {
    QStringList celdas; // 11
    qint32 marca = 0;
    int fila = -1;
};

// One workout: its rows in order.
struct TEntrenoImportado {
    QDate dia;
    QList<TFilaImportada> filas;
};

// A whole file read.
struct TLecturaHistorial {
    TFormatoHistorial formato = TFormatoHistorial::Auto;
    QList<TEntrenoImportado> entrenos; // by day, the workouts of one day in time order
    QStringList saltadas;              // "línea 12: …", a line each, in line order
    QStringList omitidos;              // what was read but left out of a set (an RPE), by line
    int series = 0;                    // sets read
    int notas = 0;                     // lines with notes, which are not imported
};

// Reads a CSV export (UTF-8, a byte-order mark allowed; "," or ";" between fields). `formato`
// Auto recognises it from the header; `libras` is the unit where the file gives none. Throws
// ErrorKorval when the header is none of the formats, naming the columns looked for.
TLecturaHistorial LeerHistorial(const QByteArray& csv, TFormatoHistorial formato, bool libras);

// What the import will do to one day.
struct TPlanDia {
    QDate dia;
    QString ruta;        // the routine file
    bool existe = false; // the day has a routine already
    bool cambia = false; // something is added
    bool noCabe = false; // the rows do not fit after the day's last row: left as it is
    QString error;       // the day's routine could not be read: left as it is
    int repetidos = 0;   // workouts whose rows are all there already
    int filasNuevas = 0;
    QList<QList<TFilaImportada>> entrenos; // the day's workouts, in time order
};

// What a day's workouts add to the routine `A` and `C` as it is: their rows after its last
// non-empty or marked row (KORVAL's own rows at their places in an empty day), a workout whose
// rows are all there already (a multiset on their exact text) left out. `A` and `C` change only
// when `cambia`; with `noCabe` the rows do not fit and nothing changes.
struct TAnadido {
    bool cambia = false;
    bool noCabe = false;
    int repetidos = 0;
    int filasNuevas = 0;
};
TAnadido AnadirEntrenos(TTabla& A, TMarcas& C, const QList<QList<TFilaImportada>>& entrenos);

struct TPlanImportacion {
    TLecturaHistorial lectura;
    QList<TPlanDia> dias;
    int ejercicios = 0; // different exercise names
};

// Plans the import of `lectura` into the routines of `usuario` in `carpeta`, reading them.
TPlanImportacion PlanearImportacion(TLecturaHistorial lectura, const QString& carpeta,
                                    const QString& usuario);

// The summary of a plan, as the preview and --prueba show it; `hechos` and `fallidos` (day and
// reason), when given, after the import.
QString ResumenImportacion(const TPlanImportacion& plan, const QList<QDate>* hechos = nullptr,
                           const QStringList* fallidos = nullptr);

// Writes one planned day, its workouts added (AnadirEntrenos) to the routine as it is on disk
// now, with the routine save (atomic, under the folder's lock, merged onto the disk version),
// its previous version copied to "respaldos" first; a day with nothing left to add is not
// written. Throws ErrorKorval when the save is refused or the rows no longer fit; the file is
// then as it was.
void ImportarDia(const TPlanDia& dia, const QString& carpeta, const QString& usuario,
                 const QDateTime& momento, int esperaMs = kEsperaCerrojoFueraMs);
