#include "storage/libro.h"

#include "general/errores.h"
#include "storage/archivo_es.h"
#include "storage/exportar.h"
#include "storage/historia.h"
#include "storage/marcas.h"
#include "storage/serie.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStorageInfo>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

// The library is loaded on the first workbook, not linked: linked, it would bring zlib, minizip
// and libcrypto into every start of the program, before the first paint.
namespace {
struct TXlsx {
    decltype(&workbook_new_opt) nuevo = nullptr;
    decltype(&workbook_add_worksheet) hoja = nullptr;
    decltype(&workbook_add_format) formato = nullptr;
    decltype(&workbook_close) cerrar = nullptr;
    decltype(&format_set_bold) negrita = nullptr;
    decltype(&format_set_num_format) numerico = nullptr;
    decltype(&worksheet_write_string) texto = nullptr;
    decltype(&worksheet_write_number) numero = nullptr;
    decltype(&worksheet_write_datetime) fecha = nullptr;
    decltype(&worksheet_set_column) columna = nullptr;
    decltype(&worksheet_freeze_panes) fijar = nullptr;
    decltype(&worksheet_autofilter) filtro = nullptr;
    decltype(&lxw_strerror) motivo = nullptr;
    QString falta; // why the library could not be loaded; empty when it was
};
} // namespace

static const TXlsx& xlsx() {
    static const TXlsx x = [] {
        TXlsx r;
        // Never unloaded: the program may write several workbooks.
        static QLibrary biblioteca(QStringLiteral("xlsxwriter"), 4);
        if (!biblioteca.load()) {
            r.falta = biblioteca.errorString();
            return r;
        }
        bool todas = true;
        auto resolver = [&](auto& funcion, const char* nombre) {
            funcion = reinterpret_cast<std::remove_reference_t<decltype(funcion)>>(
                biblioteca.resolve(nombre));
            todas = todas && funcion;
        };
        resolver(r.nuevo, "workbook_new_opt");
        resolver(r.hoja, "workbook_add_worksheet");
        resolver(r.formato, "workbook_add_format");
        resolver(r.cerrar, "workbook_close");
        resolver(r.negrita, "format_set_bold");
        resolver(r.numerico, "format_set_num_format");
        resolver(r.texto, "worksheet_write_string");
        resolver(r.numero, "worksheet_write_number");
        resolver(r.fecha, "worksheet_write_datetime");
        resolver(r.columna, "worksheet_set_column");
        resolver(r.fijar, "worksheet_freeze_panes");
        resolver(r.filtro, "worksheet_autofilter");
        resolver(r.motivo, "lxw_strerror");
        if (!todas)
            r.falta = QStringLiteral("%1 no es la versión esperada").arg(biblioteca.fileName());
        return r;
    }();
    return x;
}

TFormatoExportacion FormatoDeExportacion(const QString& destino) {
    const QString sufijo = QFileInfo(destino).suffix().toLower();
    if (sufijo == u"xlsx") return TFormatoExportacion::Libro;
    if (sufijo == u"csv") return TFormatoExportacion::Csv;
    return TFormatoExportacion::Ninguno;
}

QString MotivoFormatoExportacion(const QString& destino) {
    return QStringLiteral("El archivo debe terminar en .xlsx (libro de Excel) o en .csv: ") +
           destino;
}

namespace {
// One workbook being written: the sheet in use, its next row, and how wide each column must be.
class TEscritorLibro {
  public:
    TEscritorLibro(const TXlsx& x, lxw_workbook* libro, int filasPorHoja)
        : x_(x), libro_(libro), filasPorHoja_(filasPorHoja) {
        negrita_ = x_.formato(libro_);
        x_.negrita(negrita_);
        fecha_ = x_.formato(libro_);
        x_.numerico(fecha_, "yyyy-mm-dd");
        nuevaHoja();
    }

    // The error of the first cell that failed; LXW_NO_ERROR when none did.
    lxw_error Error() const { return error_; }

