#include "report/engine/ReportCatalog.h"

#include "base/Exceptions.h"
#include "base/OutputFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <climits>

namespace {

QString& shippedDirectory()
{
    static QString directory;
    return directory;
}

QString& ownDirectory()
{
    static QString directory;
    return directory;
}

// A place in the list: the definition's order, then its title.
struct Place {
    int order = INT_MAX;
    QString title;
};

// The place a file states even when it does not read: its "order:" line, else the number
// its name carries ("KLX473-2-....rpt"), else the end of its folder's list.
Place statedPlace(const QString& path, const QString& reportCode)
{
    Place place;
    QString text;
    try {
        text = ReportDefinition::readFile(path, ReportDefinition::Extent::Header);
    } catch (const Exception&) {
        // A file that cannot be read states nothing: its name tells.
    }
    static const QRegularExpression order(QStringLiteral("^order:\\s*(-?\\d+)\\s*$"),
                                          QRegularExpression::MultilineOption);
    static const QRegularExpression title(QStringLiteral("^title:[ \\t]*(\\S.*)$"),
                                          QRegularExpression::MultilineOption);
    const QRegularExpression named(
        QStringLiteral("^%1-(\\d+)-").arg(QRegularExpression::escape(reportCode)));
    bool ok = false;
    int number = order.match(text).captured(1).toInt(&ok);
    if (!ok)
        number = named.match(QFileInfo(path).fileName()).captured(1).toInt(&ok);
    if (ok)
        place.order = number;
    place.title = title.match(text).captured(1).trimmed();
    return place;
}

// The definitions of one folder, in their order.
QList<ReportCatalog::Entry> entriesIn(const QString& directory, const QString& reportCode)
{
    QList<std::pair<Place, ReportCatalog::Entry>> found;
    const QDir dir(directory);
    // Devices, pipes and dangling links are listed too, as definitions that do not read.
    const QStringList files = dir.entryList({reportCode + QStringLiteral("*.rpt")},
                                            QDir::Files | QDir::System, QDir::Name);
    for (const QString& file : files) {
        ReportCatalog::Entry entry;
        entry.filePath = dir.filePath(file);
        Place place;
        try {
            // The list needs the header; the chosen definition is read whole when it runs.
            entry.definition =
                ReportDefinition::load(entry.filePath, ReportDefinition::Extent::Header);
            place = {entry.definition.order, entry.definition.title};
        } catch (const Exception& e) {
            entry.error = e.Message();
            place = statedPlace(entry.filePath, reportCode);
        }
        found.append({place, entry});
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.first.order != b.first.order ? a.first.order < b.first.order
                                              : a.first.title < b.first.title;
    });
    QList<ReportCatalog::Entry> entries;
    for (const auto& [place, entry] : std::as_const(found))
        entries << entry;
    return entries;
}

bool sameTitle(const QString& a, const QString& b)
{
    return a.simplified().compare(b.simplified(), Qt::CaseInsensitive) == 0;
}

bool titleTaken(const QList<ReportCatalog::Entry>& entries, const QString& title)
{
    return std::any_of(entries.begin(), entries.end(), [&](const ReportCatalog::Entry& entry) {
        return sameTitle(entry.title(), title);
    });
}

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

// The text with its "key:" line set to the value, added at the top when missing; with
// onlyIfMissing, a line already there is kept.
QString withKey(const QString& text, const QString& key, const QString& value,
                bool onlyIfMissing = false)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    const QString prefix = key + QLatin1Char(':');
    for (QString& line : lines) {
        if (line.startsWith(prefix)) {
            if (!onlyIfMissing)
                line = prefix + QLatin1Char(' ') + value;
            return lines.join(QLatin1Char('\n'));
        }
    }
    return prefix + QLatin1Char(' ') + value + QLatin1Char('\n') + text;
}

} // namespace

QString ReportCatalog::Entry::title() const
{
    if (!broken())
        return definition.title;
    const QString stated = statedPlace(filePath, QString()).title;
    return stated.isEmpty() ? QFileInfo(filePath).fileName() : stated;
}

QString ReportCatalog::directory()
{
    if (shippedDirectory().isEmpty())
        return QCoreApplication::applicationDirPath() + QStringLiteral("/reports");
    return shippedDirectory();
}

void ReportCatalog::setDirectory(const QString& directory)
{
    shippedDirectory() = directory;
}

QString ReportCatalog::userDirectory()
{
    if (ownDirectory().isEmpty())
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
               QStringLiteral("/reports");
    return ownDirectory();
}

void ReportCatalog::setUserDirectory(const QString& directory)
{
    ownDirectory() = directory;
}

