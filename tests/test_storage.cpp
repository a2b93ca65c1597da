// Routine files and the user list on a real, temporary data folder.
#include "general/errores.h"
#include "general/general.h"
#include "storage/archivo_es.h"
#include "storage/lista_usuarios.h"
#include "storage/rutina_archivo.h"
#include "tests/costuras.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

static constexpr int kFilas = 100;
static constexpr int kColumnas = 11;
static const QByteArray kFilaVacia = "||||||||||||0\r\n";

static QByteArray leer(const QString& ruta) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

static void escribir(const QString& ruta, const QByteArray& bytes) {
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

static QString mensajeDe(const std::function<void()>& f) {
    try {
        f();
    } catch (const ErrorKorval& e) {
        return e.mensaje();
    }
    return QString();
}

class TestStorage : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    QString dir;
    QString ruta(const QString& nombre) const { return dir + "/" + nombre; }

  private slots:
    void init();
    void mensajesDeErrno_data();
    void mensajesDeErrno();
    void idaYVuelta();
    void filaVaciaYArchivoVacio();
    void lecturas_data();
    void lecturas();
    void marcaInvalida();
    void archivoInexistente();
    void guardadoFallidoConservaArchivo_data();
    void guardadoFallidoConservaArchivo();
    void pasosDelGuardado_data();
    void pasosDelGuardado();
    void rutaDemasiadoLarga();
    void lecturaFallidaVaciaTabla();
    void listaUsuarios();
    void listaSinFinDeLinea_data();
    void listaSinFinDeLinea();
    void nombresInvalidos_data();
    void nombresInvalidos();
    void nombresLargos_data();
    void nombresLargos();
};

void TestStorage::init() {
    dir = tmp.path() + "/" + QTest::currentTestFunction();
    if (QTest::currentDataTag()) dir += QString("-%1").arg(qHash(QString(QTest::currentDataTag())));
    QDir().mkpath(dir);
    carpeta_principal = dir;
}

void TestStorage::mensajesDeErrno_data() {
    QTest::addColumn<int>("numero");
    QTest::addColumn<QString>("mensaje");
    QTest::newRow("ENOENT") << ENOENT << "File not found";
    QTest::newRow("ENOTDIR") << ENOTDIR << "Invalid filename";
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << "Invalid filename";
    QTest::newRow("EINVAL") << EINVAL << "Invalid filename";
    QTest::newRow("ELOOP") << ELOOP << "Invalid filename";
    QTest::newRow("EMFILE") << EMFILE << "Too many open files";
    QTest::newRow("ENFILE") << ENFILE << "Too many open files";
    QTest::newRow("EACCES") << EACCES << "File access denied";
    QTest::newRow("EPERM") << EPERM << "File access denied";
    QTest::newRow("EROFS") << EROFS << "File access denied";
    QTest::newRow("EISDIR") << EISDIR << "File access denied";
    QTest::newRow("ETXTBSY") << ETXTBSY << "File access denied";
    QTest::newRow("ENOSPC") << ENOSPC << "Disk full";
    QTest::newRow("EDQUOT") << EDQUOT << "Disk full";
    QTest::newRow("EFBIG") << EFBIG << "Disk full";
    QTest::newRow("EIO") << EIO << QString("I/O error %1").arg(EIO);
    QTest::newRow("EBUSY") << EBUSY << QString("I/O error %1").arg(EBUSY);
}

void TestStorage::mensajesDeErrno() {
    QFETCH(int, numero);
    QFETCH(QString, mensaje);
    QCOMPARE(ErrorDeErrno(numero).mensaje(), mensaje);
    QCOMPARE(MensajeDeCodigo(100), QStringLiteral("Read beyond end of file"));
    QCOMPARE(MensajeDeCodigo(106), QStringLiteral("Invalid numeric input"));
}

void TestStorage::idaYVuelta() {
    TTabla A(kFilas, QStringList(kColumnas));
    TMarcas C(kFilas, 0);
    A[0] = QStringList{"Press", "4", "10", "40", "45", "", "", "", "", "", ""};
    C[0] = -65536;
    A[1][0] = "  Pressão con ñ  ";
    A[1][10] = "último";
    C[1] = -8388864;
    A[2][5] = "€ “x”";
    C[99] = 2147483647;
    C[98] = int(-2147483648LL);
    const QString f = ruta("20230102Ana.kvr");
    EscribirTablaSinCerrojo(f, A, C, kFilas, kColumnas);

    const QByteArray bytes = leer(f);
    QVERIFY(bytes.startsWith("Press|4|10|40|45||||||||-65536\r\n"));
    QCOMPARE(bytes.count("\r\n"), kFilas);
    QVERIFY(bytes.contains("Press\xe3o con \xf1")); // Windows-1252 bytes, no BOM

    TTabla B;
    TMarcas D;
    CargarTabla(f, B, D, kFilas, kColumnas);
    QCOMPARE(B, A);
    QCOMPARE(D, C);

    // A character Windows-1252 cannot hold is stored as one "?" (also outside the BMP).
    A[3][0] = QStringLiteral("Жим 💪");
    EscribirTablaSinCerrojo(f, A, C, kFilas, kColumnas);
    QVERIFY(leer(f).contains("\r\n??? ?|"));
    CargarTabla(f, B, D, kFilas, kColumnas);
    QCOMPARE(B[3][0], QStringLiteral("??? ?"));
}

