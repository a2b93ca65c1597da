#include "general/general.h"
#include "storage/errores.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    try {
        FileSystemStart(QStringLiteral("KORVAL"));
    } catch (const ErrorKorval& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Application Error"), e.mensaje());
        return 1;
    }
    QWidget w;
    w.setWindowTitle(QStringLiteral("KORVAL"));
    w.resize(1101, 758);
    w.show();
    return app.exec();
}
