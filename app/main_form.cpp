// Construction of the window, start-up and the layout rule.
#include "app/main_form.h"

#include "app/adaptadores_hoja.h"
#include "app/controles.h"
#include "app/interaccion.h"
#include "app/senales.h"
#include "app/ventana_progreso.h"
#include "general/errores.h"
#include "general/general.h"
#include "storage/marcas.h"
#include "storage/sesion.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSessionManager>
#include <QSignalBlocker>
#include <QTimer>

#include <memory>

static const QColor kNegro(0xFF000000u);
static const QColor kBlanco(0xFFFFFFFFu);
static const QColor kGrisTenue(0xFF696969u);
static const QColor kChartreuse(0xFF7FFF00u);

static void fuente(QWidget* w, int pixeles, bool negrita) {
    QFont f = w->font();
    f.setPixelSize(pixeles);
    if (negrita) f.setWeight(QFont::Bold);
    w->setFont(f);
}

static void colorTexto(QWidget* w, const QColor& color) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    w->setPalette(p);
}

template <class W> static W* alineado(W* w, TAlineacion modo, const QRectF& r) {
    Colocar(w, r);
    FijarAlineacion(w, modo, r);
    return w;
}

TMain::TMain() : arranque_(std::make_unique<TSinRepetidos>()) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("KORVAL"));
    resize(1101, 758);
    // Below this the date box would cover the user box, or the bottom bar the title and the
    // sheet's first row.
    setMinimumSize(425, 225);
    construirVentana();
    conectar();
    FormCreate();
    // The resize reported at the end of construction.
    FormResize();
}

TMain::~TMain() {
    // An editor left open must not write while the window's parts are taken down.
    delegado_->Descartar();
    // The history's build must not report to a window being taken down.
    if (sesion_) {
        sesion_->disconnect(this);
        sesion_->Detener();
    }
}

const TTabla& TMain::A() const {
    return modelo_->Rutina().A;
}

const TMarcas& TMain::C() const {
    return modelo_->Rutina().C;
}

int TMain::RowCount() const {
    return modelo_->rowCount();
}

int TMain::ColumnCount() const {
    return modelo_->columnCount();
}

void TMain::construirVentana() {
    NuevoUsuario = new TPanel(this, {448, 64, 257, 329});
    X = new QPushButton(QStringLiteral("X"), NuevoUsuario);
    Colocar(X, {8, 288, 80, 22});
    OK = new QPushButton(QStringLiteral("OK"), NuevoUsuario);
    Colocar(OK, {176, 288, 80, 22});
    txtUsuarioNuevo = new QLineEdit(NuevoUsuario);
    Colocar(txtUsuarioNuevo, {24, 152, 201, 32});
    Nuevo_Usuario = new QLabel(QStringLiteral("Nuevo usuario"), NuevoUsuario);
    Colocar(Nuevo_Usuario, {24, 128, 193, 25});
    setTabOrder(X, OK);
    setTabOrder(OK, txtUsuarioNuevo);

    pnlMain = new TPanel(this, {8, 8, 425, 713});
    construirBotonera();

    modelo_ = new TModeloRutina(this, 100, 11);
    Rutina = new TVistaRutina(pnlMain);
    Colocar(Rutina, {0, 64, 425, 553});
    Rutina->setModel(modelo_);
    delegado_ = new TDelegadoRutina(modelo_, Rutina);
    Rutina->setItemDelegate(delegado_);
    auto* estilo = new TEstiloSinMargen();
    estilo->setParent(Rutina);
    Rutina->setStyle(estilo);
    Rutina->setSelectionMode(QAbstractItemView::SingleSelection);
    Rutina->setSelectionBehavior(QAbstractItemView::SelectItems);
    // A click on the selected cell opens its editor too, through the view's own delay.
    Rutina->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    Rutina->verticalHeader()->hide();
    QHeaderView* cabecera = Rutina->horizontalHeader();
    cabecera->setSectionsMovable(false);
    cabecera->setSectionResizeMode(QHeaderView::Interactive);
    cabecera->setMinimumSectionSize(10);
    const int anchos[] = {177, 39, 39, 50, 50, 50, 50, 50, 50, 50, 50};
    for (int j = 0; j < 11; ++j)
        cabecera->resizeSection(j, anchos[j]);

    construirBarraSuperior();
    // The strip is 24 units, and the sheet's header covers its last row: the line is drawn in
    // the 23 rows above it, three units off the window's edge, accents and descenders whole.
    lblTitulo = alineado(new TEtiquetaAjustada(QString(21, u'-'), pnlMain, 1, 23, 3),
                         TAlineacion::Top, {0, 41, 425, 24});
    fuente(lblTitulo, 22, true);
    lblTitulo->raise();
    pnlMain->Realinear();

    construirTimer();

    setTabOrder(Rutina, Usuario);
    setTabOrder(Usuario, SelecteDate);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    Timer1->setTimerType(Qt::PreciseTimer);
}

