#include "app/linea_de_ordenes.h"

#include "general/errores.h"
#include "general/general.h"
#include "storage/archivo_es.h"
#include "storage/exportar.h"
#include "storage/libro.h"
#include "storage/lista_usuarios.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

static void decir(const QString& texto) {
    std::fprintf(stderr, "%s\n", texto.toLocal8Bit().constData());
}

static const char* const kAyuda =
    "Uso: korval [opciones]\n"
    "Registro de rutinas de gimnasio. Sin opciones abre la ventana.\n"
    "\n"
    "  --exportar ARCHIVO      escribe las rutinas de un usuario en ARCHIVO sin abrir la\n"
    "                          ventana: un libro de Excel si termina en .xlsx, CSV si termina\n"
    "                          en .csv\n"
    "  --exportar-csv ARCHIVO  lo mismo, siempre en CSV\n"
    "  --usuario NOMBRE        el usuario que se exporta (hace falta si hay más de uno)\n"
    "  --carpeta CARPETA       la carpeta de datos (debe existir); sola, abre la ventana en ella\n"
    "  --version               muestra la versión\n"
    "  --help                  muestra esta ayuda\n";

// The export: 0 when every file went out, 1 when one could not be read or nothing was written.
static int exportar(const QString& destino, bool libro, QString usuario, const QString& carpeta) {
    if (!QFileInfo(carpeta).isDir()) {
        decir(QStringLiteral("No existe la carpeta de datos: ") + carpeta);
        return 1;
    }
    QStringList usuarios;
    try {
        // The list as the window offers it: a name that cannot be part of a file name is none.
        usuarios = LeerListaUsuarios(carpeta).nombres;
    } catch (const ErrorKorval& e) {
        decir(QStringLiteral("No se puede leer la lista de usuarios: ") + e.mensaje());
        return 1;
    }
    if (usuario.isNull()) {
        if (usuarios.size() != 1) {
            decir(
                QStringLiteral("Hay %1 usuarios: indica cuál con --usuario").arg(usuarios.size()));
            return 2;
        }
        usuario = usuarios.first();
    } else if (!usuarios.contains(usuario)) {
        decir(QStringLiteral("El usuario %1 no está en la lista de usuarios").arg(usuario));
        return 1;
    }
    QStringList fallidos;
    try {
        if (libro)
            ExportarLibro(carpeta, usuario, destino, &fallidos);
        else
            ExportarCsv(carpeta, usuario, destino, &fallidos);
    } catch (const ErrorKorval& e) {
        decir(e.mensaje());
        return 1;
    }
    for (const QString& f : fallidos)
        decir(QStringLiteral("No se pudo leer y no se exporta: ") + f);
    return fallidos.isEmpty() ? 0 : 1;
}

// Every option of ours, for both ways of starting.
struct TOpciones {
    QCommandLineOption ayuda{QStringLiteral("help")};
    QCommandLineOption version{QStringLiteral("version")};
    QCommandLineOption csv{QStringLiteral("exportar-csv"), QString(), QStringLiteral("ARCHIVO")};
    QCommandLineOption exportar{QStringLiteral("exportar"), QString(), QStringLiteral("ARCHIVO")};
    QCommandLineOption usuario{QStringLiteral("usuario"), QString(), QStringLiteral("NOMBRE")};
    QCommandLineOption carpeta{QStringLiteral("carpeta"), QString(), QStringLiteral("CARPETA")};
};

// Parses the arguments; false, with the message said, on a usage error.
static bool leer(QCommandLineParser& p, const TOpciones& o, const QStringList& argumentos) {
    // "-style" is one option named whole, never the letters s, t, y, l, e.
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    p.addOptions({o.ayuda, o.version, o.csv, o.exportar, o.usuario, o.carpeta});
    if (p.parse(argumentos) && p.positionalArguments().isEmpty()) {
        if (p.isSet(o.csv) && p.isSet(o.exportar)) {
            decir(QStringLiteral("--exportar y --exportar-csv no van juntos"));
            return false;
        }
        if (p.isSet(o.usuario) && !p.isSet(o.csv) && !p.isSet(o.exportar)) {
            decir(QStringLiteral("--usuario solo sirve con --exportar o --exportar-csv"));
            return false;
        }
        if (p.isSet(o.exportar) &&
            FormatoDeExportacion(p.value(o.exportar)) == TFormatoExportacion::Ninguno) {
            decir(MotivoFormatoExportacion(p.value(o.exportar)));
            return false;
        }
        return true;
    }
    if (!p.unknownOptionNames().isEmpty()) {
        // Named as it was typed, dashes and all.
        const QString nombre = p.unknownOptionNames().first();
        QString escrita = QStringLiteral("--") + nombre;
        for (const QString& a : argumentos.mid(1)) {
            const QString sin = a.section(u'=', 0, 0);
            if (sin.startsWith(u'-') && QString(sin).remove(QRegularExpression("^-+")) == nombre)
                escrita = sin;
        }
        decir(QStringLiteral("Opción desconocida: ") + escrita);
    } else if (!p.positionalArguments().isEmpty()) {
        decir(QStringLiteral("Argumento de más: ") + p.positionalArguments().first());
    } else {
        decir(QStringLiteral("Falta un valor: ") + argumentos.last());
    }
    decir(QStringLiteral("Usa --help para ver las opciones."));
    return false;
}