void TestStorage::filaVaciaYArchivoVacio() {
    const QString f = ruta("vacio.kvr");
    EscribirTablaSinCerrojo(f, TTabla(kFilas, QStringList(kColumnas)), TMarcas(kFilas, 0), kFilas,
                            kColumnas);
    QCOMPARE(leer(f), kFilaVacia.repeated(kFilas));
    QCOMPARE(leer(f).size(), 1500);
}

// Loads of hand-made files: what each row holds afterwards.
void TestStorage::lecturas_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fila0");
    QTest::addColumn<int>("marca0");
    QTest::addColumn<QStringList>("fila2");
    QTest::addColumn<int>("marca2");
    const QStringList vacia(kColumnas);
    auto fila = [](QStringList inicio) {
        while (inicio.size() < kColumnas)
            inicio << QString();
        return inicio;
    };
    QTest::newRow("zero bytes") << QByteArray() << vacia << 0 << vacia << 0;
    QTest::newRow("three lines") << QByteArray(
                                        "a|||||||||||-1\r\nb|||||||||||0\r\nc||||||||||||5\r\n")
                                 << fila({"a"}) << 0 << fila({"c"}) << 5;
    QTest::newRow("only text") << QByteArray("abc\r\n") << fila({"abc"}) << 0 << vacia << 0;
    QTest::newRow("12 fields") << QByteArray("a|b|c|d|e|f|g|h|i|j|k|\r\n")
                               << fila({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"}) << 0
                               << vacia << 0;
    QTest::newRow("empty line is empty row")
        << QByteArray("x||||||||||||7\r\n\r\ny\r\n") << fila({"x"}) << 7 << fila({"y"}) << 0;
    QTest::newRow("lone LF") << QByteArray("a||||||||||||1\nb\nc||||||||||||3\n") << fila({"a"})
                             << 1 << fila({"c"}) << 3;
    QTest::newRow("ctrl-z ends file") << QByteArray("a||||||||||||1\r\nb\r\n\x1a"
                                                    "c||||||||||||3\r\n")
                                      << fila({"a"}) << 1 << vacia << 0;
    QTest::newRow("fields after 13th ignored")
        << QByteArray("a||||||||||||2|zzz|q\r\n") << fila({"a"}) << 2 << vacia << 0;
    QTest::newRow("hex mark") << QByteArray("a||||||||||||$FF\r\n") << fila({"a"}) << 255 << vacia
                              << 0;
    QTest::newRow("blanks kept") << QByteArray("  a  | b |||||||||||0\r\n")
                                 << fila({"  a  ", " b "}) << 0 << vacia << 0;
    QTest::newRow("unrepresentable stored as ?")
        << QByteArray("?\r\n") << fila({"?"}) << 0 << vacia << 0;
}

void TestStorage::lecturas() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fila0);
    QFETCH(int, marca0);
    QFETCH(QStringList, fila2);
    QFETCH(int, marca2);
    const QString f = ruta("x.kvr");
    escribir(f, bytes);
    TTabla A(kFilas, QStringList(kColumnas, "stale"));
    TMarcas C(kFilas, 9);
    CargarTabla(f, A, C, kFilas, kColumnas);
    QCOMPARE(A.size(), kFilas);
    QCOMPARE(C.size(), kFilas);
    QCOMPARE(A[0], fila0);
    QCOMPARE(C[0], marca0);
    QCOMPARE(A[2], fila2);
    QCOMPARE(C[2], marca2);
    // Rows past the file are empty, never copies of an earlier line.
    QCOMPARE(A[99], QStringList(kColumnas));
    QCOMPARE(C[99], 0);
}

