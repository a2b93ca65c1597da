// The one window of the program and all of its handlers.
#pragma once

#include "storage/rutina.h"

#include <QDate>
#include <QPointer>
#include <QWidget>

#include <QKeySequence>

#include <memory>

class QAction;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class QTimer;
class TDelegadoRutina;
class TImagen;
class TModeloRutina;
class TPanel;
class TSesion;
class TSinRepetidos;
class TRectangulo;
class TVistaRutina;

// The shortcut that fills a row from the last time, named in the exercise cell's tooltip.
inline const QKeySequence kRellenar(Qt::CTRL | Qt::SHIFT | Qt::Key_L);
// The progress window of the row's exercise, and the CSV export, named in the sheet's menu.
inline const QKeySequence kProgreso(Qt::CTRL | Qt::SHIFT | Qt::Key_P);
inline const QKeySequence kExportar(Qt::CTRL | Qt::SHIFT | Qt::Key_E);
inline const QKeySequence kImportarHistorial(Qt::CTRL | Qt::SHIFT | Qt::Key_O);

class TMain : public QWidget {
    Q_OBJECT
  public:
    // Builds the window and runs the creation work; throws ErrorKorval when the data folder
    // cannot be prepared.
    TMain();
    ~TMain() override;

    // Widgets, under their layout names.
    TPanel* NuevoUsuario;
    QPushButton* X;
    QPushButton* OK;
    QLineEdit* txtUsuarioNuevo;
    QLabel* Nuevo_Usuario;
    TPanel* pnlMain;
    TPanel* Botonera;
    TRectangulo* Rectangle1;
    TImagen* Image1;
    TImagen* btnCompartir;
    TImagen* Image2;
    TImagen* importar_a_hoy;
    QLabel* lbl_copiar_a_hoy;
    TImagen* Image5;
    TRectangulo* c1;
    TRectangulo* c2;
    TRectangulo* c3;
    TRectangulo* c4;
    TRectangulo* c5;
    TRectangulo* c6;
    TRectangulo* c7;
    TRectangulo* c8;
    TImagen* btnImportar;
    TImagen* Image6;
    TVistaRutina* Rutina;
    TPanel* pnlBotoneraDeArriba;
    TRectangulo* Rectangle2;
    TImagen* Image3;
    QComboBox* Usuario;
    QDateEdit* SelecteDate;
    TImagen* Image4;
    QLabel* lblTitulo;
    TPanel* pnlTimer;
    TRectangulo* Rectangle3;
    QPushButton* cerrartimer;
    QLabel* lblTimer;
    QTimer* Timer1;

    // Seconds left in the rest countdown.
    qint32 timerActual = 0;
    // The routine on the sheet: its cells and its marks.
    const TTabla& A() const;
    const TMarcas& C() const;

    int RowCount() const;
    int ColumnCount() const;
    TModeloRutina* Modelo() const { return modelo_; }
    // The routine shown and all that follows it; made when the data folder is known.
    TSesion* Sesion() const { return sesion_; }

    // Start-up and layout.
    void FormCreate();
    void FormShow();
    void FormResize();
    void FormPaint();
    void AjusteComponentes();

    // Files.
    void CargarArchivo(const QString& arch);
    QString DameArchivo(const QString& arch);
    QString ArchivoActual();

    // The sheet.
    void RutinaGetValue(int ACol, int ARow, QString& Value) const;
    bool RutinaSetValue(int ACol, int ARow, const QString& Value);
    void RutinaDrawColumnCell(QPainter* Canvas, const QRectF& Bounds, int Row) const;
    // Commits an open cell editor into its own routine before an action changes or reads the
    // sheet; false (reported) when its text is refused, and then the action must not run.
    bool ConfirmarEditor();
    // Before the program ends without the user asking (TERM, the session ending): a storable
    // text in an open editor is kept, a refused one dropped without a box.
    void ConfirmarEnSilencio();
    // A close the user did not ask for: the editor as above, then the window closes.
    void CerrarPorSistema();
    // Exchanges two rows, saved at once; false when it could not be made.
    bool intercambiar_filas(int f1, int f2);
    void Image1Click();
    void Image2Click();
    void Image5Click();
    void SetearColor(qint32 c);
    void c1Click() { SetearColor(ColorDe(c1)); }
    void c2Click() { SetearColor(ColorDe(c2)); }
    void c3Click() { SetearColor(ColorDe(c3)); }
    void c4Click() { SetearColor(ColorDe(c4)); }
    void c5Click() { SetearColor(ColorDe(c5)); }
    void c6Click() { SetearColor(ColorDe(c6)); }
    void c7Click() { SetearColor(ColorDe(c7)); }
    void c8Click() { SetearColor(ColorDe(c8)); }