// The data folder the options name; empty, with the message said, when there is none.
static QString carpetaDeDatos(const QCommandLineParser& p, const TOpciones& o) {
    // Without --carpeta the data folder is in the home folder; with none, nothing is made
    // anywhere in its place.
    if (!p.isSet(o.carpeta)) {
        if (const QString motivo = MotivoSinCarpetaPersonal(); !motivo.isEmpty()) {
            decir(motivo);
            return QString();
        }
    }
    return p.isSet(o.carpeta) ? p.value(o.carpeta)
                              : CombinePath(CarpetaDocumentos(), QStringLiteral("KORVAL"));
}

bool SinVentana(int argc, char** argv) {
    // Qt's own options of the window's application; anything else with two dashes that is not
    // ours is a mistake to report without a window (or a display) first.
    static const QList<QByteArray> deQt{"platform",
                                        "platformpluginpath",
                                        "platformtheme",
                                        "plugin",
                                        "qwindowgeometry",
                                        "geometry",
                                        "qwindowtitle",
                                        "title",
                                        "qwindowicon",
                                        "icon",
                                        "display",
                                        "name",
                                        "session",
                                        "reverse",
                                        "style",
                                        "stylesheet",
                                        "widgetcount",
                                        "testability",
                                        "nograb",
                                        "dograb",
                                        "qmljsdebugger",
                                        "fn",
                                        "nofn",
                                        "cmap",
                                        "visual",
                                        "ncols",
                                        "im",
                                        "inputstyle",
                                        "sync"};
    static const QList<QByteArray> nuestras{"carpeta", "usuario"};
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = QByteArray(argv[i]).split('=').first();
        if (a == "--help" || a == "-help" || a == "--version" || a == "-version" ||
            a == "--exportar-csv" || a == "-exportar-csv" || a == "--exportar" || a == "-exportar")
            return true;
        if (a.startsWith("--") && a.size() > 2 && !nuestras.contains(a.mid(2)) &&
            !deQt.contains(a.mid(2)))
            return true;
    }
    return false;
}

int EjecutarSinVentana(const QStringList& argumentos) {
    QCommandLineParser p;
    const TOpciones o;
    if (!leer(p, o, argumentos)) return 2;
    if (p.isSet(o.ayuda)) {
        std::fputs(kAyuda, stdout);
        return 0;
    }
    if (p.isSet(o.version)) {
        std::printf("korval %s\n", KORVAL_VERSION);
        return 0;
    }
    const QString datos = carpetaDeDatos(p, o);
    if (datos.isEmpty()) return 1;
    const bool libro = p.isSet(o.exportar) &&
                       FormatoDeExportacion(p.value(o.exportar)) == TFormatoExportacion::Libro;
    return exportar(p.isSet(o.exportar) ? p.value(o.exportar) : p.value(o.csv), libro,
                    p.isSet(o.usuario) ? p.value(o.usuario) : QString(), datos);
}

TOrdenes OrdenesDeVentana(const QStringList& argumentos) {
    TOrdenes r;
    if (argumentos.size() <= 1) return r;
    QCommandLineParser p;
    const TOpciones o;
    if (!leer(p, o, argumentos)) {
        r.salida = 2;
        return r;
    }
    const QString datos = carpetaDeDatos(p, o);
    if (datos.isEmpty()) {
        r.salida = 1;
        return r;
    }
    if (!QFileInfo(datos).isDir()) {
        decir(QStringLiteral("No existe la carpeta de datos: ") + datos);
        r.salida = 1;
        return r;
    }
    r.carpeta = QFileInfo(datos).absoluteFilePath();
    return r;
}
