#include "app/linea_de_ordenes.h"

#include "general/errores.h"
#include "general/general.h"
#include "storage/archivo_es.h"
#include "storage/exportar.h"
#include "storage/importar.h"
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
    "  --importar-csv ARCHIVO  añade a las rutinas de un usuario el historial de otro programa\n"
    "                          (Strong, Hevy, FitNotes) o de KORVAL, exportado en CSV\n"
    "  --formato FORMATO       auto (el de la cabecera), strong, hevy, fitnotes o korval\n"
    "  --unidad kg|lb          la unidad de los pesos cuando el archivo no la dice (kg)\n"
    "  --prueba                dice lo que haría la importación sin escribir nada\n"
    "  --usuario NOMBRE        el usuario que se exporta o al que se importa (hace falta si hay\n"
    "                          más de uno; al importar, si no existe se crea)\n"
    "  --carpeta CARPETA       la carpeta de datos (debe existir); sola, abre la ventana en ella\n"
    "  --version               muestra la versión\n"
    "  --help                  muestra esta ayuda\n";

// The user an export or an import is for, into `usuario`: the one of the list when it holds one
// and none was named. A name not in the list is refused, or with `nuevo` given is checked as a
// new user's and `*nuevo` set. Returns -1 to go on, or the exit status with the message said.
static int usuarioDeLaOrden(const QString& carpeta, QString& usuario, bool* nuevo = nullptr) {
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
        if (!nuevo) {
            decir(QStringLiteral("El usuario %1 no está en la lista de usuarios").arg(usuario));
            return 1;
        }
        // A new user, by the rules of the window's new-user box.
        if (const QString motivo = MotivoNombreNuevo(usuario, carpeta); !motivo.isEmpty()) {
            decir(motivo);
            return 2;
        }
        *nuevo = true;
    }
    return -1;
}

