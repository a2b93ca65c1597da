#include "general/general.h"

#include "general/errores.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString carpeta_principal;

const QString Dia_de_semana[8] = {QString(),
                                  QStringLiteral("Domingo"),
                                  QStringLiteral("Lunes"),
                                  QStringLiteral("Martes"),
                                  QStringLiteral("Miercoles"),
                                  QStringLiteral("Jueves"),
                                  QStringLiteral("Viernes"),
                                  QStringLiteral("Sabado")};

QString CarpetaDocumentos() {
#if defined(Q_OS_MACOS)
    return QStringLiteral("/Users/Shared");
#else
    // With HOME unset Qt answers "//Documents"; that is no real folder.
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty() || docs.startsWith(QLatin1String("//"))) return QString();
    return docs;
#endif
}

QString MotivoSinCarpetaPersonal() {
#if defined(Q_OS_MACOS) || defined(Q_OS_WIN)
    return QString();
#else
    const QString casa = qEnvironmentVariable("HOME");
    if (casa.isEmpty() || QDir::cleanPath(casa) == QLatin1String("/") || !QFileInfo(casa).isDir())
        return QStringLiteral("No hay carpeta personal (HOME) donde guardar los datos; indica la "
                              "carpeta de datos con --carpeta");
    return QString();
#endif
}

static QString carpetaElegida;

void FijarCarpetaDatos(const QString& carpeta) {
    carpetaElegida = carpeta;
}

void FileSystemStart(const QString& CarpetaProyecto) {
    if (!carpetaElegida.isEmpty()) {
        const QFileInfo info(carpetaElegida);
        if (!info.isDir())
            throw ErrorKorval(QStringLiteral("No se puede crear la carpeta de datos: ") +
                              carpetaElegida);
        carpeta_principal = info.absoluteFilePath();
        return;
    }
    if (const QString motivo = MotivoSinCarpetaPersonal(); !motivo.isEmpty())
        throw ErrorKorval(motivo);
    FileSystemStartEn(CarpetaDocumentos(), CarpetaProyecto);
}

void FileSystemStartEn(const QString& padre, const QString& CarpetaProyecto) {
    // A fresh account may not have its documents folder yet.
    if (!padre.isEmpty() && !QFileInfo(padre).isDir()) QDir().mkpath(padre);
    carpeta_principal = CombinePath(padre, CarpetaProyecto);
    if (!estaCarpeta(carpeta_principal)) QDir().mkdir(carpeta_principal); // one level only
    const QFileInfo info(carpeta_principal);
    if (!estaCarpeta(carpeta_principal) || !info.isDir())
        throw ErrorKorval(QStringLiteral("No se puede crear la carpeta de datos: ") +
                          carpeta_principal);
    // Absolute once, here: every file name is then joined to it exactly once, and a later
    // change of the working folder moves nothing.
    carpeta_principal = info.absoluteFilePath();
}

static bool caracterInvalidoEnRuta(const QString& s) {
    for (QChar c : s) {
        const ushort u = c.unicode();
        if (u < 32 || c == u'"' || c == u'<' || c == u'>' || c == u'|') return true;
    }
    return false;
}

static bool esSeparador(QChar c) {
#ifdef Q_OS_WIN
    return c == u'\\' || c == u'/' || c == u':';
#else
    return c == u'/';
#endif
}

static bool esRaiz(const QString& s) {
#ifdef Q_OS_WIN
    return s.startsWith(u'\\') || s.startsWith(u'/') || (s.size() > 1 && s[1] == u':');
#else
    return s.startsWith(u'/');
#endif
}

QString CombinePath(const QString& s1, const QString& s2) {
    QString r;
    if (s1.isEmpty())
        r = s2;
    else if (s2.isEmpty())
        r = s1;
    else {
        // Only the name being made is checked: the folder (the user's documents folder may be
        // called anything) and a file the system already gave (an import) are taken as they are.
        if (esRaiz(s2))
            r = s2;
        else if (caracterInvalidoEnRuta(s2))
            throw ErrorKorval(QStringLiteral("Invalid characters in path"));
        else if (esSeparador(s1.back()))
            r = s1 + s2;
        else
            r = s1 + QDir::separator() + s2;
    }
#ifdef Q_OS_WIN
    r.replace(u'/', u'\\');
#endif
    return r;
}

