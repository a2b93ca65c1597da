// Conflict copies that sync tools leave: their names, and their changes merged back into the
// routine (three-way with this computer's base, or without one), the copy then in "respaldos".
#include "storage/conflictos.h"
#include "storage/lista_usuarios.h"
#include "storage/sesion.h"

#include "tests/costuras.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestConflictos : public QObject {
    Q_OBJECT
  private slots:
    void nombres_data();
    void nombres();
    void fusion_data();
    void fusion();
    void dosEquipos_data();
    void dosEquipos();
    void lista();
};

static const QDate kDia(2023, 1, 2);
static const QString kRutina = QStringLiteral("20230102Ana.kvr");
static const QString kCopia =
    QStringLiteral("20230102Ana.sync-conflict-20230102-101500-N3GUVG2.kvr");

using prueba::linea;
using prueba::rutina;

static void escribir(const QString& ruta, const QByteArray& bytes) {
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

static QByteArray leer(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void TestConflictos::nombres_data() {
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("original");
    QTest::newRow("syncthing") << kCopia << kRutina;
    QTest::newRow("syncthing, la lista") << "USRS.sync-conflict-20261211-011502-N3GUVG2.kvldat"
                                         << "USRS.kvldat";
    QTest::newRow("nextcloud") << "20230102Ana (conflicted copy 2023-01-02 101500).kvr" << kRutina;
    QTest::newRow("dropbox") << "20230102Ana (Ana's conflicted copy 2023-01-02).kvr" << kRutina;
    QTest::newRow("dropbox, segunda")
        << "20230102Ana (PC conflicted copy 2023-01-02 (1)).kvr" << kRutina;
    QTest::newRow("la rutina misma") << kRutina << "";
    QTest::newRow("otro archivo") << "notas.sync-conflict-20230102-101500-N3GUVG2.txt"
                                  << "";
    QTest::newRow("temporal de syncthing") << ".syncthing.20230102Ana.kvr.tmp"
                                           << "";
}

void TestConflictos::nombres() {
    QFETCH(QString, nombre);
    QFETCH(QString, original);
    QCOMPARE(OriginalDeConflicto(nombre), original);
}

// A folder with a routine, its conflict copy and what this computer knows of them.
struct Equipo {
    QTemporaryDir tmp;
    QString datos = tmp.path() + "/datos";
    QString bases = tmp.path() + "/bases";
    QStringList avisos, fallos;
    std::unique_ptr<TSesion> s;
    Equipo() {
        QDir().mkpath(datos);
        s = std::make_unique<TSesion>(
            datos, [] { return QDateTime(kDia, QTime(12, 0)); }, 100, 11);
        s->FijarCarpetaBases(bases);
        QObject::connect(s.get(), &TSesion::aviso, [this](const QString& m) { avisos << m; });
        QObject::connect(s.get(), &TSesion::fallo, [this](const QString& m) { fallos << m; });
    }
    QString ruta(const QString& n) const { return datos + "/" + n; }
    // This computer read `base` from elsewhere, then wrote `propia` itself.
    void saber(const QByteArray& base, const QByteArray& propia) const {
        TBases b(bases, kDia);
        b.Leida(kRutina, kDia, base);
        if (!propia.isEmpty()) b.Escrita(kRutina, kDia, propia);
    }
};

void TestConflictos::fusion_data() {
    QTest::addColumn<QByteArray>("base"); // empty: this computer has no base
    QTest::addColumn<QByteArray>(
        "rutina"); // on disk, written by this computer when a base is given
    QTest::addColumn<QByteArray>("copia");
    QTest::addColumn<QByteArray>("esperado");
    QTest::addColumn<QString>("aviso"); // what the notice says, in part; empty: no notice
    const QByteArray press = linea({"Press", "3", "10"});
    const QByteArray remo = linea({"Remo", "3", "12"});
    const QString unida = QStringLiteral("Se unieron los cambios de otro equipo en «Lunes 2/1»");
    QTest::newRow("cada lado otras celdas")
        << rutina({press, remo}) << rutina({linea({"Press", "4", "10"}), remo})
        << rutina({press, linea({"Remo", "3", "12", "50"})})
        << rutina({linea({"Press", "4", "10"}), linea({"Remo", "3", "12", "50"})}) << unida;
    QTest::newRow("los dos la misma celda")
        << rutina({press}) << rutina({linea({"Press", "4", "10"})})
        << rutina({linea({"Press", "5", "10"})}) << rutina({linea({"Press", "4", "10"})})
        << "quedó lo de este equipo («Press»: «5»)";
    QTest::newRow("la copia mueve, la rutina edita")
        << rutina({press, remo}) << rutina({linea({"Press", "4", "10"}), remo})
        << rutina({remo, press}) << rutina({remo, linea({"Press", "4", "10"})}) << unida;
    QTest::newRow("la rutina mueve, la copia edita")
        << rutina({press, remo}) << rutina({remo, press})
        << rutina({linea({"Press", "4", "10"}), remo})
        << rutina({remo, linea({"Press", "4", "10"})}) << unida;
    QTest::newRow("una marca en cada lado")
        << rutina({press, remo}) << rutina({linea({"Press", "3", "10"}, -65536), remo})
        << rutina({press, linea({"Remo", "3", "12"}, -256)})
        << rutina({linea({"Press", "3", "10"}, -65536), linea({"Remo", "3", "12"}, -256)}) << unida;
    QTest::newRow("sin base") << QByteArray() << rutina({linea({"Press", "4"}), remo})
                              << rutina({linea({"Press", "5", "10"}), remo, linea({"Curl"})})
                              << rutina({linea({"Press", "4", "10"}), remo, linea({"Curl"})})
                              << "quedó lo de este equipo («Press»: «5»)";
    QTest::newRow("copia igual a la rutina")
        << rutina({press}) << rutina({press}) << rutina({press}) << rutina({press}) << "";
}

void TestConflictos::fusion() {
    QFETCH(QByteArray, base);
    QFETCH(QByteArray, rutina);
    QFETCH(QByteArray, copia);
    QFETCH(QByteArray, esperado);
    QFETCH(QString, aviso);
    Equipo e;
    if (!base.isEmpty()) e.saber(base, rutina);
    escribir(e.ruta(kRutina), rutina);
    escribir(e.ruta(kCopia), copia);
    // Another day is shown: the copy's routine is merged all the same.
    e.s->Mostrar("Ana", kDia.addDays(1));
    e.s->UnirConflictos();
    QCOMPARE(leer(e.ruta(kRutina)), esperado);
    QCOMPARE(leer(e.ruta("respaldos/" + kCopia)), copia);
    QVERIFY(!QFile::exists(e.ruta(kCopia)));
    QVERIFY(e.fallos.isEmpty());
    if (aviso.isEmpty()) {
        QVERIFY(e.avisos.isEmpty());
    } else {
        QCOMPARE(e.avisos.size(), 1);
        QVERIFY2(e.avisos.first().contains(aviso), qPrintable(e.avisos.first()));
    }
    // Once is enough: nothing more to merge.
    e.s->UnirConflictos();
    QCOMPARE(leer(e.ruta(kRutina)), esperado);
}

// Two computers that both held V0 change the routine while the sync is paused; the sync keeps one
// version and leaves the other as a conflict copy on both. Each merges with its own base and they
// write the same bytes, so the sync sees no new conflict.
void TestConflictos::dosEquipos_data() {
    QTest::addColumn<QList<QByteArray>>("deA"); // the versions A writes, in order
    QTest::addColumn<QByteArray>("deB");
    QTest::addColumn<bool>("ganaA"); // whose last version the sync kept as the routine
    const QByteArray press = linea({"Press", "3", "10"});
    QTest::newRow("una edicion en cada uno")
        << QList<QByteArray>{rutina({linea({"Press", "4", "10"})})}
        << rutina({press, linea({"Remo", "3", "12"})}) << false;
    QTest::newRow("dos en A, una en B")
        << QList<QByteArray>{rutina({linea({"Press", "4", "10"})}),
                             rutina({linea({"Press", "4", "10", "60"})})}
        << rutina({press, linea({"Remo"})}) << true;
}

void TestConflictos::dosEquipos() {
    QFETCH(QList<QByteArray>, deA);
    QFETCH(QByteArray, deB);
    QFETCH(bool, ganaA);
    const QByteArray v0 = rutina({linea({"Press", "3", "10"})});
    Equipo a, b;
    a.saber(v0, QByteArray());
    for (const QByteArray& v : deA)
        TBases(a.bases, kDia).Escrita(kRutina, kDia, v);
    b.saber(v0, deB);
    const QByteArray gana = ganaA ? deA.last() : deB;
    const QByteArray pierde = ganaA ? deB : deA.last();
    for (Equipo* e : {&a, &b}) {
        escribir(e->ruta(kRutina), gana);
        escribir(e->ruta(kCopia), pierde);
        e->s->UnirConflictos();
        QVERIFY(e->fallos.isEmpty());
    }
    QCOMPARE(leer(a.ruta(kRutina)), leer(b.ruta(kRutina)));
    // Every edit of both is in.
    const QByteArray unida = leer(a.ruta(kRutina));
    QVERIFY2(unida.startsWith(ganaA ? "Press|4|10|60|" : "Press|4|10|"),
             unida.left(40).constData());
    QVERIFY(unida.contains("\r\nRemo|"));
}

// The user list: names added on both sides end in the list, nothing is dropped.
void TestConflictos::lista() {
    Equipo e;
    escribir(e.ruta("USRS.kvldat"), "Ana\r\nLuis\r\n");
    const QString copia = "USRS.sync-conflict-20230102-101500-N3GUVG2.kvldat";
    escribir(e.ruta(copia), "Ana\r\nEva\r\nLuis\r\n");
    e.s->UnirConflictos();
    QCOMPARE(leer(e.ruta("USRS.kvldat")), QByteArray("Ana\r\nLuis\r\nEva\r\n"));
    QCOMPARE(leer(e.ruta("respaldos/" + copia)), QByteArray("Ana\r\nEva\r\nLuis\r\n"));
    QCOMPARE(e.avisos, QStringList{"Se añadieron usuarios de otro equipo: Eva"});

    // A copy that is a link out of the folder: nothing behind it is read; the link is put away.
    QTemporaryDir fuera;
    escribir(fuera.path() + "/otra.kvr", rutina({linea({"Dips", "9"})}));
    escribir(e.ruta(kRutina), rutina({linea({"Press"})}));
    QVERIFY(QFile::link(fuera.path() + "/otra.kvr", e.ruta(kCopia)));
    e.avisos.clear();
    e.s->UnirConflictos();
    QCOMPARE(leer(e.ruta(kRutina)), rutina({linea({"Press"})}));
    QVERIFY(QFileInfo(e.ruta("respaldos/" + kCopia)).isSymLink());
    QCOMPARE(leer(fuera.path() + "/otra.kvr"), rutina({linea({"Dips", "9"})}));
    QCOMPARE(e.avisos.size(), 1);
}

QTEST_GUILESS_MAIN(TestConflictos)
#include "test_conflictos.moc"
