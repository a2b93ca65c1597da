#include "storage/exportar.h"

#include "general/errores.h"
#include "storage/archivo_es.h"
#include "storage/historia.h"
#include "storage/marcas.h"
#include "storage/rutina_archivo.h"
#include "storage/serie.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

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

// A text field a spreadsheet would run as a formula ("=", "+", "-", "@", a tab or a carriage
// return first, after any quotes of its own) gets one more "'" in front.
static void texto(QString& destino, const QString& t) {
    qsizetype k = 0;
    while (k < t.size() && t[k] == u'\'')
        ++k;
    if (k < t.size()) {
        const QChar c = t[k];
        if (c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r') {
            campo(destino, u'\'' + t);
            return;
        }
    }
    campo(destino, t);
}

// A number as plain decimal text with a point: "60", "61.234970".
static QString decimal(double v) {
    if (v == std::floor(v) && std::abs(v) < 1e15) return QString::number(qint64(v));
    QString r = QString::number(v, 'f', 6);
    while (r.endsWith(u'0'))
        r.chop(1);
    if (r.endsWith(u'.')) r.chop(1);
    return r;
}

QByteArray CsvDeUsuario(const QString& carpeta, const QString& usuario, QStringList* fallidos) {
    QString csv = QStringLiteral("fecha,usuario,ejercicio,series,repes,serie,peso,texto,marca,fila,"
                                 "repes_serie,rpe,calentamiento,unidad,kg,color,relleno\r\n");
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
            // An empty row counts only when it is marked.
            if (vacia && C[i] == 0) continue;
            // What every line of the row begins and ends with, appended piece by piece: ten
            // years are a hundred thousand lines.
            QString inicio = fecha;
            for (const QString* t : {&usuario, &c[0], &c[1], &c[2]}) {
                inicio += u',';
                texto(inicio, *t);
            }
            inicio += u',';
            const QString marca = u',' + QString::number(C[i]) + u',' + QString::number(i + 1);
            const QString color = NombreDeMarca(C[i]);
            // Each weight cell's set, by the row's rule (its reps, a warm-up, its load in kg).
            const QList<TSerieContada> series = SeriesDeFila(c[1], c[2], c.mid(3));
            auto conjunto = [&](const TSerieContada* s, bool relleno) {
                csv += u',';
                if (s && s->repes > 0) csv += decimal(s->repes);
                csv += u',';
                if (s && s->serie.rpe > 0) csv += decimal(s->serie.rpe);
                csv += u',';
                if (s) csv += s->serie.calentamiento ? u'1' : u'0';
                csv += u',';
                if (s) csv += s->serie.unidad;
                csv += u',';
                if (s && (!s->serie.pc || s->serie.kg != 0)) csv += decimal(s->serie.kg);
                csv += u',';
                csv += color;
                csv += relleno ? QStringLiteral(",1\r\n") : QStringLiteral(",\r\n");
            };
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
                texto(csv, c[j]);
                csv += marca;
                const TSerieContada* s = nullptr;
                for (const TSerieContada& x : series)
                    if (x.celda == j - 3) s = &x;
                conjunto(s, false);
            }
            if (!alguna) {
                csv += inicio;
                csv += QStringLiteral(",,");
                csv += marca;
                conjunto(nullptr, false);
            }
            // The working sets not written out: a line each, so that a spreadsheet's sum of
            // kg x reps is the program's volume.
            for (const TSerieContada& s : series) {
                if (s.celda >= 0) continue;
                csv += inicio;
                csv += QStringLiteral(",,");
                csv += marca;
                conjunto(&s, true);
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
