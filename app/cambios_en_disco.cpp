// Files that other programs change: another window, another computer through a sync tool, a
// text editor. The session follows the routine shown; the selector follows the user list.
#include "app/main_form.h"

#include "app/adaptadores_hoja.h"
#include "app/interaccion.h"
#include "general/general.h"
#include "storage/sesion.h"

#include <QComboBox>
#include <QSignalBlocker>

void TMain::armarVigia() {
    // An editor held back a reload: it comes once the editor has closed, by any way.
    connect(
        delegado_, &TDelegadoRutina::editorCerrado, this,
        [this] { Protegido([&] { sesion_->Revisar(); }); }, Qt::QueuedConnection);
    sesion_->Activar();
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
