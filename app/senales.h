// Closing the window when the process is asked to end (SIGTERM, SIGINT, SIGHUP).
#pragma once

#include <functional>

class QObject;

// The signal only writes a byte to a pipe; the event loop then runs `cerrar` (which closes the
// window), so the program ends as after its close button, with exit code 0.
void CerrarConSenales(QObject* dueno, std::function<void()> cerrar);
