#include "report/engine/ReportDefinition.h"

#include "base/Exceptions.h"
#include "data/SqlLexer.h"
#include "data/SqlParameters.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cmath>

namespace {
const QString indent = QStringLiteral("  ");

// The '|'-separated parts of a value, trimmed.
QStringList partsOf(const QString& value)
{
    QStringList parts = value.split(QLatin1Char('|'));
    for (QString& part : parts)
        part = part.trimmed();
    return parts;
}

bool isFieldName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(name).hasMatch();
}

// The keys a definition may hold; those of one value may be written once.
const QSet<QString>& singleKeys()
{
    static const QSet<QString> keys{
        QStringLiteral("title"),   QStringLiteral("order"),         QStringLiteral("orientation"),
        QStringLiteral("sql"),     QStringLiteral("sql.ib"),        QStringLiteral("count"),
        QStringLiteral("company"), QStringLiteral("subtitle"),      QStringLiteral("kind"),
        QStringLiteral("row"),     QStringLiteral("inconsistency"), QStringLiteral("total"),
        QStringLiteral("carry"),   QStringLiteral("signature"),     QStringLiteral("crosstab")};
    return keys;
}
const QSet<QString>& repeatedKeys()
{
    static const QSet<QString> keys{QStringLiteral("column"), QStringLiteral("group"),
                                    QStringLiteral("sum"), QStringLiteral("state"),
                                    QStringLiteral("export")};
    return keys;
}

// A line that opens the SQL: where the list stops reading a definition.
bool opensSql(const QByteArray& line)
{
    return line.startsWith("sql:") || line.startsWith("sql.ib:") || line.startsWith("sql ") ||
           line.startsWith("sql.ib ");
}

// Reads the layout keys (orientation, column, export, state, group, sum, count, company,
// kind, subtitle, row, inconsistency, total, carry, signature, crosstab) of a definition's
// entries into it, in the order written; a bad value raises an Exception naming the file and
// the line.
class LayoutReader {
public:
    LayoutReader(ReportDefinition& definition, const QString& sourceName)
        : m_definition(definition), m_sourceName(sourceName)
    {
    }

    void read()
    {
        for (const Entry& entry : std::as_const(m_definition.entries))
            if (const auto step = steps().value(entry.key))
                (this->*step)(entry);
    }

private:
    using Entry = ReportDefinition::Entry;
    using Step = void (LayoutReader::*)(const Entry&);

    // The step that reads each layout key.
    static const QHash<QString, Step>& steps()
    {
        static const QHash<QString, Step> table{
            {QStringLiteral("orientation"), &LayoutReader::readOrientation},
            {QStringLiteral("column"), &LayoutReader::readColumn},
            {QStringLiteral("export"), &LayoutReader::readExport},
            {QStringLiteral("state"), &LayoutReader::readState},
            {QStringLiteral("kind"), &LayoutReader::readKind},
            {QStringLiteral("subtitle"), &LayoutReader::readSubtitle},
            {QStringLiteral("group"), &LayoutReader::readGroup},
            {QStringLiteral("sum"), &LayoutReader::readSum},
            {QStringLiteral("count"), &LayoutReader::readCount},
            {QStringLiteral("company"), &LayoutReader::readCompany},
            {QStringLiteral("row"), &LayoutReader::readRow},
            {QStringLiteral("inconsistency"), &LayoutReader::readInconsistency},
            {QStringLiteral("total"), &LayoutReader::readTotal},
            {QStringLiteral("carry"), &LayoutReader::readCarry},
            {QStringLiteral("signature"), &LayoutReader::readSignature},
            {QStringLiteral("crosstab"), &LayoutReader::readCrosstab}};
        return table;
    }

    [[noreturn]] void fail(const Entry& entry, const QString& reason) const
    {
        throw Exception(QStringLiteral("%1:%2: %3").arg(m_sourceName).arg(entry.line).arg(reason));
    }

    // A field's name, upper case.
    QString field(const Entry& entry, const QString& name) const
    {
        if (!isFieldName(name))
            fail(entry, QStringLiteral("nome de campo inválido: \"%1\"").arg(name));
        return name.toUpper();
    }

