#include "app/ventana_importacion.h"

#include "general/errores.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TVentanaImportacion::TVentanaImportacion(QWidget* padre, const QString& archivo,
                                         TPlanImportacion plan,
                                         std::function<TPlanImportacion(bool)> planear,
                                         std::function<void(const TPlanDia&)> escribir,
                                         std::function<void(const QList<QDate>&)> terminado)
    : QDialog(padre), planear_(std::move(planear)), escribir_(std::move(escribir)),
      terminado_(std::move(terminado)), plan_(std::move(plan)) {
    setWindowTitle(QStringLiteral("Importar historial"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The sheet waits while the preview is open: nothing changes under the plan.
    setWindowModality(Qt::WindowModal);
    titulo_ = new QLabel(QStringLiteral("Lo que se importará de %1:")
                             .arg(QFileInfo(archivo).fileName().toHtmlEscaped()));
    resumen_ = new QPlainTextEdit;
    resumen_->setReadOnly(true);
    resumen_->setAccessibleName(QStringLiteral("Resumen de la importación"));
    resumen_->setMinimumSize(520, 260);
    unidad_ = new QComboBox;
    unidad_->addItems({QStringLiteral("kg"), QStringLiteral("lb")});
    unidad_->setAccessibleName(QStringLiteral("Unidad de los pesos cuando el archivo no la dice"));
    auto* etiquetaUnidad =
        new QLabel(QStringLiteral("&Unidad de los pesos cuando el archivo no la dice:"));
    etiquetaUnidad->setBuddy(unidad_);
    progreso_ = new QProgressBar;
    progreso_->hide();
    importar_ = new QPushButton(QStringLiteral("Importar"));
    importar_->setDefault(true);
    cancelar_ = new QPushButton(QStringLiteral("Cancelar"));

    auto* filaUnidad = new QHBoxLayout;
    filaUnidad->addWidget(etiquetaUnidad);
    filaUnidad->addWidget(unidad_);
    filaUnidad->addStretch();
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(importar_);
    botones->addWidget(cancelar_);
    auto* capa = new QVBoxLayout(this);
    capa->addWidget(titulo_);
    capa->addWidget(resumen_);
    capa->addLayout(filaUnidad);
    capa->addWidget(progreso_);
    capa->addLayout(botones);

    connect(unidad_, &QComboBox::currentIndexChanged, this, [this] {
        // The same bytes, whose header was taken already: only a unit changes.
        try {
            plan_ = planear_(unidad_->currentIndex() == 1);
        } catch (const ErrorKorval& e) {
            resumen_->setPlainText(e.mensaje());
            importar_->setEnabled(false);
            return;
        }
        mostrarPlan();
    });
    connect(importar_, &QPushButton::clicked, this, &TVentanaImportacion::empezar);
    connect(cancelar_, &QPushButton::clicked, this, &TVentanaImportacion::reject);
    mostrarPlan();
}

void TVentanaImportacion::mostrarPlan() {
    resumen_->setPlainText(ResumenImportacion(plan_));
    int cambian = 0;
    for (const TPlanDia& d : plan_.dias)
        cambian += d.cambia;
    importar_->setEnabled(cambian > 0);
    // The unit matters only where the file gives none (Strong's current export).
    unidad_->setEnabled(plan_.lectura.formato == TFormatoHistorial::Strong);
}

void TVentanaImportacion::empezar() {
    if (importando_ || terminada_) return;
    importando_ = true;
    for (int i = 0; i < plan_.dias.size(); ++i)
        if (plan_.dias[i].cambia) pendientes_ << i;
    unidad_->setEnabled(false);
    importar_->setEnabled(false);
    progreso_->setRange(0, int(pendientes_.size()));
    progreso_->setValue(0);
    progreso_->show();
    titulo_->setText(QStringLiteral("Importando…"));
    QTimer::singleShot(0, this, &TVentanaImportacion::siguienteDia);
}

void TVentanaImportacion::siguienteDia() {
    if (!importando_) return;
    if (pendientes_.isEmpty()) {
        terminar(false);
        return;
    }
    const TPlanDia& d = plan_.dias[pendientes_.takeFirst()];
    // A day refused (the lock held, a full disk) is left as it was; the rest goes on.
    try {
        escribir_(d);
        hechos_ << d.dia;
    } catch (const ErrorKorval& e) {
        fallidos_ << d.dia.toString(Qt::ISODate) + QStringLiteral(": ") + e.mensaje();
    }
    progreso_->setValue(progreso_->value() + 1);
    QTimer::singleShot(0, this, &TVentanaImportacion::siguienteDia);
}

void TVentanaImportacion::terminar(bool cancelada) {
    importando_ = false;
    terminada_ = true;
    QString texto = ResumenImportacion(plan_, &hechos_, &fallidos_);
    if (cancelada) {
        QStringList quedan;
        for (int i : pendientes_)
            quedan << plan_.dias[i].dia.toString(Qt::ISODate);
        texto += QStringLiteral("\nImportación cancelada: los días escritos quedan importados; "
                                "estos no se han tocado: ") +
                 quedan.join(QStringLiteral(", "));
    }
    pendientes_.clear();
    resumen_->setPlainText(texto);
    titulo_->setText(cancelada ? QStringLiteral("Importación cancelada")
                               : QStringLiteral("Importación terminada"));
    progreso_->hide();
    importar_->hide();
    cancelar_->setText(QStringLiteral("Cerrar"));
    if (terminado_) terminado_(hechos_);
}

void TVentanaImportacion::reject() {
    if (importando_) {
        // The day under way was written whole before this runs: the loop turns between days.
        terminar(true);
        if (!isVisible()) QDialog::reject();
        return;
    }
    QDialog::reject();
}
