// The routine shown and everything that follows it: loading, saving and merging, undo, the watch
// on its files, and the user's history. The window shows what this object holds and asks it for
// every change; nothing here knows of widgets.
#pragma once

#include "storage/bases.h"
#include "storage/historia.h"
#include "storage/lista_usuarios.h"
#include "storage/rutina.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QFileSystemWatcher;
template <typename T> class QFutureWatcher;

class TSesion : public QObject {
    Q_OBJECT
  public:
    // Undo steps kept for each routine while the program runs.
    static constexpr int kPasosMaximos = 100;

    // `carpetaDatos`: the data folder; `reloj`: the current date and time (the moment in the
    // names of copies). Nothing is read or watched until Mostrar and Activar.
    TSesion(const QString& carpetaDatos, std::function<QDateTime()> reloj, int filas, int columnas,
            QObject* padre = nullptr);
    ~TSesion() override;

    const QString& Carpeta() const { return carpeta_; }
    // The routine shown: its cells, marks, file and the version of it on disk.
    const TRutina& Rutina() const { return *rutina_; }
    // The same value, kept by whoever must later know which routine and version it was.
    const PRutina& Version() const { return rutina_; }

    // The file of a user's routine of a day, in the data folder.
    static QString NombreDeArchivo(const QString& usuario, const QDate& dia);
    // Shows the routine of `usuario` on `dia`; without a user, an empty routine of no file.
    // Watches its file and brings the user's history up to date. When the file cannot be read
    // the routine shown is what could be read, and then the error is thrown.
    void Mostrar(const QString& usuario, const QDate& dia, bool hayUsuario = true);

    // How long a save waits for the folder's lock; a window's wait by default.
    void FijarEsperaCerrojo(int ms) { esperaCerrojo_ = ms; }

    // Asked before every change: throws ErrorKorval when no change may be made now.
    void FijarPermiso(std::function<void()> comprobar) { permiso_ = std::move(comprobar); }

    // Changes of the routine shown. Each is saved at once and kept for undo. They throw
    // ErrorKorval when refused or when the save fails, and then nothing has changed. They return
    // false when the change could not follow its row in a version another program wrote:
    // nothing is saved, the routine shown is then that version, and aviso() tells the user.
    bool Escribir(int fila, int columna, const QString& texto);
    // A cell of `version` (an editor opened on it), which may no longer be the routine shown, or
    // no longer its version on disk: its own file takes the edit, onto the rows as they are now.
    bool EscribirEn(const PRutina& version, int fila, int columna, const QString& texto);
    // Cells from (fila, columna) on: each string list fills one row to the right.
    bool EscribirBloque(int fila, int columna, const QList<QStringList>& filas);
    bool Marcar(int fila, qint32 marca);
    bool Intercambiar(int f1, int f2);
    // The whole routine replaced ("Repetir hoy", an import). When `copia` is given, the file is
    // first copied to "respaldos" and `copia` receives where (empty when there was no file).
    bool Reemplazar(const TTabla& A, const TMarcas& C, QString* copia = nullptr);
    // Writes the routine as it is (a save the user asked for without a change).
    bool GuardarAhora();

    // Undo and redo of the routine shown; its steps stay with it while the program runs.
    bool PuedeDeshacer() const;
    bool PuedeRehacer() const;
    bool Deshacer();
    bool Rehacer();

    // After the window's first paint: watches the files and builds the history from now on.
    void Activar();
    bool Activa() const { return activa_; }
    // Compares the files with what is held: the routine shown is read again when another
    // program changed it, unless `ocupado` (an editor open on it) says to wait.
    void Revisar();
    void FijarOcupado(std::function<bool()> ocupado) { ocupado_ = std::move(ocupado); }

    // Where this computer keeps the merge bases of the folder's routines (see TBases); empty
    // keeps none, and conflict copies then merge without a base. Set before Activar.
    void FijarCarpetaBases(const QString& carpeta);
    // Merges every conflict copy a sync tool left in the folder into its routine or the user
    // list and moves it into "respaldos". Run by Activar and when a copy appears.
    void UnirConflictos();

    // The user list, read; its version is kept so that a change on disk is told.
    TListaUsuarios LeerUsuarios();

    // The history of a user as built so far; nullptr before the first build.
    const THistoria* Historia(const QString& usuario) const;
    // The history of a user as the disk has it now, built here (only changed files are read).
    THistoria HistoriaAlDia(const QString& usuario, QStringList* fallidos);
    // How many history builds have started (tests count them).
    int Construcciones() const { return construcciones_; }
    // Stops a history build under way and waits for it.
    void Detener();

  signals:
    // Cells or marks of rows `desde` to `hasta` changed.
    void filasCambiadas(int desde, int hasta);
    // Another routine, or another version of it, is shown.
    void rutinaCambiada();
    // A notice for the user.
    void aviso(const QString& mensaje);
    // A failure seen outside a call of the window's (the watch) or after a save that stands.
    void fallo(const QString& mensaje);
    // Another program changed the user list.
    void usuariosCambiados();
    // A user's history changed (built, a day saved, a file changed elsewhere).
    void historiaCambiada(const QString& usuario);
    // Files the history could not read.
    void historiaIncompleta(const QStringList& fallidos);

  private:
    struct TPila {
        QList<TCambio> pasos;
        qsizetype hechos = 0; // steps done; those after are redone
    };
    enum class Paso { Nuevo, Deshecho, Rehecho };
    bool hacer(const TRutina& desde, const TCambio& c, Paso paso);
    void mostrar(PRutina r);
    // Loads the routine at `ruta` (none: empty) and shows it, also when the load fails.
    void cargar(const QString& usuario, const QDate& dia, const QString& ruta);
    void vigilarRutina();
    void alCambiarArchivo();
    void alCambiarCarpeta();
    void recargar();
    void construirHistoria();
    void historiaLista();
    void ponerEnHistoria(const TRutina& r);
    QString mensajePerdido(const TCambio& c, const QString& ejercicio, int fila) const;
    void unirConflicto(const QString& copia, const QString& original);
    void moverARespaldos(const QString& nombre);
    void recordarLeida(const TRutina& r);

    const QString carpeta_;
    const std::function<QDateTime()> reloj_;
    const int filas_;
    const int columnas_;
    int esperaCerrojo_ = kEsperaCerrojoVentanaMs;
    PRutina rutina_;
    std::function<void()> permiso_;
    std::function<bool()> ocupado_;
    QHash<QString, TPila> pilas_; // by file
    bool activa_ = false;
    QFileSystemWatcher* vigia_ = nullptr;
    QString vigilada_;             // the routine file under watch
    TIdentidad identidadUsuarios_; // the user list's version last read
    TIdentidad identidadCarpeta_;  // the folder as our last save left it
    struct TObra {
        QString usuario;
        THistoria historia;
        QStringList fallidos;
    };
    QFutureWatcher<TObra>* obra_ = nullptr; // the history being built, if any
    bool otraObra_ = false;                 // build again once this one is done
    QHash<QString, THistoria> historias_;   // by user: shown at once on a change
    int construcciones_ = 0;
    std::unique_ptr<TBases> bases_;
};
