#include "storage/exportar.h"

#include "storage/archivo_es.h"
#include "storage/errores.h"
#include "storage/historia.h"
#include "storage/rutina_archivo.h"

#include <QDir>
#include <QFileInfo>

// The day of a routine file's first eight characters ("20230102"); invalid when they are not
// the digits of a real day.
static QDate diaDeNombre(const QString& nombre) {
    int v[3] = {0, 0, 0};
    for (int i = 0; i < 8; ++i) {
        const char16_t c = nombre[i].unicode();
        if (c < u'0' || c > u'9') return QDate();
        int& parte = v[i < 4 ? 0 : i < 6 ? 1 : 2];
        parte = parte * 10 + (c - u'0');
    }
    return QDate(v[0], v[1], v[2]);
}

QMap<QDate, QString> RutinasDeUsuario(const QString& carpeta, const QString& usuario) {
    QMap<QDate, QString> r;
    const QString sufijo = usuario + QStringLiteral(".kvr");
    for (const QString& nombre : QDir(carpeta).entryList({QStringLiteral("*.kvr")}, QDir::Files)) {
        // Eight digits of a real day, then exactly this user's name.
        if (nombre.size() != 8 + sufijo.size() || !nombre.endsWith(sufijo)) continue;
        const QDate dia = diaDeNombre(nombre);
        if (dia.isValid()) r.insert(dia, carpeta + u'/' + nombre);
    }
    return r;
}

// Appends a field as RFC 4180 wants it: quoted when it holds a comma, a quote or a line end.
static void campo(QString& destino, const QString& texto) {
    bool comillas = false;
    for (QChar ch : texto)
        if (ch == u',' || ch == u'"' || ch == u'\r' || ch == u'\n') {
            comillas = true;
            break;
        }
    if (!comillas) {
        destino += texto;
        return;
    }
    destino += u'"';
    for (QChar ch : texto) {
        if (ch == u'"') destino += u'"';
        destino += ch;
    }
    destino += u'"';
}

QByteArray CsvDeUsuario(const QString& carpeta, const QString& usuario, QStringList* fallidos) {
    QString csv = QStringLiteral("fecha,usuario,ejercicio,series,repes,serie,peso,texto,marca\r\n");
    const QMap<QDate, QString> rutinas = RutinasDeUsuario(carpeta, usuario);
    QString numero;
    for (auto it = rutinas.cbegin(); it != rutinas.cend(); ++it) {
        TTabla A;
        TMarcas C;
        try {
            LeerFilasDeRutina(it.value(), A, C);
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
            // What every line of the row begins and ends with, appended piece by piece: ten
            // years are a hundred thousand lines.
            QString inicio = fecha;
            for (const QString* t : {&usuario, &c[0], &c[1], &c[2]}) {
                inicio += u',';
                campo(inicio, *t);
            }
            inicio += u',';
            const QString fin = u',' + QString::number(C[i]) + QStringLiteral("\r\n");
            bool alguna = false;
            for (int j = 3; j < c.size(); ++j) {
                if (c[j].isEmpty()) continue;
                alguna = true;
                if (!NumeroDePeso(c[j], &numero)) numero.clear();
                csv += inicio;
                const int serie = j - 2;
                if (serie < 10)
                    csv += QChar(char16_t(u'0' + serie));
                else
                    csv += QString::number(serie);
                csv += u',';
                csv += numero;
                csv += u',';
                campo(csv, c[j]);
                csv += fin;
            }
            if (!alguna) {
                csv += inicio;
                csv += QStringLiteral(",,");
                csv += fin;
            }
        }
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + csv.toUtf8();
}

QString MotivoDestinoCsv(const QString& carpeta, const QString& destino) {
    const QString datos = QFileInfo(carpeta).canonicalFilePath();
    if (datos.isEmpty()) return QString();
    // Where the bytes would land: a link is followed, as the save follows it.
    QFileInfo d(destino);
    for (int saltos = 0; saltos < 40 && d.isSymLink(); ++saltos)
        d = QFileInfo(d.symLinkTarget());
    const QString donde =
        d.exists() ? d.canonicalFilePath() : QFileInfo(d.absolutePath()).canonicalFilePath();
    if (donde.isEmpty() || (donde != datos && !donde.startsWith(datos + u'/'))) return QString();
    return QStringLiteral("No se puede exportar dentro de la carpeta de datos: ") + destino;
}
