#include "report/output/ReportXlsx.h"

#include "base/Exceptions.h"
#include "report/engine/ReportAmount.h"
#include "report/engine/ReportBody.h"
#include "report/engine/ReportFrame.h"
#include "report/engine/ReportProgress.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <xlsxwriter.h>

namespace {

// The most rows a sheet holds.
constexpr lxw_row_t sheetRows = 1048576;
// The workbook is copied to the output in pieces of this size.
constexpr qint64 copyBlock = 1 << 20;

// An amount or a count as the report's cell shows it ("1.234,56", "-3"); nullopt when empty.
std::optional<double> numberOf(const QString& cell, ReportValueFormat format)
{
    if (cell.isEmpty())
        return std::nullopt;
    QString plain = cell;
    plain.remove(QLatin1Char('.'));
    ReportAmount amount;
    const auto reading = format == ReportValueFormat::Money
                             ? ReportAmount::readCents(plain, amount)
                             : ReportAmount::readUnits(plain, amount);
    if (reading != ReportAmount::Reading::Value)
        return std::nullopt;
    return format == ReportValueFormat::Money ? static_cast<double>(amount.units()) / 100.0
                                              : static_cast<double>(amount.units());
}

} // namespace

// The open workbook: its two sheets, its formats and where the next row goes.
class ReportXlsx::Workbook : public ReportBodySink {
public:
    Workbook(const QString& file, const QString& workDirectory, const ReportFrame& frame,
             const Options& options)
        : m_formats(frame.formats), m_totals(options.totals),
          m_columns(static_cast<int>(frame.labels.size() + frame.exportLabels.size())),
          m_file(file.toLocal8Bit()), m_workDirectory(workDirectory.toLocal8Bit())
    {
        lxw_workbook_options settings{};
        settings.constant_memory = LXW_TRUE;
        settings.tmpdir = m_workDirectory.data();
        settings.use_zip64 = LXW_TRUE;
        m_book = workbook_new_opt(m_file.constData(), &settings);
        if (!m_book)
            throw Exception(QStringLiteral("Não foi possível criar a planilha em '%1'.")
                                .arg(QDir::toNativeSeparators(file)));
        m_rows = sheet("Relatório");
        m_criteria = sheet("Critérios");
        m_heading = format([](lxw_format* f) { format_set_bold(f); });
        m_money = format([](lxw_format* f) { format_set_num_format(f, "#,##0.00"); });
        m_integer = format([](lxw_format* f) { format_set_num_format(f, "#,##0"); });
        m_date = format([](lxw_format* f) { format_set_num_format(f, "dd/mm/yyyy"); });
        m_text = nullptr;
        const auto total = [](lxw_format* f) {
            format_set_bold(f);
            format_set_top(f, LXW_BORDER_THIN);
        };
        m_totalText = format(total);
        m_totalMoney = format([&](lxw_format* f) {
            total(f);
            format_set_num_format(f, "#,##0.00");
        });
        m_totalInteger = format([&](lxw_format* f) {
            total(f);
            format_set_num_format(f, "#,##0");
        });
        m_note = format([](lxw_format* f) { format_set_italic(f); });

        // The criteria sheet, first with what the header says.
        worksheet_set_column(m_criteria, 0, 0, 24, nullptr);
        worksheet_set_column(m_criteria, 1, 1, 80, nullptr);
        criterion(QStringLiteral("Relatório"), frame.header.title);
        criterion(QStringLiteral("Processamento"), frame.header.processingDate);
        for (const auto& [name, value] : frame.header.fullCriteria)
            criterion(name, value);

        // The rows' sheet: the labels in a frozen first row, columns as wide as they read.
        const QStringList labels = frame.labels + frame.exportLabels;
        for (int c = 0; c < labels.size(); ++c) {
            const ReportValueFormat kind = m_formats.value(c);
            const double width = kind == ReportValueFormat::Money     ? 16
                                 : kind == ReportValueFormat::Date    ? 12
                                 : kind == ReportValueFormat::Code    ? 10
                                 : kind == ReportValueFormat::Integer ? 10
                                                                      : 30;
            worksheet_set_column(m_rows, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 std::max(width, labels.at(c).size() + 2.0), nullptr);
            string(m_rows, 0, c, labels.at(c), m_heading);
        }
        worksheet_freeze_panes(m_rows, 1, 0);
    }

