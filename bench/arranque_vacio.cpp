// The floor for start-up: a bare Qt program showing an empty window of the program's size.
#include "primer_pintado.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.resize(1101, 758);
    TPrimerPintado p(&w);
    w.show();
    return app.exec();
}
