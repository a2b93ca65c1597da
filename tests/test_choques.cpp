// A process killed at a random moment while it saves: the routine file is always one whole
// version, and a killed user-list append leaves every earlier name intact. Single-threaded on
// purpose, so the child can be forked without exec.
#include "storage/lista_usuarios.h"
#include "storage/rutina_archivo.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

static constexpr int kFilas = 100;
static constexpr int kColumnas = 11;
// Under the sanitizers every fork copies a large shadow memory; fewer kills keep the run short.
#ifdef KORVAL_MUERTES
static constexpr int kMuertes = KORVAL_MUERTES;
#else
static constexpr int kMuertes = 1000;
#endif

static int fallos = 0;
static void fallo(const QString& m) {
    if (++fallos <= 10) std::fprintf(stderr, "FAIL: %s\n", qPrintable(m));
}

// Version k: every cell says so, rows differ in length, and the mark is k.
static void version(qint64 k, TTabla& A, TMarcas& C) {
    A = TTabla(kFilas, QStringList(kColumnas));
    C = TMarcas(kFilas, qint32(k));
    for (int i = 0; i < kFilas; ++i)
        for (int j = 0; j < kColumnas; ++j)
            A[i][j] = QString("v%1-%2").arg(k).arg(QString(i % 7, u'x'));
}

static void matarAlAzar(pid_t hijo) {
    ::usleep(QRandomGenerator::global()->bounded(100, 1500));
    ::kill(hijo, SIGKILL);
    int estado = 0;
    ::waitpid(hijo, &estado, 0);
}

static void guardadosInterrumpidos(const QString& dir) {
    const QString ruta = dir + "/20230102Ana.kvr";
    TTabla A;
    TMarcas C;
    version(0, A, C);
    EscribirTablaSinCerrojo(ruta, A, C, kFilas, kColumnas);
    qint64 ultimo = 0; // versions grow: the file can never go back
    for (int n = 1; n <= kMuertes; ++n) {
        const pid_t hijo = ::fork();
        if (hijo == 0) {
            for (qint64 k = qint64(n) * 100000;; ++k) {
                version(k, A, C);
                EscribirTablaSinCerrojo(ruta, A, C, kFilas, kColumnas);
            }
        }
        matarAlAzar(hijo);
        TTabla B;
        TMarcas D;
        try {
            if (!CargarTabla(ruta, B, D, kFilas, kColumnas)) fallo("text past the rows");
        } catch (const std::exception& e) {
            fallo(QString("load failed after kill %1: %2").arg(n).arg(e.what()));
            continue;
        }
        const qint64 k = D[0];
        version(k, A, C);
        if (B != A || D != C) fallo(QString("kill %1: the file is no saved version").arg(n));
        if (k < ultimo) fallo(QString("kill %1: an older version came back").arg(n));
        ultimo = k;
    }
}

static void anexosInterrumpidos(const QString& dir) {
    const QString ruta = dir + "/USRS.kvldat";
    QFile::remove(ruta);
    int escritos = 0; // names known to be complete before each child starts
    for (int n = 1; n <= kMuertes; ++n) {
        const pid_t hijo = ::fork();
        if (hijo == 0) {
            for (int k = escritos;; ++k)
                AnexarUsuario(ruta, QString("usuario%1").arg(k));
        }
        matarAlAzar(hijo);
        const QStringList lineas = LeerTextoPorLineas(ruta).split("\r\n");
        // Every line but the terminator is a whole name, in order, none lost or changed.
        const qsizetype completos = lineas.size() - 1;
        if (completos < escritos) fallo(QString("kill %1: names were lost").arg(n));
        for (qsizetype i = 0; i < completos; ++i)
            if (lineas[i] != QString("usuario%1").arg(i)) {
                fallo(QString("kill %1: line %2 is '%3'").arg(n).arg(i).arg(lineas[i]));
                break;
            }
        escritos = int(completos);
    }
}

int main() {
    QTemporaryDir tmp;
    guardadosInterrumpidos(tmp.path());
    anexosInterrumpidos(tmp.path());
    // Temporary files of interrupted saves stay hidden and never replace a routine.
    const int restos =
        QDir(tmp.path()).entryList(QDir::Hidden | QDir::Files).filter(".tmp-").size();
    std::printf("%d kills each; %d hidden temporary files left by interrupted saves\n", kMuertes,
                restos);
    std::printf(fallos ? "FAILED (%d)\n" : "PASSED\n", fallos);
    return fallos ? 1 : 0;
}
