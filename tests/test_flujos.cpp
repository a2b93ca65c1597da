// Workflows: repeat a past day today, import a routine file, and share.
#include "entorno.h"

#include "app/controles.h"
#include "storage/rutina_archivo.h"

#include <QClipboard>
#include <QFileDialog>

static const QString kRespaldo = "respaldos/20230102Ana-20230102-183005.kvr";

class TestFlujos : public QObject {
    Q_OBJECT
  private slots:
    void repetirHoyDesdeDiaConArchivo();
    void repetirHoyDesdeDiaSinArchivo();
    void respaldoFallidoNoReemplaza();
    void importarDeOtroUsuarioYCarpeta();
    void importarElArchivoActual();
    void importarArchivoMalformado();
    void cancelarNoEscribe();
    void compartir();
};

void TestFlujos::repetirHoyDesdeDiaConArchivo() {
    Entorno e;
    e.usuarios("Ana\r\n");
    const QByteArray fuente = Entorno::rutina(
        {Entorno::linea({"Sentadilla", "4", "10", "60"}, -65536), Entorno::linea({"Remo"})});
    e.escribir("20221230Ana.kvr", fuente);
    TMain& w = e.abrir();
    w.SelecteDate->setDate(QDate(2022, 12, 30));
    QVERIFY(w.importar_a_hoy->isVisible());
    const int antes = ContadorCargas();
    QTest::mouseClick(w.importar_a_hoy, Qt::LeftButton);
    // Today by the picker, today again, then the earlier day's file.
    QCOMPARE(ContadorCargas() - antes, 3);
    QCOMPARE(w.SelecteDate->date(), QDate(2023, 1, 2));
    QCOMPARE(w.lblTitulo->text(), QStringLiteral("Lunes para Ana"));
    QVERIFY(w.importar_a_hoy->isHidden());
    QVERIFY(w.lbl_copiar_a_hoy->isHidden());
    QCOMPARE(e.valor(0, 0), QStringLiteral("Sentadilla"));
    QCOMPARE(w.C()[0], -65536);
    QCOMPARE(e.leer("20230102Ana.kvr"), fuente);
    QCOMPARE(e.leer("20221230Ana.kvr"), fuente);
    // Today had no file: there was nothing to keep.
    QVERIFY(!QFileInfo::exists(e.ruta("respaldos")));
    QVERIFY(e.errores.isEmpty());
}

void TestFlujos::repetirHoyDesdeDiaSinArchivo() {
    Entorno e;
    e.usuarios("Ana\r\n");
    const QByteArray deHoy = Entorno::rutina({Entorno::linea({"Press", "3", "8"}, -256)}) + "\x1a";
    e.escribir("20230102Ana.kvr", deHoy);
    TMain& w = e.abrir();
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QTest::mouseClick(w.importar_a_hoy, Qt::LeftButton);
    // An empty routine replaces today's ...
    QCOMPARE(e.leer("20230102Ana.kvr"), Entorno::rutina({}));
    QCOMPARE(e.valor(0, 0), QString());
    QVERIFY(!e.existe("20230101Ana.kvr"));
    // ... and today's old content is kept, byte for byte.
    QCOMPARE(e.leer(kRespaldo), deHoy);
    // The import picture brings it back.
    e.archivoElegido = e.ruta(kRespaldo);
    e.ahora = e.ahora.addSecs(60);
    QTest::mouseClick(w.btnImportar, Qt::LeftButton);
    QCOMPARE(e.valor(0, 0), QStringLiteral("Press"));
    QCOMPARE(e.leer("20230102Ana.kvr"),
             Entorno::rutina({Entorno::linea({"Press", "3", "8"}, -256)}));
    // The empty routine it replaced was kept too.
    QCOMPARE(e.leer("respaldos/20230102Ana-20230102-183105.kvr"), Entorno::rutina({}));
    QVERIFY(e.errores.isEmpty());
}

void TestFlujos::respaldoFallidoNoReemplaza() {
    Entorno e;
    e.usuarios("Ana\r\n");
    const QByteArray deHoy = Entorno::rutina({Entorno::linea({"Press"})});
    e.escribir("20230102Ana.kvr", deHoy);
    e.escribir("20230101Ana.kvr", Entorno::rutina({Entorno::linea({"Remo"})}));
    e.escribir("respaldos", "a file where the folder should be");
    TMain& w = e.abrir();
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QTest::mouseClick(w.importar_a_hoy, Qt::LeftButton);
    QCOMPARE(e.errores.size(), 1);
    QVERIFY(e.errores[0].startsWith("No se pudo guardar una copia de la rutina"));
    QCOMPARE(e.leer("20230102Ana.kvr"), deHoy);
    QCOMPARE(e.valor(0, 0), QStringLiteral("Press"));
    e.errores.clear();
    e.archivoElegido = e.ruta("20230101Ana.kvr");
    QTest::mouseClick(w.btnImportar, Qt::LeftButton);
    QCOMPARE(e.errores.size(), 1);
    QCOMPARE(e.leer("20230102Ana.kvr"), deHoy);
    QCOMPARE(e.valor(0, 0), QStringLiteral("Press"));
}

