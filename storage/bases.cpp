#include "storage/bases.h"

#include "general/general.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

// The versions written here since the base that are remembered; older ones cannot be the
// other side's version any more after a sync.
static constexpr int kPropiasMaximas = 200;

static QString huella(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

static void escribirCache(const QString& ruta, const QByteArray& bytes) {
    // A cache: written whole or not at all, but not flushed to disk like the data.
    QSaveFile f(ruta);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(bytes);
        f.commit();
    }
}

static QByteArray leerCache(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TBases::TBases(const QString& carpeta, const QDate& hoy) : carpeta_(carpeta), hoy_(hoy) {}

QString TBases::CarpetaPara(const QString& carpetaDatos) {
    if (!MotivoSinCarpetaPersonal().isEmpty()) return QString();
    const QString raiz = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (raiz.isEmpty() || !QFileInfo(raiz).isAbsolute()) return QString();
    QString real = QFileInfo(carpetaDatos).canonicalFilePath();
    if (real.isEmpty()) real = QFileInfo(carpetaDatos).absoluteFilePath();
    return raiz + QStringLiteral("/bases/") + huella(real.toUtf8()).left(16);
}

bool TBases::guardable(const QDate& dia) const {
    return Activas() && dia.isValid() && dia >= hoy_.addDays(-kDiasGuardados);
}

QStringList TBases::propias(const QString& nombre) const {
    return QString::fromLatin1(leerCache(carpeta_ + u'/' + nombre + QStringLiteral(".propias")))
        .split(u'\n', Qt::SkipEmptyParts);
}

void TBases::Leida(const QString& nombre, const QDate& dia, const QByteArray& bytes) {
    if (!guardable(dia)) return;
    if (propias(nombre).contains(huella(bytes))) return;
    const QString base = carpeta_ + u'/' + nombre + QStringLiteral(".base");
    if (leerCache(base) == bytes) return;
    QDir().mkpath(carpeta_);
    escribirCache(base, bytes);
    QFile::remove(carpeta_ + u'/' + nombre + QStringLiteral(".propias"));
}

void TBases::Escrita(const QString& nombre, const QDate& dia, const QByteArray& bytes) {
    if (!guardable(dia)) return;
    QStringList p = propias(nombre);
    const QString h = huella(bytes);
    if (p.contains(h)) return;
    p << h;
    while (p.size() > kPropiasMaximas)
        p.removeFirst();
    QDir().mkpath(carpeta_);
    escribirCache(carpeta_ + u'/' + nombre + QStringLiteral(".propias"),
                  p.join(u'\n').toLatin1() + '\n');
}

std::optional<QByteArray> TBases::BaseDe(const QString& nombre, const QByteArray& rutina,
                                         const QByteArray& copia) const {
    if (!Activas()) return std::nullopt;
    const QString base = carpeta_ + u'/' + nombre + QStringLiteral(".base");
    if (!QFileInfo::exists(base)) return std::nullopt;
    const QStringList p = propias(nombre);
    if (!p.contains(huella(rutina)) && !p.contains(huella(copia))) return std::nullopt;
    return leerCache(base);
}

void TBases::Podar() const {
    if (!Activas()) return;
    const QDate limite = hoy_.addDays(-kDiasGuardados);
    for (const QFileInfo& f : QDir(carpeta_).entryInfoList(QDir::Files)) {
        const QDate dia = QDate::fromString(f.fileName().left(8), QStringLiteral("yyyyMMdd"));
        if (!dia.isValid() || dia < limite) QFile::remove(f.absoluteFilePath());
    }
}
