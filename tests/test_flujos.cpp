// Workflows: repeat a past day today, import a routine file or another logger's history, and
// share.
#include "entorno.h"

#include "app/controles.h"
#include "app/ventana_importacion.h"
#include "storage/rutina_archivo.h"

#include <QClipboard>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>

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
    void importarHistorialConVistaPrevia();
    void cancelarLaImportacion();
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

// A Strong export of three workouts, one of them on the day shown.
static QByteArray historialStrong() {
    return "Date,Workout Name,Duration,Exercise Name,Set Order,Weight,Reps,Distance,Seconds,"
           "Notes,Workout Notes,RPE\n"
           "2022-12-30 18:00:00,A,1h,Remo,1,60,10,0,0,,,\n"
           "2023-01-01 18:00:00,A,1h,Remo,1,62.5,10,0,0,,,\n"
           "2023-01-02 08:00:00,A,1h,Remo,1,65,8,0,0,,,\n";
}

static TVentanaImportacion* vistaPrevia(TMain& w) {
    for (auto* v : w.findChildren<TVentanaImportacion*>())
        if (v->isVisible()) return v;
    return nullptr;
}

// The window opened, the history file answered in the open-file dialog, Ctrl+Shift+O pressed on
// the sheet: the preview it shows.
static TVentanaImportacion* abrirVistaPrevia(Entorno& e, const QString& archivo) {
    if (!e.w) e.abrir();
    e.archivoElegido = archivo;
    e.w->Rutina->setFocus();
    QTest::keyClick(e.w->Rutina, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    return vistaPrevia(*e.w);
}

// The text of the history line under the sheet; empty when it is not shown.
static QString lineaDeHistoria(TMain& w) {
    for (QLabel* l : w.Botonera->findChildren<QLabel*>())
        if (l != w.lbl_copiar_a_hoy && l->isVisible()) return l->text();
    return QString();
}

// Ctrl+Shift+O: the file dialog on the home folder, then a preview that writes nothing; the
// unit chosen there; "Importar" writes every day, the day shown through the sheet (one Ctrl+Z
// takes it back), and the history knows the imported days at once. Imported again, nothing is
// left to write.
void TestFlujos::importarHistorialConVistaPrevia() {
    Entorno e;
    e.usuarios("Ana\r\n");
    const QByteArray hoy = Entorno::rutina({Entorno::linea({"Press", "3", "5", "80"})});
    e.escribir("20230102Ana.kvr", hoy);
    QTemporaryDir fuera;
    const QString archivo = fuera.path() + "/strong.csv";
    QVERIFY(prueba::escribirArchivo(archivo, historialStrong()));
    TVentanaImportacion* v = abrirVistaPrevia(e, archivo);
    TMain& w = *e.w;
    QCOMPARE(e.dialogos, QStringList{QDir::homePath() + "|Importar historial (CSV)|*.csv"});
    QVERIFY(v);
    QVERIFY2(v->Resumen()->toPlainText().contains("Días: 3 (del 2022-12-30 al 2023-01-02)"),
             qPrintable(v->Resumen()->toPlainText()));
    QVERIFY(v->Resumen()->toPlainText().contains("Días que ya tienen rutina (las filas se añaden "
                                                 "al final): 2023-01-02"));
    QCOMPARE(e.archivos(), (QStringList{"20230102Ana.kvr", "USRS.kvldat"}));
    // Strong's current export has no unit: the preview asks.
    QVERIFY(v->Unidad()->isEnabled());
    v->Unidad()->setCurrentIndex(1);
    QTest::mouseClick(v->BotonImportar(), Qt::LeftButton);
    QTRY_VERIFY(v->Terminada());
    QVERIFY2(v->Resumen()->toPlainText().contains("Días escritos: 3"),
             qPrintable(v->Resumen()->toPlainText()));
    QCOMPARE(e.leer("20221230Ana.kvr"),
             Entorno::rutina({Entorno::linea({"Remo", "1", "10", "60lb"})}));
    const QByteArray importado = Entorno::rutina(
        {Entorno::linea({"Press", "3", "5", "80"}), Entorno::linea({"Remo", "1", "8", "65lb"})});
    QCOMPARE(e.leer("20230102Ana.kvr"), importado);
    QCOMPARE(e.valor(1, 3), QString("65lb"));
    QVERIFY(e.existe("respaldos/20230102Ana-20230102-183005.kvr"));
    QTest::mouseClick(v->BotonCancelar(), Qt::LeftButton); // "Cerrar"
    QTRY_VERIFY(!vistaPrevia(w));
    QVERIFY(e.errores.isEmpty());

    // The history has the imported days: the line of "Remo" on the next day.
    w.activateWindow(); // the window manager does it when the dialog goes
    QTRY_VERIFY(w.isActiveWindow());
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    e.teclear(0, 0, "Remo");
    e.clicCelda(0, 1);
    QTRY_VERIFY2(lineaDeHistoria(w).startsWith(QString::fromUtf8("Última vez 02/01: 65lb×8")),
                 qPrintable(lineaDeHistoria(w)));

    // Back on the day, one Ctrl+Z takes the import of the day shown back.
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    w.Rutina->setFocus();
    QTest::keyClick(w.Rutina, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(e.leer("20230102Ana.kvr"), hoy);
    QTest::keyClick(w.Rutina, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(e.leer("20230102Ana.kvr"), importado);

    // Again: nothing to write, and the dialog opens where the last file was.
    e.dialogos.clear();
    QTest::keyClick(w.Rutina, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(e.dialogos, QStringList{fuera.path() + "|Importar historial (CSV)|*.csv"});
    v = vistaPrevia(w);
    QVERIFY(v);
    v->Unidad()->setCurrentIndex(1);
    QVERIFY(v->Resumen()->toPlainText().contains("Días que se escriben: 0"));
    QVERIFY(!v->BotonImportar()->isEnabled());
    QTest::mouseClick(v->BotonCancelar(), Qt::LeftButton);
    QTRY_VERIFY(!vistaPrevia(w));

    // A file of no known format: one error naming the columns looked for.
    {
        QFile f(archivo);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("a,b\n1,2\n");
    }
    QTest::keyClick(w.Rutina, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(e.errores.size(), 1);
    QVERIFY2(e.errores[0].contains("Exercise Name"), qPrintable(e.errores[0]));
    QVERIFY(!vistaPrevia(w));
}

// "Cancelar" while it imports stops after the day being written: that day is imported whole,
// the others are as they were, and the summary names them.
void TestFlujos::cancelarLaImportacion() {
    Entorno e;
    e.usuarios("Ana\r\n");
    QTemporaryDir fuera;
    const QString archivo = fuera.path() + "/strong.csv";
    QVERIFY(prueba::escribirArchivo(archivo, historialStrong()));
    TVentanaImportacion* v = abrirVistaPrevia(e, archivo);
    TMain& w = *e.w;
    QVERIFY(v);
    connect(v->Progreso(), &QProgressBar::valueChanged, v, [v](int n) {
        if (n == 1) QTest::mouseClick(v->BotonCancelar(), Qt::LeftButton);
    });
    QTest::mouseClick(v->BotonImportar(), Qt::LeftButton);
    QTRY_VERIFY(v->Terminada());
    QCOMPARE(e.leer("20221230Ana.kvr"),
             Entorno::rutina({Entorno::linea({"Remo", "1", "10", "60"})}));
    QVERIFY(!e.existe("20230101Ana.kvr"));
    QVERIFY(!e.existe("20230102Ana.kvr"));
    QVERIFY2(v->Resumen()->toPlainText().contains("estos no se han tocado: 2023-01-01, "
                                                  "2023-01-02"),
             qPrintable(v->Resumen()->toPlainText()));
    QVERIFY(v->isVisible()); // the summary stays to be read
    QTest::mouseClick(v->BotonCancelar(), Qt::LeftButton);
    QTRY_VERIFY(!vistaPrevia(w));

    // The program being ended (TERM, the session's end) cancels the same way, then closes it.
    w.activateWindow();
    QTRY_VERIFY(w.isActiveWindow());
    w.Rutina->setFocus();
    QTest::keyClick(w.Rutina, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    v = vistaPrevia(w);
    QVERIFY(v);
    QPointer<TVentanaImportacion> sigue(v);
    connect(v->Progreso(), &QProgressBar::valueChanged, v, [](int n) {
        if (n == 1) CerrarVentanasModales();
    });
    QTest::mouseClick(v->BotonImportar(), Qt::LeftButton);
    QTRY_VERIFY(!sigue || !sigue->isVisible());
    QCOMPARE(e.leer("20230101Ana.kvr"),
             Entorno::rutina({Entorno::linea({"Remo", "1", "10", "62,5"})}));
    QVERIFY(!e.existe("20230102Ana.kvr"));
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
