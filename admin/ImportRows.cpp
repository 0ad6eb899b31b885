#include "ImportRows.h"

#include "FieldRules.h"
#include "base/Exceptions.h"

#include <QDate>
#include <QRegularExpression>

namespace ImportRows {

namespace {

struct Column {
    QString name;
    QStringList labels; // as a header may name it, accents and case aside
    bool required;
};

struct Table {
    Kind kind;
    QString name;
    QString singular;
    QString plural;
    QList<Column> columns;
};

const QList<Table>& tables()
{
    const auto column = [](const char* name, std::initializer_list<const char*> labels,
                           bool required) {
        Column made{QLatin1String(name), {QString::fromLatin1(name).toLower()}, required};
        for (const char* label : labels)
            made.labels << QString::fromUtf8(label);
        return made;
    };
    static const QList<Table> known{
        {Kind::Companies,
         QStringLiteral("EMPRESA"),
         QStringLiteral("empresa"),
         QStringLiteral("empresas"),
         {column("CDEMPRESA", {"empresa", "codigo da empresa"}, true),
          column("NMEMPRESA", {"nome da empresa"}, true)}},
        {Kind::Banks,
         QStringLiteral("BANCO"),
         QStringLiteral("banco"),
         QStringLiteral("bancos"),
         {column("CDBANCO", {"banco", "codigo do banco"}, true),
          column("NMBANCO", {"nome do banco"}, true),
          column("CDPICTAGEN", {"mascara da agencia"}, false),
          column("CDPICTCONT", {"mascara da conta"}, false)}},
        {Kind::Branches,
         QStringLiteral("FILIAL"),
         QStringLiteral("filial"),
         QStringLiteral("filiais"),
         {column("CDFILIAL", {"filial", "codigo da filial"}, true),
          column("NMFILIAL", {"nome da filial"}, true),
          column("DTPROC", {"processamento", "data de processamento"}, true)}},
        {Kind::Accounts,
         QStringLiteral("CONTCORR"),
         QStringLiteral("conta"),
         QStringLiteral("contas"),
         {column("CDREDUCONT", {"conta"}, true), column("CDEMPRESA", {"empresa"}, true),
          column("CDBANCO", {"banco"}, true), column("CDAGENCIA", {"agencia"}, false),
          column("CDCONTCORR", {"numero da conta"}, false),
          column("DSCONTCORR", {"descricao da conta"}, false)}},
        {Kind::Checks,
         QStringLiteral("CHEQUE"),
         QStringLiteral("cheque"),
         QStringLiteral("cheques"),
         {column("CDREDUCONT", {"conta"}, true),
          column("NRCHEQUE", {"cheque", "numero do cheque"}, true),
          column("CDEMPRESA", {"empresa"}, false), column("DTEMISSAO", {"emissao"}, true),
          column("DTCOMPENSACAO", {"compensacao"}, false),
          column("VLCHEQUE", {"valor", "valor (r$)"}, true),
          column("NMFAVORECIDO", {"favorecido"}, false), column("IDSTATUS", {"status"}, true)}}};
    return known;
}

const Table& tableOf(Kind kind)
{
    for (const Table& table : tables())
        if (table.kind == kind)
            return table;
    Q_UNREACHABLE();
}

// A header's label without accents, case or extra spaces.
QString plain(const QString& label)
{
    QString text;
    for (const QChar c : label.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            text += c;
    return text.simplified().toLower();
}

// A cell as the program's export writes it for a spreadsheet: ="001101" for a code, an
// apostrophe before a text that would read as a formula.
QString cellText(const QString& cell)
{
    static const QRegularExpression excel(QStringLiteral("^=\"(.*)\"$"));
    const QRegularExpressionMatch match = excel.match(cell.trimmed());
    if (match.hasMatch())
        return match.captured(1);
    static const QRegularExpression formula(QStringLiteral("^'[=+\\-@\\t\\r]"));
    return formula.match(cell).hasMatch() ? cell.mid(1) : cell;
}

// The table a header's columns name: the one whose key columns it holds, most particular
// first.
Kind kindOf(const QSet<QString>& columns)
{
    if (columns.contains(QStringLiteral("NRCHEQUE")))
        return Kind::Checks;
    if (columns.contains(QStringLiteral("CDREDUCONT")))
        return Kind::Accounts;
    if (columns.contains(QStringLiteral("CDFILIAL")))
        return Kind::Branches;
    if (columns.contains(QStringLiteral("CDBANCO")))
        return Kind::Banks;
    if (columns.contains(QStringLiteral("CDEMPRESA")))
        return Kind::Companies;
    throw Exception(QStringLiteral("a primeira linha não nomeia as colunas de empresas "
                                   "(CDEMPRESA), bancos (CDBANCO), filiais (CDFILIAL), contas "
                                   "(CDREDUCONT) nem cheques (NRCHEQUE)"));
}

// A line's cells by column, each read by a rule that names what is wrong.
class Line {
public:
    Line(const Layout& layout, const QStringList& fields, bool firebird)
        : m_layout(layout), m_fields(fields), m_firebird(firebird)
    {
    }
    QString raw(const QString& column) const
    {
        const int index = m_layout.fields.value(column, -1);
        return index < 0 ? QString() : cellText(m_fields.value(index)).trimmed();
    }
    QVariant code(const QString& column, int width, const QString& what) const
    {
        const QString text = raw(column);
        const auto code = FieldRules::code(text, width);
        if (!code)
            throw Exception(text.isEmpty() ? QStringLiteral("falta %1").arg(what)
                                           : QStringLiteral("%1 inválido '%2' (%3 algarismos)")
                                                 .arg(what, text)
                                                 .arg(width));
        return *code;
    }
    QVariant text(const QString& column, int maxLength, const QString& what,
                  bool required = false) const
    {
        const QString text = raw(column);
        const auto value = FieldRules::text(text, maxLength);
        if (!value)
            throw Exception(QStringLiteral("%1 com mais de %2 caracteres ou com caracteres de "
                                           "controle")
                                .arg(what)
                                .arg(maxLength));
        if (value->isEmpty() && required)
            throw Exception(QStringLiteral("falta %1").arg(what));
        return value->isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(*value);
    }
    QVariant date(const QString& column, const QString& what, bool required) const
    {
        const QString text = raw(column);
        if (text.isEmpty() && !required)
            return QVariant(QMetaType(m_firebird ? QMetaType::QDate : QMetaType::QString));
        const auto date = FieldRules::date(text);
        if (!date)
            throw Exception(text.isEmpty()
                                ? QStringLiteral("falta %1").arg(what)
                                : QStringLiteral("%1 inválida '%2' (DD/MM/AAAA)").arg(what, text));
        return m_firebird ? QVariant(*date) : QVariant(date->toString(Qt::ISODate));
    }

private:
    const Layout& m_layout;
    const QStringList& m_fields;
    bool m_firebird;
};

// missing: the reason, with %1 for the code.
void requireKnown(const QSet<QString>& known, const QVariant& code, const QString& missing)
{
    if (!known.contains(code.toString()))
        throw Exception(missing.arg(code.toString()));
}

QVariantList checkValues(const Line& line, const Known& known)
{
    const QVariant account = line.code(QStringLiteral("CDREDUCONT"), 3, QStringLiteral("conta"));
    if (!known.accountCompany.contains(account.toString()))
        throw Exception(
            QStringLiteral("conta %1 não cadastrada nem importada antes").arg(account.toString()));
    const QString owner = known.accountCompany.value(account.toString());
    QVariant company = owner;
    if (!line.raw(QStringLiteral("CDEMPRESA")).isEmpty()) {
        company = line.code(QStringLiteral("CDEMPRESA"), 2, QStringLiteral("empresa"));
        if (company.toString() != owner)
            throw Exception(QStringLiteral("empresa %1, mas a conta %2 é da empresa %3")
                                .arg(company.toString(), account.toString(), owner));
    }
    const QString stateText = line.raw(QStringLiteral("IDSTATUS"));
    const auto state = FieldRules::checkState(stateText);
    if (!state)
        throw Exception(QStringLiteral("situação inválida '%1' (0 ou Disponível, 1 ou Emitido, 2 "
                                       "ou Cancelado)")
                            .arg(stateText));
    const QString amountText = line.raw(QStringLiteral("VLCHEQUE"));
    const auto cents = amountText.isEmpty() && *state == QLatin1Char('0')
                           ? std::optional<qint64>(0)
                           : FieldRules::cents(amountText);
    if (!cents)
        throw Exception(
            amountText.isEmpty()
                ? QStringLiteral("falta o valor")
                : QStringLiteral("valor inválido '%1' (1.234,56, não negativo)").arg(amountText));
    return {
        account,
        line.code(QStringLiteral("NRCHEQUE"), 6, QStringLiteral("número do cheque")),
        company,
        line.date(QStringLiteral("DTEMISSAO"), QStringLiteral("data de emissão"), true),
        line.date(QStringLiteral("DTCOMPENSACAO"), QStringLiteral("data de compensação"), false),
        double(*cents) / 100.0,
        line.text(QStringLiteral("NMFAVORECIDO"), 60, QStringLiteral("favorecido")),
        QString(*state)};
}

} // namespace

Layout layoutOf(const QStringList& header)
{
    QHash<QString, QString> names; // label -> column, over every table
    for (const Table& table : tables())
        for (const Column& column : table.columns)
            for (const QString& label : column.labels)
                names.insert(label, column.name);
    QHash<QString, int> found;
    for (int i = 0; i < header.size(); ++i) {
        const QString column = names.value(plain(cellText(header.at(i))));
        if (column.isEmpty())
            continue;
        if (found.contains(column))
            throw Exception(
                QStringLiteral("a coluna %1 aparece duas vezes na primeira linha").arg(column));
        found.insert(column, i);
    }
    const QSet<QString> present(found.keyBegin(), found.keyEnd());
    const Table& table = tableOf(kindOf(present));
    Layout layout{table.kind, {}, {}};
    QStringList lacking;
    for (const Column& column : table.columns) {
        if (found.contains(column.name))
            layout.fields.insert(column.name, found.value(column.name));
        else if (column.required)
            lacking << column.name;
    }
    if (!lacking.isEmpty())
        throw Exception(QStringLiteral("arquivo de %1 sem as colunas %2")
                            .arg(table.plural, lacking.join(QStringLiteral(", "))));
    for (int i = 0; i < header.size(); ++i)
        if (!layout.fields.values().contains(i))
            layout.ignored << header.at(i).trimmed();
    return layout;
}

QVariantList valuesOf(const Layout& layout, const QStringList& fields, const Known& known,
                      bool firebird)
{
    const Line line(layout, fields, firebird);
    switch (layout.kind) {
    case Kind::Companies:
        return {
            line.code(QStringLiteral("CDEMPRESA"), 2, QStringLiteral("empresa")),
            line.text(QStringLiteral("NMEMPRESA"), 40, QStringLiteral("nome da empresa"), true)};
    case Kind::Banks:
        return {line.code(QStringLiteral("CDBANCO"), 3, QStringLiteral("banco")),
                line.text(QStringLiteral("NMBANCO"), 40, QStringLiteral("nome do banco"), true),
                line.text(QStringLiteral("CDPICTAGEN"), 10, QStringLiteral("máscara da agência")),
                line.text(QStringLiteral("CDPICTCONT"), 20, QStringLiteral("máscara da conta"))};
    case Kind::Branches:
        return {line.code(QStringLiteral("CDFILIAL"), 2, QStringLiteral("filial")),
                line.text(QStringLiteral("NMFILIAL"), 40, QStringLiteral("nome da filial"), true),
                line.date(QStringLiteral("DTPROC"), QStringLiteral("data de processamento"), true)};
    case Kind::Accounts: {
        const QVariant company =
            line.code(QStringLiteral("CDEMPRESA"), 2, QStringLiteral("empresa"));
        requireKnown(known.companies, company,
                     QStringLiteral("empresa %1 não cadastrada nem importada antes"));
        const QVariant bank = line.code(QStringLiteral("CDBANCO"), 3, QStringLiteral("banco"));
        requireKnown(known.banks, bank,
                     QStringLiteral("banco %1 não cadastrado nem importado antes"));
        return {line.code(QStringLiteral("CDREDUCONT"), 3, QStringLiteral("conta")),
                company,
                bank,
                line.text(QStringLiteral("CDAGENCIA"), 5, QStringLiteral("agência")),
                line.text(QStringLiteral("CDCONTCORR"), 10, QStringLiteral("número da conta")),
                line.text(QStringLiteral("DSCONTCORR"), 20, QStringLiteral("descrição da conta"))};
    }
    case Kind::Checks:
        return checkValues(line, known);
    }
    Q_UNREACHABLE();
}

void remember(Kind kind, const QVariantList& values, Known& known)
{
    const QString code = values.at(0).toString();
    if (kind == Kind::Companies)
        known.companies.insert(code);
    else if (kind == Kind::Banks)
        known.banks.insert(code);
    else if (kind == Kind::Accounts)
        known.accountCompany.insert(code, values.at(1).toString());
}

QString insertStatement(Kind kind)
{
    const Table& table = tableOf(kind);
    QStringList names;
    for (const Column& column : table.columns)
        names << column.name;
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table.name, names.join(QStringLiteral(", ")),
             QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
}

QString counted(Kind kind, qint64 count)
{
    const Table& table = tableOf(kind);
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? table.singular : table.plural);
}

QString keyOf(Kind kind, const QVariantList& values)
{
    if (kind == Kind::Checks)
        return QStringLiteral("cheque %1/%2").arg(values.at(0).toString(), values.at(1).toString());
    return QStringLiteral("%1 %2").arg(tableOf(kind).singular, values.at(0).toString());
}

} // namespace ImportRows
