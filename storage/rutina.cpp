#include "storage/rutina.h"

#include "general/errores.h"
#include "general/general.h"
#include "storage/enlaces.h"
#include "storage/respaldo.h"

#include <QSet>

TRutina TRutina::Vacia(int filas, int columnas) {
    TRutina r;
    r.A = TTabla(filas, QStringList(columnas));
    r.C = TMarcas(filas, 0);
    return r;
}

void CargarRutina(TRutina& r, const QString& ruta) {
    const int filas = r.filas();
    const int columnas = r.columnas();
    r.ruta = ruta;
    r.respaldar = false;
    try {
        // A link out of the folder's files: the day reads as unreadable, and nothing is read
        // or copied from behind it.
        ComprobarEnlaceDeDatos(ruta);
        r.respaldar = !CargarTabla(ruta, r.A, r.C, filas, columnas, &r.identidad);
    } catch (...) {
        // The sheet does not hold all of this file: before a save replaces it, keep a copy.
        r.respaldar = estaArchivo(ruta);
        r.identidad = IdentidadDe(ruta);
        throw;
    }
}

static void comprobarFila(const TRutina& r, int fila) {
    if (fila < 0 || fila >= r.filas()) throw ErrorKorval(QStringLiteral("La fila no existe"));
}

TCambio TCambio::DeCeldas(const TRutina& r, const QList<TCeldaNueva>& celdas) {
    TCambio c;
    c.tipo = Celdas;
    c.base = r.A;
    for (const TCeldaNueva& n : celdas) {
        if (n.fila < 0 || n.fila >= r.filas() || n.columna < 0 || n.columna >= r.columnas())
            throw ErrorKorval(QStringLiteral("La celda no existe"));
        auto it = std::find_if(c.filas.begin(), c.filas.end(),
                               [&](const TFila& f) { return f.fila == n.fila; });
        if (it == c.filas.end())
            it = c.filas.insert(c.filas.end(), {n.fila, r.A[n.fila], r.A[n.fila]});
        it->despues[n.columna] = n.texto;
    }
    return c;
}

TCambio TCambio::DeMarca(const TRutina& r, int fila, qint32 marca) {
    comprobarFila(r, fila);
    TCambio c;
    c.tipo = Marca;
    c.filaMarca = fila;
    c.marcaAntes = r.C[fila];
    c.marcaDespues = marca;
    return c;
}

TCambio TCambio::DeIntercambio(const TRutina& r, int f1, int f2) {
    comprobarFila(r, f1);
    comprobarFila(r, f2);
    TCambio c;
    c.tipo = Intercambio;
    c.base = r.A;
    c.filas = {{f1, r.A[f1], r.A[f2]}, {f2, r.A[f2], r.A[f1]}};
    return c;
}

TCambio TCambio::DeTodo(const TRutina& r, const TTabla& A, const TMarcas& C) {
    TCambio c;
    c.tipo = Todo;
    c.antesA = r.A;
    c.antesC = r.C;
    c.despuesA = A;
    c.despuesC = C;
    return c;
}

TCambio TCambio::Inverso() const {
    TCambio c = *this;
    // Undone, the change finds the rows as it left them.
    for (TFila& f : c.filas) {
        if (f.fila >= 0 && f.fila < c.base.size()) c.base[f.fila] = f.despues;
        std::swap(f.antes, f.despues);
    }
    std::swap(c.marcaAntes, c.marcaDespues);
    std::swap(c.antesA, c.despuesA);
    std::swap(c.antesC, c.despuesC);
    return c;
}

bool TCambio::Nulo() const {
    switch (tipo) {
    case Celdas:
    case Intercambio:
        return std::all_of(filas.begin(), filas.end(),
                           [](const TFila& f) { return f.antes == f.despues; });
    case Marca:
        return marcaAntes == marcaDespues;
    case Todo:
        return antesA == despuesA && antesC == despuesC;
    }
    return false;
}

bool FilaVacia(const QStringList& fila) {
    return std::all_of(fila.begin(), fila.end(), [](const QString& t) { return t.isEmpty(); });
}

int DondeEstaFila(const TTabla& A, const TTabla& base, const QStringList& antes, int f,
                  const QSet<int>& usadas) {
    const int n = int(A.size());
    if (f < 0 || f >= n) return -1;
    const bool libre = !usadas.contains(f);
    // Still there, or edited there in other cells (the exercise is the same): merged there.
    // An empty row is a place, not an exercise: it is never followed.
    if (libre && (A[f] == antes || FilaVacia(antes) || A[f][0] == antes[0])) return f;
    // Moved: the nearest position that holds the row unchanged.
    for (int d = 1; d < n; ++d) {
        for (const int g : {f - d, f + d})
            if (g >= 0 && g < n && !usadas.contains(g) && A[g] == antes) return g;
        if (f - d < 0 && f + d >= n) break;
    }
    if (!libre || FilaVacia(A[f])) return -1; // deleted
    // Another of the routine's exercises is there now: this one moved and was edited, or went.
    const QString& ahora = A[f][0];
    if (!ahora.isEmpty())
        for (int g = 0; g < base.size(); ++g)
            if (g != f && !base[g].isEmpty() && base[g][0] == ahora) return -1;
    // The name itself was edited in place.
    return f;
}

