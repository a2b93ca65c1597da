// Two writers on one routine file: each save carries only its own change onto the file as it is
// on disk now.
#include "general/errores.h"
#include "general/general.h"
#include "storage/rutina.h"

#include "tests/costuras.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestFusion : public QObject {
    Q_OBJECT
  private slots:
    void dosEscritores_data();
    void dosEscritores();
    void guardarSinCambiosAjenosNoRelee();
    void esperaAlCerrojo();
};

static constexpr int kFilas = 100;
static constexpr int kColumnas = 11;

using prueba::linea;
using prueba::rutina;

static QByteArray leer(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

static void escribir(const QString& ruta, const QByteArray& bytes) {
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// One change as a writer makes it: in memory first, then saved. "celda F C TEXTO",
// "marca F VALOR", "filas F1 F2", "entera" (a routine of one row "Fondos"), "borrar" (the file
// goes), "crudo BYTES" (another program writes the file; "\n" stands for a line end).
static TGuardado hacer(TRutina& r, const QString& carpeta, const QString& accion) {
    const QStringList p = accion.split(u' ');
    const QDateTime momento(QDate(2023, 1, 2), QTime(10, 0, 0));
    TCambio c;
    if (p[0] == "celda") {
        c = TCambio::DeCeldas(r, {{p[1].toInt(), p[2].toInt(), p.value(3)}});
    } else if (p[0] == "marca") {
        c = TCambio::DeMarca(r, p[1].toInt(), p[2].toInt());
    } else if (p[0] == "filas") {
        c = TCambio::DeIntercambio(r, p[1].toInt(), p[2].toInt());
    } else if (p[0] == "entera") {
        TTabla A = TRutina::Vacia(kFilas, kColumnas).A;
        A[0][0] = "Fondos";
        c = TCambio::DeTodo(r, A, TMarcas(kFilas, 0));
    } else if (p[0] == "borrar") {
        QFile::remove(r.ruta);
        return {};
    } else {
        escribir(r.ruta, accion.mid(6).toLatin1().replace("\\n", "\r\n"));
        return {};
    }
    TGuardado g = GuardarCambio(r, c, carpeta, momento);
    // The writer holds what is on disk now.
    r = g.rutina;
    return g;
}

void TestFusion::dosEscritores_data() {
    QTest::addColumn<QString>("otro");       // what another writer does after both loaded
    QTest::addColumn<QString>("esta");       // what this one does then
    QTest::addColumn<QByteArray>("archivo"); // the file after both
    QTest::addColumn<bool>("copia");         // the other's version went to "respaldos"
    const QByteArray press = linea({"Press", "4", "10"});
    const QByteArray remo = linea({"Remo", "3", "12"});
    const QByteArray curl = linea({"Curl", "3", "10"});
    QTest::newRow("celdas distintas")
        << "celda 0 3 60"
        << "celda 1 1 5"
        << rutina({linea({"Press", "4", "10", "60"}), linea({"Remo", "5", "12"}), curl}) << false;
    QTest::newRow("la misma celda: gana esta")
        << "celda 1 1 4"
        << "celda 1 1 5" << rutina({press, linea({"Remo", "5", "12"}), curl}) << true;
    QTest::newRow("la misma celda con el mismo texto")
        << "celda 1 1 5"
        << "celda 1 1 5" << rutina({press, linea({"Remo", "5", "12"}), curl}) << false;
    QTest::newRow("filas contra celda")
        << "celda 0 3 60"
        << "filas 1 2" << rutina({linea({"Press", "4", "10", "60"}), curl, remo}) << false;
    QTest::newRow("celda contra filas")
        << "filas 0 1"
        << "celda 2 1 9" << rutina({remo, press, linea({"Curl", "9", "10"})}) << false;
    QTest::newRow("marca contra celda")
        << "marca 0 -65536"
        << "celda 0 1 5" << rutina({linea({"Press", "5", "10"}, -65536), remo, curl}) << false;
    QTest::newRow("la misma marca: gana esta")
        << "marca 0 -65536"
        << "marca 0 -256" << rutina({linea({"Press", "4", "10"}, -256), remo, curl}) << true;
    QTest::newRow("rutina entera contra celda") << "celda 0 3 60"
                                                << "entera" << rutina({linea({"Fondos"})}) << true;
    QTest::newRow("archivo borrado")
        << "borrar"
        << "celda 1 1 5" << rutina({press, linea({"Remo", "5", "12"}), curl}) << false;
    QTest::newRow("reemplazado por una sincronizacion")
        << QString("crudo " + press + "\\n" + remo + "\\n" + curl + "\\n" + linea({"Dips", "3"}))
        << "celda 1 1 5" << rutina({press, linea({"Remo", "5", "12"}), curl, linea({"Dips", "3"})})
        << false;
}

void TestFusion::dosEscritores() {
    QFETCH(QString, otro);
    QFETCH(QString, esta);
    QFETCH(QByteArray, archivo);
    QFETCH(bool, copia);
    QTemporaryDir tmp;
    const QString ruta = tmp.path() + "/20230102Ana.kvr";
    const QByteArray inicial = rutina(
        {linea({"Press", "4", "10"}), linea({"Remo", "3", "12"}), linea({"Curl", "3", "10"})});
    escribir(ruta, inicial);
    TRutina a = TRutina::Vacia(kFilas, kColumnas);
    TRutina b = TRutina::Vacia(kFilas, kColumnas);
    CargarRutina(a, ruta);
    CargarRutina(b, ruta);
    const QByteArray antesDeEsta = [&] {
        hacer(b, tmp.path(), otro);
        return leer(ruta);
    }();
    const TGuardado g = hacer(a, tmp.path(), esta);
    QVERIFY(g.guardado);
    QCOMPARE(leer(ruta), archivo);
    // This writer now holds what it wrote, and knows that version as its own.
    QCOMPARE(FormatearRutina(a.A, a.C, kFilas, kColumnas), archivo);
    QCOMPARE(a.identidad, IdentidadDe(ruta));
    QCOMPARE(g.fusionado, otro != "borrar");
    QCOMPARE(!g.copia.isEmpty(), copia);
    const QStringList copias = QDir(tmp.path() + "/respaldos").entryList(QDir::Files);
    QCOMPARE(copias.size(), copia ? 1 : 0);
    if (copia) QCOMPARE(leer(g.copia), antesDeEsta);
    // No temporary file stays behind; the lock file is the only hidden one.
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{".korval.lock", "20230102Ana.kvr"}));
}

