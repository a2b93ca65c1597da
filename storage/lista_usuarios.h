// The user list: one name per line, in the order the users were added.
#pragma once

#include "storage/archivo_es.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

inline const QString kArchivoUsuarios = QStringLiteral("USRS.kvldat");

// A list larger than this is no list of names.
inline constexpr qint64 kTamMaximoLista = 64 << 20;

// A file's bytes as text, every line followed by CR LF.
QString TextoPorLineas(const QByteArray& bytes);

// The whole text of a resolved path, every line followed by CR LF; empty when there is no file.
QString LeerTextoPorLineas(const QString& ruta);

// Appends a name as one line, creating the file when it is missing. The folder's lock is waited
// for at most `esperaMs` (see TCerrojo).
// When the list holds text the rewrite would drop (past an end-of-file mark), the list as it was
// goes to "respaldos" first, named with `momento` (now when invalid), and `copia` gets where.
void AnexarUsuario(const QString& ruta, const QString& nombre, int esperaMs = kEsperaCerrojoFueraMs,
                   QString* copia = nullptr, const QDateTime& momento = QDateTime());

// Why a name cannot be a user's (it becomes part of file names); empty when it can.
QString MotivoNombreInvalido(const QString& nombre);

// Why a typed name cannot become a new user of the data folder `carpeta`: the rules above, and
// no empty or blank name, none that begins or ends with a space or a dot, none too long for the
// files made for it (the routine, its temporary file, its copy in "respaldos").
QString MotivoNombreNuevo(const QString& nombre, const QString& carpeta);

// Why a name read from the list cannot be used as part of a file name at all (a separator,
// "..", a control character, too long); empty when it can. Other oddities are left as they are,
// so no existing user or routine disappears.
QString MotivoNombreInseguro(const QString& nombre, const QString& carpeta);

// The user list of a data folder as the window and the command line use it.
struct TListaUsuarios {
    QStringList nombres; // the names that can be users, in the list's order
    // Names of the list that cannot be part of a file name, each with the reason: they are not
    // offered, and the list itself is left as it is.
    QList<std::pair<QString, QString>> rechazados;
    TIdentidad identidad; // the version read (taken before reading: a change meanwhile is seen)
};
// Throws ErrorKorval when the list cannot be read; no list gives no names.
TListaUsuarios LeerListaUsuarios(const QString& carpeta);
