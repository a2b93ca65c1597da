#include "app/main_form.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return EjecutarPrograma();
}
