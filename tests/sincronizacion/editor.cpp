// One computer's KORVAL for the sync test: a session on a data folder, as the window owns one
// (the watch, the merge of conflict copies, the bases), driven by lines on standard input:
// "escribir F C TEXTO" and "salir". It answers "listo" once watching, then "ok" or "error: ..."
// for each line.
#include "general/errores.h"
#include "storage/sesion.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

static void decir(const QString& s) {
    std::printf("%s\n", qPrintable(s));
    std::fflush(stdout);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 5) {
        std::fprintf(stderr, "uso: editor DATOS BASES USUARIO YYYYMMDD\n");
        return 2;
    }
    TSesion s(
        a[1], [] { return QDateTime::currentDateTime(); }, 100, 11);
    s.FijarCarpetaBases(a[2]);
    QObject::connect(&s, &TSesion::aviso, [](const QString& m) { decir("aviso: " + m); });
    QObject::connect(&s, &TSesion::fallo, [](const QString& m) { decir("fallo: " + m); });
    try {
        s.Mostrar(a[3], QDate::fromString(a[4], "yyyyMMdd"));
        s.Activar();
    } catch (const ErrorKorval& e) {
        decir("error: " + e.mensaje());
        return 1;
    }
    decir("listo");
    QSocketNotifier entrada(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pendiente;
    QObject::connect(&entrada, &QSocketNotifier::activated, [&] {
        char bloque[4096];
        const ssize_t n = ::read(STDIN_FILENO, bloque, sizeof bloque);
        if (n <= 0) {
            app.quit();
            return;
        }
        pendiente.append(bloque, n);
        for (qsizetype fin; (fin = pendiente.indexOf('\n')) >= 0;) {
            const QStringList p = QString::fromUtf8(pendiente.left(fin)).split(u' ');
            pendiente.remove(0, fin + 1);
            if (p.value(0) == "salir") {
                app.quit();
                return;
            }
            try {
                if (p.value(0) == "escribir" && p.size() >= 4)
                    decir(s.Escribir(p[1].toInt(), p[2].toInt(), p.mid(3).join(u' ')) ? "ok"
                                                                                      : "perdido");
                else
                    decir("error: orden desconocida");
            } catch (const ErrorKorval& e) {
                decir("error: " + e.mensaje());
            }
        }
    });
    return app.exec();
}