void TestStorage::marcaInvalida() {
    QByteArray bytes;
    for (int i = 0; i < 120; ++i)
        bytes += QByteArray::number(i) + "||||||||||||" +
                 (i == 4   ? "abc"
                  : i == 7 ? "q"
                           : "-1") +
                 "\r\n";
    const QString f = ruta("mala.kvr");
    escribir(f, bytes);
    TTabla A(kFilas, QStringList(kColumnas, "stale"));
    TMarcas C;
    QCOMPARE(mensajeDe([&] { CargarTabla(f, A, C, kFilas, kColumnas); }),
             QStringLiteral("'abc' is not a valid integer value"));
    // Every row still comes from the file; only the bad marks are 0.
    for (int i = 0; i < kFilas; ++i) {
        QCOMPARE(A[i][0], QString::number(i));
        QCOMPARE(C[i], (i == 4 || i == 7) ? 0 : -1);
    }
    // Lines past 100 are ignored; the next save drops them.
    EscribirTablaSinCerrojo(f, A, C, kFilas, kColumnas);
    QVERIFY(!leer(f).contains("\r\n100|"));
    // A cell with a bar moves later cells right; two bars feed field 13.
    escribir(f, "a|b|c|d|e|f|g|h|i|j|k|l|zz\r\n");
    QCOMPARE(mensajeDe([&] { CargarTabla(f, A, C, kFilas, kColumnas); }),
             QStringLiteral("'zz' is not a valid integer value"));
}

void TestStorage::archivoInexistente() {
    TTabla A(3, QStringList(2, "old"));
    TMarcas C(3, 5);
    CargarTabla(ruta("no.kvr"), A, C, kFilas, kColumnas);
    QCOMPARE(A, TTabla(kFilas, QStringList(kColumnas)));
    QCOMPARE(C, TMarcas(kFilas, 0));
    QVERIFY(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

// A save that cannot complete leaves the old bytes exactly and reports the code's message.
void TestStorage::guardadoFallidoConservaArchivo_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("mensaje");
    QTest::newRow("folder removed") << "folder"
                                    << "File not found";
    QTest::newRow("target is a directory") << "directory"
                                           << "File access denied";
    QTest::newRow("disk full") << "full"
                               << "Disk full";
    QTest::newRow("i/o error") << "eio" << QString("I/O error %1").arg(EIO);
}

static int fallasRestantes = 0;
static int errnoFalla = 0;
static ssize_t escribirQueFalla(int fd, const void* datos, size_t n) {
    if (fallasRestantes-- > 0) {
        // Accept some bytes first, as a device does before it fills up.
        return ::write(fd, datos, n > 7 ? 7 : n);
    }
    errno = errnoFalla;
    return -1;
}

// Each step of the atomic save, recorded in the order the save takes it, and each made to fail.
static QStringList pasosHechos;
static QString pasoQueFalla;
static bool fallaAhora(const char* paso) {
    pasosHechos << QString::fromLatin1(paso);
    if (pasoQueFalla != QLatin1String(paso)) return false;
    errno = ENOSPC;
    return true;
}
static const TLlamadasGuardado kRegistradas{
    [](char* p) { return fallaAhora("crear") ? -1 : LlamadasDelSistema().crear(p); },
    [](int fd, const void* d, size_t n) -> ssize_t {
        return fallaAhora("escribir") ? -1 : LlamadasDelSistema().escribir(fd, d, n);
    },
    [](int fd) {
        return fallaAhora("volcar archivo") ? -1 : LlamadasDelSistema().sincronizarArchivo(fd);
    },
    [](const char* a, const char* b) {
        return fallaAhora("renombrar") ? -1 : LlamadasDelSistema().renombrar(a, b);
    },
    [](int fd) {
        return fallaAhora("volcar carpeta") ? -1 : LlamadasDelSistema().sincronizarCarpeta(fd);
    },
};

void TestStorage::pasosDelGuardado_data() {
    QTest::addColumn<QString>("falla");
    QTest::newRow("ninguno") << "";
    for (const char* paso : {"crear", "escribir", "volcar archivo", "renombrar", "volcar carpeta"})
        QTest::newRow(paso) << paso;
}

void TestStorage::pasosDelGuardado() {
    QFETCH(QString, falla);
    const QString f = dir + "/r.kvr";
    const QByteArray viejo = "viejo|||||||||||0\r\n";
    escribir(f, viejo);
    pasosHechos.clear();
    pasoQueFalla = falla;
    FijarLlamadasGuardado(&kRegistradas);
    TIdentidad id;
    QString m;
    bool tras = false;
    try {
        ReemplazarArchivo(f, "nuevo", &id);
    } catch (const ErrorTrasReemplazar& e) {
        tras = true;
        m = e.mensaje();
    } catch (const ErrorKorval& e) {
        m = e.mensaje();
    }
    FijarLlamadasGuardado(nullptr);
    // The file reaches the disk before the rename, the rename before the folder is flushed.
    const QStringList todos{"crear", "escribir", "volcar archivo", "renombrar", "volcar carpeta"};
    const qsizetype hasta = falla.isEmpty() ? todos.size() : todos.indexOf(falla) + 1;
    QCOMPARE(pasosHechos, todos.mid(0, hasta));
    QCOMPARE(m, falla.isEmpty() ? QString() : QStringLiteral("Disk full"));
    // Up to the rename the old file stays whole and the temporary file goes; after it the file
    // is the new one, and the failure says so.
    const bool reemplazado = falla.isEmpty() || falla == "volcar carpeta";
    QCOMPARE(leer(f), reemplazado ? QByteArray("nuevo") : viejo);
    QCOMPARE(tras, falla == "volcar carpeta");
    if (reemplazado) QCOMPARE(id, IdentidadDe(f));
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).filter(".tmp").size(), 0);
}