    // "FIELD | label | width | align | format", the parts after FIELD optional.
    ReportDefinition::Column columnOf(const Entry& entry, const QStringList& parts) const
    {
        ReportDefinition::Column column;
        column.field = field(entry, parts.value(0));
        column.label = parts.value(1).isEmpty() ? column.field : parts.at(1);
        column.line = entry.line;
        if (!parts.value(2).isEmpty())
            column.width = widthOf(entry, parts.at(2));
        column.alignment = alignmentOf(entry, parts.value(3, QStringLiteral("left")));
        column.format = formatOf(entry, parts.value(4, QStringLiteral("text")));
        return column;
    }

    double widthOf(const Entry& entry, const QString& text) const
    {
        bool ok = false;
        const double width = text.toDouble(&ok);
        if (!ok || !std::isfinite(width) || width <= 0 || width > ReportDefinition::widestColumn)
            fail(entry, QStringLiteral("largura inválida: \"%1\" (um número maior que 0 e "
                                       "até %2, a página inteira)")
                            .arg(text)
                            .arg(ReportDefinition::widestColumn));
        return width;
    }

    Qt::Alignment alignmentOf(const Entry& entry, const QString& align) const
    {
        if (align == QLatin1String("left") || align.isEmpty())
            return Qt::AlignLeft;
        if (align == QLatin1String("center"))
            return Qt::AlignHCenter;
        if (align == QLatin1String("right"))
            return Qt::AlignRight;
        fail(entry,
             QStringLiteral("alinhamento inválido: \"%1\" (use left, center ou right)").arg(align));
    }

    ReportValueFormat formatOf(const Entry& entry, const QString& format) const
    {
        const auto parsed =
            ReportFormat::fromName(format.isEmpty() ? QStringLiteral("text") : format);
        if (!parsed)
            fail(entry, QStringLiteral("formato inválido: \"%1\" (use text, date, money, "
                                       "integer ou code)")
                            .arg(format));
        return *parsed;
    }

    void readOrientation(const Entry& entry)
    {
        if (entry.value == QLatin1String("portrait"))
            m_definition.orientation = ReportDefinition::Orientation::Portrait;
        else if (entry.value == QLatin1String("landscape"))
            m_definition.orientation = ReportDefinition::Orientation::Landscape;
        else
            fail(entry, QStringLiteral("orientação inválida: \"%1\" (use portrait ou landscape)")
                            .arg(entry.value));
    }

    void readColumn(const Entry& entry)
    {
        const QStringList parts = partsOf(entry.value);
        if (parts.size() > 5)
            fail(entry, QStringLiteral("coluna com partes demais; o formato é "
                                       "\"CAMPO | título | largura | alinhamento | formato\""));
        const ReportDefinition::Column column = columnOf(entry, parts);
        if (m_definition.column(column.field))
            fail(entry, QStringLiteral("coluna repetida: %1").arg(column.field));
        m_definition.columns << column;
    }

    // "FIELD | label | format"
    void readExport(const Entry& entry)
    {
        const QStringList parts = partsOf(entry.value);
        if (parts.size() > 3)
            fail(entry, QStringLiteral("coluna exportada com partes demais; o formato é "
                                       "\"CAMPO | título | formato\""));
        const QStringList columnParts{parts.value(0), parts.value(1), QString(), QString(),
                                      parts.value(2)};
        m_definition.exportColumns << columnOf(entry, columnParts);
    }

    // "FIELD | code | label | role"
    void readState(const Entry& entry)
    {
        const QStringList parts = partsOf(entry.value);
        if (parts.size() != 4 || parts.at(1).isEmpty() || parts.at(2).isEmpty())
            fail(entry, QStringLiteral("status inválido; o formato é \"CAMPO | código | nome | "
                                       "total, amount ou count\""));
        const QString name = field(entry, parts.at(0));
        if (!m_definition.stateField.isEmpty() && m_definition.stateField != name)
            fail(entry, QStringLiteral("todos os status usam o mesmo campo: %1")
                            .arg(m_definition.stateField));
        ReportDefinition::State state;
        state.code = parts.at(1);
        state.label = parts.at(2);
        state.line = entry.line;
        state.role = stateRoleOf(entry, parts.at(3));
        for (const ReportDefinition::State& other : std::as_const(m_definition.states))
            if (other.code == state.code)
                fail(entry, QStringLiteral("status repetido: %1").arg(state.code));
        m_definition.stateField = name;
        m_definition.states << state;
    }

