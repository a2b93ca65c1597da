#include "storage/serie.h"

#include <algorithm>
#include <cmath>

namespace {

// A cursor over a cell's text, case folded, that skips the spaces between parts.
struct TLector {
    QStringView t;
    qsizetype i = 0;
    void espacios() {
        while (i < t.size() && t[i].isSpace())
            ++i;
    }
    bool fin() {
        espacios();
        return i >= t.size();
    }
    QChar ver() const { return i < t.size() ? t[i].toLower() : QChar(); }
    bool tomar(QChar c) {
        espacios();
        if (ver() != c) return false;
        ++i;
        return true;
    }
    bool tomar(QLatin1StringView palabra) {
        espacios();
        if (t.size() - i < palabra.size()) return false;
        for (qsizetype k = 0; k < palabra.size(); ++k)
            if (t[i + k].toLower() != QLatin1Char(palabra[k])) return false;
        i += palabra.size();
        return true;
    }
    // Digits with one decimal comma or point. Read by hand: the history reads every weight cell
    // of years of routines.
    bool numero(double& v) {
        espacios();
        const qsizetype desde = i;
        double mantisa = 0;
        int cifras = 0, decimales = 0;
        while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') {
            mantisa = mantisa * 10 + (t[i].unicode() - u'0');
            ++cifras;
            ++i;
        }
        if (cifras == 0) return false;
        if (i < t.size() && (t[i] == u',' || t[i] == u'.')) {
            const qsizetype punto = ++i;
            while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') {
                mantisa = mantisa * 10 + (t[i].unicode() - u'0');
                ++cifras;
                ++decimales;
                ++i;
            }
            if (i == punto) return false;
        }
        static const double potencias[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        if (cifras <= 15) {
            // Up to 15 digits the division of two exact doubles is the correctly rounded value.
            v = mantisa / potencias[decimales];
        } else {
            bool ok = false;
            v = t.mid(desde, i - desde).toString().replace(u',', u'.').toDouble(&ok);
            if (!ok) return false;
        }
        return std::isfinite(v);
    }
    // "kg", "lbs" or "lb"; empty when none.
    QString unidad() {
        if (tomar(QLatin1StringView("kg"))) return QStringLiteral("kg");
        if (tomar(QLatin1StringView("lbs")) || tomar(QLatin1StringView("lb")))
            return QStringLiteral("lb");
        return QString();
    }
};

} // namespace

TSerie LeerSerie(QStringView texto) {
    TSerie s;
    QStringView t = texto.trimmed();
    if (t.startsWith(u'(') != t.endsWith(u')')) return s;
    if (t.startsWith(u'(')) {
        s.calentamiento = true;
        t = t.mid(1, t.size() - 2);
    }
    TLector l{t};
    double carga = 0;
    if (l.tomar(QLatin1StringView("pc"))) {
        s.pc = true;
        double extra = 0;
        if (l.tomar(u'+')) {
            if (!l.numero(extra)) return {};
        } else if (l.tomar(u'-')) {
            if (!l.numero(extra)) return {};
            extra = -extra;
        }
        carga = extra;
    } else if (!l.numero(carga)) {
        return {};
    }
    QString unidad = l.unidad();
    l.espacios();
    if (l.ver() == u'x' || l.ver() == u'*' || l.ver() == QChar(0x00D7)) {
        ++l.i;
        double r = 0;
        l.espacios();
        const qsizetype desde = l.i;
        if (!l.numero(r) || t.mid(desde, l.i - desde).contains(u',') ||
            t.mid(desde, l.i - desde).contains(u'.') || r < 1 || r > 100)
            return {};
        s.repes = int(r);
        const QString despues = l.unidad();
        if (!despues.isEmpty()) {
            if (!unidad.isEmpty()) return {};
            unidad = despues;
        }
    } else if (!unidad.isEmpty() && !l.unidad().isEmpty()) {
        return {}; // two units
    }
    if (l.tomar(u'@')) {
        if (!l.numero(s.rpe) || s.rpe < 1 || s.rpe > 10 || std::fmod(s.rpe * 2, 1.0) != 0)
            return {};
    }
    if (!l.fin()) return {};
    s.kg = unidad == QLatin1String("lb") ? carga * kKgPorLibra : carga;
    s.unidad = s.pc ? QStringLiteral("PC") : unidad.isEmpty() ? QStringLiteral("kg") : unidad;
    s.valida = true;
    return s;
}

