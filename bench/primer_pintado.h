// Reports the first paint of a window on stdout with the process's peak memory, then ends the
// process: the harness measures from spawn to this line.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

class TPrimerPintado : public QObject {
  public:
    // Watches every widget of the window: opaque children may cover the window itself.
    explicit TPrimerPintado(QWidget* w) : ventana_(w) { qApp->installEventFilter(this); }

  protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        auto* w = qobject_cast<QWidget*>(o);
        if (e->type() == QEvent::Paint && w && (w == ventana_ || ventana_->isAncestorOf(w))) {
            // Let this paint finish, then report.
            QMetaObject::invokeMethod(
                this, [] { informar(); }, Qt::QueuedConnection);
            qApp->removeEventFilter(this);
        }
        return false;
    }

  private:
    QWidget* ventana_;
    static void informar() {
        QFile f(QStringLiteral("/proc/self/status"));
        long pico = 0;
        if (f.open(QIODevice::ReadOnly))
            for (const QByteArray& l : f.readAll().split('\n'))
                if (l.startsWith("VmHWM:")) pico = l.mid(6).trimmed().split(' ').first().toLong();
        std::printf("painted %ld\n", pico);
        std::fflush(stdout);
        ::_exit(0);
    }
};
