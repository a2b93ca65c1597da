// Users and days: the selector, the new-user panel, the title line and reloading.
#include "app/main_form.h"

#include "app/adaptadores_hoja.h"
#include "app/controles.h"
#include "app/interaccion.h"
#include "general/errores.h"
#include "general/general.h"
#include "storage/lista_usuarios.h"
#include "storage/sesion.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

QString TMain::ArchivoActual() {
    const QDate dia = SelecteDate->date();
    const QString usuario = Usuario->currentIndex() >= 0 ? Usuario->currentText() : QString();
    lblTitulo->setText(DameDiaDeLaSemana(dia) + QStringLiteral(" para ") + usuario);
    if (Usuario->currentIndex() < 0) return QString();
    return TSesion::NombreDeArchivo(usuario, dia);
}

QStringList TMain::leerUsuarios() {
    const TListaUsuarios lista = sesion_->LeerUsuarios();
    // A name that cannot be part of a file name (edited in by hand) is not offered: its routines
    // would be written elsewhere, or not at all. The list itself is left as it is.
    for (const auto& [nombre, motivo] : lista.rechazados) {
        if (rechazadosDichos_.contains(nombre)) continue;
        rechazadosDichos_ << nombre;
        Interaccion().error(TextoDeError(
            QStringLiteral("El usuario «%1» de la lista no se muestra: %2").arg(nombre, motivo)));
    }
    return lista.nombres + QStringList{QStringLiteral("+")};
}

void TMain::CargarUsuarios() {
    ultimoUsuario_ = -1;
    Usuario->clear();
    const QStringList lineas = leerUsuarios();
    {
        // Filling an empty combo box selects item 0 by itself; the fill must report nothing.
        const QSignalBlocker bloqueo(Usuario);
        Usuario->addItems(lineas);
        Usuario->setCurrentIndex(-1);
    }
    Usuario->setCurrentIndex(0);
    if (Usuario->count() >= 2)
        OcultarNuevoUsuario();
    else
        MostrarNuevoUsuario();
}

void TMain::MostrarNuevoUsuario() {
    NuevoUsuario->move(0, 0);
    cubrirCon(NuevoUsuario, txtUsuarioNuevo);
    // The box keeps the last name: selected, typing replaces it and Enter still takes it.
    txtUsuarioNuevo->selectAll();
}

void TMain::OcultarNuevoUsuario() {
    descubrir(NuevoUsuario);
}

void TMain::OKClick() {
    const QString nombre = txtUsuarioNuevo->text();
    const QString motivo = MotivoNombreNuevo(nombre, carpeta_principal);
    if (!motivo.isEmpty()) throw ErrorKorval(motivo);
    // A user already in the list is shown, not added a second time.
    for (int i = 0; i < Usuario->count(); ++i) {
        if (Usuario->itemText(i) != nombre) continue;
        OcultarNuevoUsuario();
        Usuario->setCurrentIndex(i);
        return;
    }
    QString copia;
    AnexarUsuario(PathCompleto(kArchivoUsuarios), nombre, kEsperaCerrojoVentanaMs, &copia,
                  Interaccion().ahora());
    OcultarNuevoUsuario();
    CargarUsuarios();
    if (!copia.isEmpty())
        Interaccion().aviso(
            QStringLiteral("La lista de usuarios tenía texto que no se puede conservar al "
                           "añadir un nombre; la lista tal como estaba está en %1")
                .arg(QDir(carpeta_principal).relativeFilePath(copia)));
}

void TMain::XClick() {
    OcultarNuevoUsuario();
    // Back to the user shown before "+", so the next edit lands in that user's routine.
    if (ultimoUsuario_ >= 0 && ultimoUsuario_ < Usuario->count() &&
        Usuario->itemText(ultimoUsuario_) != QLatin1String("+"))
        Usuario->setCurrentIndex(ultimoUsuario_);
}

void TMain::actualizarRepetirHoy() {
    importar_a_hoy->setVisible(SelecteDate->date() < hoy());
    lbl_copiar_a_hoy->setVisible(!importar_a_hoy->isHidden());
}

void TMain::UsuarioDateChange() {
    const int i = Usuario->currentIndex();
    if (Usuario->count() == 0 || i < 0 || Usuario->itemText(i) == QLatin1String("+")) {
        MostrarNuevoUsuario();
    } else {
        ultimoUsuario_ = i;
        try {
            const TBracket bracket(modelo_);
            const QString name = ArchivoActual();
            CargarArchivo(name);
        } catch (...) {
            // The controls still follow the day that is now shown.
            actualizarRepetirHoy();
            throw;
        }
    }
    actualizarRepetirHoy();
}

void TMain::Image3Click() {
    if (!ConfirmarEditor()) return;
    fijarDia(SelecteDate->date().addDays(-1));
}

void TMain::Image4Click() {
    if (!ConfirmarEditor()) return;
    fijarDia(SelecteDate->date().addDays(1));
}
