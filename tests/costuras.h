// Test seams put back when the scope ends, also when a failed check returns early.
#pragma once

#include "general/general.h"
#include "storage/archivo_es.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcessEnvironment>
#include <QStringList>

// The write call below the writers, replaced for the scope.
struct TEscrituraFalsa {
    explicit TEscrituraFalsa(FuncionEscribir f) { FijarFuncionEscribir(f); }
    ~TEscrituraFalsa() { FijarFuncionEscribir(nullptr); }
    TEscrituraFalsa(const TEscrituraFalsa&) = delete;
    TEscrituraFalsa& operator=(const TEscrituraFalsa&) = delete;
};

// The data folder, set for the scope.
struct TCarpetaDatos {
    QString antes = carpeta_principal;
    explicit TCarpetaDatos(const QString& carpeta) { carpeta_principal = carpeta; }
    ~TCarpetaDatos() { carpeta_principal = antes; }
    TCarpetaDatos(const TCarpetaDatos&) = delete;
    TCarpetaDatos& operator=(const TCarpetaDatos&) = delete;
};

// Routine files as the tests write and expect them.
namespace prueba {
// A file written whole, its folder made; false when it could not be.
inline bool escribirArchivo(const QString& ruta, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(ruta).path());
    QFile f(ruta);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
// This process's environment without a display, as over ssh or from cron: the modes of the
// command line that need no window must work so.
inline QProcessEnvironment entornoSinPantalla() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(v));
    return env;
}
// A file's bytes, or "<missing>".
inline QByteArray leerArchivo(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
// One routine line: the cells given (the rest of the 11 empty), the always-empty field, the mark.
inline QByteArray linea(const QStringList& celdas, qint32 marca = 0) {
    QByteArray r;
    for (int j = 0; j < 11; ++j)
        r += (j < celdas.size() ? celdas[j].toLatin1() : QByteArray()) + "|";
    return r + "|" + QByteArray::number(marca);
}
// The file of a routine of 100 lines, from its first rows.
inline QByteArray rutina(const QList<QByteArray>& filas) {
    QByteArray r;
    for (int i = 0; i < 100; ++i)
        r += (i < filas.size() ? filas[i] : QByteArray("||||||||||||0")) + "\r\n";
    return r;
}
} // namespace prueba
