// The routine reader: always 100 rows of 11 cells, and what it read survives a save and a load
// whenever it says it read the file whole.
#include "comun.h"
#include "general/errores.h"
#include "storage/rutina_archivo.h"
#include "storage/texto1252.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
    QByteArray bytes(reinterpret_cast<const char*>(datos), qsizetype(n));
    const qsizetype fin = bytes.indexOf(char(26)); // the file reader stops there
    if (fin >= 0) bytes.truncate(fin);
    TTabla A;
    TMarcas C;
    bool completa = false;
    try {
        completa = LeerRutina(bytes, A, C, 100, 11);
    } catch (const ErrorConversion&) {
    }
    EXIGIR(A.size() == 100 && C.size() == 100);
    for (const QStringList& fila : A)
        EXIGIR(fila.size() == 11);
    TTabla B;
    TMarcas D;
    // What the program writes it reads back whole, and the same, unless its Windows-1252 bytes
    // happen to read as UTF-8 (text such as "Ã©"), which a text editor's file cannot be told
    // apart from.
    const QByteArray escrito = FormatearRutina(A, C, 100, 11);
    const bool ambiguo = EsUtf8(escrito) || escrito.startsWith("\xEF\xBB\xBF");
    const bool entera = LeerRutina(escrito, B, D, 100, 11); // must not throw
    if (!ambiguo) EXIGIR(entera);
    if (completa && !ambiguo) EXIGIR(B == A && D == C);
    return 0;
}