    ReportDefinition::StateRole stateRoleOf(const Entry& entry, const QString& role) const
    {
        if (role == QLatin1String("total"))
            return ReportDefinition::StateRole::Total;
        if (role == QLatin1String("amount"))
            return ReportDefinition::StateRole::Amount;
        if (role == QLatin1String("count"))
            return ReportDefinition::StateRole::Count;
        fail(entry, QStringLiteral("papel de status inválido: \"%1\" (use total, amount ou count)")
                        .arg(role));
    }

    void readKind(const Entry& entry)
    {
        if (entry.value != ReportDefinition::reconciliationKind)
            fail(entry, QStringLiteral("tipo de relatório desconhecido: \"%1\" (use %2)")
                            .arg(entry.value, ReportDefinition::reconciliationKind));
        m_definition.kind = entry.value;
    }

    void readSubtitle(const Entry& entry) { m_definition.subtitle = entry.value; }

    // "FIELD | heading | footer | many"
    void readGroup(const Entry& entry)
    {
        const QStringList parts = partsOf(entry.value);
        if (parts.size() > 4 || (parts.size() == 4 && parts.at(3) != QLatin1String("many")))
            fail(entry, QStringLiteral("grupo inválido; o formato é "
                                       "\"CAMPO | cabeçalho | rodapé | many\""));
        if (m_definition.groups.size() >= ReportDefinition::groupLevelsAtMost)
            fail(entry, QStringLiteral("grupos demais: um relatório agrupa em no máximo %1 níveis")
                            .arg(ReportDefinition::groupLevelsAtMost));
        ReportDefinition::Group group;
        group.field = field(entry, parts.value(0));
        group.heading = parts.value(1).isEmpty() ? QLatin1Char('{') + group.field + QLatin1Char('}')
                                                 : parts.at(1);
        group.footer = parts.value(2).isEmpty() ? QStringLiteral("Subtotal") : parts.at(2);
        if (group.heading == QLatin1String("-"))
            group.heading.clear();
        if (group.footer == QLatin1String("-"))
            group.footer.clear();
        group.footerWhenMany = parts.size() == 4;
        group.line = entry.line;
        m_definition.groups << group;
    }

    // Money or integer columns declared before, separated by blanks or commas.
    void readSum(const Entry& entry)
    {
        static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
        for (const QString& name : entry.value.split(separators, Qt::SkipEmptyParts)) {
            const ReportDefinition::Column* column = m_definition.column(name);
            if (!column)
                fail(entry, QStringLiteral("a soma pede uma coluna declarada antes: %1").arg(name));
            if (column->format != ReportValueFormat::Money &&
                column->format != ReportValueFormat::Integer)
                fail(entry, QStringLiteral("só colunas money ou integer somam: %1").arg(name));
            m_definition.sums << column->field;
        }
    }

    // "singular | plural", or "-": no count.
    void readCount(const Entry& entry)
    {
        if (entry.value == QLatin1String("-")) {
            m_definition.countSingular.clear();
            m_definition.countPlural.clear();
            return;
        }
        const QStringList parts = partsOf(entry.value);
        if (parts.size() != 2 || parts.at(0).isEmpty() || parts.at(1).isEmpty())
            fail(entry, QStringLiteral("contagem inválida; o formato é \"singular | plural\""));
        m_definition.countSingular = parts.at(0);
        m_definition.countPlural = parts.at(1);
    }

    void readCompany(const Entry& entry) { m_definition.companyField = field(entry, entry.value); }

    void readRow(const Entry& entry) { m_definition.rowName = entry.value; }