void TestFlujos::importarDeOtroUsuarioYCarpeta() {
    Entorno e;
    e.usuarios("Ana\r\nLuis\r\n");
    const QByteArray deLuis = Entorno::rutina({Entorno::linea({"Remo", "4"}, -23296)});
    e.escribir("20221215Luis.kvr", deLuis);
    QTemporaryDir fuera;
    const QByteArray ajeno = Entorno::rutina({Entorno::linea({"Curl"})});
    QFile f(fuera.path() + "/otra.kvr");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(ajeno);
    f.close();
    TMain& w = e.abrir();
    e.archivoElegido = e.ruta("20221215Luis.kvr");
    QTest::mouseClick(w.btnImportar, Qt::LeftButton);
    QCOMPARE(e.dialogos, QStringList{QDir::homePath() + "|KORVAL files (*.kvr)|*.kvr"});
    // The real dialog, set up with those answers but never shown, offers that one entry.
    QFileDialog dialogo;
    PrepararDialogoAbrir(dialogo, QDir::homePath(), "KORVAL files (*.kvr)", "*.kvr");
    QCOMPARE(dialogo.nameFilters(), QStringList{"KORVAL files (*.kvr)"});
    QCOMPARE(QDir(dialogo.directory()).absolutePath(), QDir(QDir::homePath()).absolutePath());
    QCOMPARE(dialogo.fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(e.leer("20230102Ana.kvr"), deLuis);
    QCOMPARE(e.leer("20221215Luis.kvr"), deLuis);
    QCOMPARE(w.lblTitulo->text(), QStringLiteral("Lunes para Ana"));
    QCOMPARE(w.Usuario->currentText(), QStringLiteral("Ana"));
    QCOMPARE(w.SelecteDate->date(), QDate(2023, 1, 2));
    QCOMPARE(w.C()[0], -23296);
    e.archivoElegido = fuera.path() + "/otra.kvr";
    e.ahora = e.ahora.addSecs(1);
    QTest::mouseClick(w.btnImportar, Qt::LeftButton);
    QCOMPARE(e.leer("20230102Ana.kvr"), ajeno);
    QCOMPARE(e.valor(0, 0), QStringLiteral("Curl"));
    QVERIFY(e.errores.isEmpty());
}

void TestFlujos::importarElArchivoActual() {
    Entorno e;
    e.usuarios("Ana\r\n");
    const QByteArray actual = Entorno::rutina({Entorno::linea({"Press", "", "", "40"}, -1)});
    e.escribir("20230102Ana.kvr", actual);
    TMain& w = e.abrir();
    e.archivoElegido = e.ruta("20230102Ana.kvr");
    QTest::mouseClick(w.btnImportar, Qt::LeftButton);
    QCOMPARE(e.leer("20230102Ana.kvr"), actual);
    QCOMPARE(e.valor(0, 3), QStringLiteral("40"));
    QVERIFY(e.errores.isEmpty());
}

void TestFlujos::importarArchivoMalformado() {
    Entorno e;
    e.usuarios("Ana\r\n");
    const QByteArray actual = Entorno::rutina({Entorno::linea({"Press"})});
    e.escribir("20230102Ana.kvr", actual);
    e.escribir("mala.kvr", Entorno::rutina({"Remo||||||||||||rojo"}));
    QDir().mkpath(e.ruta("carpeta.kvr"));
    TMain& w = e.abrir();
    e.archivoElegido = e.ruta("mala.kvr");
    QTest::mouseClick(w.btnImportar, Qt::LeftButton);
    e.archivoElegido = e.ruta("carpeta.kvr");
    QTest::mouseClick(w.btnImportar, Qt::LeftButton);
    QCOMPARE(e.errores, (QStringList{"'rojo' is not a valid integer value.",
                                     "No es un archivo normal: carpeta.kvr."}));
    QCOMPARE(e.leer("20230102Ana.kvr"), actual);
    QCOMPARE(w.Modelo()->profundidad(), 0);
    QVERIFY(!QFileInfo::exists(e.ruta("respaldos")));
}

void TestFlujos::cancelarNoEscribe() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    e.teclear(0, 0, "Press");
    const QByteArray antes = e.leer("20230102Ana.kvr");
    QTest::mouseClick(w.btnImportar, Qt::LeftButton); // the dialog is cancelled
    QCOMPARE(e.dialogos.size(), 1);
    QCOMPARE(e.leer("20230102Ana.kvr"), antes);
    QCOMPARE(e.valor(0, 0), QStringLiteral("Press"));
    QCOMPARE(e.archivos(), (QStringList{"20230102Ana.kvr", "USRS.kvldat"}));
}

void TestFlujos::compartir() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir(
        "20230102Ana.kvr",
        Entorno::rutina({Entorno::linea({"Sentadilla", "4", "10", "60", "70", "", "80"}, -65536),
                         Entorno::linea({}), Entorno::linea({"Remo", "", "12"}),
                         Entorno::linea({"", "", "", "", "20"}), Entorno::linea({"Plancha"}, -1)}));
    e.escribir("20230103Ana.kvr", Entorno::rutina({}));
    TMain& w = e.abrir();
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(w.btnCompartir, Qt::LeftButton);
    QCOMPARE(e.avisos, QStringList{"Rutina copiada al portapapeles"});
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("Lunes 2023-01-02 para Ana\n"
                            "Sentadilla - 4 x 10 - 60 / 70 / 80\n"
                            "Remo -  x 12\n"
                            "20\n"
                            "Plancha\n"));
    // An empty routine whose file exists shares its first line.
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    QTest::mouseClick(w.btnCompartir, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Martes 2023-01-03 para Ana\n"));
    // A day without a file says so, every time, and writes nothing.
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    e.avisos.clear();
    QTest::mouseClick(w.btnCompartir, Qt::LeftButton);
    QTest::mouseClick(w.btnCompartir, Qt::LeftButton);
    QCOMPARE(e.avisos, (QStringList{"Rutina vacia", "Rutina vacia"}));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Martes 2023-01-03 para Ana\n"));
    QVERIFY(!e.existe("20230104Ana.kvr"));
    QVERIFY(e.errores.isEmpty());
}

QTEST_MAIN(TestFlujos)
#include "test_flujos.moc"
