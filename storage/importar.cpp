#include "storage/importar.h"

#include "general/errores.h"
#include "general/general.h"
#include "storage/enlaces.h"
#include "storage/exportar.h"
#include "storage/respaldo.h"
#include "storage/rutina_archivo.h"
#include "storage/serie.h"
#include "storage/texto1252.h"

#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <deque>

QString NombreDeFormato(TFormatoHistorial formato) {
    switch (formato) {
    case TFormatoHistorial::Strong:
        return QStringLiteral("strong");
    case TFormatoHistorial::Hevy:
        return QStringLiteral("hevy");
    case TFormatoHistorial::FitNotes:
        return QStringLiteral("fitnotes");
    case TFormatoHistorial::Korval:
        return QStringLiteral("korval");
    case TFormatoHistorial::Auto:
        break;
    }
    return QStringLiteral("auto");
}

TFormatoHistorial FormatoDeNombre(const QString& nombre, bool* valido) {
    for (TFormatoHistorial f :
         {TFormatoHistorial::Auto, TFormatoHistorial::Strong, TFormatoHistorial::Hevy,
          TFormatoHistorial::FitNotes, TFormatoHistorial::Korval})
        if (nombre.compare(NombreDeFormato(f), Qt::CaseInsensitive) == 0) {
            if (valido) *valido = true;
            return f;
        }
    if (valido) *valido = false;
    return TFormatoHistorial::Auto;
}

QString CeldaDeSerie(const TSerieImportada& s) {
    const double redondo = std::round(s.carga * 100) / 100;
    QString t;
    if (redondo == 0)
        t = QStringLiteral("PC");
    else if (redondo < 0)
        t = QStringLiteral("PC-") + CifraDeHoja(-redondo) +
            (s.libras ? QStringLiteral("lb") : QString());
    else
        t = CifraDeHoja(redondo) + (s.libras ? QStringLiteral("lb") : QString());
    if (s.rpe > 0) t += u'@' + CifraDeHoja(s.rpe);
    return s.calentamiento ? u'(' + t + u')' : t;
}

QList<QStringList> FilasDeEjercicio(const QString& ejercicio,
                                    const QList<TCeldaImportada>& celdas) {
    QList<QStringList> filas;
    for (qsizetype desde = 0; desde < celdas.size(); desde += 8) {
        QStringList fila(11);
        fila[0] = ejercicio;
        int trabajo = 0;
        QList<int> repes;
        for (qsizetype k = desde; k < celdas.size() && k < desde + 8; ++k) {
            const TCeldaImportada& c = celdas[k];
            fila[3 + (k - desde)] = c.texto;
            if (!c.esSerie) continue;
            repes << c.repes;
            if (!c.calentamiento) ++trabajo;
        }
        if (!repes.isEmpty()) {
            fila[1] = QString::number(trabajo);
            const bool iguales =
                std::all_of(repes.begin(), repes.end(), [&](int r) { return r == repes.first(); });
            if (iguales) {
                fila[2] = QString::number(repes.first());
            } else {
                QStringList partes;
                for (int r : repes)
                    partes << QString::number(r);
                fila[2] = partes.join(u'/');
            }
        }
        filas << fila;
    }
    if (celdas.isEmpty()) {
        QStringList fila(11);
        fila[0] = ejercicio;
        filas << fila;
    }
    return filas;
}