    void readInconsistency(const Entry& entry)
    {
        m_definition.inconsistencyField = field(entry, entry.value);
    }

    void readTotal(const Entry& entry)
    {
        if (entry.value.isEmpty())
            fail(entry, QStringLiteral("o total geral precisa de um nome"));
        m_definition.grandTotalLabel = entry.value;
    }

    void readCarry(const Entry& entry)
    {
        const QString name = field(entry, entry.value);
        if (!m_definition.sums.contains(name))
            fail(entry,
                 QStringLiteral("só uma coluna somada antes (sum) é transportada: %1").arg(name));
        m_definition.carryField = name;
    }

    void readSignature(const Entry& entry) { m_definition.signature = entry.value; }

    // "ROW | COLUMN | FIELD | title"
    void readCrosstab(const Entry& entry)
    {
        const QStringList parts = partsOf(entry.value);
        if (parts.size() != 4 || parts.at(3).isEmpty())
            fail(entry, QStringLiteral("tabela inválida; o formato é \"LINHA | COLUNA | "
                                       "CAMPO | título\""));
        const QString value = field(entry, parts.at(2));
        const ReportDefinition::Column* column = m_definition.column(value);
        if (!m_definition.sums.contains(value) || column->format != ReportValueFormat::Money)
            fail(
                entry,
                QStringLiteral("a tabela soma uma coluna money somada antes (sum): %1").arg(value));
        m_definition.crosstab = {field(entry, parts.at(0)), field(entry, parts.at(1)), value,
                                 parts.at(3)};
    }

    ReportDefinition& m_definition;
    const QString& m_sourceName;
};
} // namespace

QString ReportDefinition::readFile(const QString& path, Extent extent)
{
    const QString name = QFileInfo(path).fileName();
    const QFileInfo info(path);
    // A device, a pipe or a folder is no definition: reading one would never end, or wait.
    if (!info.exists())
        throw Exception(
            QStringLiteral("Não foi possível ler '%1': o arquivo não existe.").arg(path));
    if (!info.isFile())
        throw Exception(QStringLiteral("%1: não é um arquivo comum (um dispositivo, uma pasta ou "
                                       "um pipe); a definição não foi lida.")
                            .arg(name));
    if (info.size() > largestFile)
        throw Exception(QStringLiteral("%1: o arquivo tem mais de 1 MiB; uma definição de "
                                       "relatório é bem menor.")
                            .arg(name));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(
            QStringLiteral("Não foi possível ler '%1': %2").arg(path, file.errorString()));
    QByteArray bytes;
    if (extent == Extent::Whole) {
        bytes = file.read(largestFile + 1);
    } else {
        while (bytes.size() <= largestFile && !file.atEnd()) {
            const QByteArray line = file.readLine(largestFile + 1 - bytes.size());
            if (line.isEmpty() || opensSql(line))
                break;
            bytes += line;
        }
    }
    // The file may have grown since it was measured.
    if (bytes.size() > largestFile)
        throw Exception(QStringLiteral("%1: o arquivo tem mais de 1 MiB; uma definição de "
                                       "relatório é bem menor.")
                            .arg(name));
    return QString::fromUtf8(bytes);
}

ReportDefinition ReportDefinition::load(const QString& path, Extent extent)
{
    ReportDefinition definition = parse(readFile(path, extent), path);
    definition.filePath = path;
    return definition;
}

