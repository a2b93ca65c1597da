// A save or an export on a file system that is really full: "Disk full." and the old file
// untouched. Mounts a 64 KiB tmpfs (as root, or inside a private user namespace); skipped when
// neither is allowed.
#include "app/interaccion.h"
#include "general/errores.h"
#include "storage/libro.h"
#include "storage/lista_usuarios.h"
#include "storage/rutina_archivo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

static constexpr int kSaltar = 77;

static bool montar(const QByteArray& punto) {
    if (::mount("tmpfs", punto.constData(), "tmpfs", 0, "size=64k") == 0) return true;
    // Without the right to mount, a private user and mount namespace may still allow it.
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    return ::mount("tmpfs", punto.constData(), "tmpfs", 0, "size=64k") == 0;
}

static QByteArray leer(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

int main() {
    QTemporaryDir tmp;
    const QByteArray punto = QFile::encodeName(tmp.path());
    if (!montar(punto)) {
        std::printf("SKIP: no tmpfs can be mounted here (%s)\n", strerror(errno));
        return kSaltar;
    }
    int fallos = 0;
    const QString ruta = tmp.path() + "/20230102Ana.kvr";
    TTabla A(100, QStringList(11, "viejo"));
    TMarcas C(100, 0);
    EscribirTablaSinCerrojo(ruta, A, C, 100, 11);
    AnexarUsuario(tmp.path() + "/USRS.kvldat", "Ana");
    const QByteArray viejo = leer(ruta);
    // A workbook exported onto the full disk, from a data folder elsewhere; an older export
    // stays as it was.
    QTemporaryDir otra;
    EscribirTablaSinCerrojo(otra.path() + "/20230102Ana.kvr", A, C, 100, 11);
    AnexarUsuario(otra.path() + "/USRS.kvldat", "Ana");
    const QString libro = tmp.path() + "/historial.xlsx";
    {
        QFile f(libro);
        f.open(QIODevice::WriteOnly);
        f.write("el libro de antes");
    }
    // Fill what is left of the file system.
    {
        const int fd = ::open(QFile::encodeName(tmp.path() + "/relleno").constData(),
                              O_WRONLY | O_CREAT, 0644);
        char bloque[512] = {};
        while (::write(fd, bloque, sizeof bloque) > 0) {
        }
        ::close(fd);
    }
    A[0][0] = "nuevo";
    auto esperar = [&](const char* que, auto&& operacion) {
        try {
            operacion();
            std::printf("FAIL: %s succeeded on a full disk\n", que);
            ++fallos;
        } catch (const ErrorKorval& e) {
            // The export names its target first.
            const QString texto = TextoDeError(e.mensaje()).section(u':', -1).trimmed();
            if (texto != "Disk full.") {
                std::printf("FAIL: %s reported '%s'\n", que, qPrintable(texto));
                ++fallos;
            }
        }
    };
    esperar("save", [&] { EscribirTablaSinCerrojo(ruta, A, C, 100, 11); });
    if (leer(ruta) != viejo) {
        std::printf("FAIL: the old routine changed\n");
        ++fallos;
    }
    esperar("workbook", [&] { ExportarLibro(otra.path(), "Ana", libro, nullptr); });
    if (leer(libro) != "el libro de antes") {
        std::printf("FAIL: the earlier workbook changed\n");
        ++fallos;
    }
    esperar("append", [&] { AnexarUsuario(tmp.path() + "/USRS.kvldat", QString(70000, u'x')); });
    if (leer(tmp.path() + "/USRS.kvldat") != "Ana\r\n") {
        std::printf("FAIL: the user list changed\n");
        ++fallos;
    }
    const int restos =
        QDir(tmp.path()).entryList(QDir::Hidden | QDir::Files).filter(".tmp-").size();
    if (restos) {
        std::printf("FAIL: %d temporary files left behind\n", restos);
        ++fallos;
    }
    ::umount(punto.constData());
    std::printf(fallos ? "FAILED\n" : "PASSED\n");
    return fallos ? 1 : 0;
}
