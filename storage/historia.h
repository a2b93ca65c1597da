// What a user lifted before: every routine file of the user, indexed by exercise and day, for
// "the last time" and "the best" of the exercise on the selected row.
#pragma once

#include "storage/archivo_es.h"
#include "storage/rutina_archivo.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// One row of an exercise on one day, as written in its cells.
struct TFilaHistoria {
    QString nombre; // the exercise as written
    QString series;
    QString repes;
    QStringList pesos; // the weight cells that are not empty, in order
    qint32 marca = 0;
    double maximo = -1; // the heaviest working load in kg, -1 when no working set has a load
    // Body-weight working sets: the heaviest load added (NaN: none added) and the most reps.
    double cargaPC = qQNaN();
    int repesPC = 0;
    bool hayPC = false;
    int enLibras = 0, enKilos = 0; // sets written in each unit
};

// An exercise name as the history matches it: trimmed, without case and without accents.
QString PlegarNombre(const QString& nombre);

// A weight cell read as a number: a decimal comma or point, an optional "kg"; "max", "90s" or
// "BW" are not weights.
bool LeerPeso(const QString& texto, double& peso);
// The same reading, the number given as plain decimal text with a point ("82.5" for "082,50 kg").
bool NumeroDePeso(QStringView texto, QString* numero);

// A row's sets as the history line lists them: "100×5, 100×5, 95×6 @9", warm-ups in
// parentheses, pounds as "135lb", body weight as "PC+5×8", text cells as written, and
// " (5 series)" when "Series" counts more working sets than are written. A row with no set in it
// reads as before: "3 x 8 · BW / max".
QString SeriesEnLinea(const TFilaHistoria& fila);

class THistoria {
  public:
    // Replaces what the history knows of one day with that day's routine, read from (or saved
    // as) the file version `identidad`.
    void PonerDia(const QDate& dia, const TTabla& A, const TMarcas& C,
                  const TIdentidad& identidad = {});
    void QuitarDia(const QDate& dia);
    int Dias() const { return int(identidades_.size()); }

    // "Última vez 03/12: 60×10, 70×10, 80×10 (4 series) — Mejor: 85 (12/11)" for the exercise as
    // seen from `mostrado`; empty for an empty name or one never done before that day.
    QString Linea(const QString& ejercicio, const QDate& mostrado) const;

    // The exercise names that begin with `prefijo` (without case or accents), each as it was
    // last written, the most recently done first.
    QStringList Nombres(const QString& prefijo) const;

    // Every day the exercise was done, with that day's rows of it; nullptr when never.
    const QMap<QDate, QList<TFilaHistoria>>* DiasDe(const QString& ejercicio) const;

    // The row of "the last time" (see Linea), or nullptr.
    const TFilaHistoria* UltimaVez(const QString& ejercicio, const QDate& mostrado) const;

    // Builds the history of `usuario` from the routine files in `carpeta`, reading again only the
    // files whose identity differs from what `previa` read. Files that cannot be read are left
    // out and named in `fallidos`. Safe to run off the GUI thread: it only reads.
    // `cancelado`, when given, is asked between files: true stops the build early.
    static THistoria Construir(const QString& carpeta, const QString& usuario,
                               const THistoria& previa, QStringList* fallidos,
                               const std::function<bool()>& cancelado = {});

  private:
    void quitarFilas(const QDate& dia);
    // Ten years of routines repeat the same few texts ("4", "10", "60", the names): each is
    // kept once and shared.
    QString compartido(const QString& texto);

    // folded name -> day -> that day's rows of the exercise
    QHash<QString, QMap<QDate, QList<TFilaHistoria>>> ejercicios_;
    QMap<QDate, TIdentidad> identidades_;    // the file each day was read from
    QMap<QDate, QStringList> nombresDelDia_; // folded names each day holds, to replace a day
    QSet<QString> textos_;
};
