#include "storage/rutina.h"

#include "general/general.h"
#include "storage/errores.h"
#include "storage/respaldo.h"

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
        r.respaldar = !CargarRutina(ruta, r.A, r.C, filas, columnas);
    } catch (...) {
        // The sheet does not hold all of this file: before a save replaces it, keep a copy.
        r.respaldar = estaArchivo(ruta);
        throw;
    }
}

void GuardarRutina(TRutina& r, const QString& carpetaDatos, const QDateTime& momento) {
    if (r.ruta.isEmpty())
        throw ErrorKorval(QStringLiteral("Elige o crea un usuario antes de escribir"));
    if (r.respaldar) {
        RespaldarArchivo(carpetaDatos, r.ruta, momento);
        r.respaldar = false;
    }
    GuardarRutina(r.ruta, r.A, r.C, r.filas(), r.columnas());
}