void TMain::construirBotonera() {
    Botonera =
        alineado(new TPanel(pnlMain, {0, 616, 425, 97}), TAlineacion::Bottom, {0, 616, 425, 97});
    Rectangle1 =
        alineado(new TRectangulo(Botonera, kNegro), TAlineacion::Scale, {0, -32, 425, 160});
    auto imagen = [this](const char* recurso, qreal x, qreal y, int lado, qreal grados = 0) {
        auto* i = new TImagen(Botonera, QString::fromLatin1(recurso), lado, grados);
        Colocar(i, {x, y, qreal(lado), qreal(lado)});
        return i;
    };
    Image1 = imagen(":/img/bajar", 0, 1, 50, 1);
    btnCompartir = imagen(":/img/compartir", 296, 1, 50);
    Image2 = imagen(":/img/subir", 360, 1, 50);
    importar_a_hoy = imagen(":/img/copiar_a_hoy", 56, 1, 50);
    // Between its picture's drawing (to row 40 of the bar) and the swatches (from row 50).
    lbl_copiar_a_hoy = new TEtiquetaAjustada(QStringLiteral("Repetir hoy"), Botonera, 6, 15, 1);
    Colocar(lbl_copiar_a_hoy, {56, 35, 65, 17});
    fuente(lbl_copiar_a_hoy, 10, false);
    colorTexto(lbl_copiar_a_hoy, kBlanco);
    Image5 = imagen(":/img/color", 120, 1, 49);
    const int xs[] = {0, 51, 102, 153, 205, 256, 307, 359};
    TRectangulo** muestras[] = {&c1, &c2, &c3, &c4, &c5, &c6, &c7, &c8};
    for (int k = 0; k < 8; ++k) {
        *muestras[k] = new TRectangulo(Botonera, QColor::fromRgba(quint32(kMarcas[k].valor)));
        Colocar(*muestras[k], {qreal(xs[k]), 50, 50, 50});
    }
    btnImportar = imagen(":/img/importar", 240, 1, 50);
    Image6 = imagen(":/img/reloj", 176, 0, 50);
    Botonera->Realinear();
}

void TMain::construirBarraSuperior() {
    pnlBotoneraDeArriba =
        alineado(new TPanel(pnlMain, {0, 0, 425, 41}), TAlineacion::Top, {0, 0, 425, 41});
    Rectangle2 = alineado(new TRectangulo(pnlBotoneraDeArriba, kNegro), TAlineacion::Scale,
                          {0, -7.53, 425, 48.53});
    Image3 = alineado(new TImagen(pnlBotoneraDeArriba, QStringLiteral(":/img/izq"), 34),
                      TAlineacion::Left, {0, 0, 34, 41});
    Usuario = alineado(new QComboBox(pnlBotoneraDeArriba), TAlineacion::Left, {34, 0, 159, 41});
    Usuario->addItem(QStringLiteral("Nuevo"));
    SelecteDate =
        alineado(new QDateEdit(pnlBotoneraDeArriba), TAlineacion::Right, {215, 0, 176, 41});
    fuente(SelecteDate, 30, false);
    {
        // At 30 units a full date of the default face overflows the 176-unit box; the
        // condensed width of the same family keeps the four-digit year readable.
        QFont f = SelecteDate->font();
        f.setStretch(QFont::Condensed);
        SelecteDate->setFont(f);
    }
    colorTexto(SelecteDate, kGrisTenue);
    SelecteDate->setCalendarPopup(true);
    // The short format of the system, with the year always in four digits.
    QString formato = QLocale().dateFormat(QLocale::ShortFormat);
    formato.replace(QRegularExpression(QStringLiteral("(?<!y)y{1,2}(?!y)")),
                    QStringLiteral("yyyy"));
    // With no locale set (C or POSIX) the short format names the month in English.
    if (QLocale().language() == QLocale::C) formato = QStringLiteral("d/M/yyyy");
    SelecteDate->setDisplayFormat(formato);
    SelecteDate->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
    SelecteDate->setDate(QDate(2022, 9, 7));
    ultimoDia_ = SelecteDate->date();
    Image4 = alineado(new TImagen(pnlBotoneraDeArriba, QStringLiteral(":/img/der"), 34),
                      TAlineacion::Right, {391, 0, 34, 41});
    pnlBotoneraDeArriba->Realinear();
}

