#include "storage/archivo_es.h"

#include "general/errores.h"
#include "general/general.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

static const TLlamadasGuardado kSistema{
    [](char* plantilla) { return ::mkstemp(plantilla); },
    [](int fd, const void* datos, size_t n) { return ::write(fd, datos, n); },
    [](int fd) { return ::fsync(fd); },
    [](const char* desde, const char* hacia) { return ::rename(desde, hacia); },
    [](int fd) { return ::fsync(fd); },
};
static TLlamadasGuardado llamadas = kSistema;

const TLlamadasGuardado& LlamadasDelSistema() {
    return kSistema;
}

void FijarLlamadasGuardado(const TLlamadasGuardado* l) {
    llamadas = l ? *l : kSistema;
}

void FijarFuncionEscribir(FuncionEscribir f) {
    llamadas.escribir = f ? f : kSistema.escribir;
}

[[noreturn]] static void fallar(int numero) {
    throw ErrorDeErrno(numero);
}

static QByteArray nombreNativo(const QString& ruta) {
    if (ruta.size() > kLargoMaximoRuta || ruta.isEmpty()) throw ErrorES(3);
    return QFile::encodeName(ruta);
}

// Closes the descriptor when the scope ends, also when an error leaves it.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

static int abrir(const QByteArray& nombre, int modo, mode_t permisos = 0) {
    int fd;
    do
        fd = ::open(nombre.constData(), modo | O_CLOEXEC, permisos);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) fallar(errno);
    return fd;
}

// Writes every byte; a short write without an error would otherwise go unnoticed.
static void escribirTodo(int fd, const char* datos, qsizetype cantidad) {
    while (cantidad > 0) {
        const ssize_t n = llamadas.escribir(fd, datos, size_t(cantidad));
        if (n < 0) {
            if (errno == EINTR) continue;
            fallar(errno);
        }
        if (n == 0) fallar(ENOSPC);
        datos += n;
        cantidad -= n;
    }
}

// EINVAL: a file system that cannot flush (a pipe, some special mounts); nothing to wait for.
static void sincronizar(int (*flush)(int), int fd) {
    if (flush(fd) != 0 && errno != EINVAL) fallar(errno);
}

