#include "report/engine/ReportDefinition.h"

#include "base/Exceptions.h"
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
// kind, subtitle, row, inconsistency, total, carry, signature, crosstab) of the entries.
void readLayout(ReportDefinition& definition, const QString& sourceName)
{
    using Entry = ReportDefinition::Entry;
    const auto fail = [&](const Entry& entry, const QString& reason) {
        throw Exception(QStringLiteral("%1:%2: %3").arg(sourceName).arg(entry.line).arg(reason));
    };
    const auto field = [&](const Entry& entry, const QString& name) {
        if (!isFieldName(name))
            fail(entry, QStringLiteral("nome de campo inválido: \"%1\"").arg(name));
        return name.toUpper();
    };
    // "FIELD | label | width | align | format", the parts after FIELD optional.
    const auto columnOf = [&](const Entry& entry, const QStringList& parts) {
        ReportDefinition::Column column;
        column.field = field(entry, parts.value(0));
        column.label = parts.value(1).isEmpty() ? column.field : parts.at(1);
        column.line = entry.line;
        if (!parts.value(2).isEmpty()) {
            bool ok = false;
            column.width = parts.at(2).toDouble(&ok);
            if (!ok || !std::isfinite(column.width) || column.width <= 0 ||
                column.width > ReportDefinition::widestColumn)
                fail(entry, QStringLiteral("largura inválida: \"%1\" (um número maior que 0 e "
                                           "até %2, a página inteira)")
                                .arg(parts.at(2))
                                .arg(ReportDefinition::widestColumn));
        }
        const QString align = parts.value(3, QStringLiteral("left"));
        if (align == QLatin1String("left") || align.isEmpty())
            column.alignment = Qt::AlignLeft;
        else if (align == QLatin1String("center"))
            column.alignment = Qt::AlignHCenter;
        else if (align == QLatin1String("right"))
            column.alignment = Qt::AlignRight;
        else
            fail(entry, QStringLiteral("alinhamento inválido: \"%1\" (use left, center ou "
                                       "right)")
                            .arg(align));
        const QString format = parts.value(4, QStringLiteral("text"));
        const auto parsed =
            ReportFormat::fromName(format.isEmpty() ? QStringLiteral("text") : format);
        if (!parsed)
            fail(entry, QStringLiteral("formato inválido: \"%1\" (use text, date, money, "
                                       "integer ou code)")
                            .arg(format));
        column.format = *parsed;
        return column;
    };
    // "FIELD | code | label | role"
    const auto readState = [&](const Entry& entry, const QStringList& parts) {
        if (parts.size() != 4 || parts.at(1).isEmpty() || parts.at(2).isEmpty())
            fail(entry, QStringLiteral("status inválido; o formato é \"CAMPO | código | nome | "
                                       "total, amount ou count\""));
        const QString name = field(entry, parts.at(0));
        if (!definition.stateField.isEmpty() && definition.stateField != name)
            fail(entry, QStringLiteral("todos os status usam o mesmo campo: %1")
                            .arg(definition.stateField));
        ReportDefinition::State state;
        state.code = parts.at(1);
        state.label = parts.at(2);
        state.line = entry.line;
        if (parts.at(3) == QLatin1String("total"))
            state.role = ReportDefinition::StateRole::Total;
        else if (parts.at(3) == QLatin1String("amount"))
            state.role = ReportDefinition::StateRole::Amount;
        else if (parts.at(3) == QLatin1String("count"))
            state.role = ReportDefinition::StateRole::Count;
        else
            fail(entry, QStringLiteral("papel de status inválido: \"%1\" (use total, amount ou "
                                       "count)")
                            .arg(parts.at(3)));
        for (const ReportDefinition::State& other : std::as_const(definition.states))
            if (other.code == state.code)
                fail(entry, QStringLiteral("status repetido: %1").arg(state.code));
        definition.stateField = name;
        definition.states << state;
    };
    for (const Entry& entry : std::as_const(definition.entries)) {
        const QStringList parts = partsOf(entry.value);
        if (entry.key == QLatin1String("orientation")) {
            if (entry.value == QLatin1String("portrait"))
                definition.orientation = ReportDefinition::Orientation::Portrait;
            else if (entry.value == QLatin1String("landscape"))
                definition.orientation = ReportDefinition::Orientation::Landscape;
            else
                fail(entry, QStringLiteral("orientação inválida: \"%1\" (use portrait ou "
                                           "landscape)")
                                .arg(entry.value));
        } else if (entry.key == QLatin1String("column")) {
            if (parts.size() > 5)
                fail(entry, QStringLiteral("coluna com partes demais; o formato é "
                                           "\"CAMPO | título | largura | alinhamento | formato\""));
            const ReportDefinition::Column column = columnOf(entry, parts);
            if (definition.column(column.field))
                fail(entry, QStringLiteral("coluna repetida: %1").arg(column.field));
            definition.columns << column;
        } else if (entry.key == QLatin1String("export")) {
            if (parts.size() > 3)
                fail(entry, QStringLiteral("coluna exportada com partes demais; o formato é "
                                           "\"CAMPO | título | formato\""));
            const QStringList columnParts{parts.value(0), parts.value(1), QString(), QString(),
                                          parts.value(2)};
            definition.exportColumns << columnOf(entry, columnParts);
        } else if (entry.key == QLatin1String("state")) {
            readState(entry, parts);
        } else if (entry.key == QLatin1String("kind")) {
            if (entry.value != ReportDefinition::reconciliationKind)
                fail(entry, QStringLiteral("tipo de relatório desconhecido: \"%1\" (use %2)")
                                .arg(entry.value, ReportDefinition::reconciliationKind));
            definition.kind = entry.value;
        } else if (entry.key == QLatin1String("subtitle")) {
            definition.subtitle = entry.value;
        } else if (entry.key == QLatin1String("group")) {
            if (parts.size() > 4 || (parts.size() == 4 && parts.at(3) != QLatin1String("many")))
                fail(entry, QStringLiteral("grupo inválido; o formato é "
                                           "\"CAMPO | cabeçalho | rodapé | many\""));
            if (definition.groups.size() >= ReportDefinition::groupLevelsAtMost)
                fail(entry, QStringLiteral("grupos demais: um relatório agrupa em no máximo %1 "
                                           "níveis")
                                .arg(ReportDefinition::groupLevelsAtMost));
            ReportDefinition::Group group;
            group.field = field(entry, parts.value(0));
            group.heading = parts.value(1).isEmpty()
                                ? QLatin1Char('{') + group.field + QLatin1Char('}')
                                : parts.at(1);
            group.footer = parts.value(2).isEmpty() ? QStringLiteral("Subtotal") : parts.at(2);
            if (group.heading == QLatin1String("-"))
                group.heading.clear();
            if (group.footer == QLatin1String("-"))
                group.footer.clear();
            group.footerWhenMany = parts.size() == 4;
            group.line = entry.line;
            definition.groups << group;
        } else if (entry.key == QLatin1String("sum")) {
            static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
            for (const QString& name : entry.value.split(separators, Qt::SkipEmptyParts)) {
                const ReportDefinition::Column* column = definition.column(name);
                if (!column)
                    fail(entry,
                         QStringLiteral("a soma pede uma coluna declarada antes: %1").arg(name));
                if (column->format != ReportValueFormat::Money &&
                    column->format != ReportValueFormat::Integer)
                    fail(entry, QStringLiteral("só colunas money ou integer somam: %1").arg(name));
                definition.sums << column->field;
            }
        } else if (entry.key == QLatin1String("count") && entry.value == QLatin1String("-")) {
            definition.countSingular.clear();
            definition.countPlural.clear();
        } else if (entry.key == QLatin1String("count")) {
            if (parts.size() != 2 || parts.at(0).isEmpty() || parts.at(1).isEmpty())
                fail(entry, QStringLiteral("contagem inválida; o formato é \"singular | plural\""));
            definition.countSingular = parts.at(0);
            definition.countPlural = parts.at(1);
        } else if (entry.key == QLatin1String("company")) {
            definition.companyField = field(entry, entry.value);
        } else if (entry.key == QLatin1String("row")) {
            definition.rowName = entry.value;
        } else if (entry.key == QLatin1String("inconsistency")) {
            definition.inconsistencyField = field(entry, entry.value);
        } else if (entry.key == QLatin1String("total")) {
            if (entry.value.isEmpty())
                fail(entry, QStringLiteral("o total geral precisa de um nome"));
            definition.grandTotalLabel = entry.value;
        } else if (entry.key == QLatin1String("carry")) {
            const QString name = field(entry, entry.value);
            if (!definition.sums.contains(name))
                fail(entry, QStringLiteral("só uma coluna somada antes (sum) é transportada: %1")
                                .arg(name));
            definition.carryField = name;
        } else if (entry.key == QLatin1String("signature")) {
            definition.signature = entry.value;
        } else if (entry.key == QLatin1String("crosstab")) {
            if (parts.size() != 4 || parts.at(3).isEmpty())
                fail(entry, QStringLiteral("tabela inválida; o formato é \"LINHA | COLUNA | "
                                           "CAMPO | título\""));
            const QString value = field(entry, parts.at(2));
            const ReportDefinition::Column* column = definition.column(value);
            if (!definition.sums.contains(value) || column->format != ReportValueFormat::Money)
                fail(entry, QStringLiteral("a tabela soma uma coluna money somada antes (sum): %1")
                                .arg(value));
            definition.crosstab = {field(entry, parts.at(0)), field(entry, parts.at(1)), value,
                                   parts.at(3)};
        }
    }
}
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
    readLayout(definition, sourceName);
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
    return SqlParameters::withoutComments(own.isEmpty() ? value(QStringLiteral("sql")) : own);
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
