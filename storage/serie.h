// One set as lifters write it in a weight cell, and a row's figures counted set by set.
//   [(] load [unit] [x reps] [unit] [@ rpe] [)]
// load: a number ("100", "62,5") or body weight "PC", "PC+10", "PC-20"; unit: kg, lb or lbs,
// before or after the reps, none meaning kg; x reps: "x", "X", "×" or "*" and a whole number
// from 1 to 100; @ rpe: 1 to 10 in halves; parentheses around the whole: a warm-up.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

inline constexpr double kKgPorLibra = 0.45359237;
// More "Series" than this is no count of sets.
inline constexpr int kSeriesMaximas = 1000;

struct TSerie {
    bool valida = false;        // the cell is a set; otherwise it is text
    bool pc = false;            // body weight, with `kg` the load added (negative: assisted)
    double kg = 0;              // the load in kg
    QString unidad;             // "kg" or "lb" as written, "PC" for body weight
    int repes = 0;              // the set's own reps; 0 when the cell gives none
    double rpe = 0;             // 0 when none
    bool calentamiento = false; // written in parentheses
};

// A number as the sheet writes it, and as LeerSerie reads it back: a decimal comma, rounded to
// hundredths, no decimals when whole ("62,5", "100", "-20").
QString CifraDeHoja(double v);

// Reads a weight cell; text that is no set gives `valida` false.
TSerie LeerSerie(QStringView texto);

// The reps a "Repes" cell gives: "10" one entry, "8/8/6" one per set in order; none for text.
QList<double> LeerRepes(QStringView texto);

// A set as a row's figures count it.
struct TSerieContada {
    int celda = -1;   // the weight cell it was written in; -1 for a set filled in
    TSerie serie;     // as read; a filled set has the mean load of the written working sets
    double repes = 0; // its reps by the row's rule; 0 when none
};
// Every set of a row in cell order, warm-ups included, then the working sets filled in beyond
// the written ones. `celdas` are the weight cells (empty ones are skipped).
QList<TSerieContada> SeriesDeFila(const QString& series, const QString& repes,
                                  const QStringList& celdas);

// A row's figures, its sets counted one by one.
struct TCifrasFila {
    double volumen = -1; // kg x reps summed over the working sets; -1 when none counts
    double unoRM = -1;   // the best Epley estimate over the working sets (1 to 12 reps)
    double maximo = -1;  // the heaviest load in kg of a working set with a load
    int seriesDeTrabajo = 0;
};
// `series` and `repes` the row's cells, `pesos` its weight cells in order.
TCifrasFila CifrasDeFila(const QString& series, const QString& repes, const QStringList& pesos);
