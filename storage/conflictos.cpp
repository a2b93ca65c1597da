#include "storage/conflictos.h"

#include "storage/enlaces.h"
#include "storage/lista_usuarios.h"

#include <QRegularExpression>

QString OriginalDeConflicto(const QString& nombre) {
    static const QRegularExpression formas[] = {
        QRegularExpression(
            QStringLiteral(R"(^(.+)\.sync-conflict-\d{8}-\d{6}-[A-Z0-9]{7}(\.[^.]+)$)")),
        QRegularExpression(
            QStringLiteral(R"(^(.+) \(conflicted copy \d{4}-\d{2}-\d{2} \d{6}\)(\.[^.]+)$)")),
        QRegularExpression(QStringLiteral(
            R"(^(.+) \([^()]* conflicted copy \d{4}-\d{2}-\d{2}(?: \(\d+\))?\)(\.[^.]+)$)")),
    };
    for (const QRegularExpression& f : formas) {
        const QRegularExpressionMatch m = f.match(nombre);
        if (!m.hasMatch()) continue;
        const QString original = m.captured(1) + m.captured(2);
        if (original == kArchivoUsuarios || EsNombreDeRutina(original)) return original;
    }
    return QString();
}

static QString ejercicio(const QStringList& fila, int posicion) {
    return fila.value(0).trimmed().isEmpty() ? QStringLiteral("la fila %1").arg(posicion + 1)
                                             : QStringLiteral("«%1»").arg(fila.value(0));
}

static void sinBase(TFusion& r, const TTabla& copiaA, const TMarcas& copiaC) {
    for (int f = 0; f < r.A.size() && f < copiaA.size(); ++f) {
        for (int j = 0; j < r.A[f].size() && j < copiaA[f].size(); ++j) {
            const QString& k = copiaA[f][j];
            QString& v = r.A[f][j];
            if (k.isEmpty() || k == v) continue;
            if (v.isEmpty())
                v = k;
            else
                r.choques << QStringLiteral("%1: «%2»").arg(ejercicio(r.A[f], f), k);
        }
        const qint32 k = copiaC.value(f);
        if (k != 0 && k != r.C[f]) {
            if (r.C[f] == 0)
                r.C[f] = k;
            else
                r.choques << QStringLiteral("%1: su color").arg(ejercicio(r.A[f], f));
        }
    }
}

TFusion FusionarConflicto(const TTabla& rutinaA, const TMarcas& rutinaC, const TTabla& copiaA,
                          const TMarcas& copiaC, const TTabla* baseA, const TMarcas* baseC) {
    TFusion r;
    if (!baseA || !baseC || baseA->size() != rutinaA.size() || copiaA.size() != rutinaA.size()) {
        r.A = rutinaA;
        r.C = rutinaC;
        sinBase(r, copiaA, copiaC);
        return r;
    }
    const TTabla& B = *baseA;
    const int n = int(B.size());
    // Where each row of the base is on either side; empty rows are places, not followed.
    QList<int> enR(n), enK(n);
    QSet<int> usadasR, usadasK;
    bool movioR = false, movioK = false;
    for (int i = 0; i < n; ++i) {
        enR[i] = DondeEstaFila(rutinaA, B, B[i], i, usadasR);
        enK[i] = DondeEstaFila(copiaA, B, B[i], i, usadasK);
        if (enR[i] >= 0) usadasR << enR[i];
        if (enK[i] >= 0) usadasK << enK[i];
        movioR = movioR || (enR[i] >= 0 && enR[i] != i);
        movioK = movioK || (enK[i] >= 0 && enK[i] != i);
    }
    // The order of the side that moved rows, when only one did; else the routine's.
    const bool ordenDeCopia = movioK && !movioR;
    r.A = ordenDeCopia ? copiaA : rutinaA;
    r.C = rutinaC;
    for (int i = 0; i < n; ++i) {
        const int p = enR[i], q = enK[i];
        const int aqui = ordenDeCopia ? q : p;
        if (p < 0 || q < 0) {
            // The row is gone (or moved and changed) on one side: what the other side changed
            // in it has no place. The copy keeps the other side's, the routine is copied when it
            // loses a value of its own.
            const QStringList* cambiada = p >= 0 && rutinaA[p] != B[i]  ? &rutinaA[p]
                                          : q >= 0 && copiaA[q] != B[i] ? &copiaA[q]
                                                                        : nullptr;
            if (cambiada) {
                r.choques << QStringLiteral("%1: la fila cambió en un equipo y se movió o borró "
                                            "en el otro")
                                 .arg(ejercicio(B[i], i));
                if (ordenDeCopia && p >= 0) r.pierdeDeLaRutina = true;
            } else if (p >= 0 && q < 0 && !ordenDeCopia && FilaVacia(copiaA.value(i))) {
                r.A[p] = copiaA[i]; // deleted on the other side only
            } else if (q >= 0 && p < 0 && ordenDeCopia && FilaVacia(rutinaA.value(i))) {
                r.A[q] = rutinaA[i];
            }
            continue;
        }
        for (int j = 0; j < B[i].size(); ++j) {
            const QString& b = B[i][j];
            const QString& v = rutinaA[p][j];
            const QString& k = copiaA[q][j];
            if (v == k) {
                r.A[aqui][j] = v;
            } else if (v == b) {
                r.A[aqui][j] = k;
            } else if (k == b) {
                r.A[aqui][j] = v;
            } else {
                r.A[aqui][j] = v;
                r.choques << QStringLiteral("%1: «%2»").arg(ejercicio(rutinaA[p], p), k);
            }
        }
    }
    // Marks belong to positions.
    for (int f = 0; f < n; ++f) {
        const qint32 b = baseC->value(f), v = rutinaC.value(f), k = copiaC.value(f);
        if (v == b)
            r.C[f] = k;
        else if (k != b && k != v)
            r.choques << QStringLiteral("%1: su color").arg(ejercicio(r.A[f], f));
    }
    return r;
}

QStringList NombresQueFaltan(const QStringList& lista, const QStringList& copia) {
    QStringList faltan;
    for (const QString& n : copia)
        if (!lista.contains(n) && !faltan.contains(n)) faltan << n;
    return faltan;
}