void TMain::construirTimer() {
    pnlTimer = new TPanel(this, {624, 264, 257, 329});
    pnlTimer->setObjectName(QStringLiteral("panelstyle"));
    Rectangle3 = alineado(new TRectangulo(pnlTimer, kNegro), TAlineacion::Fit, {0, 0, 257, 257});
    cerrartimer =
        alineado(new QPushButton(QStringLiteral("X"), pnlTimer), TAlineacion::Top, {0, 0, 257, 22});
    lblTimer = alineado(new QLabel(QStringLiteral("000"), pnlTimer), TAlineacion::Center,
                        {0, 0, 257, 285});
    fuente(lblTimer, 100, true);
    colorTexto(lblTimer, kChartreuse);
    lblTimer->setAlignment(Qt::AlignCenter);
    pnlTimer->Realinear();
}

void TMain::conectar() {
    auto clic = [this](auto* emisor, void (TMain::*manejador)()) {
        connect(emisor, &std::remove_pointer_t<decltype(emisor)>::clicked, this,
                [this, manejador] { Protegido([&] { (this->*manejador)(); }); });
    };
    clic(X, &TMain::XClick);
    clic(OK, &TMain::OKClick);
    clic(Image1, &TMain::Image1Click);
    clic(Image2, &TMain::Image2Click);
    clic(Image3, &TMain::Image3Click);
    clic(Image4, &TMain::Image4Click);
    clic(Image5, &TMain::Image5Click);
    clic(Image6, &TMain::Image6Click);
    clic(importar_a_hoy, &TMain::importar_a_hoyClick);
    clic(btnImportar, &TMain::btnImportarClick);
    clic(btnCompartir, &TMain::btnCompartirClick);
    clic(cerrartimer, &TMain::cerrartimerClick);
    clic(c1, &TMain::c1Click);
    clic(c2, &TMain::c2Click);
    clic(c3, &TMain::c3Click);
    clic(c4, &TMain::c4Click);
    clic(c5, &TMain::c5Click);
    clic(c6, &TMain::c6Click);
    clic(c7, &TMain::c7Click);
    clic(c8, &TMain::c8Click);
    connect(Timer1, &QTimer::timeout, this, [this] { Protegido([&] { Timer1Timer(); }); });
    connect(Usuario, &QComboBox::currentIndexChanged, this,
            [this] { Protegido([&] { alCambiarUsuario(); }); });
    connect(SelecteDate, &QDateEdit::dateChanged, this,
            [this](QDate dia) { Protegido([&] { alCambiarDia(dia); }); });
    // The model reports nothing itself: a refused or failed commit reaches the user here.
    connect(modelo_, &TModeloRutina::rechazado, this,
            [](const QString& motivo) { Protegido([&] { throw ErrorKorval(motivo); }); });
    // Enter in the name box acts as OK, Escape as X.
    connect(txtUsuarioNuevo, &QLineEdit::returnPressed, this,
            [this] { Protegido([&] { OKClick(); }); });
    txtUsuarioNuevo->installEventFilter(this);
    cerrartimer->installEventFilter(this);
    Usuario->installEventFilter(this);
    SelecteDate->installEventFilter(this);
    connect(Usuario, &QComboBox::activated, this,
            [this](int i) { Protegido([&] { alElegirUsuario(i); }); });
    pnlMain->installEventFilter(this);
}