    // Users and days.
    void CargarUsuarios();
    void MostrarNuevoUsuario();
    void OcultarNuevoUsuario();
    void OKClick();
    void XClick();
    void UsuarioDateChange();
    void Image3Click();
    void Image4Click();

    // Workflows.
    void importar_a_hoyClick();
    void btnImportarClick();
    void ImportarArchivos(const QString& file);
    void Image6Click();
    void Timer1Timer();
    void cerrartimerClick();
    void btnCompartirClick();

  protected:
    bool eventFilter(QObject* objeto, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

  private:
    void construirVentana();
    void construirBotonera();
    void construirBarraSuperior();
    void construirTimer();
    void conectar();
    void comprobarUsuarioElegido() const;
    void fijarDia(const QDate& dia);
    QDate hoy() const;
    void actualizarRepetirHoy();
    void cargarEnRutinaActual(const QString& origen);
    void crearSesion();
    void ajustarFuenteTimer();
    // A panel that covers the window owns the keyboard; the sheet and selectors get none.
    void cubrirCon(QWidget* panel, QWidget* foco);
    void descubrir(QWidget* panel);
    void alCambiarUsuario();
    void alCambiarDia(const QDate& dia);
    // Work that the first paint does not need waits for it.
    void trasPrimerPintado();
    // Tooltips, shortcuts, Qt's Spanish texts; the handlers of the keys on the sheet.
    void ponerAyudas();
    void crearAtajos();
    void instalarEspanol();
    void irAHoy();
    void borrarCelda();
    void pegar();
    void deshacer();
    void rehacer();
    void alElegirUsuario(int indice);
    bool ruedaSinFoco(QObject* objeto, QEvent* e) const;
    // The history of the user shown (the session's), in the line of the bottom bar and the
    // exercise cell's tooltip.
    void actualizarLineaHistoria();
    void colocarLineaHistoria();
    QString lineaDeFila(int fila) const;
    // Ctrl+Shift+L: the last time's sets, reps and weights into a row that has only its exercise.
    void rellenarFila();
    // Files of the history it could not read: each named once in a notice, except the routine
    // on the sheet, already reported when it was loaded.
    void avisarFallidos(const QStringList& fallidos);
    // The sheet's context menu: the progress of the row's exercise, the export, the import.
    void alMenuHoja(const QPoint& pos);
    void abrirProgreso();
    // The open progress windows of a user follow that user's history.
    void actualizarProgresos(const QString& usuario);
    void exportarHistorial();
    // Another logger's history (or KORVAL's own CSV) into the routines of the user shown, after
    // a preview.
    void importarHistorial();
    // Files changed by other programs: the session follows the routine shown; the selector
    // follows the user list.
    void armarVigia();
    void recargarUsuarios();
    QStringList leerUsuarios();
    static qint32 ColorDe(const TRectangulo* muestra);

    TModeloRutina* modelo_ = nullptr;
    TDelegadoRutina* delegado_ = nullptr;
    bool mostrado_ = false;
    QDate ultimoDia_;             // the last day the change handler saw
    int ultimoUsuario_ = -1;      // the user selected before "+" was chosen
    int usuarioVisto_ = -1;       // the selector's index the change handler saw last
    QPointer<QWidget> focoAntes_; // where the keyboard was before a panel covered the window
    bool cierreDelSistema_ = false;
    TSesion* sesion_ = nullptr;
    QStringList fallidosDichos_; // files the history could not read, told once
    QString lineaHistoria_;      // the whole line of the selected row's exercise
    QLabel* lblHistoria = nullptr;
    QAction* accionProgreso_ = nullptr; // in the sheet's menu, with their shortcuts
    QAction* accionExportar_ = nullptr;
    QAction* accionImportarHistorial_ = nullptr;
    QString carpetaImportacion_;   // where the last history import of this run was picked
    QStringList ausentesDichos_;   // users gone from the list, each told once
    QStringList rechazadosDichos_; // names of the list that cannot be users, told once
    qint64 finCuentaMs_ = 0;       // when the running countdown ends, on the monotonic clock
    std::unique_ptr<TSinRepetidos> arranque_; // until the first show: each failure shown once
};

// Creates the window, shows it and runs the event loop; a start-up failure is reported as
// "Application Error" and gives exit code 1.
int EjecutarPrograma();
