// The command line: help, version, the exports and the import without a window, and the data
// folder.
#pragma once

#include <QString>
#include <QStringList>

struct TOrdenes {
    int salida = -1; // the exit status when the program ends here; -1 opens the window
    QString carpeta; // the data folder given with --carpeta, for the window
};

// True when the arguments ask for what needs no window (help, version, an export, an import): it
// then runs with a core application, so it works with no display.
bool SinVentana(int argc, char** argv);
// Does what needs no window, with messages in Spanish on stderr: status 0 on success, 1 on a
// failure, 2 on a usage error.
int EjecutarSinVentana(const QStringList& argumentos);
// The window's own options, read once the application object has taken Qt's (-style,
// -platform, -session, -reverse).
TOrdenes OrdenesDeVentana(const QStringList& argumentos);
