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

// True for a text a spreadsheet would run as a formula: "=", "+", "-", "@", a tab or a carriage
// return first, after any quotes of its own.
static bool pareceFormula(QStringView t) {
    qsizetype k = 0;
    while (k < t.size() && t[k] == u'\'')
        ++k;
    if (k == t.size()) return false;
    const QChar c = t[k];
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

// A text field, with one more "'" in front when a spreadsheet would run it.
static void texto(QString& destino, const QString& t) {
    campo(destino, pareceFormula(t) ? u'\'' + t : t);
}

QString TextoSinDefensa(const QString& t) {
    return t.startsWith(u'\'') && pareceFormula(QStringView(t).mid(1)) ? t.mid(1) : t;
}

// Appends a number as plain decimal text with a point and at most six decimals: "60",
// "61.234970" written "61.23497". Digits are made here: a hundred thousand lines have three
// numbers each.
static void decimal(QString& destino, double v) {
    const double millonesimas = std::round(std::abs(v) * 1e6);
    if (!(millonesimas < 9e18)) {
        // Past what an integer holds: Qt's own spelling.
        QString r = QString::number(v, 'f', 6);
        while (r.endsWith(u'0'))
            r.chop(1);
        if (r.endsWith(u'.')) r.chop(1);
        destino += r;
        return;
    }
    const quint64 m = quint64(millonesimas);
    char cifras[32];
    char* fin = cifras + sizeof cifras;
    char* p = fin;
    quint64 entero = m / 1000000;
    int fraccion = int(m % 1000000);
    if (fraccion != 0) {
        int decimales = 6;
        while (fraccion % 10 == 0) {
            fraccion /= 10;
            --decimales;
        }
        for (int k = 0; k < decimales; ++k, fraccion /= 10)
            *--p = char('0' + fraccion % 10);
        *--p = '.';
    }
    do {
        *--p = char('0' + entero % 10);
        entero /= 10;
    } while (entero);
    if (v < 0 && m != 0) *--p = '-';
    destino += QLatin1StringView(p, fin - p);
}

void RecorrerHistorial(const QString& carpeta, const QString& usuario, QStringList* fallidos,
                       const std::function<void(const TLineaHistorial&)>& linea) {
    const QMap<QDate, QString> rutinas = RutinasDeUsuario(carpeta, usuario);
    TLineaHistorial l;
    for (auto it = rutinas.cbegin(); it != rutinas.cend(); ++it) {
        TTabla A;
        TMarcas C;
        try {
            LeerFilasDeRutina(it.value(), A, C);
        } catch (const ErrorKorval& e) {
            if (fallidos) *fallidos << QFileInfo(it.value()).fileName() + ": " + e.mensaje();
            continue;
        }
        l.dia = it.key();
        for (int i = 0; i < A.size(); ++i) {
            const QStringList& c = A[i];
            bool vacia = true;
            for (const QString& t : c)
                vacia = vacia && t.isEmpty();
            // An empty row counts only when it is marked.
            if (vacia && C[i] == 0) continue;
            l.celdas = &c;
            l.fila = i + 1;
            l.marca = C[i];
            l.primera = true;
            // Each weight cell's set, by the row's rule (its reps, a warm-up, its load in kg).
            const QList<TSerieContada> series = SeriesDeFila(c[1], c[2], c.mid(3));
            auto enviar = [&] {
                linea(l);
                l.primera = false;
            };
            bool alguna = false;
            for (int j = 3; j < c.size(); ++j) {
                if (c[j].isEmpty()) continue;
                alguna = true;
                l.serie = j - 2;
                l.texto = &c[j];
                l.contada = nullptr;
                for (const TSerieContada& x : series)
                    if (x.celda == j - 3) l.contada = &x;
                l.relleno = false;
                enviar();
            }
            l.serie = 0;
            l.texto = nullptr;
            l.contada = nullptr;
            l.relleno = false;
            if (!alguna) enviar();
            // The working sets not written out: a line each, so that a spreadsheet's sum of
            // kg x reps is the program's volume.
            for (const TSerieContada& s : series) {
                if (s.celda >= 0) continue;
                l.contada = &s;
                l.relleno = true;
                enviar();
            }
        }
    }
}

QByteArray CsvDeUsuario(const QString& carpeta, const QString& usuario, QStringList* fallidos) {
    QString csv;
    for (const char* columna : kColumnasHistorial) {
        if (!csv.isEmpty()) csv += u',';
        csv += QLatin1String(columna);
    }
    csv += QStringLiteral("\r\n");
    QString numero, inicio, marca, color;
    QDate dia;
    QString fecha;
    RecorrerHistorial(carpeta, usuario, fallidos, [&](const TLineaHistorial& l) {
        if (l.primera) {
            if (l.dia != dia) {
                dia = l.dia;
                fecha = dia.toString(Qt::ISODate);
            }
            // What every line of the row begins and ends with, appended piece by piece: ten
            // years are a hundred thousand lines.
            const QStringList& c = *l.celdas;
            inicio = fecha;
            for (const QString* t : {&usuario, &c[0], &c[1], &c[2]}) {
                inicio += u',';
                texto(inicio, *t);
            }
            inicio += u',';
            marca = u',' + QString::number(l.marca) + u',' + QString::number(l.fila);
            color = NombreDeMarca(l.marca);
        }
        csv += inicio;
        if (l.texto) {
            if (!NumeroDePeso(*l.texto, &numero)) numero.clear();
            if (l.serie < 10)
                csv += QChar(char16_t(u'0' + l.serie));
            else
                csv += QString::number(l.serie);
            csv += u',';
            csv += numero;
            csv += u',';
            texto(csv, *l.texto);
        } else {
            csv += QStringLiteral(",,");
        }
        csv += marca;
        const TSerieContada* s = l.contada;
        csv += u',';
        if (s && s->repes > 0) decimal(csv, s->repes);
        csv += u',';
        if (s && s->serie.rpe > 0) decimal(csv, s->serie.rpe);
        csv += u',';
        if (s) csv += s->serie.calentamiento ? u'1' : u'0';
        csv += u',';
        if (s) csv += s->serie.unidad;
        csv += u',';
        if (s && (!s->serie.pc || s->serie.kg != 0)) decimal(csv, s->serie.kg);
        csv += u',';
        csv += color;
        csv += l.relleno ? QStringLiteral(",1\r\n") : QStringLiteral(",\r\n");
    });
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
