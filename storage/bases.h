// What this computer knows of the versions of each routine, kept outside the synced data folder
// (a cache: losing it loses no data, a merge then goes without a base): each version that came
// from elsewhere, with the fingerprints of the versions written here after it. A few of these
// generations are kept: the sync tool may deliver the other side's version (a new generation)
// before the conflict copy of one of ours, which must still find the base it was made from.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>

class TBases {
  public:
    // Routines older than this many days keep nothing.
    static constexpr int kDiasGuardados = 60;

    // `carpeta`: where the bases are kept; empty keeps nothing. `hoy` decides what is too old.
    TBases(const QString& carpeta, const QDate& hoy);
    bool Activas() const { return !carpeta_.isEmpty(); }

    // The folder for a data folder: the desktop's per-user data folder, keyed by the data
    // folder's real path. Empty when there is no home folder.
    static QString CarpetaPara(const QString& carpetaDatos);

    // A version read from disk: when it is none of this computer's own, it is the last version
    // from elsewhere, and the versions written here start again from it.
    void Leida(const QString& nombre, const QDate& dia, const QByteArray& bytes);
    // A version written here.
    void Escrita(const QString& nombre, const QDate& dia, const QByteArray& bytes);
    // The base to merge a routine and its conflict copy: when either is one of this computer's
    // own versions, the version from elsewhere it was made from; else none.
    std::optional<QByteArray> BaseDe(const QString& nombre, const QByteArray& rutina,
                                     const QByteArray& copia) const;
    // Removes what belongs to routines too old to keep.
    void Podar() const;

    // Generations kept for each routine.
    static constexpr int kGeneraciones = 4;

  private:
    struct TGeneracion {
        QByteArray base; // empty: made here first, no base
        QStringList propias;
    };
    bool guardable(const QDate& dia) const;
    QList<TGeneracion> leer(const QString& nombre) const;
    void escribir(const QString& nombre, const QList<TGeneracion>& g) const;

    QString carpeta_;
    QDate hoy_;
};
