// The eight marks a row can be given, with the names their swatches show.
#pragma once

#include <QString>
#include <QtGlobal>

struct TMarcaConNombre {
    qint32 valor; // the ARGB colour as the routine file stores it
    const char* nombre;
};
inline constexpr TMarcaConNombre kMarcas[8] = {
    {-8388864, "Verde"}, {-16711681, "Aguamarina"}, {-1, "Blanco"},           {-9868951, "Gris"},
    {-65536, "Rojo"},    {-23296, "Naranja"},       {-5383962, "Azul claro"}, {-256, "Amarillo"},
};

// The name of a mark; empty for none or for a colour no swatch gives.
inline QString NombreDeMarca(qint32 marca) {
    for (const TMarcaConNombre& m : kMarcas)
        if (m.valor == marca) return QString::fromUtf8(m.nombre);
    return QString();
}