// The export: 0 when every file went out, 1 when one could not be read or nothing was written.
static int exportar(const QString& destino, bool libro, QString usuario, const QString& carpeta) {
    if (const int estado = usuarioDeLaOrden(carpeta, usuario); estado >= 0) return estado;
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

// The import: 0 when everything went in, 1 when something was skipped or not written (the rest
// is), 2 when the file's format is none known or the user is not clear.
static int importar(const QString& archivo, TFormatoHistorial formato, bool libras, bool prueba,
                    QString usuario, const QString& carpeta) {
    bool nuevo = false;
    if (const int estado = usuarioDeLaOrden(carpeta, usuario, &nuevo); estado >= 0) return estado;
    TPlanImportacion plan;
    try {
        // A CSV of ten years is a few megabytes; more than this is no export of a logger.
        const QByteArray bytes = LeerArchivoEntero(
            archivo, nullptr, 512 << 20,
            QStringLiteral("El archivo es demasiado grande para ser un historial: ") + archivo);
        TLecturaHistorial lectura;
        try {
            lectura = LeerHistorial(bytes, formato, libras);
        } catch (const ErrorKorval& e) {
            decir(e.mensaje());
            return 2;
        }
        plan = PlanearImportacion(std::move(lectura), carpeta, usuario);
    } catch (const ErrorKorval& e) {
        decir(QStringLiteral("No se puede importar %1: %2").arg(archivo, e.mensaje()));
        return 1;
    }
    bool falta = !plan.lectura.saltadas.isEmpty() || !plan.lectura.omitidos.isEmpty();
    for (const TPlanDia& d : plan.dias)
        falta = falta || d.noCabe || !d.error.isEmpty();
    if (prueba) {
        std::printf("%s\nPrueba: no se ha escrito nada.\n",
                    ResumenImportacion(plan).toLocal8Bit().constData());
        return falta ? 1 : 0;
    }
    const QDateTime momento = QDateTime::currentDateTime();
    try {
        if (nuevo) AnexarUsuario(CombinePath(carpeta, kArchivoUsuarios), usuario);
    } catch (const ErrorKorval& e) {
        decir(QStringLiteral("No se puede crear el usuario %1: %2").arg(usuario, e.mensaje()));
        return 1;
    }
    QList<QDate> hechos;
    QStringList fallidos;
    for (const TPlanDia& d : plan.dias) {
        if (!d.cambia) continue;
        try {
            ImportarDia(d, carpeta, usuario, momento);
            hechos << d.dia;
        } catch (const ErrorKorval& e) {
            fallidos << d.dia.toString(Qt::ISODate) + QStringLiteral(": ") + e.mensaje();
        }
    }
    std::printf("%s\n", ResumenImportacion(plan, &hechos, &fallidos).toLocal8Bit().constData());
    return falta || !fallidos.isEmpty() ? 1 : 0;
}

// Every option of ours, for both ways of starting.
struct TOpciones {
    QCommandLineOption ayuda{QStringLiteral("help")};
    QCommandLineOption version{QStringLiteral("version")};
    QCommandLineOption csv{QStringLiteral("exportar-csv"), QString(), QStringLiteral("ARCHIVO")};
    QCommandLineOption exportar{QStringLiteral("exportar"), QString(), QStringLiteral("ARCHIVO")};
    QCommandLineOption importar{QStringLiteral("importar-csv"), QString(),
                                QStringLiteral("ARCHIVO")};
    QCommandLineOption formato{QStringLiteral("formato"), QString(), QStringLiteral("FORMATO")};
    QCommandLineOption unidad{QStringLiteral("unidad"), QString(), QStringLiteral("UNIDAD")};
    QCommandLineOption prueba{QStringLiteral("prueba")};
    QCommandLineOption usuario{QStringLiteral("usuario"), QString(), QStringLiteral("NOMBRE")};
    QCommandLineOption carpeta{QStringLiteral("carpeta"), QString(), QStringLiteral("CARPETA")};
};

// Parses the arguments; false, with the message said, on a usage error.
static bool leer(QCommandLineParser& p, const TOpciones& o, const QStringList& argumentos) {
    // "-style" is one option named whole, never the letters s, t, y, l, e.
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    p.addOptions({o.ayuda, o.version, o.csv, o.exportar, o.importar, o.formato, o.unidad, o.prueba,
                  o.usuario, o.carpeta});
    if (p.parse(argumentos) && p.positionalArguments().isEmpty()) {
        if (int(p.isSet(o.csv)) + int(p.isSet(o.exportar)) + int(p.isSet(o.importar)) > 1) {
            decir(QStringLiteral("--exportar, --exportar-csv e --importar-csv no van juntos"));
            return false;
        }
        if (p.isSet(o.usuario) && !p.isSet(o.csv) && !p.isSet(o.exportar) && !p.isSet(o.importar)) {
            decir(QStringLiteral(
                "--usuario solo sirve con --exportar, --exportar-csv o --importar-csv"));
            return false;
        }
        for (const QCommandLineOption* de : {&o.formato, &o.unidad, &o.prueba})
            if (p.isSet(*de) && !p.isSet(o.importar)) {
                decir(
                    QStringLiteral("--%1 solo sirve con --importar-csv").arg(de->names().first()));
                return false;
            }
        bool valido = true;
        if (p.isSet(o.formato)) FormatoDeNombre(p.value(o.formato), &valido);
        if (!valido) {
            decir(QStringLiteral("Formato desconocido: %1 (auto, strong, hevy, fitnotes o korval)")
                      .arg(p.value(o.formato)));
            return false;
        }
        if (p.isSet(o.unidad) && p.value(o.unidad) != u"kg" && p.value(o.unidad) != u"lb") {
            decir(QStringLiteral("Unidad desconocida: %1 (kg o lb)").arg(p.value(o.unidad)));
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
    if (p.isSet(o.importar))
        return importar(
            p.value(o.importar),
            FormatoDeNombre(p.isSet(o.formato) ? p.value(o.formato) : QStringLiteral("auto"),
                            nullptr),
            p.value(o.unidad) == u"lb", p.isSet(o.prueba),
            p.isSet(o.usuario) ? p.value(o.usuario) : QString(), datos);
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
