#include "storage/progreso.h"

#include "storage/serie.h"

#include <algorithm>
#include <cmath>

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
            // Set by set: each with its own reps, warm-ups left out, sets not written filled in.
            const TCifrasFila c = CifrasDeFila(f.series, f.repes, f.pesos);
            p.maximo = std::max(p.maximo, c.maximo);
            p.unoRM = std::max(p.unoRM, c.unoRM);
            if (c.volumen >= 0) p.volumen = std::max(p.volumen, 0.0) + c.volumen;
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