ReportDefinition ReportDefinition::parse(const QString& text, const QString& sourceName)
{
    ReportDefinition definition;
    const QStringList lines = text.split(QLatin1Char('\n'));
    Entry* block = nullptr;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(indent) && block) {
            block->value += (block->value.isEmpty() ? QString() : QStringLiteral("\n")) +
                            line.mid(indent.size());
            continue;
        }
        if (line.trimmed().isEmpty()) {
            if (block && !block->value.isEmpty())
                block->value += QLatin1Char('\n');
            continue;
        }
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0 || line.at(0).isSpace())
            throw Exception(QStringLiteral("%1:%2: linha inválida: \"%3\"")
                                .arg(sourceName)
                                .arg(i + 1)
                                .arg(line));
        const QString key = line.left(colon).trimmed();
        const bool single = singleKeys().contains(key);
        if (!single && !repeatedKeys().contains(key))
            throw Exception(QStringLiteral("%1:%2: chave desconhecida: \"%3\"")
                                .arg(sourceName)
                                .arg(i + 1)
                                .arg(key));
        if (single)
            for (const Entry& earlier : std::as_const(definition.entries))
                if (earlier.key == key)
                    throw Exception(QStringLiteral("%1:%2: \"%3\" repetido (já na linha %4)")
                                        .arg(sourceName)
                                        .arg(i + 1)
                                        .arg(key)
                                        .arg(earlier.line));
        definition.entries.append({key, line.mid(colon + 1).trimmed(), i + 1});
        block = definition.entries.last().value.isEmpty() ? &definition.entries.last() : nullptr;
    }
    for (Entry& entry : definition.entries)
        entry.value = entry.value.trimmed().isEmpty() ? QString() : entry.value;
    for (Entry& entry : definition.entries)
        while (entry.value.endsWith(QLatin1Char('\n')))
            entry.value.chop(1);
    definition.title = definition.value(QStringLiteral("title"));
    bool ok = true;
    const QString order = definition.value(QStringLiteral("order"), QStringLiteral("0"));
    definition.order = order.toInt(&ok);
    if (!ok)
        throw Exception(QStringLiteral("%1: ordem inválida: \"%2\"").arg(sourceName, order));
    if (definition.title.isEmpty())
        throw Exception(QStringLiteral("%1: falta o título (title)").arg(sourceName));
    LayoutReader(definition, sourceName).read();
    return definition;
}

QString ReportDefinition::toText() const
{
    QString text;
    for (const Entry& entry : entries) {
        if (entry.value.contains(QLatin1Char('\n')) || entry.key.startsWith(QLatin1String("sql"))) {
            text += entry.key + QStringLiteral(":\n");
            const QStringList lines = entry.value.split(QLatin1Char('\n'));
            for (const QString& line : lines)
                text += line.isEmpty() ? QStringLiteral("\n") : indent + line + QLatin1Char('\n');
        } else {
            text += entry.key + QStringLiteral(": ") + entry.value + QLatin1Char('\n');
        }
    }
    return text;
}

QString ReportDefinition::value(const QString& key, const QString& fallback) const
{
    for (const Entry& entry : entries)
        if (entry.key == key)
            return entry.value;
    return fallback;
}

void ReportDefinition::setValue(const QString& key, const QString& value)
{
    for (Entry& entry : entries) {
        if (entry.key == key) {
            entry.value = value;
            return;
        }
    }
    entries.prepend({key, value});
}

QStringList ReportDefinition::values(const QString& key) const
{
    QStringList result;
    for (const Entry& entry : entries)
        if (entry.key == key)
            result << entry.value;
    return result;
}

QString ReportDefinition::sqlFor(DatabaseConfig::Engine engine) const
{
    const QString own =
        engine == DatabaseConfig::Engine::Firebird ? value(QStringLiteral("sql.ib")) : QString();
    return SqlLexer::withoutComments(own.isEmpty() ? value(QStringLiteral("sql")) : own);
}

const ReportDefinition::Column* ReportDefinition::column(const QString& field) const
{
    for (const Column& column : columns)
        if (column.field.compare(field, Qt::CaseInsensitive) == 0)
            return &column;
    return nullptr;
}

QList<ReportDefinition::Placeholder> ReportDefinition::placeholders(const QString& text)
{
    static const QRegularExpression placeholder(QStringLiteral("\\{([A-Za-z_][A-Za-z0-9_]*)\\}"));
    QList<Placeholder> found;
    auto it = placeholder.globalMatch(text);
    while (it.hasNext()) {
        const auto match = it.next();
        found << Placeholder{match.capturedStart(), match.capturedEnd(), match.captured(1)};
    }
    return found;
}

QStringList ReportDefinition::declaredParameters(const QString& sql)
{
    return SqlParameters::declaredIn(sql);
}
