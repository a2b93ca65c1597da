#include "storage/lista_usuarios.h"

#include "general/general.h"
#include "storage/archivo_es.h"
#include "storage/enlaces.h"
#include "storage/respaldo.h"
#include "storage/rutina_archivo.h"
#include "storage/texto1252.h"

#include <QFile>
#include <QFileInfo>

QString TextoPorLineas(const QByteArray& bytes) {
    QString r;
    // Each line on its own: a list that mixes names a text editor saved as UTF-8 with names the
    // program appended in Windows-1252 reads right.
    for (const QByteArray& linea : SepararLineas(SinMarcaUtf8(bytes))) {
        r += DecodificarTexto(linea, EsUtf8(linea));
        r += QLatin1String("\r\n");
    }
    return r;
}

static QString demasiadoGrande() {
    return QStringLiteral("El archivo es demasiado grande para ser una lista de usuarios");
}

QString LeerTextoPorLineas(const QString& ruta) {
    if (!estaArchivo(ruta)) return QString();
    return TextoPorLineas(LeerArchivoEntero(ruta, nullptr, kTamMaximoLista, demasiadoGrande()));
}

void AnexarUsuario(const QString& ruta, const QString& nombre, int esperaMs, QString* copia,
                   const QDateTime& momento) {
    // Other programs on the same folder append or save in turn, never at once.
    ComprobarEnlaceDeDatos(ruta);
    const TCerrojo cerrojo(QFileInfo(ruta).absolutePath(), esperaMs);
    // The rewrite keeps the list up to its end-of-file mark: what follows is kept in a copy.
    if (QFileInfo(ruta).isFile() && LeerCopiaExacta(ruta).contains('\x1a')) {
        const QString c =
            RespaldarArchivo(QFileInfo(ruta).absolutePath(), ruta,
                             momento.isValid() ? momento : QDateTime::currentDateTime());
        if (copia) *copia = c;
    }
    AnexarLinea(ruta, A1252(nombre), kTamMaximoLista, demasiadoGrande());
}

QString MotivoNombreInvalido(const QString& nombre) {
    if (nombre == QLatin1String("+")) return QStringLiteral("El nombre + esta reservado");
    static const QString prohibidos = QStringLiteral("/\\:*?\"<>|");
    for (QChar c : nombre) {
        if (c.unicode() < 32 || prohibidos.contains(c) || !Representable1252(c))
            return QStringLiteral("El nombre contiene un caracter que no se puede guardar: %1")
                .arg(DescribirCaracter(c));
    }
    if (nombre.contains(QLatin1String("..")))
        return QStringLiteral("El nombre contiene un caracter que no se puede guardar: .");
    return QString();
}

// The files a user's routines make must each fit the file system and the path limit.
static bool nombreDemasiadoLargo(const QString& nombre, const QString& carpeta) {
    const QString base = QStringLiteral("yyyymmdd") + nombre;
    const QString rutina = base + QStringLiteral(".kvr");
    const QString temporal = u'.' + rutina + QStringLiteral(".tmp-XXXXXX");
    const QString copia = base + QStringLiteral("-yyyyMMdd-HHmmss.kvr");
    // The copy is written the same way, through a temporary file of its own.
    const QString temporalCopia = u'.' + copia + QStringLiteral(".tmp-XXXXXX");
    for (const QString& componente : {rutina, temporal, copia, temporalCopia})
        if (QFile::encodeName(componente).size() > 255) return true;
    const QString respaldos = carpeta + QStringLiteral("/respaldos/");
    for (const QString& ruta :
         {carpeta + u'/' + rutina, carpeta + u'/' + temporal, respaldos + copia})
        if (ruta.size() > kLargoMaximoRuta) return true;
    return false;
}

QString MotivoNombreNuevo(const QString& nombre, const QString& carpeta) {
    if (nombre.trimmed().isEmpty()) return QStringLiteral("El nombre no puede estar vacío");
    const QString motivo = MotivoNombreInvalido(nombre);
    if (!motivo.isEmpty()) return motivo;
    for (QChar c : {nombre.front(), nombre.back()})
        if (c == u' ' || c == u'.')
            return QStringLiteral("El nombre no puede empezar ni terminar con espacio o punto");
    if (nombreDemasiadoLargo(nombre, carpeta))
        return QStringLiteral("El nombre es demasiado largo");
    return QString();
}

QString MotivoNombreInseguro(const QString& nombre, const QString& carpeta) {
    for (QChar c : nombre) {
#ifdef Q_OS_WIN
        const bool separador = c == u'/' || c == u'\\' || c == u':';
#else
        const bool separador = c == u'/';
#endif
        if (separador || c.unicode() < 32)
            return QStringLiteral("El nombre contiene un caracter que no se puede guardar: %1")
                .arg(DescribirCaracter(c));
    }
    if (nombre.contains(QLatin1String("..")))
        return QStringLiteral("El nombre contiene un caracter que no se puede guardar: .");
    if (nombreDemasiadoLargo(nombre, carpeta))
        return QStringLiteral("El nombre es demasiado largo");
    return QString();
}

TListaUsuarios LeerListaUsuarios(const QString& carpeta) {
    TListaUsuarios l;
    const QString ruta = CombinePath(carpeta, kArchivoUsuarios);
    ComprobarEnlaceDeDatos(ruta);
    l.identidad = IdentidadDe(ruta);
    QStringList lineas = LeerTextoPorLineas(ruta).split(QStringLiteral("\r\n"));
    // Every line ends in CR LF: the split leaves one empty string after the last. A blank line
    // before it is a name all the same (an older version wrote some); it keeps working.
    lineas.removeLast();
    for (const QString& nombre : std::as_const(lineas)) {
        const QString motivo = MotivoNombreInseguro(nombre, carpeta);
        if (motivo.isEmpty())
            l.nombres << nombre;
        else
            l.rechazados.append({nombre, motivo});
    }
    return l;
}