static QString ejercicioDe(const TCambio::TFila& f) {
    return f.antes.isEmpty() ? QString() : f.antes.first();
}

bool AplicarCambio(TRutina& d, const TCambio& c, bool* choque, QString* perdido) {
    bool choca = false;
    // The other program made the same exchange: nothing is left to do.
    if (c.tipo == TCambio::Intercambio &&
        std::all_of(c.filas.begin(), c.filas.end(), [&](const TCambio::TFila& f) {
            return f.fila >= 0 && f.fila < d.A.size() && d.A[f.fila] == f.despues;
        })) {
        if (choque) *choque = false;
        return true;
    }
    // Every row is found before any changes: a change is carried whole or not at all.
    QList<int> destinos;
    QSet<int> usadas;
    for (const TCambio::TFila& f : c.filas) {
        const int p = DondeEstaFila(d.A, c.base, f.antes, f.fila, usadas);
        if (p < 0) {
            if (perdido) *perdido = ejercicioDe(f);
            return false;
        }
        destinos << p;
        usadas << p;
    }
    switch (c.tipo) {
    case TCambio::Celdas:
        for (qsizetype k = 0; k < c.filas.size(); ++k) {
            const TCambio::TFila& f = c.filas[k];
            QStringList& fila = d.A[destinos[k]];
            for (qsizetype j = 0; j < f.despues.size() && j < fila.size(); ++j) {
                if (f.antes[j] == f.despues[j]) continue;
                choca = choca || (fila[j] != f.antes[j] && fila[j] != f.despues[j]);
                fila[j] = f.despues[j];
            }
        }
        break;
    case TCambio::Marca:
        if (c.filaMarca < 0 || c.filaMarca >= d.C.size()) return false;
        choca = d.C[c.filaMarca] != c.marcaAntes && d.C[c.filaMarca] != c.marcaDespues;
        d.C[c.filaMarca] = c.marcaDespues;
        break;
    case TCambio::Intercambio:
        if (destinos.size() != 2) return false;
        // The two rows must still be as far apart as on the sheet (next to each other).
        if (std::abs(destinos[0] - destinos[1]) != std::abs(c.filas[0].fila - c.filas[1].fila)) {
            if (perdido) *perdido = ejercicioDe(c.filas[destinos[0] == c.filas[0].fila ? 1 : 0]);
            return false;
        }
        // The rows move as they are on disk now (marks stay, as on the sheet): nothing of either
        // side is lost.
        std::swap(d.A[destinos[0]], d.A[destinos[1]]);
        break;
    case TCambio::Todo:
        // A save without a change writes what is on disk as it is.
        if (c.despuesA == c.antesA && c.despuesC == c.antesC) break;
        choca = d.A != c.antesA || d.C != c.antesC;
        d.A = c.despuesA;
        d.C = c.despuesC;
        break;
    }
    if (choque) *choque = choca;
    return true;
}

TGuardado GuardarCambio(const TRutina& r, const TCambio& cambio, const QString& carpetaDatos,
                        const QDateTime& momento, int esperaMs) {
    if (r.ruta.isEmpty())
        throw ErrorKorval(QStringLiteral("Elige o crea un usuario antes de escribir"));
    ComprobarEnlaceDeDatos(r.ruta);
    TGuardado g;
    g.rutina = r;
    const TCerrojo cerrojo(carpetaDatos, esperaMs);
    const TIdentidad ahora = IdentidadDe(r.ruta);
    bool choque = false;
    // Another program's version (a file that vanished is simply written again).
    if (ahora.existe && ahora != r.identidad) {
        TRutina disco = TRutina::Vacia(r.filas(), r.columnas());
        disco.usuario = r.usuario;
        disco.dia = r.dia;
        CargarRutina(disco, r.ruta);
        g.fusionado = true;
        if (!AplicarCambio(disco, cambio, &choque, &g.perdido)) {
            g.rutina = disco;
            return g;
        }
        g.rutina = disco;
        if (choque) {
            g.copia = RespaldarArchivo(carpetaDatos, r.ruta, momento);
            g.rutina.respaldar = false;
        }
    } else if (!AplicarCambio(g.rutina, cambio, &choque, &g.perdido)) {
        // Made on another version than the one held: nothing is written.
        g.rutina = r;
        return g;
    }
    if (g.rutina.respaldar) {
        RespaldarArchivo(carpetaDatos, r.ruta, momento);
        g.rutina.respaldar = false;
    }
    try {
        ReemplazarArchivo(r.ruta, FormatearRutina(g.rutina.A, g.rutina.C, r.filas(), r.columnas()),
                          &g.rutina.identidad);
    } catch (const ErrorTrasReemplazar& e) {
        g.errorTrasGuardar = e.mensaje();
    }
    g.guardado = true;
    return g;
}

QString SinFinDeLineaFinal(QString texto) {
    if (texto.endsWith(QLatin1String("\r\n")))
        texto.chop(2);
    else if (texto.endsWith(u'\n') || texto.endsWith(u'\r'))
        texto.chop(1);
    return texto;
}

QList<QStringList> FilasDePegado(const QString& texto) {
    QString t = SinFinDeLineaFinal(texto);
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    QList<QStringList> filas;
    for (const QString& linea : t.split(u'\n'))
        filas << linea.split(u'\t');
    return filas;
}
