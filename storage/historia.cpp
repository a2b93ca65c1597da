#include "storage/historia.h"

#include "storage/serie.h"

#include <cmath>

#include "general/errores.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

QString PlegarNombre(const QString& nombre) {
    const QString descompuesto =
        nombre.trimmed().toCaseFolded().normalized(QString::NormalizationForm_D);
    QString r;
    r.reserve(descompuesto.size());
    for (QChar c : descompuesto)
        if (c.category() != QChar::Mark_NonSpacing) r += c;
    return r;
}

// What the weight reader skips around a number: ASCII white space.
static bool espacio(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

static bool digito(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool NumeroDePeso(QStringView texto, QString* numero) {
    // Spaces, digits, an optional decimal comma or point with digits, spaces, an optional "kg"
    // in any case, spaces. Read by hand: a history or an export reads every weight cell of
    // years of routines.
    const qsizetype n = texto.size();
    qsizetype i = 0;
    while (i < n && espacio(texto[i].unicode()))
        ++i;
    const qsizetype entero = i;
    while (i < n && digito(texto[i].unicode()))
        ++i;
    const qsizetype finEntero = i;
    if (finEntero == entero) return false;
    qsizetype fraccion = i, finFraccion = i;
    if (i < n && (texto[i] == u'.' || texto[i] == u',')) {
        fraccion = ++i;
        while (i < n && digito(texto[i].unicode()))
            ++i;
        finFraccion = i;
        if (finFraccion == fraccion) return false;
    }
    while (i < n && espacio(texto[i].unicode()))
        ++i;
    if (i < n && (texto[i] == u'k' || texto[i] == u'K')) {
        if (i + 1 >= n || (texto[i + 1] != u'g' && texto[i + 1] != u'G')) return false;
        i += 2;
    }
    while (i < n && espacio(texto[i].unicode()))
        ++i;
    if (i != n) return false;
    if (numero) {
        // Plain decimal text: no leading zeros but one before the point, no trailing zeros.
        qsizetype desde = entero;
        while (desde + 1 < finEntero && texto[desde] == u'0')
            ++desde;
        qsizetype hasta = finFraccion;
        while (hasta > fraccion && texto[hasta - 1] == u'0')
            --hasta;
        *numero = texto.mid(desde, finEntero - desde).toString();
        if (hasta > fraccion) {
            *numero += u'.';
            *numero += texto.mid(fraccion, hasta - fraccion);
        }
    }
    return true;
}

bool LeerPeso(const QString& texto, double& peso) {
    QString numero;
    if (!NumeroDePeso(texto, &numero)) return false;
    // Up to 15 digits the division of two exact doubles is the correctly rounded value.
    const qsizetype punto = numero.indexOf(u'.');
    const qsizetype decimales = punto < 0 ? 0 : numero.size() - punto - 1;
    if (numero.size() - (punto < 0 ? 0 : 1) <= 15) {
        double mantisa = 0;
        for (QChar c : numero)
            if (c != u'.') mantisa = mantisa * 10 + (c.unicode() - u'0');
        static const double potencias[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        peso = mantisa / potencias[decimales];
        return true;
    }
    bool ok = false;
    peso = numero.toDouble(&ok);
    return ok;
}

void THistoria::quitarFilas(const QDate& dia) {
    for (const QString& clave : nombresDelDia_.value(dia)) {
        auto it = ejercicios_.find(clave);
        if (it == ejercicios_.end()) continue;
        it->remove(dia);
        if (it->isEmpty()) ejercicios_.erase(it);
    }
    nombresDelDia_.remove(dia);
}

void THistoria::PonerDia(const QDate& dia, const TTabla& A, const TMarcas& C,
                         const TIdentidad& identidad) {
    quitarFilas(dia);
    identidades_[dia] = identidad;
    QStringList claves;
    for (int i = 0; i < A.size(); ++i) {
        const QStringList& celdas = A[i];
        if (celdas.isEmpty()) continue;
        const QString clave = PlegarNombre(celdas[0]);
        if (clave.isEmpty()) continue;
        TFilaHistoria f;
        f.nombre = compartido(celdas[0].trimmed());
        f.series = compartido(celdas.value(1));
        f.repes = compartido(celdas.value(2));
        for (int j = 3; j < celdas.size(); ++j) {
            const QString peso = celdas[j].trimmed();
            if (!peso.isEmpty()) f.pesos << compartido(peso);
        }
        // The best counts working sets, in kg: no warm-up; body weight on its own terms.
        for (const TSerieContada& s : SeriesDeFila(f.series, f.repes, f.pesos)) {
            if (s.celda < 0 || s.serie.calentamiento) continue;
            (s.serie.unidad == QLatin1String("lb") ? f.enLibras : f.enKilos)++;
            if (!s.serie.pc) {
                f.maximo = std::max(f.maximo, s.serie.kg);
                continue;
            }
            f.hayPC = true;
            f.repesPC = std::max(f.repesPC, int(s.repes));
            if (s.serie.kg != 0 && !(s.serie.kg <= f.cargaPC)) f.cargaPC = s.serie.kg;
        }
        f.marca = i < C.size() ? C[i] : 0;
        ejercicios_[compartido(clave)][dia].append(f);
        if (!claves.contains(clave)) claves << clave;
    }
    nombresDelDia_[dia] = claves;
}

void THistoria::QuitarDia(const QDate& dia) {
    quitarFilas(dia);
    identidades_.remove(dia);
}

QString THistoria::compartido(const QString& texto) {
    const auto it = textos_.constFind(texto);
    if (it != textos_.cend()) return *it;
    textos_.insert(texto);
    return texto;
}

static QString fecha(const QDate& dia, const QDate& mostrado) {
    return dia.toString(dia.year() == mostrado.year() ? QStringLiteral("dd/MM")
                                                      : QStringLiteral("dd/MM/yyyy"));
}

QStringList THistoria::Nombres(const QString& prefijo) const {
    const QString p = PlegarNombre(prefijo);
    QList<std::pair<QDate, QString>> hallados;
    for (auto it = ejercicios_.cbegin(); it != ejercicios_.cend(); ++it)
        if (it.key().startsWith(p) && !it->isEmpty()) {
            const auto ultimo = std::prev(it->cend());
            hallados.append({ultimo.key(), ultimo->first().nombre});
        }
    std::sort(hallados.begin(), hallados.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    QStringList r;
    for (const auto& h : hallados)
        r << h.second;
    return r;
}

// The latest day strictly before `mostrado` with the exercise, and its rows; false when none.
static bool ultimoDia(const QMap<QDate, QList<TFilaHistoria>>& dias, const QDate& mostrado,
                      QMap<QDate, QList<TFilaHistoria>>::const_iterator& dia) {
    dia = dias.lowerBound(mostrado);
    if (dia == dias.cbegin()) return false;
    --dia;
    return true;
}

// Of several rows of one day, the one with the heaviest weight.
static const TFilaHistoria* masPesada(const QList<TFilaHistoria>& filas) {
    const TFilaHistoria* r = &filas.first();
    for (const TFilaHistoria& f : filas)
        if (f.maximo > r->maximo) r = &f;
    return r;
}

const QMap<QDate, QList<TFilaHistoria>>* THistoria::DiasDe(const QString& ejercicio) const {
    const auto it = ejercicios_.constFind(PlegarNombre(ejercicio));
    return it == ejercicios_.cend() ? nullptr : &*it;
}

const TFilaHistoria* THistoria::UltimaVez(const QString& ejercicio, const QDate& mostrado) const {
    const auto it = ejercicios_.constFind(PlegarNombre(ejercicio));
    QMap<QDate, QList<TFilaHistoria>>::const_iterator dia;
    if (it == ejercicios_.cend() || !ultimoDia(*it, mostrado, dia)) return nullptr;
    return masPesada(*dia);
}

// A number as the sheet writes it: a decimal comma, no more decimals than it needs.

QString SeriesEnLinea(const TFilaHistoria& f) {
    const QList<TSerieContada> contadas = SeriesDeFila(f.series, f.repes, f.pesos);
    if (contadas.isEmpty()) {
        // No set to read: the cells as they were written.
        QStringList partes;
        if (!f.series.isEmpty() || !f.repes.isEmpty())
            partes << f.series + QStringLiteral(" x ") + f.repes;
        if (!f.pesos.isEmpty()) partes << f.pesos.join(QStringLiteral(" / "));
        return partes.join(QStringLiteral(" · "));
    }
    QStringList partes;
    int trabajo = 0, escritas = 0;
    for (const TSerieContada& c : contadas) {
        if (!c.serie.calentamiento) ++trabajo;
        if (c.celda < 0) continue;
        if (!c.serie.calentamiento) ++escritas;
    }
    // Each written cell in order: a set compactly, text as it stands.
    for (int k = 0; k < f.pesos.size(); ++k) {
        const TSerieContada* c = nullptr;
        for (const TSerieContada& x : contadas)
            if (x.celda == k) c = &x;
        if (!c) {
            partes << f.pesos[k];
            continue;
        }
        const TSerie& s = c->serie;
        QString t;
        if (s.pc) {
            t = QStringLiteral("PC");
            if (s.kg > 0) t += u'+' + CifraDeHoja(s.kg);
            if (s.kg < 0) t += u'-' + CifraDeHoja(-s.kg);
        } else if (s.unidad == u"lb") {
            t = CifraDeHoja(s.kg / kKgPorLibra) + QStringLiteral("lb");
        } else {
            t = CifraDeHoja(s.kg);
        }
        if (c->repes > 0) t += u'×' + CifraDeHoja(c->repes);
        if (s.rpe > 0) t += QStringLiteral(" @") + CifraDeHoja(s.rpe);
        partes << (s.calentamiento ? u'(' + t + u')' : t);
    }
    QString r = partes.join(QStringLiteral(", "));
    // The working sets that "Series" counts beyond the ones written.
    if (trabajo > escritas) r += QStringLiteral(" (%1 series)").arg(trabajo);
    return r;
}

QString THistoria::Linea(const QString& ejercicio, const QDate& mostrado) const {
    const QString clave = PlegarNombre(ejercicio);
    if (clave.isEmpty()) return QString();
    const auto it = ejercicios_.constFind(clave);
    if (it == ejercicios_.cend()) return QString();
    const QMap<QDate, QList<TFilaHistoria>>& dias = *it;
    QMap<QDate, QList<TFilaHistoria>>::const_iterator antes;
    if (!ultimoDia(dias, mostrado, antes)) return QString(); // never done before that day
    const TFilaHistoria* ultima = masPesada(*antes);
    QString linea = QStringLiteral("Última vez %1").arg(fecha(antes.key(), mostrado));
    if (const QString series = SeriesEnLinea(*ultima); !series.isEmpty())
        linea += QStringLiteral(": ") + series;

    double mejor = -1, carga = qQNaN();
    int repes = 0, libras = 0, kilos = 0;
    QDate diaMejor, diaCarga, diaRepes;
    for (auto d = dias.cbegin(); d != dias.cend() && d.key() <= mostrado; ++d)
        for (const TFilaHistoria& f : d.value()) {
            libras += f.enLibras;
            kilos += f.enKilos;
            if (f.maximo > mejor) {
                mejor = f.maximo;
                diaMejor = d.key();
            }
            // Of two assisted sets the one with less help is the heavier.
            if (!std::isnan(f.cargaPC) && !(f.cargaPC <= carga)) {
                carga = f.cargaPC;
                diaCarga = d.key();
            }
            if (f.repesPC > repes) {
                repes = f.repesPC;
                diaRepes = d.key();
            }
        }
    auto numero = [](double v) { return QString::number(v, 'g', 10).replace(u'.', u','); };
    if (mejor >= 0) {
        // Shown in the unit most of its sets were written in; compared in kg.
        const bool enLibras = libras > kilos;
        linea += QStringLiteral(" — Mejor: %1 (%2)")
                     .arg(enLibras ? numero(std::round(mejor / kKgPorLibra * 100) / 100) +
                                         QStringLiteral(" lb")
                                   : numero(mejor),
                          fecha(diaMejor, mostrado));
    } else if (!std::isnan(carga)) {
        linea += QStringLiteral(" — Mejor: PC%1%2 (%3)")
                     .arg(carga > 0 ? QStringLiteral("+") : QString(), numero(carga),
                          fecha(diaCarga, mostrado));
    } else if (repes > 0) {
        linea += QStringLiteral(" — Mejor: PC × %1 (%2)").arg(repes).arg(fecha(diaRepes, mostrado));
    }
    return linea;
}

THistoria THistoria::Construir(const QString& carpeta, const QString& usuario,
                               const THistoria& previa, QStringList* fallidos,
                               const std::function<bool()>& cancelado) {
    THistoria h = previa;
    const QMap<QDate, QString> rutinas = RutinasDeUsuario(carpeta, usuario);
    for (auto r = rutinas.cbegin(); r != rutinas.cend(); ++r) {
        if (cancelado && cancelado()) return h;
        const QDate dia = r.key();
        const QString& ruta = r.value();
        const auto conocida = h.identidades_.constFind(dia);
        if (conocida != h.identidades_.cend() && *conocida == IdentidadDe(ruta)) continue;
        try {
            TIdentidad leida;
            TTabla A;
            TMarcas C;
            LeerFilasDeRutina(ruta, A, C, &leida);
            h.PonerDia(dia, A, C, leida);
        } catch (const ErrorKorval& e) {
            h.QuitarDia(dia);
            if (fallidos)
                *fallidos << QFileInfo(ruta).fileName() + QStringLiteral(": ") + e.mensaje();
        }
    }
    // Days whose file is gone.
    for (const QDate& dia : previa.identidades_.keys())
        if (!rutinas.contains(dia)) h.QuitarDia(dia);
    return h;
}
