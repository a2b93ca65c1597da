#include "app/linea_de_ordenes.h"
#include "app/main_form.h"
#include "general/general.h"

#include <QApplication>
#include <QCoreApplication>

int main(int argc, char** argv) {
    // Help, version and the export need no window, nor a display.
    if (SinVentana(argc, argv)) {
        QCoreApplication app(argc, argv);
        return EjecutarSinVentana(app.arguments());
    }
    // The window's application first: Qt takes its own options, the rest are ours.
    QApplication app(argc, argv);
    const TOrdenes ordenes = OrdenesDeVentana(app.arguments());
    if (ordenes.salida >= 0) return ordenes.salida;
    if (!ordenes.carpeta.isEmpty()) FijarCarpetaDatos(ordenes.carpeta);
    return EjecutarPrograma();
}
