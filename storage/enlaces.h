// Which links a data file may be. Whoever shares the data folder (a sync tool carries links from
// another computer) can plant links in it: a routine or the user list that is a link is followed
// only to a file of the same kind at the top level of the same folder. Anything else is neither
// read nor written, so nothing outside the folder is ever read, replaced or created through it.
#pragma once

#include <QString>

// True for the name of a routine file: eight digits, then the user, then ".kvr".
bool EsNombreDeRutina(const QString& nombre);

// Throws ErrorKorval, naming the link and where it points, when `ruta` (a routine or the user
// list, in the folder it names) is a link that leads anywhere but to a file of the same kind in
// that same folder (the folder's own links resolved: it may itself be a link). A path that is no
// link, or a link within those bounds, passes; whether the file exists is not checked.
void ComprobarEnlaceDeDatos(const QString& ruta);
