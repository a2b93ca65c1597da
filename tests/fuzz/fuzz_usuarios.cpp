// The user-list reader: every line ends in exactly one CR LF, and reading its own output again
// changes nothing where every character has a Windows-1252 byte.
#include "comun.h"
#include "storage/lista_usuarios.h"
#include "storage/rutina_archivo.h"
#include "storage/texto1252.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
    const QByteArray bytes(reinterpret_cast<const char*>(datos), qsizetype(n));
    const QString texto = TextoPorLineas(bytes);
    EXIGIR(texto.isEmpty() == SinMarcaUtf8(bytes).isEmpty());
    if (!texto.isEmpty()) EXIGIR(texto.endsWith(QLatin1String("\r\n")));
    EXIGIR(texto.count(u'\r') == texto.count(u'\n'));
    EXIGIR(texto.count(u'\n') == texto.count(QLatin1String("\r\n")));
    // Unless a name's Windows-1252 bytes happen to read as UTF-8 (or as a byte-order mark),
    // which a text editor's line cannot be told apart from.
    bool representable = true;
    for (QChar c : texto)
        representable = representable && Representable1252(c);
    const QByteArray escrito = A1252(texto);
    bool ambiguo = escrito.startsWith("\xEF\xBB\xBF");
    for (const QByteArray& linea : SepararLineas(escrito))
        ambiguo = ambiguo || EsUtf8(linea);
    if (representable && !ambiguo) EXIGIR(TextoPorLineas(escrito) == texto);
    return 0;
}
