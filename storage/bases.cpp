#include "storage/bases.h"

#include "general/general.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

// The versions written here since the base that are remembered; older ones cannot be the
// other side's version any more after a sync.
static constexpr int kPropiasMaximas = 200;

static QString huella(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

static void escribirCache(const QString& ruta, const QByteArray& bytes) {
    // A cache: written whole or not at all (a temporary file renamed over it), but not flushed
    // to disk like the data, which would cost every edit a wait for the disk. A cut write reads
    // back as a damaged cache, which is none.
    const QString temporal = ruta + QStringLiteral(".tmp");
    QFile f(temporal);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    const bool bien = f.write(bytes) == bytes.size() && f.flush();
    f.close();
    if (!bien ||
        ::rename(QFile::encodeName(temporal).constData(), QFile::encodeName(ruta).constData()) != 0)
        QFile::remove(temporal);
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

QList<TBases::TGeneracion> TBases::leer(const QString& nombre) const {
    QByteArray bytes = leerCache(carpeta_ + u'/' + nombre + QStringLiteral(".bases"));
    QDataStream d(&bytes, QIODevice::ReadOnly);
    qint32 n = 0;
    d >> n;
    QList<TGeneracion> g;
    for (qint32 i = 0; i < n && i < kGeneraciones && d.status() == QDataStream::Ok; ++i) {
        TGeneracion x;
        d >> x.base >> x.propias;
        g << x;
    }
    // A damaged cache is no cache.
    if (d.status() != QDataStream::Ok) g.clear();
    return g;
}

void TBases::escribir(const QString& nombre, const QList<TGeneracion>& g) const {
    QByteArray bytes;
    QDataStream d(&bytes, QIODevice::WriteOnly);
    d << qint32(g.size());
    for (const TGeneracion& x : g)
        d << x.base << x.propias;
    QDir().mkpath(carpeta_);
    escribirCache(carpeta_ + u'/' + nombre + QStringLiteral(".bases"), bytes);
}

void TBases::Leida(const QString& nombre, const QDate& dia, const QByteArray& bytes) {
    if (!guardable(dia)) return;
    QList<TGeneracion> g = leer(nombre);
    const QString h = huella(bytes);
    for (const TGeneracion& x : g)
        if (x.propias.contains(h)) return; // one of ours, come back
    if (!g.isEmpty() && g.last().base == bytes) return;
    g.append({bytes, {}});
    while (g.size() > kGeneraciones)
        g.removeFirst();
    escribir(nombre, g);
}

void TBases::Escrita(const QString& nombre, const QDate& dia, const QByteArray& bytes) {
    if (!guardable(dia)) return;
    QList<TGeneracion> g = leer(nombre);
    if (g.isEmpty()) g.append({QByteArray(), {}});
    const QString h = huella(bytes);
    QStringList& p = g.last().propias;
    if (p.contains(h)) return;
    p << h;
    while (p.size() > kPropiasMaximas)
        p.removeFirst();
    escribir(nombre, g);
}

std::optional<QByteArray> TBases::BaseDe(const QString& nombre, const QByteArray& rutina,
                                         const QByteArray& copia) const {
    if (!Activas()) return std::nullopt;
    const QList<TGeneracion> g = leer(nombre);
    const QString hr = huella(rutina), hc = huella(copia);
    // The newest generation one of our versions belongs to: the base it was made from.
    for (qsizetype i = g.size() - 1; i >= 0; --i)
        if (g[i].propias.contains(hr) || g[i].propias.contains(hc)) {
            if (g[i].base.isEmpty()) return std::nullopt;
            return g[i].base;
        }
    return std::nullopt;
}

void TBases::Podar() const {
    if (!Activas()) return;
    const QDate limite = hoy_.addDays(-kDiasGuardados);
    for (const QFileInfo& f : QDir(carpeta_).entryInfoList(QDir::Files)) {
        const QDate dia = QDate::fromString(f.fileName().left(8), QStringLiteral("yyyyMMdd"));
        if (!dia.isValid() || dia < limite) QFile::remove(f.absoluteFilePath());
    }
}
