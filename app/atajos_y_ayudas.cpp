// Desktop manners: tooltips and accessible names, keyboard shortcuts, the clipboard, undo, Qt's
// own texts in Spanish, and the user selector's "+" and mouse wheel.
#include "app/main_form.h"

#include "app/adaptadores_hoja.h"
#include "app/controles.h"
#include "app/interaccion.h"
#include "storage/marcas.h"
#include "storage/sesion.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWheelEvent>

// The shortcuts, named once: the tooltips show them.
static const QKeySequence kDiaAnterior(Qt::ALT | Qt::Key_Left);
static const QKeySequence kDiaSiguiente(Qt::ALT | Qt::Key_Right);
static const QKeySequence kHoy(Qt::ALT | Qt::Key_Home);
static const QKeySequence kBajar(Qt::CTRL | Qt::Key_Down);
static const QKeySequence kSubir(Qt::CTRL | Qt::Key_Up);

void TMain::ponerAyudas() {
    auto ayuda = [](QWidget* w, const QString& texto, const QKeySequence& atajo = {}) {
        w->setAccessibleName(texto);
        w->setToolTip(atajo.isEmpty() ? texto
                                      : texto + QStringLiteral(" (%1)").arg(
                                                    atajo.toString(QKeySequence::NativeText)));
    };
    ayuda(Image1, QStringLiteral("Bajar fila"), kBajar);
    ayuda(Image2, QStringLiteral("Subir fila"), kSubir);
    ayuda(Image3, QStringLiteral("Día anterior"), kDiaAnterior);
    ayuda(Image4, QStringLiteral("Día siguiente"), kDiaSiguiente);
    ayuda(Image5, QStringLiteral("Colores"));
    ayuda(Image6, QStringLiteral("Descanso: elige una celda como 90s"));
    ayuda(btnImportar, QStringLiteral("Importar rutina"));
    ayuda(btnCompartir, QStringLiteral("Compartir"));
    ayuda(importar_a_hoy, QStringLiteral("Repetir hoy"));
    TRectangulo* muestras[] = {c1, c2, c3, c4, c5, c6, c7, c8};
    for (int k = 0; k < 8; ++k)
        ayuda(muestras[k], QString::fromUtf8(kMarcas[k].nombre));
}

void TMain::crearAtajos() {
    auto atajo = [this](QWidget* dueno, Qt::ShortcutContext contexto, QList<QKeySequence> teclas,
                        void (TMain::*manejador)()) {
        auto* a = new QAction(dueno);
        a->setShortcuts(teclas);
        a->setShortcutContext(contexto);
        connect(a, &QAction::triggered, this,
                [this, manejador] { Protegido([&] { (this->*manejador)(); }); });
        dueno->addAction(a);
        return a;
    };
    // On the window, but not while a panel covers it: the disabled sheet panel takes none.
    atajo(pnlMain, Qt::WindowShortcut, {kDiaAnterior}, &TMain::Image3Click);
    atajo(pnlMain, Qt::WindowShortcut, {kDiaSiguiente}, &TMain::Image4Click);
    atajo(pnlMain, Qt::WindowShortcut, {kHoy}, &TMain::irAHoy);
    atajo(pnlMain, Qt::WindowShortcut, {kBajar}, &TMain::Image1Click);
    atajo(pnlMain, Qt::WindowShortcut, {kSubir}, &TMain::Image2Click);
    // On the sheet with no editor open; an editor keeps its own Delete, Ctrl+V and Ctrl+Z.
    atajo(Rutina, Qt::WidgetShortcut, {QKeySequence::Delete, Qt::Key_Backspace},
          &TMain::borrarCelda);
    atajo(Rutina, Qt::WidgetShortcut, {QKeySequence::Paste}, &TMain::pegar);
    atajo(Rutina, Qt::WidgetShortcut, {kRellenar}, &TMain::rellenarFila);
    atajo(Rutina, Qt::WidgetShortcut, {QKeySequence::Undo}, &TMain::deshacer);
    atajo(Rutina, Qt::WidgetShortcut,
          {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
          &TMain::rehacer);
    // Also in the sheet's menu, which shows their shortcuts; in an editor too, which they
    // commit first.
    accionProgreso_ =
        atajo(Rutina, Qt::WidgetWithChildrenShortcut, {kProgreso}, &TMain::abrirProgreso);
    accionExportar_ =
        atajo(Rutina, Qt::WidgetWithChildrenShortcut, {kExportar}, &TMain::exportarHistorial);
    accionExportar_->setText(QStringLiteral("Exportar historial…"));
    accionImportarHistorial_ = atajo(Rutina, Qt::WidgetWithChildrenShortcut, {kImportarHistorial},
                                     &TMain::importarHistorial);
    accionImportarHistorial_->setText(QStringLiteral("Importar historial…"));
    Rutina->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Rutina, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { Protegido([&] { alMenuHoja(pos); }); });
}

void TMain::instalarEspanol() {
    InstalarTraduccion();
    // Month and day names of the calendar; the field keeps its numeric format.
    SelecteDate->setLocale(QLocale(QLocale::Spanish, QLocale::Spain));
}

void TMain::irAHoy() {
    if (!ConfirmarEditor()) return;
    fijarDia(hoy());
}

void TMain::borrarCelda() {
    const int fila = Rutina->Row();
    const int columna = Rutina->Col();
    if (fila < 0 || columna < 0 || A()[fila][columna].isEmpty()) return;
    sesion_->Escribir(fila, columna, QString());
}

void TMain::pegar() {
    const int fila = Rutina->Row();
    const int columna = Rutina->Col();
    if (fila < 0 || columna < 0) return;
    sesion_->EscribirBloque(fila, columna, FilasDePegado(QGuiApplication::clipboard()->text()));
}

void TMain::deshacer() {
    sesion_->Deshacer();
}

void TMain::rehacer() {
    sesion_->Rehacer();
}

void TMain::alElegirUsuario(int indice) {
    // Choosing "+" again, once its panel was closed, opens it again: the change handler sees
    // only changes.
    if (Usuario->itemText(indice) != QLatin1String("+") || !NuevoUsuario->isHidden()) return;
    if (!ConfirmarEditor()) return;
    MostrarNuevoUsuario();
}

bool TMain::ruedaSinFoco(QObject* objeto, QEvent* e) const {
    // The wheel over the selector or the date field changes them only when they have the focus:
    // scrolling past them must not change the user or the day.
    return e->type() == QEvent::Wheel && (objeto == Usuario || objeto == SelecteDate) &&
           !static_cast<QWidget*>(objeto)->hasFocus();
}
