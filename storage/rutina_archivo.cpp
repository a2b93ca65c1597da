#include "storage/rutina_archivo.h"

#include "general/errores.h"
#include "general/general.h"
#include "storage/archivo_es.h"
#include "storage/enlaces.h"
#include "storage/texto1252.h"

#include <QDir>
#include <QFileInfo>

#include <charconv>
#include <optional>

static int cargas = 0;

int ContadorCargas() {
    return cargas;
}

QList<QByteArrayView> VistasDeLineas(QByteArrayView bytes, qsizetype maximo, qsizetype* resto) {
    QList<QByteArrayView> lineas;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n && (maximo < 0 || lineas.size() < maximo)) {
        qsizetype fin = i;
        while (fin < n && bytes[fin] != '\r' && bytes[fin] != '\n')
            ++fin;
        lineas.append(bytes.sliced(i, fin - i));
        const qsizetype lf = bytes.indexOf('\n', fin);
        i = lf < 0 ? n : lf + 1;
    }
    if (resto) *resto = i;
    return lineas;
}

QList<QByteArray> SepararLineas(const QByteArray& bytes, qsizetype maximo, qsizetype* resto) {
    QList<QByteArray> lineas;
    for (QByteArrayView v : VistasDeLineas(bytes, maximo, resto))
        lineas.append(v.toByteArray());
    return lineas;
}

static TTabla tablaVacia(int filas, int columnas) {
    return TTabla(filas, QStringList(columnas));
}

QByteArray FormatearRutina(const TTabla& A, const TMarcas& C, int filas, int columnas) {
    // Every save formats the whole routine: one buffer of the largest size it can take, written
    // in place (a character is one byte at most; a mark eleven; "||" and CR LF per line).
    qsizetype tam = qsizetype(filas) * (columnas + 1 + 11 + 2);
    for (int i = 0; i < filas && i < A.size(); ++i)
        for (int j = 0; j < columnas && j < A[i].size(); ++j)
            tam += A[i][j].size();
    QByteArray r(tam, Qt::Uninitialized);
    char* d = r.data();
    for (int i = 0; i < filas; ++i) {
        for (int j = 0; j < columnas; ++j) {
            if (i < A.size() && j < A[i].size()) d = Escribir1252(d, A[i][j]);
            *d++ = '|';
        }
        *d++ = '|';
        d = std::to_chars(d, d + 11, i < C.size() ? C[i] : 0).ptr;
        *d++ = '\r';
        *d++ = '\n';
    }
    r.truncate(d - r.data());
    return r;
}

// True when every character can be written back as it is.
static bool todoRepresentable(const QString& texto) {
    for (QChar c : texto)
        if (!Representable1252(c)) return false;
    return true;
}

bool LeerRutina(const QByteArray& archivo, TTabla& A, TMarcas& C, int filas, int columnas) {
    A = tablaVacia(filas, columnas);
    C = TMarcas(filas, 0);
    // A text editor may have saved the file as UTF-8, with or without a byte-order mark.
    const QByteArray bytes = SinMarcaUtf8(archivo);
    const bool utf8 = EsUtf8(bytes);
    bool completa = true;
    qsizetype resto = 0;
    const QList<QByteArrayView> lineas = VistasDeLineas(bytes, filas, &resto);
    // A CR that is not part of CR LF ends a line, and the reader skips to the next LF: the text
    // between is not on the sheet.
    for (qsizetype i = bytes.indexOf('\r'); i >= 0 && i < resto; i = bytes.indexOf('\r', i + 1))
        if (i + 1 >= bytes.size() || bytes[i + 1] != '\n') completa = false;
    std::optional<ErrorConversion> primerError;
    Tarreglo_de_strings campos;
    for (int i = 0; i < lineas.size(); ++i) {
        // Most rows of a routine are empty: every field empty and the mark 0, which the table
        // and the marks already hold.
        const QByteArrayView linea = lineas[i];
        if (linea.size() == columnas + 2 && linea.back() == '0' && linea.count('|') == columnas + 1)
            continue;
        // Each line stands alone: an empty line is an empty row, not a copy of the one before.
        campos.clear();
        const QString texto = DecodificarTexto(lineas[i], utf8);
        if (utf8 && !todoRepresentable(texto)) completa = false;
        TextoAArreglo(texto, campos, QStringLiteral("|"));
        for (int j = 0; j < columnas && j < campos.size(); ++j)
            A[i][j] = campos[j];
        // The always-empty field with text, or fields past the mark: a save would drop them.
        if (campos.size() > columnas + 2 ||
            (campos.size() > columnas && !campos[columnas].isEmpty()))
            completa = false;
        if (campos.size() >= columnas + 2 && !campos[columnas + 1].isEmpty()) {
            qint32 marca = 0;
            if (LeerEntero32(campos[columnas + 1], marca))
                C[i] = marca;
            else if (!primerError)
                primerError.emplace(campos[columnas + 1]);
        }
    }
    if (primerError) throw *primerError;
    // Only line ends may follow the rows.
    for (; resto < bytes.size(); ++resto)
        if (bytes[resto] != '\r' && bytes[resto] != '\n') return false;
    return completa;
}

QByteArray LeerBytesDeRutina(const QString& ruta, TIdentidad* identidad) {
    return LeerArchivoEntero(ruta, identidad, kTamMaximoRutina,
                             QStringLiteral("El archivo es demasiado grande para ser una rutina"));
}

void LeerFilasDeRutina(const QString& ruta, TTabla& A, TMarcas& C, TIdentidad* identidad) {
    ComprobarEnlaceDeDatos(ruta);
    const QByteArray bytes = LeerBytesDeRutina(ruta, identidad);
    try {
        LeerRutina(bytes, A, C, 100, 11);
    } catch (const ErrorConversion&) {
        // A bad mark: the rows are there, that mark reads 0.
    }
}

bool CargarTabla(const QString& ruta, TTabla& A, TMarcas& C, int filas, int columnas,
                 TIdentidad* identidad) {
    ++cargas;
    C = TMarcas(filas, 0);
    if (identidad) *identidad = TIdentidad();
    // A link to a routine not made yet is a day without a file, as no file is.
    if (!estaArchivo(ruta) || !IdentidadDe(ruta).existe) {
        A = tablaVacia(filas, columnas);
        return true;
    }
    QByteArray bytes;
    TIdentidad leida;
    try {
        bytes = LeerBytesDeRutina(ruta, &leida);
        if (identidad) *identidad = leida;
    } catch (...) {
        // Never keep rows of the routine shown before: the next save would store them here.
        A = tablaVacia(filas, columnas);
        throw;
    }
    const bool completa = LeerRutina(bytes, A, C, filas, columnas);
    // Bytes after an end-of-file mark are invisible to the sheet, and a save would drop them.
    return completa && leida.tam <= bytes.size();
}

void EscribirTablaSinCerrojo(const QString& ruta, const TTabla& A, const TMarcas& C, int filas,
                             int columnas) {
    ReemplazarArchivo(ruta, FormatearRutina(A, C, filas, columnas));
}

QString MotivoTextoInvalido(const QString& texto) {
    // A cell is a few words; a longer text is refused whole, never cut.
    if (texto.size() > kLargoMaximoCelda)
        return QStringLiteral("El texto es demasiado largo (máximo %1 caracteres)")
            .arg(kLargoMaximoCelda);
    for (QChar c : texto) {
        if (c.unicode() < 32 || c.unicode() == 0x7F || c == u'|' || !Representable1252(c))
            return QStringLiteral("El texto contiene un caracter que no se puede guardar: %1")
                .arg(DescribirCaracter(c));
    }
    return QString();
}

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