void TestStorage::guardadoFallidoConservaArchivo() {
    QFETCH(QString, caso);
    QFETCH(QString, mensaje);
    const QString sub = dir + "/sub";
    QDir().mkpath(sub);
    const QString f = sub + "/r.kvr";
    const QByteArray viejo = "viejo|||||||||||0\r\n";
    TTabla A(kFilas, QStringList(kColumnas, "nuevo"));
    TMarcas C(kFilas, 1);
    if (caso == "folder") {
        QDir(sub).removeRecursively();
    } else if (caso == "directory") {
        QDir().mkpath(f);
        QFile(f + "/inside").open(QIODevice::WriteOnly);
    }
    std::unique_ptr<TEscrituraFalsa> falsa;
    if (caso != "folder" && caso != "directory") {
        escribir(f, viejo);
        fallasRestantes = 3;
        errnoFalla = caso == "full" ? ENOSPC : EIO;
        falsa = std::make_unique<TEscrituraFalsa>(escribirQueFalla);
    }
    const QString m = mensajeDe([&] { EscribirTablaSinCerrojo(f, A, C, kFilas, kColumnas); });
    falsa.reset();
    QCOMPARE(m, mensaje);
    if (caso == "directory")
        QVERIFY(QFileInfo(f + "/inside").exists());
    else if (caso != "folder")
        QCOMPARE(leer(f), viejo);
    // No temporary file is left behind.
    if (caso != "folder")
        QCOMPARE(QDir(sub).entryList(QDir::Files | QDir::Hidden).filter(".tmp").size(), 0);
}

void TestStorage::rutaDemasiadoLarga() {
    const QString f = dir + "/" + QString(300, 'a');
    TTabla A;
    TMarcas C;
    QCOMPARE(mensajeDe([&] { EscribirTablaSinCerrojo(f, A, C, kFilas, kColumnas); }),
             QStringLiteral("Invalid filename"));
    QCOMPARE(mensajeDe([&] { AnexarUsuario(f, "x"); }), QStringLiteral("Invalid filename"));
}

void TestStorage::lecturaFallidaVaciaTabla() {
    const QString f = ruta("dir.kvr");
    QDir().mkpath(f);
    TTabla A(kFilas, QStringList(kColumnas, "otra rutina"));
    TMarcas C(kFilas, 3);
    QCOMPARE(mensajeDe([&] { CargarTabla(f, A, C, kFilas, kColumnas); }),
             QStringLiteral("No es un archivo normal: dir.kvr"));
    QCOMPARE(A, TTabla(kFilas, QStringList(kColumnas)));
    QCOMPARE(C, TMarcas(kFilas, 0));
}

void TestStorage::listaUsuarios() {
    const QString f = PathCompleto(kArchivoUsuarios);
    QCOMPARE(LeerTextoPorLineas(f), QString());
    QVERIFY(!QFile::exists(f));
    AnexarUsuario(f, "Ana");
    QCOMPARE(leer(f), QByteArray("Ana\r\n"));
    AnexarUsuario(f, "Luis");
    AnexarUsuario(f, "");
    AnexarUsuario(f, "Ana");
    AnexarUsuario(f, "Jürgen Ж");
    QCOMPARE(leer(f), QByteArray("Ana\r\nLuis\r\n\r\nAna\r\nJ\xfcrgen ?\r\n"));
    QCOMPARE(LeerTextoPorLineas(f), QString("Ana\r\nLuis\r\n\r\nAna\r\nJürgen ?\r\n"));
}

