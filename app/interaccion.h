// Everything the window asks of a person or of the clock goes through here, so tests can answer
// in place of a modal box, a file dialog or the system clock.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

struct TInteraccion {
    // An error report: one box with one OK button.
    std::function<void(const QString& mensaje)> error;
    // A notice for the user ("Rutina vacia"): a modal box.
    std::function<void(const QString& mensaje)> aviso;
    // A failure that ends start-up: a box titled "Application Error".
    std::function<void(const QString& mensaje)> fatal;
    // The open-file dialog: the chosen file's path, or empty when cancelled.
    std::function<QString(const QString& carpeta, const QString& titulo, const QString& patron)>
        elegirArchivo;
    // The save-file dialog, starting on the suggested path: the chosen path, or empty when
    // cancelled.
    std::function<QString(const QString& sugerido, const QString& titulo, const QString& patron)>
        elegirDestino;
    // The current date and time.
    std::function<QDateTime()> ahora;
    // Milliseconds of a clock that never jumps (for the rest countdown).
    std::function<qint64()> relojMs;
};

TInteraccion& Interaccion();
// Qt's own texts in Spanish (buttons, dialogs, the calendar's names), once for the program: after
// the first paint, or at once when a box or dialog must show before it.
void InstalarTraduccion();
// Closes every box, dialog and menu open, as if cancelled: the program is being ended.
void CerrarVentanasModales();
// Restores the real boxes, dialog and clocks.
void InteraccionPorDefecto();

class QFileDialog;
// The real open-file dialog's settings: start folder, one filter entry, an existing file.
void PrepararDialogoAbrir(QFileDialog& d, const QString& carpeta, const QString& titulo,
                          const QString& patron);

// The real save-file dialog's settings: the suggested file's folder and name, its suffix added
// to a name typed without one, one filter entry.
void PrepararDialogoGuardar(QFileDialog& d, const QString& sugerido, const QString& titulo,
                            const QString& patron);

// The text an error report shows: a full stop is added unless the message already ends in a
// character at or below ".".
QString TextoDeError(const QString& mensaje);

// While it lives, a report that repeats one already shown is dropped: while the window starts,
// one bad file fails in each of the loads that start-up makes, and is worth one box.
class TSinRepetidos {
  public:
    TSinRepetidos();
    ~TSinRepetidos();
    TSinRepetidos(const TSinRepetidos&) = delete;
    TSinRepetidos& operator=(const TSinRepetidos&) = delete;

  private:
    std::function<void(const QString&)> anterior_;
    QStringList vistos_;
};

// Runs a handler; any error it raises reaches the user as a report and never the event loop.
void Protegido(const std::function<void()>& manejador);