void TMain::alCambiarUsuario() {
    const int i = Usuario->currentIndex();
    // The selector has already moved: when the open editor's text is refused, it moves back.
    if (!ConfirmarEditor()) {
        const QSignalBlocker bloqueo(Usuario);
        Usuario->setCurrentIndex(usuarioVisto_);
        return;
    }
    usuarioVisto_ = i;
    UsuarioDateChange();
}

void TMain::alCambiarDia(const QDate& dia) {
    // Return in the field reports the same day again.
    if (dia == ultimoDia_) return;
    if (!ConfirmarEditor()) {
        const QSignalBlocker bloqueo(SelecteDate);
        SelecteDate->setDate(ultimoDia_);
        return;
    }
    ultimoDia_ = dia;
    UsuarioDateChange();
}

bool TMain::ConfirmarEditor() {
    return delegado_->Confirmar(true);
}

void TMain::ConfirmarEnSilencio() {
    if (!delegado_->Confirmar(false)) delegado_->Descartar();
}

void TMain::CerrarPorSistema() {
    // Boxes and dialogs open (a notice, the import dialog) go as if cancelled first.
    CerrarVentanasModales();
    ConfirmarEnSilencio();
    cierreDelSistema_ = true;
    close();
}

void TMain::closeEvent(QCloseEvent* e) {
    // The user's close keeps what is being typed, or waits while it cannot be stored.
    if (!cierreDelSistema_) {
        bool seguir = true;
        Protegido([&] { seguir = ConfirmarEditor(); });
        if (!seguir) {
            e->ignore();
            return;
        }
    }
    // The progress windows go with it.
    for (TVentanaProgreso* v : findChildren<TVentanaProgreso*>(Qt::FindDirectChildrenOnly))
        v->close();
    QWidget::closeEvent(e);
}

void TMain::cubrirCon(QWidget* panel, QWidget* foco) {
    if (pnlMain->isEnabled()) {
        QWidget* f = QApplication::focusWidget();
        focoAntes_ = f && pnlMain->isAncestorOf(f) ? f : nullptr;
    }
    // Disabled, the sheet and the selectors under the panel take no key and no shortcut.
    pnlMain->setEnabled(false);
    panel->show();
    panel->raise();
    foco->setFocus();
}

void TMain::descubrir(QWidget* panel) {
    const bool cubria = panel->isVisible();
    panel->hide();
    if (NuevoUsuario->isVisible() || pnlTimer->isVisible()) return;
    pnlMain->setEnabled(true);
    if (cubria) (focoAntes_ ? focoAntes_.data() : static_cast<QWidget*>(Rutina))->setFocus();
}

void TMain::trasPrimerPintado() {
    // The icon decodes every size it is given; the window shows it once it is set.
    QIcon icono;
    for (int lado : {48, 128, 256})
        icono.addFile(QStringLiteral(":/icono/org.korval.Korval-%1.png").arg(lado));
    setWindowIcon(icono);
    instalarEspanol();
    ponerAyudas();
    crearAtajos();
    // The line of the last time and the best, white on the bottom bar.
    lblHistoria = new QLabel(Botonera);
    fuente(lblHistoria, 12, false);
    colorTexto(lblHistoria, kBlanco);
    lblHistoria->hide();
    connect(modelo_, &QAbstractItemModel::dataChanged, this, [this] { actualizarLineaHistoria(); });
    connect(Rutina->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { actualizarLineaHistoria(); });
    modelo_->FijarAyudaFila([this](int fila) {
        const QString linea = lineaDeFila(fila);
        return linea.isEmpty() ? linea
                               : linea + QStringLiteral("\n%1: copiar la última vez en esta fila")
                                             .arg(kRellenar.toString(QKeySequence::NativeText));
    });
    delegado_->FijarNombres([this](const QString& prefijo) {
        const THistoria* h = sesion_->Historia(sesion_->Rutina().usuario);
        return h ? h->Nombres(prefijo) : QStringList();
    });
    // The watch and the history's build, last: the line above is there for what they bring.
    // The merge bases of sync-tool conflict copies live in the desktop's per-user data folder.
    sesion_->FijarCarpetaBases(TBases::CarpetaPara(carpeta_principal));
    armarVigia();
}

