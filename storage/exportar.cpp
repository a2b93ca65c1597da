#include "storage/exportar.h"

#include "general/errores.h"
#include "storage/archivo_es.h"
#include "storage/historia.h"
#include "storage/rutina_archivo.h"

#include <QDir>
#include <QFileInfo>

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

void ExportarCsv(const QString& carpeta, const QString& usuario, const QString& destino,
                 QStringList* fallidos) {
    if (const QString motivo = MotivoDestinoCsv(carpeta, destino); !motivo.isEmpty())
        throw ErrorKorval(motivo);
    const QByteArray csv = CsvDeUsuario(carpeta, usuario, fallidos);
    try {
        ReemplazarArchivo(QFileInfo(destino).absoluteFilePath(), csv);
    } catch (const ErrorKorval& e) {
        throw ErrorKorval(QStringLiteral("No se puede escribir %1: %2")
                              .arg(QDir::toNativeSeparators(destino), e.mensaje()));
    }
}
