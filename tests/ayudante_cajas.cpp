// The real program with its real boxes, for the test of TERM with a box or dialog open. Once a
// box or dialog shows, it prints what its button says ("boton: Aceptar") or "dialogo", and asks
// the program to end as the system does. Modes: "aviso" (the share notice of a day without a
// file), "error" (an error box), "dialogo" (the import dialog), "arranque" (a box shown while
// the window starts, closed; the signal comes once the window is up).
#include "app/interaccion.h"
#include "app/main_form.h"
#include "general/errores.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

static TMain* ventana() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<TMain*>(w)) return m;
    return nullptr;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString modo = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    auto* vigia = new QTimer(&app);
    vigia->setInterval(50);
    QObject::connect(vigia, &QTimer::timeout, [vigia, modo] {
        QWidget* m = QApplication::activeModalWidget();
        if (!m || !m->isVisible()) return;
        if (auto* caja = qobject_cast<QMessageBox*>(m))
            std::printf("boton: %s\n", qPrintable(caja->buttons().value(0)->text()));
        else if (qobject_cast<QFileDialog*>(m))
            std::printf("dialogo\n");
        std::fflush(stdout);
        vigia->stop();
        if (modo == "arranque") {
            m->close();
            QTimer::singleShot(1500, [] { ::kill(::getpid(), SIGTERM); });
        } else {
            ::kill(::getpid(), SIGTERM);
        }
    });
    vigia->start();
    QTimer::singleShot(500, [modo] {
        TMain* w = ventana();
        if (!w) return;
        if (modo == "aviso")
            Protegido([&] { w->btnCompartirClick(); });
        else if (modo == "error")
            Protegido([] { throw ErrorKorval(QStringLiteral("Un error de prueba")); });
        else if (modo == "dialogo")
            Protegido([&] { w->btnImportarClick(); });
    });
    return EjecutarPrograma();
}
