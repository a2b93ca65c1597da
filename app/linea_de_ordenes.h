// The command line: help, version, the CSV export without a window, and the data folder.
#pragma once

#include <QString>

struct TOrdenes {
    int salida = -1; // the exit status when the program ends here; -1 opens the window
    QString carpeta; // the data folder given with --carpeta, for the window
};

// Reads the arguments and does what needs no window (help, version, export), with messages in
// Spanish on stderr: status 0 on success, 1 on a failure, 2 on a usage error.
TOrdenes EjecutarOrdenes(int argc, char** argv);
