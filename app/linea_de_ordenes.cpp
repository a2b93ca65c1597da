#include "app/linea_de_ordenes.h"

#include "general/errores.h"
#include "general/general.h"
#include "storage/archivo_es.h"
#include "storage/exportar.h"
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
    "  --exportar-csv ARCHIVO  escribe las rutinas de un usuario en ARCHIVO (CSV) sin abrir la\n"
    "                          ventana\n"
    "  --usuario NOMBRE        el usuario que se exporta (hace falta si hay más de uno)\n"
    "  --carpeta CARPETA       la carpeta de datos (debe existir); sola, abre la ventana en ella\n"
    "  --version               muestra la versión\n"
    "  --help                  muestra esta ayuda\n";

// The export: 0 when every file went out, 1 when one could not be read or nothing was written.
static int exportar(const QString& destino, QString usuario, const QString& carpeta) {
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
        ExportarCsv(carpeta, usuario, destino, &fallidos);
    } catch (const ErrorKorval& e) {
        decir(e.mensaje());
        return 1;
    }
    for (const QString& f : fallidos)
        decir(QStringLiteral("No se pudo leer y no se exporta: ") + f);
    return fallidos.isEmpty() ? 0 : 1;
}

TOrdenes EjecutarOrdenes(int argc, char** argv) {
    TOrdenes r;
    if (argc <= 1) return r;
    QStringList argumentos;
    for (int i = 0; i < argc; ++i)
        argumentos << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser p;
    const QCommandLineOption ayuda(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption csv(QStringLiteral("exportar-csv"), QString(),
                                 QStringLiteral("ARCHIVO"));
    const QCommandLineOption usuario(QStringLiteral("usuario"), QString(),
                                     QStringLiteral("NOMBRE"));
    const QCommandLineOption carpeta(QStringLiteral("carpeta"), QString(),
                                     QStringLiteral("CARPETA"));
    p.addOptions({ayuda, version, csv, usuario, carpeta});
    if (!p.parse(argumentos) || !p.positionalArguments().isEmpty()) {
        if (!p.unknownOptionNames().isEmpty())
            decir(QStringLiteral("Opción desconocida: ") + p.unknownOptionNames().first());
        else if (!p.positionalArguments().isEmpty())
            decir(QStringLiteral("Argumento de más: ") + p.positionalArguments().first());
        else
            decir(QStringLiteral("Falta un valor: ") + argumentos.last());
        decir(QStringLiteral("Usa --help para ver las opciones."));
        r.salida = 2;
        return r;
    }
    if (p.isSet(ayuda)) {
        std::fputs(kAyuda, stdout);
        r.salida = 0;
        return r;
    }
    if (p.isSet(version)) {
        std::printf("korval %s\n", KORVAL_VERSION);
        r.salida = 0;
        return r;
    }
    if (p.isSet(usuario) && !p.isSet(csv)) {
        decir(QStringLiteral("--usuario solo sirve con --exportar-csv"));
        r.salida = 2;
        return r;
    }
    // Without --carpeta the data folder is in the home folder; with none, nothing is made
    // anywhere in its place.
    if (!p.isSet(carpeta)) {
        if (const QString motivo = MotivoSinCarpetaPersonal(); !motivo.isEmpty()) {
            decir(motivo);
            r.salida = 1;
            return r;
        }
    }
    const QString documentos = CarpetaDocumentos();
    const QString datos =
        p.isSet(carpeta) ? p.value(carpeta) : CombinePath(documentos, QStringLiteral("KORVAL"));
    if (p.isSet(csv)) {
        // No window: a core application is enough.
        QCoreApplication app(argc, argv);
        r.salida = exportar(p.value(csv), p.isSet(usuario) ? p.value(usuario) : QString(), datos);
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