void TestStorage::listaSinFinDeLinea_data() {
    QTest::addColumn<QByteArray>("antes");
    QTest::addColumn<QString>("leido");
    QTest::addColumn<QByteArray>("despues");
    QTest::newRow("no line end") << QByteArray("Ana\r\nLuis") << "Ana\r\nLuis\r\n"
                                 << QByteArray("Ana\r\nLuis\r\nEva\r\n");
    QTest::newRow("lone LF") << QByteArray("Ana\nLuis\n") << "Ana\r\nLuis\r\n"
                             << QByteArray("Ana\nLuis\nEva\r\n");
    QTest::newRow("lone CR at end") << QByteArray("Ana\r") << "Ana\r\n"
                                    << QByteArray("Ana\r\nEva\r\n");
    QTest::newRow("ctrl-z tail") << QByteArray("Ana\r\n\x1a\x1a") << "Ana\r\n"
                                 << QByteArray("Ana\r\nEva\r\n");
    QTest::newRow("ctrl-z after text") << QByteArray("Ana\x1a") << "Ana\r\n"
                                       << QByteArray("Ana\r\nEva\r\n");
    QTest::newRow("empty file") << QByteArray() << "" << QByteArray("Eva\r\n");
}

void TestStorage::listaSinFinDeLinea() {
    QFETCH(QByteArray, antes);
    QFETCH(QString, leido);
    QFETCH(QByteArray, despues);
    const QString f = PathCompleto(kArchivoUsuarios);
    escribir(f, antes);
    QCOMPARE(LeerTextoPorLineas(f), leido);
    AnexarUsuario(f, "Eva");
    QCOMPARE(leer(f), despues);
}

void TestStorage::nombresInvalidos_data() {
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("mensaje");
    const QString base = "El nombre contiene un caracter que no se puede guardar: ";
    QTest::newRow("slash") << "a/b" << base + "/";
    QTest::newRow("backslash") << "a\\b" << base + "\\";
    QTest::newRow("dotdot") << ".." << base + ".";
    QTest::newRow("colon") << "a:b" << base + ":";
    QTest::newRow("star") << "a*" << base + "*";
    QTest::newRow("question") << "a?" << base + "?";
    QTest::newRow("quote") << "a\"" << base + "\"";
    QTest::newRow("less") << "<" << base + "<";
    QTest::newRow("greater") << ">" << base + ">";
    QTest::newRow("bar") << "a|b" << base + "|";
    QTest::newRow("tab") << "a\tb" << base + "tabulador";
    QTest::newRow("cyrillic") << "Жora" << base + "Ж";
    QTest::newRow("plus") << "+"
                          << "El nombre + esta reservado";
    QTest::newRow("empty ok") << ""
                              << "";
    QTest::newRow("accents ok") << "José Ñandú"
                                << "";
    QTest::newRow("plus inside ok") << "Ana+"
                                    << "";
    QTest::newRow("single dot ok") << "A. Pérez"
                                   << "";
}

void TestStorage::nombresInvalidos() {
    QFETCH(QString, nombre);
    QFETCH(QString, mensaje);
    QCOMPARE(MotivoNombreInvalido(nombre), mensaje);
}

// A name must leave every file made for it within 255 bytes per component (the copy's temporary
// file in "respaldos" is the longest) and the routine's paths within the path limit.
void TestStorage::nombresLargos_data() {
    QTest::addColumn<QString>("carpeta");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<bool>("cabe");
    QTest::newRow("215 bytes, short folder") << "/K" << QString(215, u'x') << true;
    QTest::newRow("216 bytes, short folder") << "/K" << QString(216, u'x') << false;
    QTest::newRow("two bytes a character") << "/K" << QString(107, u'\u00e9') << true;
    QTest::newRow("two bytes a character, one more") << "/K" << QString(108, u'\u00e9') << false;
    const QString larga = "/" + QString(150, u'd');
    // The copy: folder + "/respaldos/" + 8 + name + "-yyyyMMdd-HHmmss.kvr" <= 259.
    const int n = 259 - 151 - 11 - 8 - 20;
    QTest::newRow("path limit") << larga << QString(n, u'x') << true;
    QTest::newRow("path limit, one more") << larga << QString(n + 1, u'x') << false;
}

void TestStorage::nombresLargos() {
    QFETCH(QString, carpeta);
    QFETCH(QString, nombre);
    QFETCH(bool, cabe);
    const QString largo = QStringLiteral("El nombre es demasiado largo");
    QCOMPARE(MotivoNombreNuevo(nombre, carpeta), cabe ? QString() : largo);
    QCOMPARE(MotivoNombreInseguro(nombre, carpeta), cabe ? QString() : largo);
}

QTEST_GUILESS_MAIN(TestStorage)
#include "test_storage.moc"