    void Linea(const TLineaHistorial& l, const QByteArray& usuario) {
        if (fila_ >= lxw_row_t(filasPorHoja_)) {
            cerrarHoja();
            nuevaHoja();
        }
        if (l.primera) {
            // The row's cells, once for its lines.
            const QStringList& c = *l.celdas;
            for (int k = 0; k < 3; ++k)
                fijos_[k] = c[k].toUtf8();
            color_ = NombreDeMarca(l.marca).toUtf8();
        }
        if (l.dia != dia_) {
            dia_ = l.dia;
            fechaLxw_ = lxw_datetime{dia_.year(), dia_.month(), dia_.day(), 0, 0, 0};
        }
        comprobar(x_.fecha(hoja_, fila_, 0, &fechaLxw_, fecha_));
        ancho(0, 10);
        texto(1, usuario);
        for (int k = 0; k < 3; ++k)
            texto(2 + k, fijos_[k]);
        if (l.texto) {
            numero(5, l.serie);
            if (double peso = 0; LeerPeso(*l.texto, peso)) numero(6, peso);
            texto(7, l.texto->toUtf8());
        }
        numero(8, l.marca);
        numero(9, l.fila);
        if (const TSerieContada* s = l.contada) {
            if (s->repes > 0) numero(10, s->repes);
            if (s->serie.rpe > 0) numero(11, s->serie.rpe);
            numero(12, s->serie.calentamiento ? 1 : 0);
            texto(13, s->serie.unidad.toUtf8());
            if (!s->serie.pc || s->serie.kg != 0) numero(14, s->serie.kg);
        }
        texto(15, color_);
        if (l.relleno) numero(16, 1);
        ++fila_;
    }

    void Terminar() { cerrarHoja(); }

  private:
    void comprobar(lxw_error e) {
        if (e != LXW_NO_ERROR && error_ == LXW_NO_ERROR) error_ = e;
    }
    void ancho(int columna, int caracteres) {
        anchos_[columna] = std::max(anchos_[columna], caracteres);
    }
    void texto(int columna, const QByteArray& t) {
        if (t.isEmpty()) return;
        comprobar(x_.texto(hoja_, fila_, lxw_col_t(columna), t.constData(), nullptr));
        // Characters, not bytes: an accent is one (its UTF-8 continuation bytes do not count).
        int caracteres = 0;
        for (const char b : t)
            caracteres += (uchar(b) & 0xC0) != 0x80;
        ancho(columna, caracteres);
    }
    void numero(int columna, double v) {
        comprobar(x_.numero(hoja_, fila_, lxw_col_t(columna), v, nullptr));
        // Digits, sign and up to two decimals are what a spreadsheet shows of most.
        int caracteres = v < 0 ? 2 : 1;
        for (double a = std::abs(v); a >= 10; a /= 10)
            ++caracteres;
        if (v != std::floor(v)) caracteres += 3;
        ancho(columna, caracteres);
    }
    void nuevaHoja() {
        ++hojas_;
        const QByteArray nombre = hojas_ == 1
                                      ? QByteArray("Historial")
                                      : QByteArray("Historial ") + QByteArray::number(hojas_);
        hoja_ = x_.hoja(libro_, nombre.constData());
        if (!hoja_) {
            comprobar(LXW_ERROR_MEMORY_MALLOC_FAILED);
            return;
        }
        fila_ = 0;
        for (int k = 0; k < kNumeroColumnasHistorial; ++k) {
            comprobar(x_.texto(hoja_, 0, lxw_col_t(k), kColumnasHistorial[k], negrita_));
            anchos_[k] = int(qstrlen(kColumnasHistorial[k])) + 2; // room for the filter's arrow
        }
        // The header stays in view while the sheet scrolls.
        x_.fijar(hoja_, 1, 0);
        fila_ = 1;
    }
    void cerrarHoja() {
        if (!hoja_) return;
        for (int k = 0; k < kNumeroColumnasHistorial; ++k)
            comprobar(x_.columna(hoja_, lxw_col_t(k), lxw_col_t(k), std::min(anchos_[k], 60) + 1,
                                 nullptr));
        comprobar(x_.filtro(hoja_, 0, 0, fila_ > 1 ? fila_ - 1 : 1,
                            lxw_col_t(kNumeroColumnasHistorial - 1)));
    }