    ~Workbook() override
    {
        if (m_book)
            lxw_workbook_free(m_book);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    void place(const QVector<ReportPiece>& pieces, double) override
    {
        for (const ReportPiece& piece : pieces) {
            switch (piece.kind) {
            case ReportPiece::Kind::Detail:
                detail(piece.cells);
                break;
            case ReportPiece::Kind::Subtotal:
            case ReportPiece::Kind::GrandTotal:
                if (m_totals)
                    total(piece.text, piece.cells, piece.states);
                break;
            case ReportPiece::Kind::Note:
                criterion(QStringLiteral("Inconsistências"), piece.text);
                break;
            default:
                break;
            }
        }
    }
    void openHeading(const QString&) override {}
    void closeHeading() override {}

    // Sets the filter over the rows and writes the workbook to its file.
    void close()
    {
        check(worksheet_autofilter(m_rows, 0, 0, m_row, static_cast<lxw_col_t>(m_columns - 1)));
        lxw_workbook* book = m_book;
        m_book = nullptr;
        check(workbook_close(book));
    }

private:
    template <typename Setup> lxw_format* format(Setup setup)
    {
        lxw_format* made = workbook_add_format(m_book);
        setup(made);
        return made;
    }

    lxw_worksheet* sheet(const char* name)
    {
        lxw_worksheet* made = workbook_add_worksheet(m_book, name);
        if (!made)
            throw Exception(QStringLiteral("Não foi possível criar a folha \"%1\" da planilha.")
                                .arg(QString::fromUtf8(name)));
        return made;
    }

    void check(lxw_error error) const
    {
        if (error == LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE)
            throw Exception(QStringLiteral("O relatório tem mais linhas do que uma planilha "
                                           "comporta (%1); escolha menos cheques ou salve em CSV.")
                                .arg(sheetRows));
        if (error != LXW_NO_ERROR)
            throw Exception(QStringLiteral("Não foi possível gravar a planilha: %1")
                                .arg(QString::fromUtf8(lxw_strerror(error))));
    }

    void string(lxw_worksheet* sheet, lxw_row_t row, int column, const QString& text,
                lxw_format* style)
    {
        if (!text.isEmpty())
            check(worksheet_write_string(sheet, row, static_cast<lxw_col_t>(column),
                                         text.toUtf8().constData(), style));
    }

    void criterion(const QString& name, const QString& value)
    {
        string(m_criteria, m_criteriaRow, 0, name, m_heading);
        string(m_criteria, m_criteriaRow, 1, value, nullptr);
        ++m_criteriaRow;
    }

    // The next row of the rows' sheet.
    lxw_row_t nextRow()
    {
        if (m_row + 1 >= sheetRows)
            check(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE);
        return ++m_row;
    }

    // A cell of a column as its format keeps it; a text that reads as no value stays text.
    void cell(lxw_row_t row, int column, const QString& text, bool totalLine)
    {
        const ReportValueFormat kind = m_formats.value(column);
        if (kind == ReportValueFormat::Money || kind == ReportValueFormat::Integer) {
            if (const auto number = numberOf(text, kind)) {
                lxw_format* style = kind == ReportValueFormat::Money
                                        ? (totalLine ? m_totalMoney : m_money)
                                        : (totalLine ? m_totalInteger : m_integer);
                check(worksheet_write_number(m_rows, row, static_cast<lxw_col_t>(column), *number,
                                             style));
                return;
            }
        } else if (kind == ReportValueFormat::Date) {
            const QDate day = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
            if (day.isValid()) {
                lxw_datetime when{day.year(),
                                  static_cast<uint8_t>(day.month()),
                                  static_cast<uint8_t>(day.day()),
                                  0,
                                  0,
                                  0};
                check(worksheet_write_datetime(m_rows, row, static_cast<lxw_col_t>(column), &when,
                                               m_date));
                return;
            }
        }
        string(m_rows, row, column, text, totalLine ? m_totalText : m_text);
    }

    void detail(const QStringList& cells)
    {
        const lxw_row_t row = nextRow();
        for (int c = 0; c < cells.size(); ++c)
            cell(row, c, cells.at(c), false);
    }

    void total(const QString& label, QStringList cells, const QString& states)
    {
        while (cells.size() < m_columns)
            cells << QString();
        // The label stands in the first column the total leaves empty.
        const qsizetype free = std::max<qsizetype>(cells.indexOf(QString()), 0);
        const lxw_row_t row = nextRow();
        for (int c = 0; c < m_columns; ++c) {
            if (c == free)
                string(m_rows, row, c, label, m_totalText);
            else if (cells.at(c).isEmpty())
                check(worksheet_write_blank(m_rows, row, static_cast<lxw_col_t>(c), m_totalText));
            else
                cell(row, c, cells.at(c), true);
        }
        if (!states.isEmpty())
            string(m_rows, nextRow(), 0, states, m_note);
    }

    QVector<ReportValueFormat> m_formats;
    bool m_totals;
    int m_columns;
    QByteArray m_file;
    QByteArray m_workDirectory;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_rows = nullptr;
    lxw_worksheet* m_criteria = nullptr;
    lxw_format* m_heading = nullptr;
    lxw_format* m_money = nullptr;
    lxw_format* m_integer = nullptr;
    lxw_format* m_date = nullptr;
    lxw_format* m_text = nullptr;
    lxw_format* m_totalText = nullptr;
    lxw_format* m_totalMoney = nullptr;
    lxw_format* m_totalInteger = nullptr;
    lxw_format* m_note = nullptr;
    lxw_row_t m_row = 0;
    lxw_row_t m_criteriaRow = 0;
};

namespace {
// The workbook's own files: the workbook itself and the rows libxlsxwriter keeps apart.
std::unique_ptr<QTemporaryDir> workDirectory()
{
    auto directory =
        std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("klx-xlsx-XXXXXX")));
    if (!directory->isValid())
        throw Exception(
            QStringLiteral("Não foi possível criar a pasta temporária da planilha em "
                           "'%1': %2")
                .arg(QDir::toNativeSeparators(QDir::tempPath()), directory->errorString()));
    return directory;
}
} // namespace

