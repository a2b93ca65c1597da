#include "storage/progreso.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

// Sets and reps as numbers: digits with an optional decimal comma or point; "8-10", "max" or
// "AMRAP" are not numbers.
static bool leerNumero(const QString& texto, double& valor) {
    static const QRegularExpression patron(QStringLiteral("^\\s*(\\d+(?:[.,]\\d+)?)\\s*$"));
    const QRegularExpressionMatch m = patron.match(texto);
    if (!m.hasMatch()) return false;
    bool ok = false;
    valor = m.captured(1).replace(u',', u'.').toDouble(&ok);
    return ok;
}

double UnoRM(double peso, double repes) {
    if (repes < 1 || repes > 12) return -1;
    return peso * (1 + repes / 30);
}

QList<TDiaProgreso> ProgresoDe(const THistoria& historia, const QString& ejercicio) {
    QList<TDiaProgreso> r;
    const QMap<QDate, QList<TFilaHistoria>>* dias = historia.DiasDe(ejercicio);
    if (!dias) return r;
    r.reserve(dias->size());
    double mejor = -1;
    for (auto d = dias->cbegin(); d != dias->cend(); ++d) {
        TDiaProgreso p;
        p.dia = d.key();
        for (const TFilaHistoria& f : d.value()) {
            p.maximo = std::max(p.maximo, f.maximo);
            double suma = 0;
            int numericos = 0;
            for (const QString& texto : f.pesos) {
                double v;
                if (LeerPeso(texto, v)) {
                    suma += v;
                    ++numericos;
                }
            }
            double repes;
            if (!leerNumero(f.repes, repes)) continue; // no reps: no estimate and no volume
            if (f.maximo >= 0) p.unoRM = std::max(p.unoRM, UnoRM(f.maximo, repes));
            if (numericos == 0) continue;
            double series;
            if (!leerNumero(f.series, series)) series = numericos;
            p.volumen = std::max(p.volumen, 0.0) + series * repes * (suma / numericos);
        }
        // Numbers of hundreds of digits multiply past what a double holds: none, not infinity.
        for (double* v : {&p.unoRM, &p.volumen})
            if (!std::isfinite(*v)) *v = -1;
        if (p.maximo > mejor) {
            p.record = true;
            mejor = p.maximo;
        }
        r.append(p);
    }
    return r;
}