bool TMain::eventFilter(QObject* objeto, QEvent* e) {
    if (ruedaSinFoco(objeto, e)) return true;
    if (objeto == pnlMain && e->type() == QEvent::Paint) {
        // Watching the files waits for the first paint: nothing of it is needed to show the
        // window. The panel covers the whole window, so its paint is the window's.
        pnlMain->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] { Protegido([&] { trasPrimerPintado(); }); });
        return false;
    }
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        if (objeto == txtUsuarioNuevo) {
            Protegido([&] { XClick(); });
            return true;
        }
        if (objeto == cerrartimer) {
            Protegido([&] { cerrartimerClick(); });
            return true;
        }
    }
    return QWidget::eventFilter(objeto, e);
}

void TMain::crearSesion() {
    sesion_ = new TSesion(
        carpeta_principal, [] { return Interaccion().ahora(); }, RowCount(), ColumnCount(), this);
    sesion_->FijarPermiso([this] { comprobarUsuarioElegido(); });
    // The reload of a routine changed elsewhere waits while an editor is open on it.
    sesion_->FijarOcupado([this] { return delegado_->Editor() != nullptr; });
    connect(sesion_, &TSesion::aviso, this,
            [](const QString& m) { Protegido([&] { Interaccion().aviso(m); }); });
    connect(sesion_, &TSesion::fallo, this,
            [](const QString& m) { Protegido([&] { throw ErrorKorval(m); }); });
    connect(sesion_, &TSesion::usuariosCambiados, this,
            [this] { Protegido([&] { recargarUsuarios(); }); });
    connect(sesion_, &TSesion::historiaCambiada, this, [this](const QString& usuario) {
        Protegido([&] {
            actualizarProgresos(usuario);
            actualizarLineaHistoria();
        });
    });
    connect(sesion_, &TSesion::historiaIncompleta, this,
            [this](const QStringList& f) { Protegido([&] { avisarFallidos(f); }); });
    modelo_->FijarSesion(sesion_);
}

void TMain::FormCreate() {
    pnlTimer->hide();
    FileSystemStart(QStringLiteral("KORVAL"));
    crearSesion();
    OcultarNuevoUsuario();
    NuevoUsuario->move(0, 0);
    pnlMain->show();
    pnlMain->move(0, 0);
    // An unreadable user list must not keep the program from starting.
    Protegido([&] { CargarUsuarios(); });
}

void TMain::FormShow() {
    fijarDia(hoy());
    const QString name = ArchivoActual();
    CargarArchivo(name);
}

void TMain::FormResize() {
    AjusteComponentes();
    // The line's place depends on the bar's width: a resize may move or hide it. A paint
    // cannot, so the paint's layout pass leaves it alone.
    colocarLineaHistoria();
}

void TMain::FormPaint() {
    AjusteComponentes();
}

void TMain::AjusteComponentes() {
    // The client area, not the outer frame: the frame would cut off the bars' edges. Without a
    // window manager to keep the minimum size, a smaller window shows part of the layout at its
    // minimum rather than parts on top of each other.
    const int ancho = std::max(width(), minimumWidth());
    const int alto = std::max(height(), minimumHeight());
    pnlMain->setGeometry(0, 0, ancho, alto);
    Rutina->resize(ancho, std::max(0, Botonera->y() - Rutina->y()));
    NuevoUsuario->setGeometry(0, 0, ancho, alto);
}

void TMain::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (mostrado_) return;
    mostrado_ = true;
    AjusteComponentes();
    Protegido([&] { FormShow(); });
    arranque_.reset();
}

void TMain::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    FormResize();
}

void TMain::paintEvent(QPaintEvent*) {
    FormPaint();
}

QDate TMain::hoy() const {
    return Interaccion().ahora().date();
}

void TMain::fijarDia(const QDate& dia) {
    SelecteDate->setDate(dia);
}

int EjecutarPrograma() {
    std::unique_ptr<TMain> Main;
    try {
        Main = std::make_unique<TMain>();
    } catch (const ErrorKorval& e) {
        Interaccion().fatal(e.mensaje());
        return 1;
    }
    // A session that ends, or a TERM from the system, closes the window like its close button.
    CerrarConSenales(Main.get(), [w = Main.get()] { w->CerrarPorSistema(); });
    // The desktop session is ending: what is being typed is kept before the program is ended.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, Main.get(),
                     [w = Main.get()](QSessionManager&) { w->ConfirmarEnSilencio(); });
    Main->show();
    return QApplication::exec();
}
