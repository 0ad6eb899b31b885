#include "report/ReportDefinition.h"

#include "core/Exceptions.h"
#include "data/SqlParameters.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>

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

// Reads the layout keys (orientation, column, group, sum, count, company) of the entries.
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
            ReportDefinition::Column column;
            column.field = field(entry, parts.value(0));
            column.label = parts.value(1, column.field);
            column.line = entry.line;
            if (!parts.value(2).isEmpty()) {
                bool ok = false;
                column.width = parts.at(2).toDouble(&ok);
                if (!ok || column.width <= 0)
                    fail(entry, QStringLiteral("largura inválida: \"%1\"").arg(parts.at(2)));
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
                fail(entry, QStringLiteral("formato inválido: \"%1\" (use text, date, money "
                                           "ou integer)")
                                .arg(format));
            column.format = *parsed;
            if (definition.column(column.field))
                fail(entry, QStringLiteral("coluna repetida: %1").arg(column.field));
            definition.columns << column;
        } else if (entry.key == QLatin1String("group")) {
            if (parts.size() > 3)
                fail(entry, QStringLiteral("grupo com partes demais; o formato é "
                                           "\"CAMPO | cabeçalho | rodapé\""));
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
        }
    }
}

QString& catalogDirectory()
{
    static QString directory;
    return directory;
}
} // namespace

ReportDefinition ReportDefinition::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Exception(
            QStringLiteral("Não foi possível ler '%1': %2").arg(path, file.errorString()));
    ReportDefinition definition = parse(QString::fromUtf8(file.readAll()), path);
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
        definition.entries.append(
            {line.left(colon).trimmed(), line.mid(colon + 1).trimmed(), i + 1});
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

QStringList ReportDefinition::declaredParameters(const QString& sql)
{
    return SqlParameters::declaredIn(sql);
}

QString ReportCatalog::directory()
{
    if (catalogDirectory().isEmpty())
        return QCoreApplication::applicationDirPath() + QStringLiteral("/reports");
    return catalogDirectory();
}

void ReportCatalog::setDirectory(const QString& directory)
{
    catalogDirectory() = directory;
}

QList<ReportDefinition> ReportCatalog::load(const QString& reportCode)
{
    QList<ReportDefinition> definitions;
    const QDir dir(directory());
    const QStringList files =
        dir.entryList({reportCode + QStringLiteral("*.rpt")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        try {
            definitions << ReportDefinition::load(dir.filePath(file));
        } catch (const Exception& e) {
            qWarning("%s", qUtf8Printable(e.Message()));
        }
    }
    std::stable_sort(definitions.begin(), definitions.end(),
                     [](const ReportDefinition& a, const ReportDefinition& b) {
                         return a.order != b.order ? a.order < b.order : a.title < b.title;
                     });
    return definitions;
}

namespace {

// A file name part from a title: lower-case ASCII letters and digits joined by '-'.
QString slugOf(const QString& title)
{
    const QString plain = title.normalized(QString::NormalizationForm_KD);
    QString slug;
    for (const QChar c : plain) {
        if (c.isLetterOrNumber() && c.unicode() < 128)
            slug += c.toLower();
        else if (!c.isMark() && !slug.isEmpty() && !slug.endsWith(QLatin1Char('-')))
            slug += QLatin1Char('-');
    }
    while (slug.endsWith(QLatin1Char('-')))
        slug.chop(1);
    return slug.left(40).isEmpty() ? QStringLiteral("relatorio") : slug.left(40);
}

// The text with its "key:" line set to the value, added at the top when missing.
QString withKey(const QString& text, const QString& key, const QString& value)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    const QString prefix = key + QLatin1Char(':');
    for (QString& line : lines) {
        if (line.startsWith(prefix)) {
            line = prefix + QLatin1Char(' ') + value;
            return lines.join(QLatin1Char('\n'));
        }
    }
    return prefix + QLatin1Char(' ') + value + QLatin1Char('\n') + text;
}

} // namespace

QString ReportCatalog::saveAsNew(const QString& reportCode, const QString& text,
                                 const QString& title)
{
    const QString cleanTitle = title.simplified();
    if (cleanTitle.isEmpty())
        throw Exception(QStringLiteral("O título do relatório deve ser informado."));
    int order = 0;
    for (const ReportDefinition& definition : load(reportCode))
        order = std::max(order, definition.order + 1);
    QString newText = withKey(text, QStringLiteral("title"), cleanTitle);
    newText = withKey(newText, QStringLiteral("order"), QString::number(order));
    const QDir dir(directory());
    const QString base =
        QStringLiteral("%1-%2-%3").arg(reportCode).arg(order).arg(slugOf(cleanTitle));
    QString path = dir.filePath(base + QStringLiteral(".rpt"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1-%2.rpt").arg(base).arg(n));
    // A bad text is refused before anything is written.
    ReportDefinition::parse(newText, QFileInfo(path).fileName());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::NewOnly) ||
        file.write(newText.toUtf8()) < 0 || !file.flush())
        throw Exception(QStringLiteral("Não foi possível gravar '%1': %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
    return path;
}
