// Typed errors of the helpers and the storage layer. Only the window turns them into message
// boxes.
#pragma once

#include <QString>
#include <stdexcept>

class ErrorKorval : public std::runtime_error {
  public:
    explicit ErrorKorval(const QString& mensaje)
        : std::runtime_error(mensaje.toStdString()), mensaje_(mensaje) {}
    const QString& mensaje() const { return mensaje_; }

  private:
    QString mensaje_;
};

// An input/output error named by its code ("File not found", "Disk full", ...).
class ErrorES : public ErrorKorval {
  public:
    explicit ErrorES(int codigo);
    ErrorES(int codigo, const QString& mensaje) : ErrorKorval(mensaje), codigo_(codigo) {}
    int codigo() const { return codigo_; }

  private:
    int codigo_;
};

// The new file is in place, but flushing its folder failed: the rename may not survive a power
// cut. The save happened; the failure is still the user's to know.
class ErrorTrasReemplazar : public ErrorKorval {
  public:
    explicit ErrorTrasReemplazar(const ErrorKorval& causa) : ErrorKorval(causa.mensaje()) {}
};

// A routine mark that is not an integer.
class ErrorConversion : public ErrorKorval {
  public:
    explicit ErrorConversion(const QString& texto);
};

// The code and message of an operating-system error number. A number outside the table keeps
// its own value and reads "I/O error <n>", also where it equals one of the table's codes.
QString MensajeDeCodigo(int codigo);
ErrorES ErrorDeErrno(int numero);
