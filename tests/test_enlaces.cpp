// Links planted in the data folder (a sync tool carries them from another computer): a routine,
// the user list, the lock file and "respaldos" as links to every kind of place. Only a routine
// linked to another routine file of the folder is followed; nothing outside the folder is read,
// replaced or created.
#include "general/errores.h"
#include "storage/exportar.h"
#include "storage/historia.h"
#include "storage/lista_usuarios.h"
#include "storage/respaldo.h"
#include "storage/sesion.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestEnlaces : public QObject {
    Q_OBJECT
  private slots:
    void enlaces_data();
    void enlaces();
};

static QByteArray fila(const char* ejercicio) {
    QByteArray r = QByteArray(ejercicio) + "|||||||||||0\r\n";
    for (int i = 1; i < 100; ++i)
        r += "||||||||||||0\r\n";
    return r;
}

static void escribir(const QString& ruta, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(ruta).path());
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

static QByteArray leer(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Every file under a folder with its bytes and inode: what must not change.
static QStringList huella(const QString& carpeta) {
    QStringList r;
    QDir d(carpeta);
    for (const QFileInfo& i :
         d.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        if (i.isDir() && !i.isSymLink()) {
            r << i.fileName() + "/" << huella(i.absoluteFilePath());
            continue;
        }
        r << QString("%1 %2 %3")
                 .arg(i.fileName())
                 .arg(IdentidadDe(i.absoluteFilePath()).inodo)
                 .arg(QString::fromLatin1(leer(i.absoluteFilePath()).toHex()));
    }
    return r;
}

void TestEnlaces::enlaces_data() {
    QTest::addColumn<QString>("enlace");  // the data file that is a link
    QTest::addColumn<QString>("destino"); // where it points: DATOS or FUERA stand for the folders
    QTest::addColumn<bool>("seSigue");
    const QStringList destinos{
        "DATOS/20230105Ana.kvr", "DATOS/USRS.kvldat", "DATOS/sub/20230106Ana.kvr",
        "FUERA/fuera.kvr",       "FUERA/nada.kvr",    "DATOS/20230107Ana.kvr"};
    const QStringList nombres{"a una rutina dentro", "a la lista",     "a una subcarpeta", "fuera",
                              "colgante fuera",      "colgante dentro"};
    for (const char* enlace : {"20230102Ana.kvr", "USRS.kvldat", ".korval.lock", "respaldos"})
        for (int k = 0; k < destinos.size(); ++k) {
            QString destino = destinos[k];
            if (qstrcmp(enlace, "respaldos") == 0) destino = destino.section('/', 0, -2);
            // Only a routine linked to a routine file of the folder's top level is followed.
            const bool sigue = qstrcmp(enlace, "20230102Ana.kvr") == 0 &&
                               destino.startsWith("DATOS/2023010") && !destino.contains("sub");
            QTest::newRow(qPrintable(QString("%1 %2").arg(enlace, nombres[k])))
                << enlace << destino << sigue;
        }
}

void TestEnlaces::enlaces() {
    QFETCH(QString, enlace);
    QFETCH(QString, destino);
    QFETCH(bool, seSigue);
    QTemporaryDir tmp;
    const QString datos = tmp.path() + "/datos";
    const QString fuera = tmp.path() + "/fuera";
    escribir(datos + "/USRS.kvldat", "Ana\r\n");
    escribir(datos + "/20230105Ana.kvr", fila("Remo"));
    escribir(datos + "/sub/20230106Ana.kvr", fila("Curl"));
    escribir(fuera + "/fuera.kvr", fila("Dips"));
    escribir(fuera + "/USRS.kvldat", "Luis\r\n");
    destino.replace("DATOS", datos).replace("FUERA", fuera);
    const QString ruta = datos + "/" + enlace;
    if (enlace == "USRS.kvldat") QFile::remove(ruta);
    if (enlace == "20230102Ana.kvr" || enlace == "respaldos") {
        // A routine shown, whose save must first copy it ("Repetir hoy" over it).
        if (enlace == "respaldos") escribir(datos + "/20230102Ana.kvr", fila("Press"));
    }
    QVERIFY(QFile::link(destino, ruta));
    const QStringList antesFuera = huella(fuera);
    const QStringList antesSub = huella(datos + "/sub");

    TSesion s(
        datos, [] { return QDateTime(QDate(2023, 1, 2), QTime(10, 0)); }, 100, 11);
    QStringList errores;
    auto intentar = [&](const std::function<void()>& f) {
        try {
            f();
            return true;
        } catch (const ErrorKorval& e) {
            errores << e.mensaje();
            return false;
        }
    };
    const bool mostrada = intentar([&] { s.Mostrar("Ana", QDate(2023, 1, 2)); });
    const bool guardada = intentar([&] {
        QString copia;
        if (enlace == "respaldos")
            s.Reemplazar(s.Rutina().A, s.Rutina().C, &copia); // copied first
        else
            s.Escribir(1, 0, "Fondos");
    });
    QStringList fallidos;
    THistoria::Construir(datos, "Ana", THistoria(), &fallidos);
    intentar([&] {
        QStringList f;
        ExportarCsv(datos, "Ana", tmp.path() + "/ana.csv", &f);
        fallidos << f;
    });
    const bool lista = intentar([&] { LeerListaUsuarios(datos); });
    const bool anexo = intentar([&] { AnexarUsuario(datos + "/USRS.kvldat", "Eva"); });

    if (enlace == "20230102Ana.kvr") {
        QVERIFY2(mostrada == seSigue, qPrintable(errores.join(QChar(10))));
        QCOMPARE(guardada, seSigue);
        if (seSigue) {
            // A link to another routine of the folder works as it always did.
            QVERIFY(leer(destino).contains("\r\nFondos|"));
            QVERIFY(QFileInfo(ruta).isSymLink());
        } else {
            QVERIFY2(errores.first().startsWith("«20230102Ana.kvr» es un enlace a " + destino),
                     qPrintable(errores.join('\n')));
            // The history and the export left it out (a dangling link is no file to list).
            if (QFileInfo::exists(destino)) QVERIFY(!fallidos.filter("20230102Ana.kvr").isEmpty());
        }
    } else if (enlace == "USRS.kvldat") {
        QVERIFY(!lista && !anexo);
        QVERIFY(errores.last().startsWith("«USRS.kvldat» es un enlace a " + destino));
    } else if (enlace == ".korval.lock") {
        QVERIFY(mostrada && !guardada);
        QVERIFY2(errores.first().startsWith("El cerrojo de la carpeta de datos (.korval.lock) "
                                            "es un enlace"),
                 qPrintable(errores.join('\n')));
    } else {
        QVERIFY(mostrada && !guardada);
        QVERIFY2(errores.first().contains("la carpeta respaldos es un enlace"),
                 qPrintable(errores.join('\n')));
        QCOMPARE(leer(datos + "/20230102Ana.kvr"), fila("Press"));
    }
    // The list and the lock, when they are no links, work as ever.
    QCOMPARE(lista, enlace != "USRS.kvldat");
    QCOMPARE(anexo, enlace != "USRS.kvldat" && enlace != ".korval.lock");
    // Nothing outside the folder, nor in its sub-folder, was read into a file, replaced or made.
    QCOMPARE(huella(fuera), antesFuera);
    QCOMPARE(huella(datos + "/sub"), antesSub);
}

QTEST_GUILESS_MAIN(TestEnlaces)
#include "test_enlaces.moc"
