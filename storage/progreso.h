// An exercise's progress over the days it was done: the heaviest weight, the estimated one-rep
// max and the volume of each day, for the progress chart and its table.
#pragma once

#include "storage/historia.h"

#include <QDate>
#include <QList>
#include <QString>

// One day of an exercise. A value of -1 means the day gives none (no numeric weight, no reps
// from 1 to 12, no row with numeric reps and weights).
struct TDiaProgreso {
    QDate dia;
    double maximo = -1;  // the heaviest numeric weight of the day's rows
    double unoRM = -1;   // the best Epley estimate, w x (1 + reps / 30), over the day's rows
    double volumen = -1; // sets x reps x the mean numeric weight, summed over the day's rows
    bool record = false; // heavier than every day before it (body weight: more reps)
    // Body-weight working sets: the most reps in one set (-1 none) and the heaviest load added
    // in kg (NaN none; negative for assisted sets, the one with less help the heavier).
    double repesPC = -1;
    double cargaPC = qQNaN();
};

// How an exercise's progress is told: in kg; in pounds, when most of its sets were written in
// pounds (the figures stay in kg and are shown converted); by body weight, when none of its
// working sets has a load of its own (the most reps in a set and the load added are charted).
enum class TMedida { Kilos, Libras, Corporal };

// The days of `ejercicio` (matched as the history matches names), oldest first; `medida`, when
// given, receives how they are best shown.
QList<TDiaProgreso> ProgresoDe(const THistoria& historia, const QString& ejercicio,
                               TMedida* medida = nullptr);

// The estimated one-rep max of a set of `repes` with `peso` (Epley); -1 outside 1 to 12 reps.
double UnoRM(double peso, double repes);
