#include "app/linea_de_ordenes.h"
#include "app/main_form.h"
#include "general/general.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Help, version and the export end here, without a window.
    const TOrdenes ordenes = EjecutarOrdenes(argc, argv);
    if (ordenes.salida >= 0) return ordenes.salida;
    QApplication app(argc, argv);
    if (!ordenes.carpeta.isEmpty()) FijarCarpetaDatos(ordenes.carpeta);
    return EjecutarPrograma();
}
