#include "app/interaccion.h"

#include "general/errores.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

static TInteraccion& instancia() {
    static TInteraccion i;
    return i;
}

TInteraccion& Interaccion() {
    TInteraccion& i = instancia();
    if (!i.error) InteraccionPorDefecto();
    return i;
}

void InstalarTraduccion() {
    static bool instalado = false;
    if (instalado || !qApp) return;
    instalado = true;
    auto* t = new QTranslator(qApp);
    if (t->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"),
                QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(t);
    else
        delete t;
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
}

void CerrarVentanasModales() {
    // A box or dialog left open keeps its own event loop, and with it the program, alive.
    for (int vueltas = 0; vueltas < 20; ++vueltas) {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            menu->close();
            continue;
        }
        bool alguna = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
                d->reject();
                alguna = true;
            }
        if (!alguna) return;
    }
}

void InteraccionPorDefecto() {
    TInteraccion& i = instancia();
    i.error = [](const QString& m) {
        InstalarTraduccion();
        QMessageBox box(QMessageBox::Critical, QStringLiteral("KORVAL"), m, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    };
    i.aviso = [](const QString& m) {
        InstalarTraduccion();
        QMessageBox box(QMessageBox::Information, QStringLiteral("KORVAL"), m, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    };
    i.fatal = [](const QString& m) {
        InstalarTraduccion();
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"), m,
                        QMessageBox::Ok);
        box.exec();
    };
    i.elegirArchivo = [](const QString& carpeta, const QString& titulo, const QString& patron) {
        InstalarTraduccion();
        QFileDialog d(QApplication::activeWindow());
        PrepararDialogoAbrir(d, carpeta, titulo, patron);
        return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty()
                   ? d.selectedFiles().first()
                   : QString();
    };
    i.elegirDestino = [](const QString& sugerido, const QString& titulo, const QString& patron) {
        InstalarTraduccion();
        QFileDialog d(QApplication::activeWindow());
        PrepararDialogoGuardar(d, sugerido, titulo, patron);
        return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty()
                   ? d.selectedFiles().first()
                   : QString();
    };
    i.ahora = [] { return QDateTime::currentDateTime(); };
    i.relojMs = [] {
        static QElapsedTimer reloj;
        if (!reloj.isValid()) reloj.start();
        return reloj.elapsed();
    };
}

// The suffix a filter entry names ("xlsx" for "Libro de Excel (*.xlsx)").
static QString sufijoDeFiltro(const QString& filtro) {
    const qsizetype i = filtro.lastIndexOf(QStringLiteral("(*."));
    return i < 0 ? QString() : filtro.mid(i + 3).section(u')', 0, 0).section(u' ', 0, 0);
}

void PrepararDialogoGuardar(QFileDialog& d, const QString& sugerido, const QString& titulo,
                            const QString& patron) {
    d.setWindowTitle(titulo);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    d.setNameFilters(patron.split(QStringLiteral(";;")));
    d.setDefaultSuffix(QFileInfo(sugerido).suffix());
    // The folder, then the name alone in the name field.
    d.setDirectory(QFileInfo(sugerido).absolutePath());
    d.selectFile(QFileInfo(sugerido).fileName());
    // Another filter entry gives its suffix to the name in the field and to a name typed bare.
    QObject::connect(&d, &QFileDialog::filterSelected, &d, [&d](const QString& filtro) {
        const QString nuevo = sufijoDeFiltro(filtro);
        if (nuevo.isEmpty()) return;
        d.setDefaultSuffix(nuevo);
        for (const QString& otro : d.nameFilters()) {
            const QString viejo = sufijoDeFiltro(otro);
            QLineEdit* nombre = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (nombre && !viejo.isEmpty() && viejo != nuevo &&
                nombre->text().endsWith(u'.' + viejo, Qt::CaseInsensitive)) {
                nombre->setText(nombre->text().chopped(viejo.size()) + nuevo);
                break;
            }
        }
    });
}

void PrepararDialogoAbrir(QFileDialog& d, const QString& carpeta, const QString& titulo,
                          const QString& patron) {
    d.setDirectory(carpeta);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    // One filter entry: the text shown, which names the pattern it matches.
    d.setNameFilter(titulo.contains(patron) ? titulo : titulo + " (" + patron + ")");
}

TSinRepetidos::TSinRepetidos() : anterior_(Interaccion().error) {
    Interaccion().error = [this](const QString& m) {
        if (vistos_.contains(m)) return;
        vistos_ << m;
        anterior_(m);
    };
}

TSinRepetidos::~TSinRepetidos() {
    Interaccion().error = anterior_;
}

QString TextoDeError(const QString& mensaje) {
    if (mensaje.isEmpty() || mensaje.back() > u'.') return mensaje + u'.';
    return mensaje;
}

void Protegido(const std::function<void()>& manejador) {
    QString mensaje;
    try {
        manejador();
        return;
    } catch (const ErrorKorval& e) {
        mensaje = e.mensaje();
    } catch (const std::bad_alloc&) {
        mensaje = QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        mensaje = QString::fromLocal8Bit(e.what());
    } catch (...) {
        mensaje = QStringLiteral("Error desconocido");
    }
    Interaccion().error(TextoDeError(mensaje));
}
