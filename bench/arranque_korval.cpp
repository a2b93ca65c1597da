// The program's own start-up, up to the first paint of its window.
#include "app/main_form.h"
#include "primer_pintado.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TMain w;
    TPrimerPintado p(&w);
    w.show();
    return app.exec();
}
