// In-process timings beside their floors: a commit against a bare atomic write of the same bytes,
// a day change with 10 to 100,000 routine files in the data folder, a routine load against a
// bare getline-and-split loop, the history of ten years of routines against the same loop, and
// their CSV export and workbook against loops that read, split and write the same rows.
// Prints one table row per figure: name, median us, floor, ratio.
#include "app/adaptadores_hoja.h"
#include "app/interaccion.h"
#include "app/main_form.h"
#include "general/general.h"
#include "storage/archivo_es.h"
#include "storage/exportar.h"
#include "storage/historia.h"
#include "storage/importar.h"
#include "storage/libro.h"
#include "storage/rutina_archivo.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>
#include <xlsxwriter.h>

static double mediana(const std::function<void()>& f, int veces) {
    std::vector<double> t;
    QElapsedTimer reloj;
    for (int i = 0; i < veces; ++i) {
        reloj.start();
        f();
        t.push_back(double(reloj.nsecsElapsed()) / 1000.0);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

static void fila(const char* nombre, double us, const char* piso, double piso_us) {
    std::printf("| %-34s | %10.1f | %-28s | %10.1f | %5.2f |\n", nombre, us, piso, piso_us,
                piso_us > 0 ? us / piso_us : 0.0);
}

// The floor of a commit: the same bytes, temporary file, fsync, rename, folder fsync.
static void escrituraDesnuda(const QByteArray& carpeta, const QByteArray& destino,
                             const QByteArray& bytes) {
    const QByteArray tmp = destino + ".tmp";
    const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size()) std::abort();
    ::fsync(fd);
    ::close(fd);
    ::rename(tmp.constData(), destino.constData());
    const int dir = ::open(carpeta.constData(), O_RDONLY | O_DIRECTORY);
    ::fsync(dir);
    ::close(dir);
}

// The heap in use now, in KiB: what a structure holds, whatever the allocator kept besides.
static long rssKiB() {
    return long(mallinfo2().uordblks / 1024);
}

static size_t cargaDesnuda(const std::string& ruta) {
    std::ifstream f(ruta);
    std::string linea;
    std::vector<std::vector<std::string>> filas;
    while (std::getline(f, linea)) {
        std::vector<std::string> campos;
        size_t desde = 0;
        for (size_t p; (p = linea.find('|', desde)) != std::string::npos; desde = p + 1)
            campos.push_back(linea.substr(desde, p - desde));
        campos.push_back(linea.substr(desde));
        filas.push_back(std::move(campos));
    }
    return filas.size();
}

// The same files read and split, handed to `celda` for every non-empty weight cell of each
// non-empty row: the date, the cells and the cell's column. What the floors of the exports share.
template <typename F>
static void recorrerDesnudo(const QString& carpeta, const QStringList& nombres, F&& celda) {
    std::string linea;
    std::vector<std::string> c;
    for (const QString& n : nombres) {
        std::ifstream f(QFile::encodeName(carpeta + "/" + n).toStdString());
        const std::string fecha = n.left(8).toStdString();
        int fila = 0;
        while (std::getline(f, linea)) {
            ++fila;
            if (!linea.empty() && linea.back() == '\r') linea.pop_back();
            c.clear();
            size_t desde = 0;
            for (size_t p; (p = linea.find('|', desde)) != std::string::npos; desde = p + 1)
                c.push_back(linea.substr(desde, p - desde));
            c.push_back(linea.substr(desde));
            if (c.size() < 13 || linea.size() == 13) continue; // short, or an empty row
            for (int j = 3; j < 11; ++j)
                if (!c[j].empty()) celda(fecha, c, fila, j);
        }
    }
}

// The floor of the CSV export: one line per non-empty weight cell of each non-empty row, with
// the same seventeen columns written as they stand (no set read, no numbers, no quoting, no
// re-encoding), the result written atomically.
static void exportarDesnudo(const QString& carpeta, const QStringList& nombres,
                            const QByteArray& destino) {
    std::string csv = "fecha,usuario,ejercicio,series,repes,serie,peso,texto,marca,fila,"
                      "repes_serie,rpe,calentamiento,unidad,kg,color,relleno\r\n";
    recorrerDesnudo(
        carpeta, nombres,
        [&](const std::string& fecha, const std::vector<std::string>& c, int fila, int j) {
            csv += fecha + ",Ana," + c[0] + "," + c[1] + "," + c[2] + "," + std::to_string(j - 2) +
                   "," + c[j] + "," + c[j] + "," + c[12] + "," + std::to_string(fila) + "," + c[2] +
                   ",,0,kg," + c[j] + ",,\r\n";
        });
    const QByteArray bytes = QByteArray::fromStdString(csv);
    escrituraDesnuda(QFile::encodeName(QFileInfo(QFile::decodeName(destino)).path()), destino,
                     bytes);
}

// The floor of the workbook: the same cells written with libxlsxwriter in the same mode (a
// date, the texts, the numbers read with strtod), one sheet, then flushed and renamed.
static void libroDesnudo(const QString& carpeta, const QStringList& nombres,
                         const QByteArray& destino) {
    const QByteArray tmp = destino + ".tmp";
    const QByteArray dir = QFile::encodeName(QFileInfo(QFile::decodeName(destino)).path());
    lxw_workbook_options o{};
    o.constant_memory = LXW_TRUE;
    o.tmpdir = const_cast<char*>(dir.constData());
    o.use_zip64 = LXW_TRUE;
    lxw_workbook* libro = workbook_new_opt(tmp.constData(), &o);
    lxw_worksheet* hoja = workbook_add_worksheet(libro, nullptr);
    lxw_format* fecha = workbook_add_format(libro);
    format_set_num_format(fecha, "yyyy-mm-dd");
    lxw_row_t r = 1;
    recorrerDesnudo(
        carpeta, nombres,
        [&](const std::string& dia, const std::vector<std::string>& c, int fila, int j) {
            lxw_datetime d{std::stoi(dia.substr(0, 4)),
                           std::stoi(dia.substr(4, 2)),
                           std::stoi(dia.substr(6, 2)),
                           0,
                           0,
                           0};
            worksheet_write_datetime(hoja, r, 0, &d, fecha);
            worksheet_write_string(hoja, r, 1, "Ana", nullptr);
            for (int k = 0; k < 3; ++k)
                if (!c[k].empty())
                    worksheet_write_string(hoja, r, lxw_col_t(2 + k), c[k].c_str(), nullptr);
            const double peso = std::strtod(c[j].c_str(), nullptr);
            worksheet_write_number(hoja, r, 5, j - 2, nullptr);
            worksheet_write_number(hoja, r, 6, peso, nullptr);
            worksheet_write_string(hoja, r, 7, c[j].c_str(), nullptr);
            worksheet_write_number(hoja, r, 8, std::strtod(c[12].c_str(), nullptr), nullptr);
            worksheet_write_number(hoja, r, 9, fila, nullptr);
            worksheet_write_number(hoja, r, 10, std::strtod(c[2].c_str(), nullptr), nullptr);
            worksheet_write_number(hoja, r, 12, 0, nullptr);
            worksheet_write_string(hoja, r, 13, "kg", nullptr);
            worksheet_write_number(hoja, r, 14, peso, nullptr);
            ++r;
        });
    workbook_close(libro);
    const int fd = ::open(tmp.constData(), O_RDONLY);
    ::fsync(fd);
    ::close(fd);
    ::rename(tmp.constData(), destino.constData());
}

// A Strong export of ten years: 1,000 workouts of five exercises, twelve sets each, about
// 60,000 lines.
static QByteArray historialStrong() {
    QByteArray csv = "Date,Workout Name,Duration,Exercise Name,Set Order,Weight,Reps,Distance,"
                     "Seconds,Notes,Workout Notes,RPE\n";
    const char* const ejercicios[] = {"Sentadilla", "Press banca", "Remo", "Peso muerto",
                                      "Press militar"};
    QDate dia(2016, 1, 4);
    for (int w = 0; w < 1000; ++w, dia = dia.addDays(w % 3 == 0 ? 3 : 4)) {
        const QByteArray fecha = dia.toString(Qt::ISODate).toLatin1() + " 18:00:00";
        for (const char* e : ejercicios)
            for (int k = 1; k <= 12; ++k)
                csv += fecha + ",Entreno,1h," + e + "," + QByteArray::number(k) + "," +
                       QByteArray::number(40 + (w + k) % 60) + ".5," +
                       QByteArray::number(5 + k % 4) + ",0,0,,," + (k % 3 ? "" : "8") + "\n";
    }
    return csv;
}

// The floor of the import: the same CSV read and split, its lines grouped by day, and a routine
// file of the same rows per day written atomically, with no set read and no row built.
static void importarDesnudo(const QByteArray& csv, const QString& carpeta) {
    QMap<QByteArray, QList<QList<QByteArray>>> dias;
    const QList<QByteArray> lineas = csv.split('\n');
    for (qsizetype i = 1; i < lineas.size(); ++i) {
        if (lineas[i].isEmpty()) continue;
        QList<QByteArray> c = lineas[i].split(',');
        dias[c[0].left(10)] << c;
    }
    const QByteArray dir = QFile::encodeName(carpeta);
    for (auto d = dias.cbegin(); d != dias.cend(); ++d) {
        QByteArray r;
        for (const QList<QByteArray>& c : d.value())
            if (c[4] == "1") r += c[3] + "|12|" + c[6] + "|" + c[5] + "||||||||0\r\n";
        const QByteArray nombre =
            dir + "/" + d.key().left(4) + d.key().mid(5, 2) + d.key().mid(8, 2) + "Ana.kvr";
        escrituraDesnuda(dir, nombre, r);
    }
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    QApplication app(argc, argv);
    TInteraccion& io = Interaccion();
    io.error = [](const QString& m) { std::fprintf(stderr, "error: %s\n", qPrintable(m)); };
    const QString datos = home.path() + "/Documents/KORVAL";
    QDir().mkpath(datos);
    QFile u(datos + "/USRS.kvldat");
    u.open(QIODevice::WriteOnly);
    u.write("Ana\r\n");
    u.close();

    TTabla A(100, QStringList(11));
    TMarcas C(100, 0);
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 11; ++j)
            A[i][j] = QString("c%1-%2").arg(i).arg(j);
    const QString hoy = DayStamp(QDate::currentDate()) + "Ana.kvr";
    carpeta_principal = datos;
    EscribirTablaSinCerrojo(datos + "/" + hoy, A, C, 100, 11);

    TMain w;
    w.show();
    QApplication::processEvents();
    std::printf("| %-34s | %10s | %-28s | %10s | %5s |\n", "figure", "median us", "floor",
                "floor us", "ratio");
    std::printf("|%s|%s|%s|%s|%s|\n", std::string(36, '-').c_str(), std::string(12, '-').c_str(),
                std::string(30, '-').c_str(), std::string(12, '-').c_str(),
                std::string(7, '-').c_str());

    // Commit: a cell edit as the grid reports it, to the file replaced on disk. The floor runs
    // interleaved with it, so both see the same state of the disk's caches.
    int k = 0;
    const QModelIndex celda = w.Modelo()->index(0, 3);
    const QByteArray bytes = FormatearRutina(w.A(), w.C(), 100, 11);
    const QByteArray carpeta = QFile::encodeName(datos);
    const QByteArray destino = QFile::encodeName(datos + "/piso.kvr");
    std::vector<double> tc, tp;
    QElapsedTimer reloj;
    for (int i = 0; i < 400; ++i) {
        reloj.start();
        w.Modelo()->setData(celda, QString::number(k++ % 2 ? 60 : 65), Qt::EditRole);
        tc.push_back(double(reloj.nsecsElapsed()) / 1000.0);
        reloj.start();
        escrituraDesnuda(carpeta, destino, bytes);
        tp.push_back(double(reloj.nsecsElapsed()) / 1000.0);
    }
    std::sort(tc.begin(), tc.end());
    std::sort(tp.begin(), tp.end());
    const double commit = tc[tc.size() / 2];
    const double piso = tp[tp.size() / 2];
    fila("commit (edit to file on disk)", commit, "bare atomic write", piso);

    // Day change with growing data folders.
    double primero = 0;
    int creados = 0;
    for (int cuantos : {10, 10000, 100000}) {
        for (; creados < cuantos; ++creados) {
            const QString n = QString("%1/%2Otro%3.kvr")
                                  .arg(datos)
                                  .arg(DayStamp(QDate(2000, 1, 1).addDays(creados % 3000)))
                                  .arg(creados);
            const int fd = ::open(QFile::encodeName(n).constData(), O_WRONLY | O_CREAT, 0644);
            ::close(fd);
        }
        bool adelante = true;
        const double t = mediana(
            [&] {
                adelante ? w.Image4Click() : w.Image3Click();
                adelante = !adelante;
            },
            200);
        if (cuantos == 10) primero = t;
        const QByteArray nombre = QString("day change, %1 files").arg(cuantos).toLatin1();
        fila(nombre.constData(), t, "day change, 10 files", primero);
    }

    // Load of a full routine from the page cache.
    const QString ruta = datos + "/" + hoy;
    TTabla B;
    TMarcas D;
    const double carga = mediana([&] { CargarTabla(ruta, B, D, 100, 11); }, 2000);
    const std::string rutaStd = QFile::encodeName(ruta).toStdString();
    const double pisoCarga = mediana([&] { cargaDesnuda(rutaStd); }, 2000);
    fila("load (100-line routine)", carga, "bare getline-and-split", pisoCarga);

    // The history of ten years of daily routines of one user, built as after the first paint.
    QTemporaryDir diez;
    const char* const ejercicios[] = {"Sentadilla", "Press banca", "Remo",       "Peso muerto",
                                      "Dominadas",  "Curl",        "Fondos",     "Press militar",
                                      "Zancadas",   "Plancha",     "Hip thrust", "Jalón"};
    const QDate hoyDia = QDate::currentDate();
    for (int d = 1; d <= 3650; ++d) {
        TTabla R(100, QStringList(11));
        for (int i = 0; i < 8; ++i) {
            R[i][0] = QString::fromUtf8(ejercicios[(d + i) % 12]);
            R[i][1] = "4";
            R[i][2] = "10";
            for (int j = 3; j < 7; ++j)
                R[i][j] = QString::number(40 + (d * 7 + i * 3 + j) % 60);
        }
        QFile f(diez.path() + "/" + DayStamp(hoyDia.addDays(-d)) + "Ana.kvr");
        f.open(QIODevice::WriteOnly);
        f.write(FormatearRutina(R, TMarcas(100, 0), 100, 11));
    }
    THistoria h;
    const double construir =
        mediana([&] { h = THistoria::Construir(diez.path(), "Ana", THistoria(), nullptr); }, 5);
    h = THistoria();
    const long antes = rssKiB();
    h = THistoria::Construir(diez.path(), "Ana", THistoria(), nullptr);
    const long despues = rssKiB();
    const QStringList nombres = QDir(diez.path()).entryList({"*Ana.kvr"}, QDir::Files);
    const double pisoHistoria = mediana(
        [&] {
            for (const QString& n : nombres)
                cargaDesnuda(QFile::encodeName(diez.path() + "/" + n).toStdString());
        },
        5);
    fila("history build (3,650 days)", construir, "bare read-and-split loop", pisoHistoria);
    std::printf("| %-34s | %10.1f | %-28s | %10.1f |       |\n", "history memory held (MB)",
                double(despues - antes) / 1024.0, "goal", 20.0);
    const double linea =
        mediana([&] { (void)h.Linea(QStringLiteral("Sentadilla"), hoyDia); }, 1000);

    std::printf("| %-34s | %10.1f | %-28s | %10.1f |       |\n", "line for a row (us)", linea,
                "goal", 1000.0);

    // The same ten years exported as CSV and written atomically, against the bare loop; run
    // in turns so that both see the same state of the disk's caches.
    const QString csv = home.path() + "/ana.csv";
    const QByteArray csvPiso = QFile::encodeName(home.path() + "/piso.csv");
    std::vector<double> te, tpe;
    for (int i = 0; i < 9; ++i) {
        reloj.start();
        QStringList fallidos;
        ReemplazarArchivo(csv, CsvDeUsuario(diez.path(), "Ana", &fallidos));
        te.push_back(double(reloj.nsecsElapsed()) / 1000.0);
        reloj.start();
        exportarDesnudo(diez.path(), nombres, csvPiso);
        tpe.push_back(double(reloj.nsecsElapsed()) / 1000.0);
    }
    std::sort(te.begin(), te.end());
    std::sort(tpe.begin(), tpe.end());
    fila("CSV export (3,650 days)", te[te.size() / 2], "bare read-split-write loop",
         tpe[tpe.size() / 2]);

    // The workbook of the same ten years against the same cells written bare, in turns.
    const QString xlsx = home.path() + "/ana.xlsx";
    const QByteArray xlsxPiso = QFile::encodeName(home.path() + "/piso.xlsx");
    std::vector<double> tl, tpl;
    for (int i = 0; i < 5; ++i) {
        reloj.start();
        QStringList fallidos;
        ExportarLibro(diez.path(), "Ana", xlsx, &fallidos);
        tl.push_back(double(reloj.nsecsElapsed()) / 1000.0);
        reloj.start();
        libroDesnudo(diez.path(), nombres, xlsxPiso);
        tpl.push_back(double(reloj.nsecsElapsed()) / 1000.0);
    }
    std::sort(tl.begin(), tl.end());
    std::sort(tpl.begin(), tpl.end());
    fila("workbook export (3,650 days)", tl[tl.size() / 2], "bare libxlsxwriter loop",
         tpl[tpl.size() / 2]);
    // A ten-year Strong export imported into an empty folder, against the bare loop; then its
    // preview once the days hold routines, against reading the CSV and those routines.
    const QByteArray strong = historialStrong();
    std::vector<double> ti, tpi;
    for (int i = 0; i < 3; ++i) {
        QTemporaryDir a, b;
        QFile(a.path() + "/USRS.kvldat").open(QIODevice::WriteOnly);
        reloj.start();
        const TPlanImportacion plan = PlanearImportacion(
            LeerHistorial(strong, TFormatoHistorial::Auto, false), a.path(), "Ana");
        for (const TPlanDia& d : plan.dias)
            if (d.cambia) ImportarDia(d, a.path(), "Ana", QDateTime::currentDateTime());
        ti.push_back(double(reloj.nsecsElapsed()) / 1000.0);
        reloj.start();
        importarDesnudo(strong, b.path());
        tpi.push_back(double(reloj.nsecsElapsed()) / 1000.0);
        if (i == 2) {
            const QStringList dias = QDir(a.path()).entryList({"*Ana.kvr"}, QDir::Files);
            const double vista = mediana(
                [&] {
                    (void)PlanearImportacion(LeerHistorial(strong, TFormatoHistorial::Auto, false),
                                             a.path(), "Ana");
                },
                5);
            // The floor: the file parsed and the routines of its days read, with no plan.
            const double pisoVista = mediana(
                [&] {
                    const TLecturaHistorial l =
                        LeerHistorial(strong, TFormatoHistorial::Auto, false);
                    TTabla A;
                    TMarcas C;
                    for (const QString& d : dias)
                        LeerFilasDeRutina(a.path() + "/" + d, A, C);
                    if (l.entrenos.isEmpty()) std::abort();
                },
                5);
            fila("import preview (1,000 workouts)", vista, "parse and routine reads", pisoVista);
        }
    }
    std::sort(ti.begin(), ti.end());
    std::sort(tpi.begin(), tpi.end());
    fila("history import (1,000 workouts)", ti[1], "bare split-and-write loop", tpi[1]);
    return 0;
}
