// Files that other programs change: another window, another computer through a sync tool, a
// text editor. The routine shown and the user list follow what is on disk.
#include "app/main_form.h"

#include "app/hoja_rutina.h"
#include "app/interaccion.h"
#include "general/general.h"
#include "storage/lista_usuarios.h"
#include "storage/respaldo.h"

#include <QComboBox>
#include <QFileSystemWatcher>
#include <QSignalBlocker>

void TMain::armarVigia() {
    if (vigia_) return;
    vigia_ = new QFileSystemWatcher(this);
    auto revisar = [this] { Protegido([&] { revisarDisco(); }); };
    connect(vigia_, &QFileSystemWatcher::fileChanged, this, revisar);
    connect(vigia_, &QFileSystemWatcher::directoryChanged, this, revisar);
    // Any routine of the folder may have changed: the history reads again what did.
    connect(vigia_, &QFileSystemWatcher::directoryChanged, this,
            [this] { Protegido([&] { construirHistoria(); }); });
    // An editor held back a reload: it comes once the editor has closed, by any way.
    connect(delegado_, &TDelegadoRutina::editorCerrado, this, revisar, Qt::QueuedConnection);
    revisarDisco();
    // Saves cut short (a crash, a power cut) leave hidden temporary files; after ten minutes
    // none of them can belong to a save still under way.
    for (const QString& carpeta :
         {carpeta_principal, CombinePath(carpeta_principal, kCarpetaRespaldos)})
        BorrarTemporalesViejos(carpeta, 600);
}

void TMain::revisarDisco() {
    if (!vigia_) return;
    // A file replaced by a rename (our own saves too) is no longer watched: watch it again.
    const PRutina& r = modelo_->Rutina();
    const QStringList rutas{carpeta_principal, PathCompleto(kArchivoUsuarios), r->ruta};
    for (const QString& ruta : rutas)
        if (!ruta.isEmpty() && !vigia_->files().contains(ruta) &&
            !vigia_->directories().contains(ruta) && IdentidadDe(ruta).existe)
            vigia_->addPath(ruta);

    if (IdentidadDe(PathCompleto(kArchivoUsuarios)) != identidadUsuarios_) recargarUsuarios();
    // Our own save left the identity it kept: nothing to do then.
    if (r->ruta.isEmpty() || IdentidadDe(r->ruta) == r->identidad) return;
    // What is being typed is not disturbed; its commit merges onto the new version.
    if (delegado_->Editor()) return;
    recargarRutina();
}

void TMain::recargarRutina() {
    // A copy of the pointer: showing the new value releases the old one.
    const PRutina vieja = modelo_->Rutina();
    mostrarRutina(vieja->usuario, vieja->dia, vieja->ruta);
}

void TMain::recargarUsuarios() {
    const QStringList lineas = leerUsuarios();
    const int visto = usuarioVisto_;
    const QString nombre =
        visto >= 0 && visto < Usuario->count() ? Usuario->itemText(visto) : QString();
    const bool mas = nombre == QLatin1String("+");
    if (!mas && !nombre.isEmpty() && !lineas.contains(nombre)) {
        // The sheet stays as it is; the user is told once.
        if (!ausentesDichos_.contains(nombre)) {
            ausentesDichos_ << nombre;
            Interaccion().aviso(
                QStringLiteral("El usuario %1 ya no está en la lista de usuarios").arg(nombre));
        }
        return;
    }
    // The same user stays selected (a fresh start would pick the first one).
    const QString anterior = ultimoUsuario_ >= 0 && ultimoUsuario_ < Usuario->count()
                                 ? Usuario->itemText(ultimoUsuario_)
                                 : QString();
    const QSignalBlocker bloqueo(Usuario);
    Usuario->clear();
    Usuario->addItems(lineas);
    usuarioVisto_ = mas || nombre.isEmpty() ? int(lineas.size()) - 1 : int(lineas.indexOf(nombre));
    Usuario->setCurrentIndex(usuarioVisto_);
    ultimoUsuario_ = anterior.isEmpty() ? -1 : int(lineas.indexOf(anterior));
}