namespace {
// One record of the CSV: its fields and the line it began on.
struct TRegistro {
    int linea = 0;
    QList<QStringView> campos; // into the text, or into `propios` for a field with quotes
};

// RFC 4180 with the given separator: quotes around a field, "" inside them; a quoted field may
// hold line ends. Lines end in CR LF, LF or CR.
QList<TRegistro> registros(const QString& texto, QChar separador, std::deque<QString>& propios) {
    QList<TRegistro> r;
    TRegistro actual;
    actual.linea = 1;
    actual.campos.reserve(16);
    int linea = 1;
    const qsizetype n = texto.size();
    const QChar* t = texto.constData();
    qsizetype i = 0;
    bool finDeRegistro = false;
    while (i < n) {
        // One field, from i: a view into the text, unless quotes make it a text of its own.
        QString campo;
        bool citado = false;
        const qsizetype inicio = i;
        if (t[i] == u'"') {
            citado = true;
            ++i;
            while (i < n) {
                if (t[i] == u'"') {
                    if (i + 1 < n && t[i + 1] == u'"') {
                        campo += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (t[i] == u'\n' || (t[i] == u'\r' && !(i + 1 < n && t[i + 1] == u'\n'))) ++linea;
                campo += t[i++];
            }
        }
        // Up to the separator or the line end (what follows a closing quote is kept too).
        const qsizetype desde = i;
        while (i < n && t[i] != separador && t[i] != u'\r' && t[i] != u'\n')
            ++i;
        if (!citado) {
            actual.campos << QStringView(t + inicio, i - inicio);
        } else {
            if (i > desde) campo += QStringView(t + desde, i - desde);
            propios.push_back(campo);
            actual.campos << QStringView(propios.back());
        }
        finDeRegistro = i >= n || t[i] != separador;
        if (i < n && t[i] == separador) {
            ++i;
            if (i == n) actual.campos << QStringView();
            continue;
        }
        if (i < n && t[i] == u'\r' && i + 1 < n && t[i + 1] == u'\n') ++i;
        if (i < n) ++i;
        // A blank line is no record.
        if (actual.campos.size() > 1 || citado || !actual.campos.first().isEmpty()) r << actual;
        ++linea;
        actual = TRegistro{};
        actual.linea = linea;
        actual.campos.reserve(16);
    }
    if (!finDeRegistro && !actual.campos.isEmpty()) r << actual;
    return r;
}

// A number as these exports write it: "62.5", "62,5", "-20", "0"; never a thousands separator.
bool numero(QStringView texto, double& v) {
    const QStringView t = texto.trimmed();
    if (t.isEmpty()) return false;
    // By hand, as a whole number and a power of ten: sixty thousand lines have two or three
    // numbers each, and the locale-aware parser is slow.
    qint64 entero = 0;
    int decimales = -1, cifras = 0;
    bool negativo = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (++cifras > 15) {
                // Past what an integer holds exactly: the slow way.
                QString copia = t.toString();
                copia.replace(u',', u'.');
                bool ok = false;
                v = copia.toDouble(&ok);
                return ok && std::isfinite(v);
            }
            entero = entero * 10 + (c - u'0');
            if (decimales >= 0) ++decimales;
        } else if ((c == u'.' || c == u',') && decimales < 0) {
            decimales = 0;
        } else if (i == 0 && (c == u'-' || c == u'+')) {
            negativo = c == u'-';
        } else {
            return false;
        }
    }
    if (cifras == 0) return false;
    // One division by an exact power of ten: the nearest double, as the literal gives.
    static const double potencias[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    v = double(entero) / potencias[std::max(decimales, 0)];
    if (negativo) v = -v;
    return true;
}

// Two digits at `i`, or -1.
int dosCifras(const QString& t, qsizetype i) {
    if (i + 1 >= t.size() || !t[i].isDigit() || !t[i + 1].isDigit()) return -1;
    return (t[i].unicode() - u'0') * 10 + (t[i + 1].unicode() - u'0');
}

// A date and time as these apps write them; invalid when none. Kept as a plain date and time
// (UTC, no time zone looked up): only their order matters.
QDateTime fecha(QStringView texto) {
    const QString t = texto.trimmed().toString();
    // "2025-07-23", "2025-07-23 19:16:49", "2025-07-23T19:16", by hand: a ten-year export has
    // sixty thousand of them.
    if (t.size() >= 10 && (t[4] == u'-' || t[4] == u'/') && t[7] == t[4]) {
        const int siglo = dosCifras(t, 0), anio = dosCifras(t, 2), mes = dosCifras(t, 5),
                  dia = dosCifras(t, 8);
        const QDate d(siglo * 100 + anio, mes, dia);
        if (siglo < 0 || anio < 0 || !d.isValid()) return QDateTime();
        if (t.size() == 10) return QDateTime(d, QTime(0, 0), Qt::UTC);
        if (t[10] != u' ' && t[10] != u'T') return QDateTime();
        const int h = dosCifras(t, 11), m = dosCifras(t, 14);
        const bool conSegundos = t.size() == 19 && t[16] == u':';
        if ((t.size() != 16 && !conSegundos) || t[13] != u':') return QDateTime();
        const QTime hora(h, m, conSegundos ? dosCifras(t, 17) : 0);
        return h >= 0 && m >= 0 && hora.isValid() ? QDateTime(d, hora, Qt::UTC) : QDateTime();
    }
    // Hevy: "23 Jul 2025, 19:16", in English.
    const QLocale ingles(QLocale::English, QLocale::UnitedStates);
    for (const char* f : {"d MMM yyyy, HH:mm", "d MMM yyyy, H:mm", "d MMM yyyy HH:mm"}) {
        const QDateTime d = ingles.toDateTime(t, QString::fromLatin1(f));
        if (d.isValid()) return QDateTime(d.date(), d.time(), Qt::UTC);
    }
    const QDate d = ingles.toDate(t, QStringLiteral("d MMM yyyy"));
    return d.isValid() ? QDateTime(d, QTime(0, 0), Qt::UTC) : QDateTime();
}

// What a line of another logger says, in one shape for all of them.
struct TLinea {
    int numero = 0;
    QDateTime momento;
    QString entreno; // which workout: its start and name
    QString ejercicio;
    double peso = 0;
    bool libras = false;
    int repes = 0;
    double rpe = 0;
    bool calentamiento = false;
    double distancia = 0;
    QString unidadDistancia;
    double segundos = 0;
};

// The columns of a header, found by name without case.
struct TColumnas {
    QHash<QString, int> indice;
    int operator()(const char* nombre) const {
        return indice.value(QString::fromLatin1(nombre).toLower(), -1);
    }
    bool tiene(std::initializer_list<const char*> nombres) const {
        for (const char* n : nombres)
            if ((*this)(n) < 0) return false;
        return true;
    }
};

const char* const kBuscadas =
    "Strong (Date, Workout Name, Exercise Name, Set Order, Weight, Reps), "
    "Hevy (title, start_time, exercise_title, set_type, weight_kg o weight_lbs, reps), "
    "FitNotes (Date, Exercise, Category, Weight, Weight Unit, Reps) o "
    "KORVAL (fecha, usuario, ejercicio, series, repes, serie, peso, texto, marca, fila)";

bool esStrong(const TColumnas& c) {
    return c.tiene({"Date", "Workout Name", "Exercise Name", "Set Order", "Weight", "Reps"});
}
bool esHevy(const TColumnas& c) {
    return c.tiene({"title", "start_time", "exercise_title", "set_type", "reps"}) &&
           (c("weight_kg") >= 0 || c("weight_lbs") >= 0);
}
bool esFitNotes(const TColumnas& c) {
    return c.tiene({"Date", "Exercise", "Category", "Weight", "Weight Unit", "Reps"});
}
bool esKorval(const TColumnas& c) {
    // The export's columns up to "fila", the ones the import reads.
    for (const char* n : kColumnasHistorial) {
        if (c(n) < 0) return false;
        if (qstrcmp(n, "fila") == 0) return true;
    }
    return true;
}

// A time as "25:00" or "1:02:03".
QString duracion(double segundos) {
    const qint64 s = qint64(std::llround(segundos));
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg(s / 60 % 60, 2, 10, QChar(u'0'))
            .arg(s % 60, 2, 10, QChar(u'0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar(u'0'));
}

void leerKorval(const QList<TRegistro>& regs, const TColumnas& col, TLecturaHistorial& r) {
    // day -> row -> its cells and mark, in the order first met
    QMap<QDate, QMap<int, TFilaImportada>> dias;
    for (qsizetype k = 1; k < regs.size(); ++k) {
        const TRegistro& g = regs[k];
        auto campo = [&](const char* n) { return g.campos.value(col(n)).toString(); };
        auto saltar = [&](const QString& por) {
            r.saltadas << QStringLiteral("línea %1: %2").arg(g.linea).arg(por);
        };
        if (campo("relleno").trimmed() == u"1") continue; // a set the export filled in
        const QDate dia = QDate::fromString(campo("fecha").trimmed(), Qt::ISODate);
        if (!dia.isValid()) {
            saltar(QStringLiteral("fecha ilegible «%1»").arg(campo("fecha")));
            continue;
        }
        bool ok = false;
        const int fila = campo("fila").trimmed().toInt(&ok);
        if (!ok || fila < 1 || fila > 100) {
            saltar(QStringLiteral("fila ilegible «%1»").arg(campo("fila")));
            continue;
        }
        const qint32 marca = campo("marca").trimmed().toInt(&ok);
        if (!ok) {
            saltar(QStringLiteral("marca ilegible «%1»").arg(campo("marca")));
            continue;
        }
        int serie = 0;
        if (!campo("serie").trimmed().isEmpty()) {
            serie = campo("serie").trimmed().toInt(&ok);
            if (!ok || serie < 1 || serie > 8) {
                saltar(QStringLiteral("serie ilegible «%1»").arg(campo("serie")));
                continue;
            }
        }
        QStringList textos{TextoSinDefensa(campo("ejercicio")), TextoSinDefensa(campo("series")),
                           TextoSinDefensa(campo("repes")),
                           serie ? TextoSinDefensa(campo("texto")) : QString()};
        QString motivo;
        for (const QString& t : textos)
            if (motivo.isEmpty()) motivo = MotivoTextoInvalido(t);
        if (!motivo.isEmpty()) {
            saltar(motivo);
            continue;
        }
        TFilaImportada& f = dias[dia][fila - 1];
        if (f.celdas.isEmpty()) {
            f.celdas = QStringList(11);
            f.celdas[0] = textos[0];
            f.celdas[1] = textos[1];
            f.celdas[2] = textos[2];
            f.marca = marca;
            f.fila = fila - 1;
        }
        if (serie) {
            f.celdas[2 + serie] = textos[3];
            if (LeerSerie(textos[3]).valida) ++r.series;
        }
    }
    for (auto d = dias.cbegin(); d != dias.cend(); ++d) {
        TEntrenoImportado e;
        e.dia = d.key();
        for (const TFilaImportada& f : d.value())
            e.filas << f;
        r.entrenos << e;
    }
}
} // namespace

TLecturaHistorial LeerHistorial(const QByteArray& csv, TFormatoHistorial formato, bool libras) {
    TLecturaHistorial r;
    QByteArray bytes = csv;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    const QString texto = QString::fromUtf8(bytes);
    qsizetype finCabecera = 0;
    while (finCabecera < texto.size() && texto[finCabecera] != u'\r' && texto[finCabecera] != u'\n')
        ++finCabecera;
    const QStringView cabecera = QStringView(texto).left(finCabecera);
    // The older Strong export separates with ";"; the others with ",".
    const QChar separador = cabecera.count(u';') > cabecera.count(u',') ? u';' : u',';
    std::deque<QString> propios;
    const QList<TRegistro> regs = registros(texto, separador, propios);
    TColumnas col;
    if (!regs.isEmpty())
        for (int j = 0; j < regs.first().campos.size(); ++j)
            col.indice.insert(regs.first().campos[j].trimmed().toString().toLower(), j);
    auto reconoce = [&](TFormatoHistorial f) {
        switch (f) {
        case TFormatoHistorial::Strong:
            return esStrong(col);
        case TFormatoHistorial::Hevy:
            return esHevy(col);
        case TFormatoHistorial::FitNotes:
            return esFitNotes(col);
        case TFormatoHistorial::Korval:
            return esKorval(col);
        case TFormatoHistorial::Auto:
            break;
        }
        return false;
    };
    if (formato == TFormatoHistorial::Auto) {
        for (TFormatoHistorial f : {TFormatoHistorial::Korval, TFormatoHistorial::Hevy,
                                    TFormatoHistorial::Strong, TFormatoHistorial::FitNotes})
            if (reconoce(f)) {
                formato = f;
                break;
            }
        if (formato == TFormatoHistorial::Auto)
            throw ErrorKorval(QStringLiteral("No se reconoce el formato del archivo: se buscaban "
                                             "las columnas de ") +
                              QString::fromUtf8(kBuscadas));
    } else if (!reconoce(formato)) {
        throw ErrorKorval(QStringLiteral("El archivo no tiene las columnas de %1: se buscaban las "
                                         "de ")
                              .arg(NombreDeFormato(formato)) +
                          QString::fromUtf8(kBuscadas));
    }
    r.formato = formato;
    if (formato == TFormatoHistorial::Korval) {
        leerKorval(regs, col, r);
        return r;
    }

    // Every line in one shape.
    QList<TLinea> lineas;
    const bool hevy = formato == TFormatoHistorial::Hevy;
    const bool fitnotes = formato == TFormatoHistorial::FitNotes;
    const int cFecha = hevy ? col("start_time") : col("Date");
    const int cNombre = hevy ? col("title") : col("Workout Name");
    const int cEjercicio = hevy       ? col("exercise_title")
                           : fitnotes ? col("Exercise")
                                      : col("Exercise Name");
    const bool hevyLibras = hevy && col("weight_kg") < 0;
    const int cPeso = hevy ? (hevyLibras ? col("weight_lbs") : col("weight_kg")) : col("Weight");
    const int cUnidad = col("Weight Unit");
    const int cRepes = hevy ? col("reps") : col("Reps");
    const int cRpe = hevy ? col("rpe") : col("RPE");
    const int cTipo = col("set_type");
    const int cDistancia =
        hevy ? (col("distance_km") >= 0 ? col("distance_km") : col("distance_miles"))
             : col("Distance");
    const QString unidadDistanciaHevy =
        col("distance_km") >= 0 ? QStringLiteral("km") : QStringLiteral("mi");
    const int cUnidadDistancia = col("Distance Unit");
    const int cSegundos = hevy ? col("duration_seconds") : col("Seconds");
    const int cTiempo = fitnotes ? col("Time") : -1;
    QList<int> cNotas;
    for (const char* n : {"Notes", "Workout Notes", "description", "exercise_notes", "Comment"})
        if (col(n) >= 0) cNotas << col(n);
    QString fechaLeida, ejercicioLeido;
    QDateTime momentoLeido;
    for (qsizetype k = 1; k < regs.size(); ++k) {
        const TRegistro& g = regs[k];
        auto campo = [&](int c) { return c >= 0 ? g.campos.value(c).trimmed() : QStringView(); };
        auto saltar = [&](const QString& por) {
            r.saltadas << QStringLiteral("línea %1: %2").arg(g.linea).arg(por);
        };
        TLinea l;
        l.numero = g.linea;
        // The lines of a workout repeat its date: read once.
        if (const QStringView f = campo(cFecha); f != fechaLeida) {
            fechaLeida = f.toString();
            momentoLeido = fecha(f);
        }
        l.momento = momentoLeido;
        if (!l.momento.isValid()) {
            saltar(QStringLiteral("fecha ilegible «%1»").arg(campo(cFecha)));
            continue;
        }
        l.entreno = fechaLeida + u'\n' + campo(cNombre).toString();
        // Each exercise's name once, shared by its lines.
        if (campo(cEjercicio) != ejercicioLeido) ejercicioLeido = campo(cEjercicio).toString();
        l.ejercicio = ejercicioLeido;
        if (l.ejercicio.isEmpty()) {
            saltar(QStringLiteral("sin ejercicio"));
            continue;
        }
        if (const QString m = MotivoTextoInvalido(l.ejercicio); !m.isEmpty()) {
            saltar(QStringLiteral("el ejercicio «%1» no se puede guardar en una rutina (%2)")
                       .arg(l.ejercicio.left(40), m));
            continue;
        }
        if (!campo(cPeso).isEmpty() && !numero(campo(cPeso), l.peso)) {
            saltar(QStringLiteral("peso ilegible «%1»").arg(campo(cPeso)));
            continue;
        }
        l.libras = hevy           ? hevyLibras
                   : cUnidad >= 0 ? campo(cUnidad).startsWith(u"lb", Qt::CaseInsensitive)
                                  : libras;
        double repes = 0;
        if (!campo(cRepes).isEmpty() &&
            (!numero(campo(cRepes), repes) || repes != std::floor(repes) || repes < 0)) {
            saltar(QStringLiteral("repeticiones ilegibles «%1»").arg(campo(cRepes)));
            continue;
        }
        if (!campo(cDistancia).isEmpty() && !numero(campo(cDistancia), l.distancia)) {
            saltar(QStringLiteral("distancia ilegible «%1»").arg(campo(cDistancia)));
            continue;
        }
        l.unidadDistancia = hevy ? unidadDistanciaHevy
                            : cUnidadDistancia >= 0 && !campo(cUnidadDistancia).isEmpty()
                                ? campo(cUnidadDistancia).toString()
                                : (libras ? QStringLiteral("mi") : QStringLiteral("km"));
        if (cTiempo >= 0 && !campo(cTiempo).isEmpty()) {
            const QTime t = QTime::fromString(campo(cTiempo).toString(), QStringLiteral("H:mm:ss"));
            if (!t.isValid()) {
                saltar(QStringLiteral("tiempo ilegible «%1»").arg(campo(cTiempo)));
                continue;
            }
            l.segundos = t.msecsSinceStartOfDay() / 1000.0;
        } else if (!campo(cSegundos).isEmpty() && !numero(campo(cSegundos), l.segundos)) {
            saltar(QStringLiteral("segundos ilegibles «%1»").arg(campo(cSegundos)));
            continue;
        }
        const bool medida = l.distancia > 0 || l.segundos > 0;
        if (repes > 100 || (repes == 0 && !medida)) {
            saltar(repes > 100 ? QStringLiteral("%1 repeticiones: más de 100").arg(repes)
                               : QStringLiteral("una serie sin repeticiones"));
            continue;
        }
        l.repes = int(repes);
        if (!campo(cRpe).isEmpty()) {
            double rpe = 0;
            if (numero(campo(cRpe), rpe) && rpe >= 1 && rpe <= 10 && rpe * 2 == std::floor(rpe * 2))
                l.rpe = rpe;
            else
                r.omitidos << QStringLiteral("línea %1: RPE «%2» fuera de 1–10 en medios, "
                                             "se deja fuera")
                                  .arg(g.linea)
                                  .arg(campo(cRpe));
        }
        l.calentamiento = campo(cTipo).compare(u"warmup", Qt::CaseInsensitive) == 0;
        for (int c : cNotas)
            if (!campo(c).isEmpty()) {
                ++r.notas;
                break;
            }
        lineas << l;
    }

    // Workouts in time order, each exercise's sets in the order of the file.
    struct TEntreno {
        QDateTime momento;
        int primera = 0;
        QStringList orden;                             // exercises as first met
        QHash<QString, QList<TCeldaImportada>> celdas; // exercise -> its cells
    };
    QHash<QString, int> indice;
    QList<TEntreno> entrenos;
    for (const TLinea& l : lineas) {
        // FitNotes has no workouts: a day is one.
        const QString clave = fitnotes ? l.momento.date().toString(Qt::ISODate) : l.entreno;
        auto it = indice.find(clave);
        if (it == indice.end()) {
            it = indice.insert(clave, int(entrenos.size()));
            entrenos << TEntreno{l.momento, l.numero, {}, {}};
        }
        TEntreno& e = entrenos[*it];
        if (!e.celdas.contains(l.ejercicio)) e.orden << l.ejercicio;
        TCeldaImportada c;
        if (l.repes > 0) {
            TSerieImportada s;
            s.carga = l.peso;
            s.libras = l.libras;
            s.rpe = l.rpe;
            s.calentamiento = l.calentamiento;
            s.repes = l.repes;
            c.texto = CeldaDeSerie(s);
            c.esSerie = true;
            c.calentamiento = l.calentamiento;
            c.repes = l.repes;
            ++r.series;
        } else {
            QStringList partes;
            if (l.distancia > 0) partes << CifraDeHoja(l.distancia) + u' ' + l.unidadDistancia;
            if (l.segundos > 0) partes << duracion(l.segundos);
            c.texto = partes.join(u' ');
            // Never a text the reader would take for a set, nor one the file cannot hold.
            if (LeerSerie(c.texto).valida || !MotivoTextoInvalido(c.texto).isEmpty()) {
                r.saltadas << QStringLiteral("línea %1: distancia o tiempo que no se puede "
                                             "guardar «%2»")
                                  .arg(l.numero)
                                  .arg(c.texto);
                continue;
            }
        }
        e.celdas[l.ejercicio] << c;
    }
    std::stable_sort(entrenos.begin(), entrenos.end(), [](const TEntreno& a, const TEntreno& b) {
        return a.momento != b.momento ? a.momento < b.momento : a.primera < b.primera;
    });
    for (const TEntreno& e : entrenos) {
        TEntrenoImportado w;
        w.dia = e.momento.date();
        for (const QString& ejercicio : e.orden)
            for (const QStringList& f : FilasDeEjercicio(ejercicio, e.celdas.value(ejercicio)))
                w.filas << TFilaImportada{f, 0, -1};
        r.entrenos << w;
    }
    return r;
}

TAnadido AnadirEntrenos(TTabla& A, TMarcas& C, const QList<QList<TFilaImportada>>& entrenos) {
    TAnadido r;
    // The rows the day holds, as a multiset of their exact text: a workout whose rows are all
    // there was imported before. An empty row counts by its mark (KORVAL's own CSV brings marked
    // empty rows back).
    auto clave = [](const QStringList& celdas, qint32 marca) {
        return FilaVacia(celdas) ? celdas + QStringList{QString::number(marca)} : celdas;
    };
    QHash<QStringList, int> habia;
    int ultima = -1;
    for (int i = 0; i < A.size(); ++i) {
        if (!FilaVacia(A[i]) || C[i] != 0) {
            habia[clave(A[i], C[i])] += 1;
            ultima = i;
        }
    }
    QList<const TFilaImportada*> nuevas;
    for (const QList<TFilaImportada>& filas : entrenos) {
        QHash<QStringList, int> quedan = habia;
        bool todas = !filas.isEmpty();
        for (const TFilaImportada& f : filas) {
            auto h = quedan.find(clave(f.celdas, f.marca));
            if (h == quedan.end() || *h == 0) {
                todas = false;
                break;
            }
            --*h;
        }
        if (todas) {
            habia = quedan;
            ++r.repetidos;
            continue;
        }
        for (const TFilaImportada& f : filas)
            nuevas << &f;
    }
    r.filasNuevas = int(nuevas.size());
    if (nuevas.isEmpty()) return r;
    // KORVAL's own rows keep their places in a day with no routine; the others follow its last.
    const bool enSuSitio =
        ultima < 0 && std::all_of(nuevas.begin(), nuevas.end(), [&A](const TFilaImportada* f) {
            return f->fila >= 0 && f->fila < A.size();
        });
    if (!enSuSitio && ultima + 1 + nuevas.size() > A.size()) {
        r.noCabe = true;
        return r;
    }
    int i = ultima + 1;
    for (const TFilaImportada* f : nuevas) {
        const int donde = enSuSitio ? f->fila : i++;
        A[donde] = f->celdas;
        C[donde] = f->marca;
    }
    r.cambia = true;
    return r;
}

TPlanImportacion PlanearImportacion(TLecturaHistorial lectura, const QString& carpeta,
                                    const QString& usuario) {
    TPlanImportacion plan;
    QSet<QString> ejercicios;
    QMap<QDate, QList<const TEntrenoImportado*>> porDia;
    for (const TEntrenoImportado& e : lectura.entrenos) {
        porDia[e.dia] << &e;
        for (const TFilaImportada& f : e.filas)
            if (!f.celdas.value(0).isEmpty()) ejercicios.insert(f.celdas[0]);
    }
    plan.ejercicios = int(ejercicios.size());
    for (auto it = porDia.cbegin(); it != porDia.cend(); ++it) {
        TPlanDia d;
        d.dia = it.key();
        for (const TEntrenoImportado* e : it.value())
            d.entrenos << e->filas;
        d.ruta = CombinePath(carpeta, DayStamp(d.dia) + usuario + QStringLiteral(".kvr"));
        d.existe = QFileInfo::exists(d.ruta);
        // What the day would become, worked out on the routine as it is now and not kept: the
        // import works it out again on the disk version when it writes the day.
        TTabla A;
        TMarcas C;
        if (!d.existe) {
            A = TRutina::Vacia(100, 11).A;
            C = TMarcas(100, 0);
        } else {
            try {
                LeerFilasDeRutina(d.ruta, A, C);
            } catch (const ErrorKorval& e) {
                d.error = e.mensaje();
                plan.dias << std::move(d);
                continue;
            }
        }
        const TAnadido anadido = AnadirEntrenos(A, C, d.entrenos);
        d.cambia = anadido.cambia;
        d.noCabe = anadido.noCabe;
        d.repetidos = anadido.repetidos;
        d.filasNuevas = anadido.filasNuevas;
        plan.dias << std::move(d);
    }
    plan.lectura = std::move(lectura);
    return plan;
}

QString ResumenImportacion(const TPlanImportacion& plan, const QList<QDate>* hechos,
                           const QStringList* fallidos) {
    const TLecturaHistorial& l = plan.lectura;
    QStringList r;
    r << QStringLiteral("Formato: %1").arg(NombreDeFormato(l.formato));
    auto texto = [](const QDate& d) { return d.toString(Qt::ISODate); };
    if (plan.dias.isEmpty()) {
        r << QStringLiteral("No hay nada que importar.");
    } else {
        r << QStringLiteral("Días: %1 (del %2 al %3); ejercicios: %4; series: %5")
                 .arg(plan.dias.size())
                 .arg(texto(plan.dias.first().dia), texto(plan.dias.last().dia))
                 .arg(plan.ejercicios)
                 .arg(l.series);
    }
    QStringList conRutina, iguales, noCaben, ilegibles;
    int cambian = 0;
    for (const TPlanDia& d : plan.dias) {
        if (d.cambia) ++cambian;
        if (d.existe && d.cambia) conRutina << texto(d.dia);
        if (!d.cambia && d.error.isEmpty() && !d.noCabe) iguales << texto(d.dia);
        if (d.noCabe) noCaben << texto(d.dia);
        if (!d.error.isEmpty()) ilegibles << texto(d.dia) + QStringLiteral(": ") + d.error;
    }
    r << QStringLiteral("Días que se escriben: %1").arg(cambian);
    if (!conRutina.isEmpty())
        r << QStringLiteral("Días que ya tienen rutina (las filas se añaden al final): ") +
                 conRutina.join(QStringLiteral(", "));
    if (!iguales.isEmpty())
        r << QStringLiteral("Días ya importados, que no cambian: ") +
                 iguales.join(QStringLiteral(", "));
    if (!noCaben.isEmpty())
        r << QStringLiteral("Días en los que no caben las filas, que se dejan como estaban: ") +
                 noCaben.join(QStringLiteral(", "));
    if (!ilegibles.isEmpty())
        r << QStringLiteral("Días cuya rutina no se pudo leer, que se dejan como estaban: ") +
                 ilegibles.join(QStringLiteral("; "));
    if (!l.saltadas.isEmpty()) {
        r << QStringLiteral("Líneas saltadas: %1").arg(l.saltadas.size());
        for (const QString& s : l.saltadas)
            r << QStringLiteral("  ") + s;
    }
    if (!l.omitidos.isEmpty()) {
        r << QStringLiteral("Datos que se dejan fuera: %1").arg(l.omitidos.size());
        for (const QString& s : l.omitidos)
            r << QStringLiteral("  ") + s;
    }
    if (l.notas > 0) r << QStringLiteral("Notas que no se importan: %1").arg(l.notas);
    if (hechos) r << QStringLiteral("Días escritos: %1").arg(hechos->size());
    if (fallidos && !fallidos->isEmpty()) {
        r << QStringLiteral("Días que no se pudieron escribir, que se dejan como estaban:");
        for (const QString& f : *fallidos)
            r << QStringLiteral("  ") + f;
    }
    return r.join(u'\n');
}

void ImportarDia(const TPlanDia& dia, const QString& carpeta, const QString& usuario,
                 const QDateTime& momento, int esperaMs) {
    // Never through a planted link, not even to copy what it leads to.
    ComprobarEnlaceDeDatos(dia.ruta);
    TRutina r = TRutina::Vacia(100, 11);
    r.usuario = usuario;
    r.dia = dia.dia;
    CargarRutina(r, dia.ruta);
    // The rows go onto the routine as it is now, not as the preview read it: another program
    // may have changed it since.
    TTabla A = r.A;
    TMarcas C = r.C;
    const TAnadido anadido = AnadirEntrenos(A, C, dia.entrenos);
    if (anadido.noCabe)
        throw ErrorKorval(QStringLiteral("las filas ya no caben: la rutina cambió desde la vista "
                                         "previa"));
    if (!anadido.cambia) return;
    // The version before the import is kept; a day made anew has none.
    if (r.identidad.existe) RespaldarArchivo(carpeta, r.ruta, momento);
    const TGuardado g = GuardarCambio(r, TCambio::DeTodo(r, A, C), carpeta, momento, esperaMs);
    if (!g.guardado)
        throw ErrorKorval(QStringLiteral("Otro programa cambió la rutina mientras se importaba"));
    if (!g.errorTrasGuardar.isEmpty()) throw ErrorKorval(g.errorTrasGuardar);
}
