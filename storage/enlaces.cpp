#include "storage/enlaces.h"

#include "general/errores.h"
#include "storage/lista_usuarios.h"

#include <QDir>
#include <QFileInfo>

bool EsNombreDeRutina(const QString& nombre) {
    if (nombre.size() <= 8 + 4 || !nombre.endsWith(QLatin1String(".kvr"))) return false;
    for (int i = 0; i < 8; ++i)
        if (nombre[i] < u'0' || nombre[i] > u'9') return false;
    return true;
}

// 1 a routine, 2 the user list, 0 anything else.
static int claseDe(const QString& nombre) {
    if (nombre == kArchivoUsuarios) return 2;
    return EsNombreDeRutina(nombre) ? 1 : 0;
}

void ComprobarEnlaceDeDatos(const QString& ruta) {
    const QFileInfo enlace(ruta);
    if (!enlace.isSymLink()) return;
    // The end of the chain of links, which may not exist yet.
    QString destino = ruta;
    for (int saltos = 0; saltos < 40 && QFileInfo(destino).isSymLink(); ++saltos)
        destino = QFileInfo(destino).symLinkTarget();
    const QFileInfo fin(destino);
    const QString carpeta = QFileInfo(enlace.absolutePath()).canonicalFilePath();
    const QString suya = QFileInfo(fin.absolutePath()).canonicalFilePath();
    const int clase = claseDe(enlace.fileName());
    if (fin.isSymLink() || carpeta.isEmpty() || suya != carpeta || clase == 0 ||
        claseDe(fin.fileName()) != clase)
        throw ErrorKorval(
            QStringLiteral("«%1» es un enlace a %2, fuera de los archivos de la "
                           "carpeta de datos: no se lee ni se escribe")
                .arg(enlace.fileName(), QDir::toNativeSeparators(enlace.symLinkTarget())));
}