    const TXlsx& x_;
    lxw_workbook* libro_;
    const int filasPorHoja_;
    lxw_format* negrita_ = nullptr;
    lxw_format* fecha_ = nullptr;
    lxw_worksheet* hoja_ = nullptr;
    int hojas_ = 0;
    lxw_row_t fila_ = 0;
    int anchos_[kNumeroColumnasHistorial] = {};
    lxw_error error_ = LXW_NO_ERROR;
    QDate dia_;
    lxw_datetime fechaLxw_{};
    QByteArray fijos_[3];
    QByteArray color_;
};
} // namespace

void ExportarLibro(const QString& carpeta, const QString& usuario, const QString& destino,
                   QStringList* fallidos, int filasPorHoja) {
    if (const QString motivo = MotivoDestinoCsv(carpeta, destino); !motivo.isEmpty())
        throw ErrorKorval(motivo);
    const QString nativo = QDir::toNativeSeparators(destino);
    const TXlsx& x = xlsx();
    if (!x.falta.isEmpty())
        throw ErrorKorval(
            QStringLiteral("No se puede escribir %1: falta la biblioteca de libros de Excel (%2)")
                .arg(nativo, x.falta));
    const QString absoluto = QFileInfo(destino).absoluteFilePath();
    // The library's own temporary files go beside the target, on its file system: the system's
    // temporary folder may be memory, and may be smaller than the workbook.
    const QByteArray temporales = QFile::encodeName(QFileInfo(absoluto).absolutePath());
    try {
        ReemplazarArchivoCon(absoluto, [&](int, const QByteArray& temporal) {
            lxw_workbook_options opciones{};
            opciones.constant_memory = LXW_TRUE;
            opciones.tmpdir = const_cast<char*>(temporales.constData());
            opciones.use_zip64 = LXW_TRUE;
            lxw_workbook* libro = x.nuevo(temporal.constData(), &opciones);
            if (!libro) throw ErrorDeErrno(errno ? errno : ENOMEM);
            lxw_error error = LXW_NO_ERROR;
            {
                TEscritorLibro escritor(x, libro, std::max(filasPorHoja, 2));
                const QByteArray nombre = usuario.toUtf8();
                RecorrerHistorial(carpeta, usuario, fallidos,
                                  [&](const TLineaHistorial& l) { escritor.Linea(l, nombre); });
                escritor.Terminar();
                error = escritor.Error();
            }
            // Closing writes the whole file and frees the workbook, also after an error.
            errno = 0;
            const lxw_error alCerrar = x.cerrar(libro);
            const int numero = errno;
            if (error == LXW_NO_ERROR) error = alCerrar;
            if (error == LXW_NO_ERROR) return;
            // The library has no code of its own for a full disk: the system's error, or the
            // space left where the file was going, tells.
            const QStorageInfo donde(QFileInfo(absoluto).absolutePath());
            if (numero == ENOSPC || numero == EDQUOT ||
                (donde.isValid() && donde.bytesAvailable() < 64 * 1024))
                throw ErrorDeErrno(ENOSPC);
            if (numero == EACCES || numero == EROFS || numero == EIO) throw ErrorDeErrno(numero);
            throw ErrorKorval(QStringLiteral("el libro no se pudo escribir (%1)")
                                  .arg(QString::fromUtf8(x.motivo(error))));
        });
    } catch (const ErrorKorval& e) {
        throw ErrorKorval(QStringLiteral("No se puede escribir %1: %2").arg(nativo, e.mensaje()));
    }
}
