#include "storage/progreso.h"

#include "storage/serie.h"

#include <algorithm>
#include <cmath>

double UnoRM(double peso, double repes) {
    if (repes < 1 || repes > 12) return -1;
    return peso * (1 + repes / 30);
}

QList<TDiaProgreso> ProgresoDe(const THistoria& historia, const QString& ejercicio,
                               TMedida* medida) {
    QList<TDiaProgreso> r;
    if (medida) *medida = TMedida::Kilos;
    const QMap<QDate, QList<TFilaHistoria>>* dias = historia.DiasDe(ejercicio);
    if (!dias) return r;
    r.reserve(dias->size());
    int libras = 0, kilos = 0;
    bool conCarga = false, corporal = false;
    for (auto d = dias->cbegin(); d != dias->cend(); ++d) {
        TDiaProgreso p;
        p.dia = d.key();
        for (const TFilaHistoria& f : d.value()) {
            // Set by set: each with its own reps, warm-ups left out, sets not written filled in.
            const TCifrasFila c = CifrasDeFila(f.series, f.repes, f.pesos);
            p.maximo = std::max(p.maximo, c.maximo);
            p.unoRM = std::max(p.unoRM, c.unoRM);
            if (c.volumen >= 0) p.volumen = std::max(p.volumen, 0.0) + c.volumen;
            p.repesPC = std::max(p.repesPC, double(f.repesPC > 0 ? f.repesPC : -1));
            if (!std::isnan(f.cargaPC) && !(f.cargaPC <= p.cargaPC)) p.cargaPC = f.cargaPC;
            libras += f.enLibras;
            kilos += f.enKilos;
            conCarga = conCarga || f.maximo >= 0;
            corporal = corporal || f.hayPC;
        }
        // Numbers of hundreds of digits multiply past what a double holds: none, not infinity.
        for (double* v : {&p.unoRM, &p.volumen})
            if (!std::isfinite(*v)) *v = -1;
        r.append(p);
    }
    const bool porRepes = corporal && !conCarga;
    double mejor = -1;
    for (TDiaProgreso& p : r) {
        const double v = porRepes ? p.repesPC : p.maximo;
        if (v > mejor) {
            p.record = true;
            mejor = v;
        }
    }
    if (medida)
        *medida = porRepes ? TMedida::Corporal : libras > kilos ? TMedida::Libras : TMedida::Kilos;
    return r;
}
