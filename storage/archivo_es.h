// Whole-file reading, atomic replacement and appending, with errors named by their codes.
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <functional>

// Longest path the program opens; longer ones fail with "Invalid filename" untouched.
inline constexpr int kLargoMaximoRuta = 259;

// Which version of a file is on disk: another program that replaces it (a rename) changes the
// inode, one that rewrites it in place changes the size or the modification time.
struct TIdentidad {
    bool existe = false;
    quint64 dispositivo = 0;
    quint64 inodo = 0;
    qint64 tam = 0;
    qint64 modificadoNs = 0;
    bool operator==(const TIdentidad&) const = default;
};

// The identity of the file the path names now (links followed); existe is false when there is
// none.
TIdentidad IdentidadDe(const QString& ruta);

// Every byte of the file, up to a byte 26 (the end-of-file mark) if there is one. Only a regular
// file is read: anything else (a FIFO, a device, a folder) is refused with "No es un archivo
// normal: <name>" without waiting on it. More than `maximo` bytes (when not negative) are
// refused with `demasiado`, counted while reading whatever the file's size claims.
// `identidad`, when given, receives the identity of the very file that was read.
QByteArray LeerArchivoEntero(const QString& ruta, TIdentidad* identidad = nullptr,
                             qint64 maximo = -1, const QString& demasiado = QString());

// Every byte of a regular file, the end-of-file mark and what follows included: for copies.
QByteArray LeerCopiaExacta(const QString& ruta);

// The message for a file that is not a regular one.
QString MensajeNoNormal(const QString& ruta);

// Replaces the file with the content, or leaves the old file exactly as it was: the content goes
// to a temporary file in the same folder, is flushed to disk and renamed over the old file.
// A symbolic link is followed to a regular file (or to where one does not exist yet) and stays a
// link; one to anything else is refused as not a regular file, and so is a FIFO, device or
// socket. The new file keeps the old one's mode; a file made anew follows the umask. A file the
// user may not write is refused ("File access denied").
// `identidad`, when given, receives the identity of the new file. A failure after the rename
// (the folder's flush) throws ErrorTrasReemplazar, with `identidad` already set.
void ReemplazarArchivo(const QString& ruta, const QByteArray& contenido,
                       TIdentidad* identidad = nullptr);

// The same save with the content written by `escribir`, into the temporary file open as `fd`
// (empty, named `temporal`): for a writer that opens the file by its name and writes it itself.
// It reports a failure by throwing ErrorKorval; the temporary file is then removed and the old
// file stays as it was.
void ReemplazarArchivoCon(const QString& ruta,
                          const std::function<void(int fd, const QByteArray& temporal)>& escribir,
                          TIdentidad* identidad = nullptr);

// Removes the temporary files that interrupted saves left in `carpeta` (".<name>.tmp-XXXXXX")
// when they are older than `edadMinima` seconds: a younger one may belong to a save under way in
// another program. Returns how many went.
int BorrarTemporalesViejos(const QString& carpeta, qint64 edadMinima);

// How long a save waits for the data folder's lock: the window's saves briefly (the window must
// never freeze), saves made without a window (the command line, other processes) longer.
inline constexpr int kEsperaCerrojoVentanaMs = 500;
inline constexpr int kEsperaCerrojoFueraMs = 10000;

// Holds the data folder's advisory lock (".korval.lock") while it lives, so that the programs
// sharing the folder take turns at check, read, write and rename. The lock is asked for without
// blocking, in short steps, for at most `esperaMs`; then ErrorKorval tells that another program
// is writing. A lock file that is a link or not a regular file is refused, never followed.
class TCerrojo {
  public:
    explicit TCerrojo(const QString& carpeta, int esperaMs = kEsperaCerrojoFueraMs);
    ~TCerrojo();
    TCerrojo(const TCerrojo&) = delete;
    TCerrojo& operator=(const TCerrojo&) = delete;

  private:
    int fd_ = -1;
};
inline constexpr const char* kArchivoCerrojo = ".korval.lock";

// Adds one line (CR LF added) after the file's text, creating the file when it is missing.
// A file whose text does not end in a line end gets CR LF first, so no earlier line changes.
// The file is replaced whole through ReemplazarArchivo; text past `maximo` bytes is refused
// with `demasiado`, as LeerArchivoEntero does.
void AnexarLinea(const QString& ruta, const QByteArray& linea, qint64 maximo,
                 const QString& demasiado);

// The system calls of an atomic save, one per step, in the order the save makes them: create the
// temporary file, write it, flush it to disk, rename it over the target, flush the folder. Tests
// replace them to record the order and to fail any one step (a call fails by returning -1 with
// errno set, as the system call does).
struct TLlamadasGuardado {
    int (*crear)(char* plantilla);                                   // mkstemp
    ssize_t (*escribir)(int fd, const void* datos, size_t cantidad); // write
    int (*sincronizarArchivo)(int fd);                               // fsync of the file
    int (*renombrar)(const char* desde, const char* hacia);          // rename
    int (*sincronizarCarpeta)(int fd);                               // fsync of the folder
};
// The calls in use; FijarLlamadasGuardado(nullptr) restores the system's.
const TLlamadasGuardado& LlamadasDelSistema();
void FijarLlamadasGuardado(const TLlamadasGuardado* llamadas);

// The write call alone, for tests that fail a write after so many bytes.
using FuncionEscribir = ssize_t (*)(int fd, const void* datos, size_t cantidad);
void FijarFuncionEscribir(FuncionEscribir f); // nullptr restores the system call