ReportXlsx::ReportXlsx(const QString& path, const QStringList& untouchable)
    : ReportFileOutput(path, untouchable)
{
}

ReportXlsx::~ReportXlsx()
{
    // The workbook goes before the folder that holds its files.
    m_workbook.reset();
}

void ReportXlsx::open()
{
    ReportFileOutput::open();
    m_directory = workDirectory();
}

ReportBodySink* ReportXlsx::body(const ReportFrame& frame, const Options& options)
{
    m_workbook = std::make_unique<Workbook>(m_directory->filePath(QStringLiteral("relatorio.xlsx")),
                                            m_directory->path(), frame, options);
    return m_workbook.get();
}

void ReportXlsx::write(const ReportPages&, const Options&, ReportProgress& progress)
{
    m_workbook->close();
    progress.checkCancel();
    QFile workbook(m_directory->filePath(QStringLiteral("relatorio.xlsx")));
    if (!workbook.open(QIODevice::ReadOnly))
        throw Exception(
            QStringLiteral("Não foi possível ler a planilha gravada '%1': %2")
                .arg(QDir::toNativeSeparators(workbook.fileName()), workbook.errorString()));
    while (!workbook.atEnd()) {
        const QByteArray block = workbook.read(copyBlock);
        if (block.isEmpty())
            throw Exception(
                QStringLiteral("Não foi possível ler a planilha gravada '%1': %2")
                    .arg(QDir::toNativeSeparators(workbook.fileName()), workbook.errorString()));
        file().write(block);
    }
}
