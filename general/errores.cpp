#include "general/errores.h"

#include <cerrno>

ErrorES::ErrorES(int codigo) : ErrorKorval(MensajeDeCodigo(codigo)), codigo_(codigo) {}

ErrorConversion::ErrorConversion(const QString& texto)
    : ErrorKorval(QStringLiteral("'%1' is not a valid integer value").arg(texto)) {}

static int codigoDeTabla(int numero) {
    switch (numero) {
    case ENOENT:
        return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
        return 3;
    case EMFILE:
    case ENFILE:
        return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return 5;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return 101;
    default:
        return 0;
    }
}

ErrorES ErrorDeErrno(int numero) {
    const int c = codigoDeTabla(numero);
    return c ? ErrorES(c) : ErrorES(numero, QStringLiteral("I/O error %1").arg(numero));
}

QString MensajeDeCodigo(int codigo) {
    switch (codigo) {
    case 2:
        return QStringLiteral("File not found");
    case 3:
        return QStringLiteral("Invalid filename");
    case 4:
        return QStringLiteral("Too many open files");
    case 5:
        return QStringLiteral("File access denied");
    case 100:
        return QStringLiteral("Read beyond end of file");
    case 101:
        return QStringLiteral("Disk full");
    case 106:
        return QStringLiteral("Invalid numeric input");
    default:
        return QStringLiteral("I/O error %1").arg(codigo);
    }
}
