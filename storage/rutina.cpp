#include "storage/rutina.h"

#include "general/general.h"
#include "storage/errores.h"
#include "storage/respaldo.h"

TRutina TRutina::Vacia(int filas, int columnas) {
    TRutina r;
    r.A = TTabla(filas, QStringList(columnas));
    r.C = TMarcas(filas, 0);
    r.baseA = r.A;
    r.baseC = r.C;
    return r;
}

void CargarRutina(TRutina& r, const QString& ruta) {
    const int filas = r.filas();
    const int columnas = r.columnas();
    r.ruta = ruta;
    r.respaldar = false;
    // Whatever happens, the base is what the sheet then shows.
    struct Base {
        TRutina& r;
        ~Base() {
            r.baseA = r.A;
            r.baseC = r.C;
        }
    } base{r};
    try {
        r.respaldar = !CargarRutina(ruta, r.A, r.C, filas, columnas, &r.identidad);
    } catch (...) {
        // The sheet does not hold all of this file: before a save replaces it, keep a copy.
        r.respaldar = estaArchivo(ruta);
        r.identidad = IdentidadDe(ruta);
        throw;
    }
}

// Applies the change made in `r` (against its base) onto the disk version `d`; true when the
// disk changed one of the same places too.
static bool aplicar(const TRutina& r, const TCambio& c, TRutina& d) {
    auto celdaChoca = [&](int f, int j) {
        return d.A[f][j] != r.baseA[f][j] && d.A[f][j] != r.A[f][j];
    };
    auto marcaChoca = [&](int f) { return d.C[f] != r.baseC[f] && d.C[f] != r.C[f]; };
    bool choque = false;
    switch (c.tipo) {
    case TCambio::Celdas:
        for (const auto& [f, j] : c.celdas) {
            choque = choque || celdaChoca(f, j);
            d.A[f][j] = r.A[f][j];
        }
        break;
    case TCambio::Marca:
        choque = marcaChoca(c.fila);
        d.C[c.fila] = r.C[c.fila];
        break;
    case TCambio::Intercambio:
        // The rows' cells move as they are on disk now (marks stay, as on the sheet): nothing
        // of either side is lost.
        std::swap(d.A[c.fila], d.A[c.otraFila]);
        break;
    case TCambio::Todo:
        choque = d.A != r.baseA || d.C != r.baseC;
        d.A = r.A;
        d.C = r.C;
        break;
    }
    return choque;
}

TResultadoGuardado GuardarRutina(TRutina& r, const TCambio& cambio, const QString& carpetaDatos,
                                 const QDateTime& momento) {
    if (r.ruta.isEmpty())
        throw ErrorKorval(QStringLiteral("Elige o crea un usuario antes de escribir"));
    TResultadoGuardado resultado;
    const TCerrojo cerrojo(carpetaDatos);
    const TIdentidad ahora = IdentidadDe(r.ruta);
    // Another program's version (a file that vanished is simply written again).
    if (ahora.existe && ahora != r.identidad) {
        TRutina disco = TRutina::Vacia(r.filas(), r.columnas());
        CargarRutina(disco, r.ruta);
        if (aplicar(r, cambio, disco)) {
            resultado.copia = RespaldarArchivo(carpetaDatos, r.ruta, momento);
            disco.respaldar = false;
        }
        r.A = disco.A;
        r.C = disco.C;
        r.respaldar = disco.respaldar;
        resultado.fusionado = true;
    }
    if (r.respaldar) {
        RespaldarArchivo(carpetaDatos, r.ruta, momento);
        r.respaldar = false;
    }
    ReemplazarArchivo(r.ruta, FormatearRutina(r.A, r.C, r.filas(), r.columnas()), &r.identidad);
    r.baseA = r.A;
    r.baseC = r.C;
    return resultado;
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
