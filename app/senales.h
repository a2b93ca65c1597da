// Closing the window when the process is asked to end (SIGTERM, SIGINT, SIGHUP).
#pragma once

class QWidget;

// The signal only writes a byte to a pipe; the event loop then closes the window, so the
// program ends as after its close button, with exit code 0.
void CerrarConSenales(QWidget* ventana);
