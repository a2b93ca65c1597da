// The conflict copies that folder-sync tools leave beside a file both computers changed, and how
// a copy's changes are merged back into its routine.
#pragma once

#include "storage/rutina.h"

#include <QString>
#include <QStringList>

// The name of the file a conflict copy stands beside, or empty when `nombre` is none:
// Syncthing's "NAME.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.EXT", Nextcloud's and ownCloud's
// "NAME (conflicted copy YYYY-MM-DD HHMMSS).EXT", Dropbox's "NAME (… conflicted copy
// YYYY-MM-DD).EXT". Only copies of a routine or of the user list count.
QString OriginalDeConflicto(const QString& nombre);

// What a merge gives.
struct TFusion {
    TTabla A;
    TMarcas C;
    // Each place where both sides had other values: the routine's value stayed; the text names
    // the exercise and the copy's value.
    QStringList choques;
    // A value of the routine had no place in the merge (its row gone on the other side): the
    // routine is to be copied to "respaldos" before it is replaced.
    bool pierdeDeLaRutina = false;
};

// Merges the conflict copy `copia` into the routine `rutina`. With `base` (the version both
// sides last held) it is three-way: a cell changed on one side only takes that side's value;
// changed on both to different values, the routine's stays. Rows moved on one side are followed,
// marks merge by position. Without a base: an empty cell takes the other's value, differing
// non-empty ones keep the routine's. A function of its arguments alone: two computers merging
// the same pair with the same base write the same bytes.
TFusion FusionarConflicto(const TTabla& rutinaA, const TMarcas& rutinaC, const TTabla& copiaA,
                          const TMarcas& copiaC, const TTabla* baseA, const TMarcas* baseC);

// A list of user names merged with a copy of it: the names of the copy missing from the list.
QStringList NombresQueFaltan(const QStringList& lista, const QStringList& copia);
