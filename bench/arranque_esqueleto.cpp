// The fair floor for start-up: the program's widget tree with no logic. The same widgets at the
// same places, sizes and fonts, the same nine pictures at the size they are drawn, and a plain
// model holding the routine text the benchmark stores for today; nothing is read from disk.
// Like the program, it sets its window icon only after the first paint (never, here).
#include "primer_pintado.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

static QFrame* panel(QWidget* padre, const QRect& r) {
    auto* p = new QFrame(padre);
    p->setFrameShape(QFrame::StyledPanel);
    p->setAutoFillBackground(true);
    p->setGeometry(r);
    return p;
}

static QWidget* rectangulo(QWidget* padre, const QRect& r, QColor color) {
    auto* w = new QWidget(padre);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, color);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    w->setGeometry(r);
    return w;
}

static void imagen(QWidget* padre, const char* nombre, const QRect& r, int lado) {
    auto* l = new QLabel(padre);
    l->setPixmap(QPixmap(QStringLiteral(":/img/%1-%2.png").arg(QLatin1String(nombre)).arg(lado)));
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(r);
}

static void fuente(QWidget* w, int pixeles, bool negrita, bool estrecha = false) {
    QFont f = w->font();
    f.setPixelSize(pixeles);
    if (negrita) f.setWeight(QFont::Bold);
    if (estrecha) f.setStretch(QFont::Condensed);
    w->setFont(f);
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("KORVAL"));
    w.resize(1101, 758);

    QFrame* nuevo = panel(&w, {0, 0, 1101, 758});
    (new QPushButton(QStringLiteral("X"), nuevo))->setGeometry(8, 288, 80, 22);
    (new QPushButton(QStringLiteral("OK"), nuevo))->setGeometry(176, 288, 80, 22);
    (new QLineEdit(nuevo))->setGeometry(24, 152, 201, 32);
    (new QLabel(QStringLiteral("Nuevo usuario"), nuevo))->setGeometry(24, 128, 193, 25);
    nuevo->hide();

    QFrame* principal = panel(&w, {0, 0, 1101, 758});
    QFrame* arriba = panel(principal, {0, 0, 1101, 41});
    rectangulo(arriba, {0, -7, 1101, 48}, Qt::black);
    imagen(arriba, "izq", {0, 0, 34, 41}, 34);
    auto* usuario = new QComboBox(arriba);
    usuario->addItems({QStringLiteral("Ana"), QStringLiteral("Luis"), QStringLiteral("+")});
    usuario->setGeometry(34, 0, 159, 41);
    auto* fecha = new QDateEdit(arriba);
    fuente(fecha, 30, false, true);
    fecha->setCalendarPopup(true);
    fecha->setDisplayFormat(QStringLiteral("d/M/yyyy"));
    fecha->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
    fecha->setDate(QDate::currentDate());
    fecha->setGeometry(891, 0, 176, 41);
    imagen(arriba, "der", {1067, 0, 34, 41}, 34);
    auto* titulo = new QLabel(QStringLiteral("Jueves para Ana"), principal);
    fuente(titulo, 22, true);
    titulo->setGeometry(0, 41, 1101, 24);

    auto* modelo = new QStandardItemModel(100, 11, &w);
    modelo->setHorizontalHeaderLabels(
        {"Ejercicio", "Series", "Repes", "1", "2", "3", "4", "5", "6", "7", "8"});
    for (int i = 0; i < 100; ++i) {
        const QStringList celdas{
            QStringLiteral("Ejercicio %1").arg(i), "4", "10", "40", "45", "50"};
        for (int j = 0; j < celdas.size(); ++j)
            modelo->setItem(i, j, new QStandardItem(celdas[j]));
    }
    auto* hoja = new QTableView(principal);
    hoja->setModel(modelo);
    hoja->setSelectionMode(QAbstractItemView::SingleSelection);
    hoja->verticalHeader()->hide();
    const int anchos[] = {177, 39, 39, 50, 50, 50, 50, 50, 50, 50, 50};
    for (int j = 0; j < 11; ++j)
        hoja->horizontalHeader()->resizeSection(j, anchos[j]);
    hoja->setGeometry(0, 65, 1101, 596);

    QFrame* abajo = panel(principal, {0, 661, 1101, 97});
    rectangulo(abajo, {0, -32, 1101, 160}, Qt::black);
    imagen(abajo, "bajar", {0, 1, 50, 50}, 50);
    imagen(abajo, "copiar_a_hoy", {56, 1, 50, 50}, 50);
    auto* repetir = new QLabel(QStringLiteral("Repetir hoy"), abajo);
    fuente(repetir, 10, false);
    repetir->setGeometry(56, 35, 65, 17);
    imagen(abajo, "color", {120, 1, 49, 49}, 49);
    imagen(abajo, "reloj", {176, 0, 50, 50}, 50);
    imagen(abajo, "importar", {240, 1, 50, 50}, 50);
    imagen(abajo, "compartir", {296, 1, 50, 50}, 50);
    imagen(abajo, "subir", {360, 1, 50, 50}, 50);
    const QRgb colores[] = {0xFF7FFF00, 0xFF00FFFF, 0xFFFFFFFF, 0xFF696969,
                            0xFFFF0000, 0xFFFFA500, 0xFFADD8E6, 0xFFFFFF00};
    for (int k = 0; k < 8; ++k)
        rectangulo(abajo, {k * 51, 50, 50, 50}, QColor::fromRgba(colores[k]))->hide();

    QFrame* reloj = panel(&w, {0, 0, 1101, 758});
    rectangulo(reloj, {0, 0, 1101, 758}, Qt::black);
    (new QPushButton(QStringLiteral("X"), reloj))->setGeometry(0, 0, 1101, 22);
    auto* cuenta = new QLabel(QStringLiteral("000"), reloj);
    fuente(cuenta, 100, true);
    cuenta->setGeometry(0, 22, 1101, 736);
    reloj->hide();

    TPrimerPintado p(&w);
    w.show();
    return app.exec();
}