QString PathCompleto(const QString& arch) {
    return CombinePath(carpeta_principal, arch);
}

static bool tieneComodin(const QString& nombre) {
    return nombre.contains(u'*') || nombre.contains(u'?');
}

// A directory search of the parent for a last component with wildcards.
static bool buscarEnCarpeta(const QString& ruta, bool admitirOcultos) {
    const QFileInfo info(ruta);
    QDir dir = info.dir();
    QDir::Filters filtros = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System;
    if (admitirOcultos) filtros |= QDir::Hidden;
    return !dir.entryList(QStringList{info.fileName()}, filtros).isEmpty();
}

bool estaCarpeta(const QString& archivo) {
    QString ruta = archivo;
#ifdef Q_OS_WIN
    if (ruta.endsWith(u'\\')) ruta.chop(1);
#else
    if (ruta.size() > 1 && ruta.endsWith(u'/')) ruta.chop(1);
#endif
    if (ruta.isEmpty()) return false;
    const QString nombre = QFileInfo(ruta).fileName();
    if (tieneComodin(nombre)) return buscarEnCarpeta(ruta, false);
    // One stat, whatever the folder holds; hidden entries do not count.
    const QFileInfo info(ruta);
    return info.exists() && !info.isHidden();
}

bool estaArchivo(const QString& archivo) {
    if (archivo.isEmpty()) return false;
    if (tieneComodin(QFileInfo(archivo).fileName())) return buscarEnCarpeta(archivo, true);
    // exists() follows links; a dangling link is still an entry.
    const QFileInfo info(archivo);
    return info.exists() || info.isSymLink();
}

QString mid(const QString& s, int p, int l) {
    if (l < 0) return QString();
    if (p < 1) p = 1;
    if (p > s.size()) return QString();
    return s.mid(p - 1, l);
}

QString mid(const QString& s, int p) {
    if (p < 1) p = 1;
    if (p > s.size()) return QString();
    return s.mid(p - 1);
}

QString DameDiaDeLaSemana(const QDate& date) {
    // Qt numbers Monday 1 to Sunday 7; the table starts on Sunday.
    return Dia_de_semana[date.dayOfWeek() % 7 + 1];
}

QString padearIzqConA(const QString& s, const QString& caracter_de_pad, int t) {
    if (s.size() >= t) return s;
    return caracter_de_pad.repeated(t - s.size()) + s;
}

QString DayStamp(const QDate& dia) {
    const QString cero = QStringLiteral("0");
    return padearIzqConA(QString::number(dia.year()), cero, 4) +
           padearIzqConA(QString::number(dia.month()), cero, 2) +
           padearIzqConA(QString::number(dia.day()), cero, 2);
}

void TextoAArreglo(const QString& tex, Tarreglo_de_strings& parr, const QString& delimitador) {
    if (tex.isEmpty()) return;
    parr.clear();
    if (delimitador.isEmpty()) {
        parr.append(tex);
        return;
    }
    qsizetype desde = 0;
    if (delimitador.size() == 1) {
        // One character: the common case of a routine line, searched as a character.
        const QChar d = delimitador[0];
        for (qsizetype p; (p = tex.indexOf(d, desde)) >= 0; desde = p + 1)
            parr.append(tex.mid(desde, p - desde));
        parr.append(tex.mid(desde));
        return;
    }
    for (;;) {
        const qsizetype p = tex.indexOf(delimitador, desde);
        if (p < 0) break;
        parr.append(tex.mid(desde, p - desde));
        desde = p + delimitador.size();
    }
    parr.append(tex.mid(desde));
}

QString DescribirCaracter(QChar c) {
    // Invisible characters are named in words: a quoted tab shows nothing.
    switch (c.unicode()) {
    case u'\t':
        return QStringLiteral("tabulador");
    case u'\n':
        return QStringLiteral("salto de línea");
    case u'\r':
        return QStringLiteral("retorno de carro");
    default:
        if (c.unicode() < 32 || c.unicode() == 0x7F)
            return QStringLiteral("carácter de control 0x%1")
                .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0'));
        return QString(c);
    }
}
