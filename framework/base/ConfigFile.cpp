#include "base/ConfigFile.h"

#include "base/Exceptions.h"
#include "base/VisibleText.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

constexpr qint64 largestFile = 1 << 20;

// The value after "=": quoted, or as written without its surrounding blanks. Nothing when a
// quote is left open or text follows the closing quote.
std::optional<QString> valueOf(const QString& written)
{
    const QString text = written.trimmed();
    if (!text.startsWith(QLatin1Char('"')))
        return text;
    QString value;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size() &&
            (text.at(i + 1) == u'"' || text.at(i + 1) == u'\\')) {
            value += text.at(++i);
        } else if (c == u'"') {
            if (i + 1 != text.size())
                return std::nullopt;
            return value;
        } else {
            value += c;
        }
    }
    return std::nullopt;
}

} // namespace

ConfigFile ConfigFile::read(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Exception(QStringLiteral("arquivo de configuração '%1' não encontrado")
                            .arg(VisibleText::of(path)));
    if (!info.isFile())
        throw Exception(
            QStringLiteral("'%1' não é um arquivo de configuração (é uma pasta ou um dispositivo)")
                .arg(VisibleText::of(path)));
    if (info.size() > largestFile)
        throw Exception(QStringLiteral("'%1' não é um arquivo de configuração: tem mais de 1 MiB")
                            .arg(VisibleText::of(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("arquivo de configuração '%1' ilegível: %2")
                            .arg(VisibleText::of(path), file.errorString()));
    return parse(file.read(largestFile + 1), path);
}

ConfigFile ConfigFile::parse(const QByteArray& bytes, const QString& name)
{
    const QString shownName = VisibleText::of(name);
    const auto notIni = [&](const QString& reason) {
        return Exception(
            QStringLiteral("'%1' não é um arquivo de configuração INI: %2").arg(shownName, reason));
    };
    if (bytes.size() > largestFile)
        throw notIni(QStringLiteral("tem mais de 1 MiB"));
    if (bytes.contains('\0'))
        throw notIni(QStringLiteral("é um arquivo binário"));
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw notIni(QStringLiteral("o texto não está em UTF-8"));
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);

    ConfigFile file;
    file.m_name = name;
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
            trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (!trimmed.endsWith(QLatin1Char(']')) || trimmed.size() < 3)
                throw notIni(QStringLiteral("linha %1: seção mal escrita: %2")
                                 .arg(number)
                                 .arg(VisibleText::of(trimmed)));
            section = trimmed.mid(1, trimmed.size() - 2).trimmed();
            file.m_sections.append({section, number});
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = equals < 0 ? QString() : line.left(equals).trimmed();
        if (key.isEmpty())
            throw notIni(QStringLiteral("linha %1 não é [seção] nem chave=valor: %2")
                             .arg(number)
                             .arg(VisibleText::of(trimmed.left(80))));
        const auto value = valueOf(line.mid(equals + 1));
        if (!value)
            throw notIni(
                QStringLiteral("linha %1: aspas sem fechar, ou texto depois delas").arg(number));
        file.m_entries.append({section, key, *value, number});
    }
    return file;
}

const ConfigFile::Entry* ConfigFile::find(const QString& section, const QString& key) const
{
    for (auto it = m_entries.crbegin(); it != m_entries.crend(); ++it)
        if (it->section == section && it->key == key)
            return &*it;
    return nullptr;
}

bool ConfigFile::contains(const QString& section, const QString& key) const
{
    return find(section, key) != nullptr;
}

std::optional<QString> ConfigFile::value(const QString& section, const QString& key) const
{
    if (const Entry* entry = find(section, key))
        return entry->value;
    return std::nullopt;
}

int ConfigFile::line(const QString& section, const QString& key) const
{
    const Entry* entry = find(section, key);
    return entry ? entry->line : 0;
}

int ConfigFile::sectionLine(const QString& section) const
{
    for (const auto& [name, line] : m_sections)
        if (name == section)
            return line;
    return 0;
}

QStringList ConfigFile::unknown(const Known& known, const QStringList& aside) const
{
    QStringList warnings;
    const QString name = VisibleText::of(m_name);
    for (const auto& [section, line] : m_sections)
        if (!known.contains(section) && !aside.contains(section))
            warnings << QStringLiteral("%1:%2: seção desconhecida [%3]")
                            .arg(name)
                            .arg(line)
                            .arg(VisibleText::of(section));
    for (const Entry& entry : m_entries) {
        if (aside.contains(entry.section))
            continue;
        if (entry.section.isEmpty())
            warnings << QStringLiteral("%1:%2: chave fora de uma seção: %3")
                            .arg(name)
                            .arg(entry.line)
                            .arg(VisibleText::of(entry.key));
        else if (known.contains(entry.section) && !known[entry.section].contains(entry.key))
            warnings << QStringLiteral("%1:%2: chave desconhecida [%3] %4")
                            .arg(name)
                            .arg(entry.line)
                            .arg(VisibleText::of(entry.section), VisibleText::of(entry.key));
    }
    return warnings;
}
