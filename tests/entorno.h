// A temporary home with its own data folder, the window's boxes and clock answered by the test.
#pragma once

#include "app/adaptadores_hoja.h"
#include "app/controles.h"
#include "app/interaccion.h"
#include "app/main_form.h"
#include "general/general.h"
#include "tests/costuras.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

struct Entorno {
    TCarpetaDatos carpetaAntes{carpeta_principal}; // the window sets its own; put back after
    QTemporaryDir home;
    QString datos;
    QStringList errores;
    QStringList avisos;
    QDateTime ahora = QDateTime(QDate(2023, 1, 2), QTime(18, 30, 5));
    qint64 relojMs = 1000000;
    QString archivoElegido; // the open-file dialog's answer; empty is cancel
    QStringList dialogos;   // "folder|title|pattern" of every dialog shown
    QString destinoElegido; // the save dialog's answer; empty is cancel
    std::unique_ptr<TMain> w;

    Entorno() {
        qputenv("HOME", home.path().toLocal8Bit());
        qunsetenv("XDG_CONFIG_HOME");
        datos = home.path() + "/Documents/KORVAL";
        TInteraccion& i = Interaccion();
        i.error = [this](const QString& m) { errores << m; };
        i.aviso = [this](const QString& m) { avisos << m; };
        i.fatal = [this](const QString& m) { errores << "FATAL: " + m; };
        i.ahora = [this] { return ahora; };
        i.relojMs = [this] { return relojMs; };
        i.elegirArchivo = [this](const QString& c, const QString& t, const QString& p) {
            dialogos << c + "|" + t + "|" + p;
            return archivoElegido;
        };
        i.elegirDestino = [this](const QString& s, const QString& t, const QString& p) {
            dialogos << s + "|" + t + "|" + p;
            return destinoElegido;
        };
        QDir().mkpath(datos);
    }
    ~Entorno() {
        w.reset();
        InteraccionPorDefecto();
    }

    QString ruta(const QString& nombre) const { return datos + "/" + nombre; }
    void escribir(const QString& nombre, const QByteArray& bytes) const {
        QFile f(ruta(nombre));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
    }
    QByteArray leer(const QString& nombre) const {
        QFile f(ruta(nombre));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    bool existe(const QString& nombre) const { return QFile::exists(ruta(nombre)); }
    // The folder's files, hidden ones too, but for the lock that saves share.
    QStringList archivos() const {
        QStringList r = QDir(datos).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        r.removeAll(kArchivoCerrojo);
        return r;
    }
    void usuarios(const QByteArray& lista) const { escribir("USRS.kvldat", lista); }

    // Creates and shows the window, as the program does.
    TMain& abrir(QSize tam = QSize(1101, 758)) {
        w = std::make_unique<TMain>();
        w->resize(tam);
        w->show();
        w->activateWindow();
        (void)QTest::qWaitForWindowExposed(w.get());
        QApplication::processEvents();
        // Shortcuts, tooltips and the file watcher come right after the first paint.
        for (int i = 0; i < 100 && w->Image1->toolTip().isEmpty(); ++i)
            QTest::qWait(5);
        return *w;
    }

    QModelIndex celda(int fila, int col) const { return w->Modelo()->index(fila, col); }
    QString valor(int fila, int col) const { return celda(fila, col).data().toString(); }

    // A click on a cell of the sheet, as the user does it.
    void clicCelda(int fila, int col) const {
        w->Rutina->scrollTo(celda(fila, col));
        QTest::mouseClick(w->Rutina->viewport(), Qt::LeftButton, {},
                          w->Rutina->visualRect(celda(fila, col)).center());
    }
    // Opens an editor on a cell; the editor is the focus widget.
    QLineEdit* editar(int fila, int col) const {
        w->Rutina->setCurrentIndex(celda(fila, col));
        w->Rutina->edit(celda(fila, col));
        QApplication::processEvents();
        return qobject_cast<QLineEdit*>(QApplication::focusWidget());
    }
    // Types a text into a cell and presses a key to leave the editor.
    void teclear(int fila, int col, const QString& texto, Qt::Key salida = Qt::Key_Return) const {
        QLineEdit* e = editar(fila, col);
        QVERIFY(e);
        e->selectAll();
        bool ascii = true;
        for (QChar c : texto)
            ascii = ascii && c.unicode() >= 32 && c.unicode() < 127;
        if (ascii)
            QTest::keyClicks(e, texto);
        else
            e->insert(texto); // QTest types ASCII only

        QTest::keyClick(e, salida);
        QApplication::processEvents(); // Enter's commit is queued
    }
    // One routine line: the cells given (the rest empty), the always-empty field, the mark.
    static QByteArray linea(const QStringList& celdas, qint32 marca = 0) {
        return prueba::linea(celdas, marca);
    }
    // The file a routine of 100 lines has, from its first rows.
    static QByteArray rutina(const QList<QByteArray>& filas) { return prueba::rutina(filas); }
};