QList<ReportCatalog::Entry> ReportCatalog::load(const QString& reportCode)
{
    QList<Entry> entries = entriesIn(directory(), reportCode);
    // The user's folder may be the shipped one: its files are listed once.
    const QString shipped = QFileInfo(directory()).canonicalFilePath();
    const QString own = QFileInfo(userDirectory()).canonicalFilePath();
    if (!own.isEmpty() && own != shipped)
        entries << entriesIn(userDirectory(), reportCode);
    return entries;
}

QString ReportCatalog::freeTitle(const QString& reportCode, const QString& title)
{
    const QList<Entry> entries = load(reportCode);
    const QString base = title.simplified();
    if (!titleTaken(entries, base))
        return base;
    QString candidate = base + QStringLiteral(" (cópia)");
    for (int n = 2; titleTaken(entries, candidate); ++n)
        candidate = QStringLiteral("%1 (cópia %2)").arg(base).arg(n);
    return candidate;
}

QString ReportCatalog::saveAsNew(const QString& reportCode, const QString& text,
                                 const QString& title, const QString& kind)
{
    const QString cleanTitle = title.simplified();
    if (cleanTitle.isEmpty())
        throw Exception(QStringLiteral("O título do relatório deve ser informado."));
    const QList<Entry> entries = load(reportCode);
    if (titleTaken(entries, cleanTitle))
        throw Exception(QStringLiteral("Já existe um relatório com o título \"%1\"; informe "
                                       "outro título.")
                            .arg(cleanTitle));
    int order = 0;
    for (const Entry& entry : entries)
        if (!entry.broken())
            order = std::max(order, entry.definition.order + 1);
    QString newText = withKey(text, QStringLiteral("title"), cleanTitle);
    newText = withKey(newText, QStringLiteral("order"), QString::number(order));
    if (!kind.isEmpty())
        newText = withKey(newText, QStringLiteral("kind"), kind, true);
    const QDir dir(userDirectory());
    const QString base =
        QStringLiteral("%1-%2-%3").arg(reportCode).arg(order).arg(slugOf(cleanTitle));
    QString path = dir.filePath(base + QStringLiteral(".rpt"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1-%2.rpt").arg(base).arg(n));
    // A bad text is refused before anything is written.
    ReportDefinition::parse(newText, QFileInfo(path).fileName());
    if (!QDir().mkpath(dir.path()))
        throw Exception(QStringLiteral("Não foi possível criar a pasta '%1'.")
                            .arg(QDir::toNativeSeparators(dir.path())));
    // Written whole or not at all: a half-written copy would join the list as broken.
    OutputFile file(path);
    file.write(newText.toUtf8());
    file.commit();
    return path;
}

bool ReportCatalog::isUsersOwn(const QString& filePath)
{
    const QString own = QFileInfo(userDirectory()).canonicalFilePath();
    return !filePath.isEmpty() && !own.isEmpty() &&
           QFileInfo(QFileInfo(filePath).absolutePath()).canonicalFilePath() == own &&
           own != QFileInfo(directory()).canonicalFilePath();
}

void ReportCatalog::saveInPlace(const QString& reportCode, const QString& filePath,
                                const QString& text)
{
    if (!isUsersOwn(filePath))
        throw Exception(QStringLiteral("O relatório '%1' não é uma cópia sua; salve-o como novo.")
                            .arg(QDir::toNativeSeparators(filePath)));
    const ReportDefinition definition =
        ReportDefinition::parse(text, QFileInfo(filePath).fileName());
    QList<Entry> others = load(reportCode);
    others.removeIf([&](const Entry& entry) {
        return QFileInfo(entry.filePath).canonicalFilePath() ==
               QFileInfo(filePath).canonicalFilePath();
    });
    if (titleTaken(others, definition.title))
        throw Exception(QStringLiteral("Já existe um relatório com o título \"%1\"; informe "
                                       "outro título.")
                            .arg(definition.title.simplified()));
    OutputFile file(filePath);
    file.write(text.toUtf8());
    file.commit();
}

void ReportCatalog::rename(const QString& reportCode, const QString& filePath, const QString& title)
{
    const QString cleanTitle = title.simplified();
    if (cleanTitle.isEmpty())
        throw Exception(QStringLiteral("O título do relatório deve ser informado."));
    const QString text = ReportDefinition::readFile(filePath);
    saveInPlace(reportCode, filePath, withKey(text, QStringLiteral("title"), cleanTitle));
}

void ReportCatalog::remove(const QString& filePath)
{
    if (!isUsersOwn(filePath))
        throw Exception(QStringLiteral("O relatório '%1' não é uma cópia sua e não pode ser "
                                       "excluído.")
                            .arg(QDir::toNativeSeparators(filePath)));
    QFile file(filePath);
    if (!file.remove())
        throw Exception(QStringLiteral("Não foi possível excluir '%1': %2")
                            .arg(QDir::toNativeSeparators(filePath), file.errorString()));
}