static TIdentidad identidadDeStat(const struct stat& st) {
    TIdentidad id;
    id.existe = true;
    id.dispositivo = quint64(st.st_dev);
    id.inodo = quint64(st.st_ino);
    id.tam = qint64(st.st_size);
    id.modificadoNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

TIdentidad IdentidadDe(const QString& ruta) {
    struct stat st;
    if (ruta.isEmpty() || ::stat(QFile::encodeName(ruta).constData(), &st) != 0) return {};
    return identidadDeStat(st);
}

QString MensajeNoNormal(const QString& ruta) {
    return QStringLiteral("No es un archivo normal: ") + QFileInfo(ruta).fileName();
}

// Opens a file for reading; a FIFO opened without O_NONBLOCK would wait for a writer forever.
static int abrirNormal(const QString& ruta, struct stat& st) {
    const int fd = abrir(nombreNativo(ruta), O_RDONLY | O_NONBLOCK);
    if (::fstat(fd, &st) != 0) {
        const int numero = errno;
        ::close(fd);
        fallar(numero);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw ErrorKorval(MensajeNoNormal(ruta));
    }
    return fd;
}

static QByteArray leer(const QString& ruta, TIdentidad* identidad, qint64 maximo,
                       const QString& demasiado, bool cortarEnFin) {
    struct stat st;
    const Descriptor d(abrirNormal(ruta, st));
    if (identidad) *identidad = identidadDeStat(st);
    if (maximo >= 0 && st.st_size > maximo) throw ErrorKorval(demasiado);
    QByteArray r;
    char bloque[16384];
    qint64 leidos = 0;
    for (;;) {
        const ssize_t n = ::read(d.fd, bloque, sizeof bloque);
        if (n < 0) {
            if (errno == EINTR) continue;
            fallar(errno);
        }
        if (n == 0) break;
        // The size stat reports may lie (a file of /proc, a file still growing): count.
        leidos += n;
        if (maximo >= 0 && leidos > maximo) throw ErrorKorval(demasiado);
        const void* fin = cortarEnFin ? memchr(bloque, 26, size_t(n)) : nullptr;
        if (fin) {
            r.append(bloque, static_cast<const char*>(fin) - bloque);
            break;
        }
        r.append(bloque, n);
    }
    return r;
}

QByteArray LeerArchivoEntero(const QString& ruta, TIdentidad* identidad, qint64 maximo,
                             const QString& demasiado) {
    return leer(ruta, identidad, maximo, demasiado, true);
}

QByteArray LeerCopiaExacta(const QString& ruta) {
    return leer(ruta, nullptr, -1, QString(), false);
}

// The file a save really replaces: links followed to their end, which may not exist yet.
static QString destinoReal(const QString& ruta) {
    QString actual = ruta;
    for (int saltos = 0; saltos < 40; ++saltos) {
        const QFileInfo info(actual);
        if (!info.isSymLink()) return actual;
        actual = info.symLinkTarget();
        if (actual.isEmpty()) break;
    }
    fallar(ELOOP);
}

static mode_t modoNuevo() {
    // The umask can only be read by setting it; it is put back at once (writes happen on one
    // thread only).
    const mode_t mascara = ::umask(022);
    ::umask(mascara);
    return 0666 & ~mascara;
}

void ReemplazarArchivo(const QString& ruta, const QByteArray& contenido, TIdentidad* identidad) {
    ReemplazarArchivoCon(
        ruta,
        [&](int fd, const QByteArray&) {
            escribirTodo(fd, contenido.constData(), contenido.size());
        },
        identidad);
}

void ReemplazarArchivoCon(const QString& ruta,
                          const std::function<void(int fd, const QByteArray& temporal)>& escribir,
                          TIdentidad* identidad) {
    nombreNativo(ruta);
    const QString real = destinoReal(ruta);
    const QByteArray destino = nombreNativo(real);
    mode_t modo = modoNuevo();
    struct stat st;
    if (::stat(destino.constData(), &st) == 0) {
        // A link may only lead to a regular file; a FIFO, device or socket is never replaced.
        if (real != ruta ? !S_ISREG(st.st_mode)
                         : (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ||
                            S_ISSOCK(st.st_mode)))
            throw ErrorKorval(MensajeNoNormal(ruta));
        // The rename would replace a read-only file all the same: respect its mode.
        if (S_ISREG(st.st_mode) && ::access(destino.constData(), W_OK) != 0) fallar(errno);
        modo = st.st_mode & 07777;
    }
    const QFileInfo info(real);
    const QByteArray carpeta = QFile::encodeName(info.absolutePath());
    QByteArray plantilla = QFile::encodeName(info.absolutePath() + QLatin1String("/.") +
                                             info.fileName() + QLatin1String(".tmp-XXXXXX"));
    const int fd = llamadas.crear(plantilla.data());
    if (fd < 0) fallar(errno);
    bool renombrado = false;
    try {
        {
            const Descriptor d(fd);
            if (::fchmod(fd, modo) != 0) fallar(errno);
            escribir(fd, plantilla);
            // Flush before the rename, or a crash can leave an empty file under the old name.
            sincronizar(llamadas.sincronizarArchivo, fd);
            // The rename keeps inode, size and time: this is the new file's identity.
            struct stat nuevo;
            if (identidad && ::fstat(fd, &nuevo) == 0) *identidad = identidadDeStat(nuevo);
        }
        if (llamadas.renombrar(plantilla.constData(), destino.constData()) != 0) fallar(errno);
        renombrado = true;
        // The rename itself is durable only once the folder is flushed.
        const Descriptor dir(abrir(carpeta, O_RDONLY | O_DIRECTORY));
        sincronizar(llamadas.sincronizarCarpeta, dir.fd);
    } catch (const ErrorKorval& e) {
        if (!renombrado) {
            ::unlink(plantilla.constData());
            throw;
        }
        // The file is replaced already: the caller holds the new version all the same.
        throw ErrorTrasReemplazar(e);
    } catch (...) {
        if (!renombrado) ::unlink(plantilla.constData());
        throw;
    }
}

void AnexarLinea(const QString& ruta, const QByteArray& linea, qint64 maximo,
                 const QString& demasiado) {
    // The file is replaced whole, as a routine is: a process killed while it writes leaves the
    // old text or the new one. Appended in place, a write that a kill stops between two pages
    // leaves half a line, which the next line would turn into a line of its own.
    // The text read ends at a byte 26 (the end-of-file mark): what follows it is invisible to
    // readers, and the new line must follow what a reader sees.
    QByteArray todo =
        estaArchivo(ruta) ? LeerArchivoEntero(ruta, nullptr, maximo, demasiado) : QByteArray();
    // A lone CR would make a reader skip the new line up to its LF.
    if (todo.endsWith('\r'))
        todo += '\n';
    else if (!todo.isEmpty() && !todo.endsWith('\n'))
        todo += QByteArrayLiteral("\r\n");
    todo += linea + QByteArrayLiteral("\r\n");
    ReemplazarArchivo(ruta, todo);
}

static QString mensajeCerrojo(const char* que) {
    return QStringLiteral("El cerrojo de la carpeta de datos (%1) %2: no se guarda nada mientras "
                          "siga así")
        .arg(QLatin1String(kArchivoCerrojo), QString::fromUtf8(que));
}

TCerrojo::TCerrojo(const QString& carpeta, int esperaMs) {
    const QByteArray nombre = QFile::encodeName(carpeta + QLatin1String("/") + kArchivoCerrojo);
    // Never through a link: one planted by whoever shares the folder would make us create or
    // lock a file elsewhere. O_NONBLOCK: a FIFO in its place must not hold the open.
    do
        fd_ = ::open(nombre.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                     0666);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        if (errno == ELOOP) throw ErrorKorval(mensajeCerrojo("es un enlace"));
        fallar(errno);
    }
    struct stat st;
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw ErrorKorval(mensajeCerrojo("no es un archivo normal"));
    }
    QElapsedTimer reloj;
    reloj.start();
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int numero = errno;
        if (numero == EINTR) continue;
        if (numero == EWOULDBLOCK && reloj.elapsed() < esperaMs) {
            ::usleep(10000);
            continue;
        }
        ::close(fd_);
        if (numero == EWOULDBLOCK)
            throw ErrorKorval(QStringLiteral("Otro programa está escribiendo en la carpeta de "
                                             "datos; vuelve a intentarlo (Enter) en un momento"));
        fallar(numero);
    }
}

TCerrojo::~TCerrojo() {
    // Closing the descriptor releases the lock.
    ::close(fd_);
}

int BorrarTemporalesViejos(const QString& carpeta, qint64 edadMinima) {
    const QDateTime limite = QDateTime::currentDateTimeUtc().addSecs(-edadMinima);
    int borrados = 0;
    const QFileInfoList restos =
        QDir(carpeta).entryInfoList({QStringLiteral(".*.tmp-??????")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& f : restos)
        if (f.lastModified().toUTC() < limite && QFile::remove(f.absoluteFilePath())) ++borrados;
    return borrados;
}
