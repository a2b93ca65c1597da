// Two processes on one data folder at once, each appending 1,000 user names and saving 1,000
// edits to its own column of the same routine: every name and every last edit is there, and
// nothing is garbled. A plain program, since it forks.
#include "general/errores.h"
#include "storage/lista_usuarios.h"
#include "storage/rutina.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

static constexpr int kVeces = 1000;
static constexpr int kFilas = 100;
static constexpr int kColumnas = 11;

static int fallos = 0;
static void fallo(const QString& m) {
    if (++fallos <= 10) std::fprintf(stderr, "FAIL: %s\n", qPrintable(m));
}

static void trabajar(const QString& carpeta, int columna, QChar letra) {
    const QString ruta = carpeta + "/20230102Ana.kvr";
    const QString usuarios = carpeta + "/USRS.kvldat";
    TRutina r = TRutina::Vacia(kFilas, kColumnas);
    CargarRutina(r, ruta);
    const QDateTime momento(QDate(2023, 1, 2), QTime(10, 0, 0));
    for (int i = 0; i < kVeces; ++i) {
        const QString texto = QString(letra) + QString::number(i);
        AnexarUsuario(usuarios, texto);
        TGuardado g = GuardarCambio(r, TCambio::DeCeldas(r, {{i % kFilas, columna, texto}}),
                                    carpeta, momento);
        if (!g.guardado) throw ErrorKorval("the edit found no row");
        r = g.rutina;
    }
}

int main() {
    QTemporaryDir tmp;
    const QString carpeta = tmp.path();
    const pid_t hijo = ::fork();
    if (hijo == 0) {
        try {
            trabajar(carpeta, 0, u'A');
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    try {
        trabajar(carpeta, 1, u'B');
    } catch (const std::exception& e) {
        fallo(QString("the parent's work failed: ") + e.what());
    }
    int estado = 0;
    ::waitpid(hijo, &estado, 0);
    if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0) fallo("the child's work failed");

    // Every name once, each process's names in the order it appended them.
    QStringList nombres =
        LeerTextoPorLineas(carpeta + "/USRS.kvldat").split("\r\n", Qt::SkipEmptyParts);
    if (nombres.size() != 2 * kVeces)
        fallo(QString("%1 names instead of %2").arg(nombres.size()).arg(2 * kVeces));
    for (QChar letra : {u'A', u'B'}) {
        int siguiente = 0;
        for (const QString& n : nombres)
            if (n.startsWith(letra) && n.mid(1).toInt() == siguiente) ++siguiente;
        if (siguiente != kVeces) fallo(QString("names of %1 out of order or missing").arg(letra));
    }
    // Each cell holds its column's last edit.
    TRutina r = TRutina::Vacia(kFilas, kColumnas);
    CargarRutina(r, carpeta + "/20230102Ana.kvr");
    for (int f = 0; f < kFilas; ++f) {
        const QString ultimo = QString::number(kVeces - kFilas + f);
        if (r.A[f][0] != "A" + ultimo || r.A[f][1] != "B" + ultimo)
            fallo(QString("row %1 holds %2 and %3").arg(f).arg(r.A[f][0], r.A[f][1]));
    }
    const QStringList restos = QDir(carpeta).entryList({".*.tmp-*"}, QDir::Files | QDir::Hidden);
    if (!restos.isEmpty()) fallo("temporary files left: " + restos.join(", "));
    std::printf("%d passed, %d failed\n", fallos == 0 ? 1 : 0, fallos == 0 ? 0 : 1);
    return fallos == 0 ? 0 : 1;
}
