#include "storage/respaldo.h"

#include "general/errores.h"
#include "general/general.h"
#include "storage/archivo_es.h"
#include "storage/enlaces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString CarpetaDeRespaldos(const QString& carpetaDatos) {
    const QString carpeta = CombinePath(carpetaDatos, kCarpetaRespaldos);
    // The copies stay inside the data folder: a "respaldos" that is a link is not followed.
    if (QFileInfo(carpeta).isSymLink())
        throw ErrorKorval(QStringLiteral("la carpeta respaldos es un enlace"));
    if (!QFileInfo(carpeta).isDir() && !QDir().mkdir(carpeta))
        throw ErrorKorval(QStringLiteral("No se puede crear la carpeta ") + carpeta);
    return carpeta;
}

QString RespaldarArchivo(const QString& carpetaDatos, const QString& ruta,
                         const QDateTime& momento) {
    if (!QFileInfo(ruta).isFile()) return QString();
    try {
        ComprobarEnlaceDeDatos(ruta);
        const QString carpeta = CarpetaDeRespaldos(carpetaDatos);
        const QByteArray bytes = LeerCopiaExacta(ruta);
        // "20230102Ana.kvr" -> "20230102Ana-<moment>.kvr", "USRS.kvldat" -> "USRS-<moment>.kvldat".
        const QFileInfo info(ruta);
        const QString extension = u'.' + info.suffix();
        const QString sello =
            info.completeBaseName() + u'-' + momento.toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString destino = CombinePath(carpeta, sello + extension);
        // Two replacements within one second keep both copies.
        for (int n = 2; QFileInfo::exists(destino); ++n)
            destino = CombinePath(carpeta, sello + QStringLiteral("-%1").arg(n) + extension);
        ReemplazarArchivo(destino, bytes);
        return destino;
    } catch (const ErrorKorval& e) {
        throw ErrorKorval(
            QStringLiteral(
                "No se pudo guardar una copia de la rutina que se iba a reemplazar (%1); "
                "no se ha cambiado nada")
                .arg(e.mensaje()));
    }
}

QString ResumenRutina(const QDate& dia, const QString& usuario, const TTabla& A) {
    QStringList lineas;
    lineas << DameDiaDeLaSemana(dia) + u' ' + dia.toString(QStringLiteral("yyyy-MM-dd")) +
                  QStringLiteral(" para ") + usuario;
    for (const QStringList& fila : A) {
        auto celda = [&](int j) { return j < fila.size() ? fila[j] : QString(); };
        QStringList partes;
        if (!celda(0).isEmpty()) partes << celda(0);
        if (!celda(1).isEmpty() || !celda(2).isEmpty())
            partes << celda(1) + QStringLiteral(" x ") + celda(2);
        QStringList pesos;
        for (int j = 3; j < fila.size(); ++j)
            if (!fila[j].isEmpty()) pesos << fila[j];
        if (!pesos.isEmpty()) partes << pesos.join(QStringLiteral(" / "));
        if (!partes.isEmpty()) lineas << partes.join(QStringLiteral(" - "));
    }
    return lineas.join(u'\n') + u'\n';
}
