#include "storage/exportar.h"

#include "storage/archivo_es.h"
#include "storage/errores.h"
#include "storage/historia.h"
#include "storage/rutina_archivo.h"

#include <QDir>
#include <QFileInfo>

QMap<QDate, QString> RutinasDeUsuario(const QString& carpeta, const QString& usuario) {
    QMap<QDate, QString> r;
    const QString sufijo = usuario + QStringLiteral(".kvr");
    for (const QString& nombre : QDir(carpeta).entryList({QStringLiteral("*.kvr")}, QDir::Files)) {
        // Eight digits of a real day, then exactly this user's name.
        if (nombre.size() != 8 + sufijo.size() || !nombre.endsWith(sufijo)) continue;
        const QDate dia = QDate::fromString(nombre.left(8), QStringLiteral("yyyyMMdd"));
        if (dia.isValid()) r.insert(dia, carpeta + u'/' + nombre);
    }
    return r;
}

// A field as RFC 4180 wants it: quoted when it holds a comma, a quote or a line end.
static QString campo(const QString& texto) {
    if (!texto.contains(u',') && !texto.contains(u'"') && !texto.contains(u'\r') &&
        !texto.contains(u'\n'))
        return texto;
    QString r = texto;
    r.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + r + u'"';
}

QByteArray CsvDeUsuario(const QString& carpeta, const QString& usuario, QStringList* fallidos) {
    QString csv = QStringLiteral("fecha,usuario,ejercicio,series,repes,serie,peso,texto,marca\r\n");
    const QMap<QDate, QString> rutinas = RutinasDeUsuario(carpeta, usuario);
    for (auto it = rutinas.cbegin(); it != rutinas.cend(); ++it) {
        TTabla A;
        TMarcas C;
        try {
            const QByteArray bytes = LeerArchivoEntero(
                it.value(), nullptr, kTamMaximoRutina,
                QStringLiteral("El archivo es demasiado grande para ser una rutina"));
            try {
                LeerRutina(bytes, A, C, 100, 11);
            } catch (const ErrorConversion&) {
                // A bad mark reads 0; the rows are there.
            }
        } catch (const ErrorKorval& e) {
            if (fallidos) *fallidos << QFileInfo(it.value()).fileName() + ": " + e.mensaje();
            continue;
        }
        const QString fecha = it.key().toString(Qt::ISODate);
        for (int i = 0; i < A.size(); ++i) {
            const QStringList& c = A[i];
            bool vacia = true;
            for (const QString& t : c)
                vacia = vacia && t.isEmpty();
            if (vacia) continue;
            const QString inicio = fecha + u',' + campo(usuario) + u',' + campo(c[0]) + u',' +
                                   campo(c[1]) + u',' + campo(c[2]) + u',';
            const QString fin = u',' + QString::number(C[i]) + QStringLiteral("\r\n");
            bool alguna = false;
            for (int j = 3; j < c.size(); ++j) {
                if (c[j].isEmpty()) continue;
                alguna = true;
                double peso;
                const QString numero =
                    LeerPeso(c[j], peso) ? QString::number(peso, 'g', 15) : QString();
                csv += inicio + QString::number(j - 2) + u',' + numero + u',' + campo(c[j]) + fin;
            }
            if (!alguna) csv += inicio + QStringLiteral(",,") + fin;
        }
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + csv.toUtf8();
}
