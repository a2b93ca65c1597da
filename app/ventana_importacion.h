// The preview of a history import and its progress: what will happen, written only after
// "Importar", one day per turn of the event loop so the window answers, with "Cancelar".
#pragma once

#include "storage/importar.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class TVentanaImportacion : public QDialog {
    Q_OBJECT
  public:
    // `plan` is the file planned in kg; `planear` plans it again for a unit (true: pounds) where
    // it gives none;
    // `escribir` writes one day, throwing ErrorKorval when its save is refused; `terminado` is
    // told once the import ended (done or cancelled) with the days written.
    TVentanaImportacion(QWidget* padre, const QString& archivo, TPlanImportacion plan,
                        std::function<TPlanImportacion(bool libras)> planear,
                        std::function<void(const TPlanDia&)> escribir,
                        std::function<void(const QList<QDate>&)> terminado);

    QPlainTextEdit* Resumen() const { return resumen_; }
    QComboBox* Unidad() const { return unidad_; }
    QPushButton* BotonImportar() const { return importar_; }
    QPushButton* BotonCancelar() const { return cancelar_; }
    QProgressBar* Progreso() const { return progreso_; }
    bool Importando() const { return importando_; }
    bool Terminada() const { return terminada_; }

  public slots:
    // While it imports: stops after the day being written; every day is then either as it was
    // or fully imported, and the summary says which were done.
    void reject() override;

  private:
    void mostrarPlan();
    void empezar();
    void siguienteDia();
    void terminar(bool cancelada);

    std::function<TPlanImportacion(bool)> planear_;
    std::function<void(const TPlanDia&)> escribir_;
    std::function<void(const QList<QDate>&)> terminado_;
    TPlanImportacion plan_;
    QList<int> pendientes_; // the days still to write, as indices into plan_.dias
    QList<QDate> hechos_;
    QStringList fallidos_;
    bool importando_ = false;
    bool terminada_ = false;
    QLabel* titulo_;
    QPlainTextEdit* resumen_;
    QComboBox* unidad_;
    QProgressBar* progreso_;
    QPushButton* importar_;
    QPushButton* cancelar_;
};