QList<double> LeerRepes(QStringView texto) {
    QList<double> r;
    const QStringView t = texto.trimmed();
    if (t.contains(u'/')) {
        for (QStringView parte : t.split(u'/')) {
            TLector l{parte};
            double v = 0;
            if (!l.numero(v) || !l.fin() || v < 1 || v > 100 || v != std::floor(v)) return {};
            r << v;
        }
        return r;
    }
    TLector l{t};
    double v = 0;
    if (l.numero(v) && l.fin()) r << v;
    return r;
}

QList<TSerieContada> SeriesDeFila(const QString& series, const QString& repes,
                                  const QStringList& celdas) {
    QList<TSerieContada> r;
    int calentamientos = 0, trabajo = 0;
    for (int j = 0; j < celdas.size(); ++j) {
        if (celdas[j].isEmpty()) continue;
        const TSerie s = LeerSerie(celdas[j]);
        if (!s.valida) continue; // text ("90s", "fallo") is no set
        r.append({j, s, 0});
        (s.calentamiento ? calentamientos : trabajo)++;
    }
    const QList<double> R = LeerRepes(repes);
    double S = 0;
    {
        TLector l{QStringView(series)};
        // A count of sets is a whole number of a sane size; anything else is no count.
        if (!l.numero(S) || !l.fin() || S > kSeriesMaximas) S = 0;
        S = std::floor(S);
    }
    const int total =
        int(std::max<double>({S, double(trabajo), double(R.size()) - double(calentamientos)}));
    // Each set's reps: its own, else its place in "Repes" (the last entry repeating).
    auto enRepes = [&](qsizetype posicion) {
        return R.isEmpty() ? 0.0 : posicion < R.size() ? R[posicion] : R.last();
    };
    double suma = 0, ultimas = 0;
    int conCarga = 0;
    for (qsizetype k = 0; k < r.size(); ++k) {
        TSerieContada& c = r[k];
        c.repes = c.serie.repes > 0 ? c.serie.repes : enRepes(k);
        if (c.serie.calentamiento) continue;
        if (c.repes > 0) ultimas = c.repes;
        if (!c.serie.pc) {
            suma += c.serie.kg;
            ++conCarga;
        }
    }
    // Working sets beyond the written ones: the mean load of the written working sets.
    if (conCarga > 0) {
        const qsizetype escritas = r.size();
        for (int j = trabajo; j < total; ++j) {
            TSerieContada c;
            c.serie.valida = true;
            c.serie.kg = suma / conCarga;
            c.serie.unidad = QStringLiteral("kg");
            c.repes = enRepes(escritas + j - trabajo);
            if (c.repes <= 0) c.repes = ultimas;
            r.append(c);
        }
    }
    return r;
}

TCifrasFila CifrasDeFila(const QString& series, const QString& repes, const QStringList& pesos) {
    TCifrasFila c;
    for (const TSerieContada& s : SeriesDeFila(series, repes, pesos)) {
        if (s.serie.calentamiento) continue;
        ++c.seriesDeTrabajo;
        if (s.serie.pc) continue; // body weight: no load in kg to count
        if (s.celda >= 0) c.maximo = std::max(c.maximo, s.serie.kg);
        if (s.repes <= 0) continue;
        c.volumen = std::max(c.volumen, 0.0) + s.serie.kg * s.repes;
        if (s.repes >= 1 && s.repes <= 12)
            c.unoRM = std::max(c.unoRM, s.serie.kg * (1 + s.repes / 30));
    }
    for (double* v : {&c.volumen, &c.unoRM})
        if (!std::isfinite(*v)) *v = -1;
    return c;
}

QString CifraDeHoja(double v) {
    const double centesimas = std::round(std::abs(v) * 100);
    // Past what an integer holds, the digits as they come.
    if (!(centesimas < 9e15)) return QString::number(v, 'g', 17).replace(u'.', u',');
    const qint64 c = qint64(centesimas);
    QString t = (v < 0 && c != 0 ? QStringLiteral("-") : QString()) + QString::number(c / 100);
    if (const int resto = int(c % 100); resto != 0) {
        t += u',';
        t += QChar(u'0' + resto / 10);
        if (resto % 10) t += QChar(u'0' + resto % 10);
    }
    return t;
}
