// The splitter: the pieces joined by the separator give the text back, one more piece than
// separators.
#include "comun.h"
#include "general/general.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
    const auto [tex, sep] = DosTextos(datos, n);
    Tarreglo_de_strings arr{QStringLiteral("previo")};
    TextoAArreglo(tex, arr, sep);
    if (tex.isEmpty()) {
        EXIGIR(arr == QStringList{QStringLiteral("previo")});
        return 0;
    }
    EXIGIR(arr.join(sep) == tex);
    if (sep.isEmpty())
        EXIGIR(arr.size() == 1);
    else {
        EXIGIR(arr.size() == tex.count(sep) + 1 || sep.size() > 1);
        for (const QString& pieza : arr)
            EXIGIR(!pieza.contains(sep));
    }
    return 0;
}