// The disk version unreadable: the save is refused with the reader's message, nothing written.
// The usual case, no other writer: written as it is, without reading the file again.
void TestFusion::guardarSinCambiosAjenosNoRelee() {
    QTemporaryDir tmp;
    const QString ruta = tmp.path() + "/20230102Ana.kvr";
    escribir(ruta, rutina({linea({"Press"})}));
    TRutina a = TRutina::Vacia(kFilas, kColumnas);
    CargarRutina(a, ruta);
    const int cargas = ContadorCargas();
    hacer(a, tmp.path(), "celda 0 1 4");
    hacer(a, tmp.path(), "celda 0 2 10");
    QCOMPARE(ContadorCargas(), cargas);
    QCOMPARE(leer(ruta), rutina({linea({"Press", "4", "10"})}));

    const QByteArray roto = rutina({"Press|4|10||||||||||abc"});
    escribir(ruta, roto);
    try {
        hacer(a, tmp.path(), "celda 0 3 50");
        QFAIL("a save over an unreadable version was not refused");
    } catch (const ErrorKorval& e) {
        QCOMPARE(e.mensaje(), QStringLiteral("'abc' is not a valid integer value"));
    }
    QCOMPARE(leer(ruta), roto);
    QCOMPARE(a.A[0][3], QString()); // a refused save changes nothing held
}

// A save made without a window waits its turn while another process holds the lock for a while;
// a window's wait gives up.
void TestFusion::esperaAlCerrojo() {
    QTemporaryDir tmp;
    const QString ruta = tmp.path() + "/20230102Ana.kvr";
    escribir(ruta, rutina({linea({"Press"})}));
    TRutina a = TRutina::Vacia(kFilas, kColumnas);
    CargarRutina(a, ruta);
    QProcess dueno;
    dueno.start("flock", {"--no-fork", tmp.path() + "/.korval.lock", "sh", "-c",
                          "echo listo; exec sleep 1"});
    QVERIFY(dueno.waitForReadyRead(10000));
    const QDateTime momento(QDate(2023, 1, 2), QTime(10, 0));
    try {
        GuardarCambio(a, TCambio::DeCeldas(a, {{0, 1, "4"}}), tmp.path(), momento, 50);
        QFAIL("the lock held by another process was not noticed");
    } catch (const ErrorKorval& e) {
        QVERIFY(e.mensaje().startsWith("Otro programa está escribiendo"));
    }
    QCOMPARE(dueno.state(), QProcess::Running);
    const TGuardado g = GuardarCambio(a, TCambio::DeCeldas(a, {{0, 1, "4"}}), tmp.path(), momento);
    QVERIFY(g.guardado);
    QCOMPARE(leer(ruta), rutina({linea({"Press", "4"})}));
    QVERIFY(dueno.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(TestFusion)
#include "test_fusion.moc"
